// The rights code exactly as a build not made for tests compiles it, linked ahead of the core's.
#undef FU_TEST_BUILD
// NOLINTNEXTLINE(bugprone-suspicious-include): the source itself is what this file tests
#include "engine/Authorization.cpp"
