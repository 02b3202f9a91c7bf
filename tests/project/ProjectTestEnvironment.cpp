#include "gui/GuiFonts.h"

#include <gtest/gtest.h>

namespace {

// Dialogs drawn by these tests fill the font caches; they are released at the
// end so that the leak checker judges only what the tests allocated.
class FontCacheEnvironment : public ::testing::Environment {
public:
    void TearDown() override { ReleaseFontCaches(); }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new FontCacheEnvironment);

} // namespace
