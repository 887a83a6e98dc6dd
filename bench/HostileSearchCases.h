// The search's half of the hostile-input benchmark.
#pragma once

namespace fu::bench {

// Prints the time and peak resident memory of a search over a suitcase of 20,000 references to
// one 64 KB 'sfnt' record, and of one for a definition of 1,000 equal targets and 100 equal
// sets. 0 when both searches found what they should.
int benchSearchCases();

} // namespace fu::bench
