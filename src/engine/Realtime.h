#pragma once

// Marks a function that runs on the audio thread: it must not allocate, free,
// wait on a lock or touch a file (a mapped page counts). The marker makes the
// function noexcept and, with a compiler that checks function effects, asks it
// to prove that the function never blocks.
#if defined(__has_cpp_attribute)
#if __has_cpp_attribute(clang::nonblocking)
#define LOOMTONE_REALTIME noexcept [[clang::nonblocking]]
#endif
#endif
#ifndef LOOMTONE_REALTIME
#define LOOMTONE_REALTIME noexcept
#endif
