#pragma once

// Releases the caches that text drawing fills for the life of the process
// (the thread's Pango font map, cairo's static data and fontconfig's), so
// that a leak checker sees a clean exit. Call it once at shutdown, after the
// last window is gone; text drawn afterwards fills the caches again.
void ReleaseFontCaches();
