#pragma once

// The folder for a test's temporary files. Every test process gets one of its
// own, because ctest runs tests side by side and they must never share, or
// delete, each other's files.
const char* LoomtoneTestTmp();

#define LOOMTONE_TEST_TMP (LoomtoneTestTmp())

// Where the sources and the build are. Answered at run time by the one file
// that is compiled with the paths, so that every other test file compiles
// the same in any checkout and the compiler cache can share it.
const char* LoomtoneSourceDir();
const char* LoomtoneBinaryDir();

#define LOOMTONE_SOURCE_DIR (LoomtoneSourceDir())
#define LOOMTONE_BINARY_DIR (LoomtoneBinaryDir())
