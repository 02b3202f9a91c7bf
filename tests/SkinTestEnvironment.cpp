#include "gui/CImageManager.h"
#include "gui/CSkin.h"
#include "gui/GuiFonts.h"
#include "support/LocalizedStrings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The shipped skin and strings for every test; no font caches left behind
// for the leak checker.
class SkinEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(m_skin.Init(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomskin.ini"));
        CSkin::SetCurrent(&m_skin);
        ASSERT_TRUE(SetStringFile(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomstrings.ini"));
    }
    void TearDown() override {
        CImageManager::Instance().Clear();
        CSkin::SetCurrent(nullptr);
        ReleaseFontCaches();
    }

private:
    CSkin m_skin;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new SkinEnvironment);

} // namespace
