#pragma once

// Releases the thread's Pango font map, the largest cache that text drawing
// fills for the life of the process. Call it once at shutdown, after the last
// window is gone. Cairo's and fontconfig's own caches stay: tearing them down
// asserts while any font is still cached, and the tests' leak checker is told
// about them instead.
void ReleaseFontCaches();
