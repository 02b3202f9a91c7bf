#pragma once

#include <cstdint>
#include <string>

// A millisecond count as a clock reading for rulers and length fields:
// "M:SS" below an hour, "H:MM:SS" from an hour on, with ".hh" hundredths
// appended when asked for. Negative counts get a leading '-'.
std::string MakeLengthString(int64_t ms, bool hundredths);
