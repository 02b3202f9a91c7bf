#include "gui/GuiFonts.h"

#include <gtest/gtest.h>

namespace {

// Leaves the process without font caches, so that the leak checker judges
// only what the tests themselves allocated.
class FontCacheEnvironment : public ::testing::Environment {
public:
    void TearDown() override { ReleaseFontCaches(); }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new FontCacheEnvironment);

} // namespace
