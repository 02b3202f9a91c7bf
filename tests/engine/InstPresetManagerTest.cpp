#include "engine/InstPresetManager.h"
#include "engine/CDelayEffect.h"
#include "engine/CEffectChain.h"
#include "engine/CGainEffect.h"
#include "engine/CReverbEffect.h"
#include "support/CFileObj.h"
#include "support/CRIFF.h"
#include "support/Paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string FreshFolder(const std::string& name) {
    const std::string folder = std::string(LOOMTONE_TEST_TMP) + "/" + name + "/";
    std::filesystem::remove_all(folder);
    EXPECT_TRUE(CreateMultiLevelDir(folder));
    return folder;
}

std::unique_ptr<CAudioEffect> Gain(float db) {
    auto gain = std::make_unique<CGainEffect>();
    gain->SetParameter(CGainEffect::kGainDb, db);
    return gain;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

struct Chains {
    CEffectChain instrument;
    CEffectChain effects;
};

void Fill(Chains& chains) {
    chains.instrument.Insert(Gain(-4), 0);
    auto reverb = std::make_unique<CReverbEffect>();
    reverb->LoadPreset("Hall");
    chains.effects.Insert(std::move(reverb), 0);
    auto delay = std::make_unique<CDelayEffect>();
    delay->setActive(false);
    chains.effects.Insert(std::move(delay), 1);
}

} // namespace

TEST(InstPresetManager, InitNeedsAnExistingFolder) {
    InstPresetManager manager;
    EXPECT_FALSE(manager.Init(std::string(LOOMTONE_TEST_TMP) + "/no-such-presets/"));
    EXPECT_FALSE(manager.IsInitialized());
    EXPECT_TRUE(manager.GetGroups().empty());
    const std::string folder = FreshFolder("presets-init");
    std::string withBackslash = folder;
    withBackslash.back() = '\\';
    ASSERT_TRUE(manager.Init(withBackslash));
    EXPECT_EQ(manager.GetFolder(), folder);
    EXPECT_EQ(manager.PresetPath("Pads", "Warm"), folder + "Pads/Warm.ltip");
}

TEST(InstPresetManager, SavesListsAndLoadsPresets) {
    const std::string folder = FreshFolder("presets-round-trip");
    InstPresetManager manager;
    ASSERT_TRUE(manager.Init(folder));
    Chains saved;
    Fill(saved);
    ASSERT_TRUE(manager.SavePreset("Strings", "Lush", saved.instrument, saved.effects));
    ASSERT_TRUE(manager.SavePreset("Strings", "Dry", saved.instrument, CEffectChain()));
    ASSERT_TRUE(manager.SavePreset("Bass", "Deep", saved.instrument, saved.effects));
    WriteAll(folder + "Strings/readme.txt", {'h', 'i'}); // not a preset
    CreateMultiLevelDir(folder + "Strings/Sub");

    EXPECT_EQ(manager.GetGroups(), (std::vector<std::string>{"Bass", "Strings"}));
    EXPECT_EQ(manager.GetPresets("Strings"), (std::vector<std::string>{"Dry", "Lush"}));
    EXPECT_TRUE(manager.GetPresets("Nothing").empty());

    Chains loaded;
    loaded.instrument.Insert(Gain(9), 0);
    ASSERT_TRUE(manager.LoadPreset("Strings", "Lush", &loaded.instrument, &loaded.effects));
    EXPECT_EQ(loaded.instrument.SaveBody(), saved.instrument.SaveBody());
    EXPECT_EQ(loaded.effects.SaveBody(), saved.effects.SaveBody());
    EXPECT_EQ(loaded.effects.GetEffect(0)->GetCurrentPresetName(), "Hall");
    EXPECT_FALSE(loaded.effects.GetEffect(1)->isActive());

    ASSERT_TRUE(manager.LoadPreset("Strings", "Dry", &loaded.instrument, &loaded.effects));
    EXPECT_EQ(loaded.effects.NumEffects(), 0);
    // Saving again over a preset replaces it.
    ASSERT_TRUE(manager.SavePreset("Strings", "Dry", saved.instrument, saved.effects));
    ASSERT_TRUE(manager.LoadPreset("Strings", "Dry", &loaded.instrument, &loaded.effects));
    EXPECT_EQ(loaded.effects.NumEffects(), 2);
    EXPECT_FALSE(std::filesystem::exists(folder + "Strings/Dry.ltip.tmp"));
}

TEST(InstPresetManager, RefusesNamesThatAreNotOnePathElement) {
    const std::string folder = FreshFolder("presets-names");
    InstPresetManager manager;
    ASSERT_TRUE(manager.Init(folder));
    Chains chains;
    for (const std::string& bad : std::vector<std::string>{"", ".", "..", "a/b", "a\\b",
                                                           "tab\there", std::string(260, 'x')}) {
        EXPECT_FALSE(InstPresetManager::IsValidName(bad)) << bad;
        EXPECT_FALSE(manager.SavePreset(bad, "ok", chains.instrument, chains.effects));
        EXPECT_FALSE(manager.SavePreset("ok", bad, chains.instrument, chains.effects));
        EXPECT_FALSE(manager.LoadPreset("ok", bad, &chains.instrument, &chains.effects));
        EXPECT_EQ(manager.PresetPath(bad, "ok"), "");
    }
    EXPECT_TRUE(InstPresetManager::IsValidName("0:12"));
    EXPECT_TRUE(InstPresetManager::IsValidName(std::string(259, 'x')));
    EXPECT_FALSE(manager.LoadPreset("ok", "missing", &chains.instrument, &chains.effects));
    EXPECT_FALSE(manager.LoadPreset("ok", "missing", nullptr, &chains.effects));
}

TEST(InstPresetManager, DamagedFilesChangeNeitherChain) {
    const std::string folder = FreshFolder("presets-damaged");
    InstPresetManager manager;
    ASSERT_TRUE(manager.Init(folder));
    Chains saved;
    Fill(saved);
    ASSERT_TRUE(manager.SavePreset("G", "Good", saved.instrument, saved.effects));
    const std::vector<uint8_t> good = ReadAll(folder + "G/Good.ltip");
    ASSERT_GT(good.size(), 40u);

    Chains target;
    target.instrument.Insert(Gain(-1), 0);
    target.effects.Insert(Gain(-2), 0);
    const std::vector<uint8_t> instrumentBefore = target.instrument.SaveBody();
    const std::vector<uint8_t> effectsBefore = target.effects.SaveBody();
    auto unchanged = [&] {
        return target.instrument.SaveBody() == instrumentBefore &&
               target.effects.SaveBody() == effectsBefore;
    };
    const std::string bad = folder + "G/Bad.ltip";
    // Only the pad byte after the last chunk may be missing: the reader
    // takes such a file as whole.
    const size_t bodySize = saved.effects.SaveBody().size();
    const size_t wholeSize = good.size() - bodySize % 2;
    for (size_t size = 0; size < wholeSize; ++size) {
        WriteAll(bad, std::vector<uint8_t>(good.begin(), good.begin() + size));
        ASSERT_FALSE(manager.LoadPreset("G", "Bad", &target.instrument, &target.effects))
            << "length " << size;
        ASSERT_TRUE(unchanged()) << "length " << size;
    }
    // The effects chain's body (the last chunk) damaged: its version.
    std::vector<uint8_t> bytes = good;
    const size_t effectsBody = bytes.size() - bodySize - bodySize % 2; // pad byte
    bytes[effectsBody] = 7;
    WriteAll(bad, bytes);
    EXPECT_FALSE(manager.LoadPreset("G", "Bad", &target.instrument, &target.effects));
    EXPECT_TRUE(unchanged());
    // Another form, another file version.
    bytes = good;
    bytes[8] = 'X';
    WriteAll(bad, bytes);
    EXPECT_FALSE(manager.LoadPreset("G", "Bad", &target.instrument, &target.effects));
    bytes = good;
    bytes[20] = 2; // "IPhd" body: the version
    WriteAll(bad, bytes);
    EXPECT_FALSE(manager.LoadPreset("G", "Bad", &target.instrument, &target.effects));
    EXPECT_TRUE(unchanged());
}
