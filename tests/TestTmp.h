#pragma once

// The folder for a test's temporary files. Every test process gets one of its
// own, because ctest runs tests side by side and they must never share, or
// delete, each other's files.
const char* LoomtoneTestTmp();

#define LOOMTONE_TEST_TMP (LoomtoneTestTmp())
