// The rights code exactly as a build not made for tests compiles it, linked ahead of the core's.
#undef FU_TEST_BUILD
#include "engine/Authorization.cpp"
