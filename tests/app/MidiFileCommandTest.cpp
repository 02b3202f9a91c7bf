#include "MainWindowFixture.h"
#include "ProgramUnderTest.h"
#include "app/MainCommands.h"
#include "project/CMidiFileReader.h"
#include "project/CMidiFileWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

namespace {

// Python with mido, the independent MIDI file writer the check needs.
bool MidoAvailable() {
    return RunShell("/usr/bin/python3 -c 'import mido' 2>/dev/null") == 0;
}

TEST(MidiFileCommandTest, InfoListsTheNotesAnIndependentWriterWrote) {
    if (!ProgramBuilt() || !MidoAvailable())
        GTEST_SKIP() << "loomtone is not built or mido is missing";
    const std::string dir = FreshTestFolder();
    const std::string script = std::string(LOOMTONE_SOURCE_DIR) + "/tests/app/mido_info_check.py";
    const std::string command = LeakCheckEnv(dir) + "/usr/bin/python3 '" + script + "' '" +
                                kProgram + "' '" + dir + "' > '" + dir + "out.txt' 2>&1";
    EXPECT_EQ(RunShell(command), 0) << FileContents(dir + "out.txt");
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t Message(int status, int first, int second) {
    return static_cast<uint32_t>(status) | (static_cast<uint32_t>(first) << 8) |
           (static_cast<uint32_t>(second) << 16);
}

// Channel, pitch, velocity and start of every note of the content, in order.
using Note = std::tuple<int, int, int, double>;
std::vector<Note> NoteOns(const MidiFileContent& content) {
    std::vector<Note> notes;
    for (const MidiFileContent::Track& track : content.tracks)
        for (const MidiFileContent::Message& message : track.messages)
            if ((message.message & 0xF0) == 0x90 && (message.message >> 16) != 0)
                notes.emplace_back(message.message & 0x0F, (message.message >> 8) & 0x7F,
                                   (message.message >> 16) & 0x7F, message.timeMs);
    std::sort(notes.begin(), notes.end());
    return notes;
}

// A bass line and a drum part, with a marker, as an independent song.
MidiFileContent BassAndDrums() {
    MidiFileContent song;
    MidiFileContent::Meta marker;
    marker.kind = MidiFileContent::Meta::kMarker;
    marker.timeMs = 1500.0;
    marker.text = "Verse";
    song.metas.push_back(marker);
    MidiFileContent::Track bass;
    bass.name = "Bass";
    MidiFileContent::Track drums;
    drums.name = "Drums";
    for (int step = 0; step < 8; ++step) {
        const double at = step * 250.0;
        bass.messages.push_back({Message(0x90, 40 + step, 70 + step), at});
        bass.messages.push_back({Message(0x80, 40 + step, 0), at + 200.0});
        drums.messages.push_back({Message(0x99, 36 + step % 2, 100), at});
        drums.messages.push_back({Message(0x89, 36 + step % 2, 0), at + 100.0});
    }
    song.tracks = {bass, drums};
    return song;
}

class MidiExportCommands : public MainWindowFixture {
protected:
    MidiExportCommands() : MainWindowFixture("midi-export") {}

    MidiFileContent ReadBack(const std::string& path) {
        const std::vector<uint8_t> bytes = ReadBytes(path);
        MidiFileContent content;
        EXPECT_EQ(CMidiFileReader::Read(bytes.data(), bytes.size(), content),
                  CMidiFileReader::Error::None)
            << path;
        return content;
    }
};

TEST_F(MidiExportCommands, FileMenuAndCommandLineWriteTheProjectsNotesAndMarkers) {
    const MidiFileContent song = BassAndDrums();
    const std::vector<uint8_t> bytes = CMidiFileWriter::Write(song);
    std::ofstream(m_root + "In.mid", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    Open();
    bool cancelled = false;
    ASSERT_TRUE(project.LoadProject(m_root + "In.mid", cancelled));

    // File > Export MIDI: a name typed without extension gets ".mid".
    chosenPath = m_root + "Menu";
    ASSERT_TRUE(window->ExecuteCommand(kCmdExportMidi));
    ASSERT_EQ(dialogModes.size(), 1u);
    EXPECT_EQ(dialogModes[0], FileDialogRequest::Mode::kSave);
    const MidiFileContent menu = ReadBack(m_root + "Menu.mid");
    EXPECT_EQ(menu.format, 1);
    const std::vector<Note> expected = NoteOns(song);
    const std::vector<Note> written = NoteOns(menu);
    ASSERT_EQ(written.size(), expected.size());
    for (size_t index = 0; index < expected.size(); ++index) {
        EXPECT_EQ(std::get<0>(written[index]), std::get<0>(expected[index]));
        EXPECT_EQ(std::get<1>(written[index]), std::get<1>(expected[index]));
        EXPECT_EQ(std::get<2>(written[index]), std::get<2>(expected[index]));
        EXPECT_NEAR(std::get<3>(written[index]), std::get<3>(expected[index]),
                    CMidiFileWriter::kMsPerTick);
    }
    const bool markerKept = std::any_of(menu.metas.begin(), menu.metas.end(), [](const auto& meta) {
        return meta.kind == MidiFileContent::Meta::kMarker && meta.text == "Verse" &&
               std::fabs(meta.timeMs - 1500.0) <= CMidiFileWriter::kMsPerTick;
    });
    EXPECT_TRUE(markerKept);
    std::vector<std::string> names;
    for (const MidiFileContent::Track& track : menu.tracks)
        if (!track.name.empty())
            names.push_back(track.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Bass", "Drums"}));

    // The command line writes the same file from the saved project.
    if (!ProgramBuilt())
        GTEST_SKIP() << "loomtone is not built";
    ASSERT_TRUE(project.SaveProject(m_root + "Song.lt4"));
    const std::string command = LeakCheckEnv(m_root) + "'" + kProgram + "' --export-midi '" +
                                m_root + "Song.lt4' '" + m_root + "Cli.mid' > '" + m_root +
                                "cli.txt' 2>&1";
    ASSERT_EQ(RunShell(command), 0) << FileContents(m_root + "cli.txt");
    EXPECT_EQ(ReadBytes(m_root + "Cli.mid"), ReadBytes(m_root + "Menu.mid"));
}

} // namespace
