#include "shell/qt/Application.h"

int main(int argc, char** argv) { return fu::qt::runApplication(argc, argv); }
