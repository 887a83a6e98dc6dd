// Searches and updates over crafted input that would cost without bounds if repetition were
// paid for each time: prints time and peak resident memory per case. Not a test.
#include "HostileSearchCases.h"

int main() { return fu::bench::benchSearchCases(); }
