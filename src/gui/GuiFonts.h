#pragma once

// Releases the caches that text drawing fills for the life of the process
// (the thread's Pango font map and fontconfig's), so that a leak checker sees
// a clean exit. Call it once at shutdown, after the last window is gone; text
// drawn afterwards fills the caches again. Cairo's own static caches stay:
// they remain reachable, and resetting them asserts while Pango still holds a
// font it cached for an empty layout.
void ReleaseFontCaches();
