#include "ProgramUnderTest.h"

#include <gtest/gtest.h>

#include <string>

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

} // namespace
