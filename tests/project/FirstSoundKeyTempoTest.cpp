#include "ProjectOnWindowTest.h"
#include "engine/TempoMap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>

namespace {

void PutLE(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// One second of tone in a WAV whose "acid" chunk gives its tempo and root.
void WriteLoop(const std::string& path, float tempo, uint16_t root) {
    std::string acid;
    PutLE(acid, 0x02, 4); // the root note is set
    PutLE(acid, root, 2);
    PutLE(acid, 0x8000, 2);
    PutLE(acid, 0, 4);
    PutLE(acid, 4, 4); // beats
    PutLE(acid, 4, 2);
    PutLE(acid, 4, 2);
    uint32_t bits = 0;
    std::memcpy(&bits, &tempo, 4);
    PutLE(acid, bits, 4);
    std::string data;
    for (int i = 0; i < 44100; ++i)
        PutLE(data, static_cast<uint16_t>(static_cast<int16_t>(8000 * std::sin(i * 0.0627))), 2);
    std::string body = "WAVEfmt ";
    PutLE(body, 16, 4);
    PutLE(body, 1, 2);
    PutLE(body, 1, 2);
    PutLE(body, 44100, 4);
    PutLE(body, 88200, 4);
    PutLE(body, 2, 2);
    PutLE(body, 16, 2);
    body += "acid";
    PutLE(body, static_cast<uint32_t>(acid.size()), 4);
    body += acid;
    body += "data";
    PutLE(body, static_cast<uint32_t>(data.size()), 4);
    body += data;
    std::ofstream out(path, std::ios::binary);
    out << "RIFF";
    std::string size;
    PutLE(size, static_cast<uint32_t>(body.size()), 4);
    out << size << body;
}

class FirstSoundKeyTempo : public ProjectOnWindowTest {
protected:
    void SetUp() override {
        ProjectOnWindowTest::SetUp();
        m_prefs.bSwitchKeyTempoOnFirstSound = true;
        m_prefs.bAskToSwitchKeyTempoOnFirstSound = false;
    }
    TempoEvent Start() {
        TempoEvent event;
        m_mixer.GetTempoMap().GetEvent(0, &event);
        return event;
    }
};

TEST_F(FirstSoundKeyTempo, TheFirstTaggedSoundGivesTheProjectItsTempoAndKey) {
    WriteLoop(m_dir + "Loop96.wav", 96.0f, 62); // D
    WriteLoop(m_dir + "Loop140.wav", 140.0f, 64);
    ASSERT_NE(m_project->AddAudioClip(m_dir + "Loop96.wav"), nullptr);
    EXPECT_DOUBLE_EQ(Start().tempo, 96.0);
    EXPECT_STREQ(TempoMap::GetKeyStr(Start().key), "D");

    // Only the first sound decides.
    ASSERT_NE(m_project->AddAudioClip(m_dir + "Loop140.wav"), nullptr);
    EXPECT_DOUBLE_EQ(Start().tempo, 96.0);

    ASSERT_TRUE(m_undo.Undo());
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_DOUBLE_EQ(Start().tempo, 120.0) << "adding the sound and the switch are one step";

    m_prefs.bSwitchKeyTempoOnFirstSound = false;
    ASSERT_NE(m_project->AddAudioClip(m_dir + "Loop96.wav"), nullptr);
    EXPECT_DOUBLE_EQ(Start().tempo, 120.0) << "the rule turned off";
}

} // namespace
