// Entry point of the test binaries that drive widgets.
#define QUORVEL_TEST_WIDGETS
#include "TestMain.cpp"
