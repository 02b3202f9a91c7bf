// Writes the example project the program opens on its first run into the
// folder given on the command line, normally "data/Example Projects": the
// sounds "Drums.ogg", "Bass.ogg" and "Pad.ogg", synthesised here, and
// "Example Song.lt4" using them. Run by hand when the example changes,
// never by the build or the tests.
//
//   make_example_project <folder>

#include "ExampleSong.h"
#include "ExampleSounds.h"
#include "support/LocalizedStrings.h"
#include "support/Paths.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

// The project takes texts such as the start marker's name from the string
// file; the data folder is copied next to the program's executable, one
// level up from the tools folder of a build.
bool UseProgramStrings() {
    const std::string exe = GetExeDirectory();
    for (const std::string& folder : {exe, exe + "/..", exe + "/../data"}) {
        if (DoesFileExist(folder + "/loomstrings.ini"))
            return SetStringFile(folder + "/loomstrings.ini");
    }
    return false;
}

bool WriteSounds(const std::string& folder, std::string& error) {
    struct Sound {
        const char* name;
        ExampleSounds::Samples (*make)();
    };
    constexpr Sound kSounds[] = {{"Drums", ExampleSounds::Drums},
                                 {"Bass", ExampleSounds::Bass},
                                 {"Pad", ExampleSounds::Pad}};
    for (const Sound& sound : kSounds) {
        const std::string path = folder + sound.name + ".ogg";
        if (!ExampleSounds::WriteOgg(path, sound.make(), sound.name, error)) {
            error = path + ": " + error;
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: make_example_project <folder>\n");
        return 2;
    }
    std::error_code failed;
    // Absolute, so the clips can store their sounds relative to the project.
    const fs::path folder = fs::absolute(argv[1], failed).lexically_normal();
    if (failed || (fs::create_directories(folder, failed), failed)) {
        std::fprintf(stderr, "make_example_project: cannot create %s\n", argv[1]);
        return 1;
    }
    if (!UseProgramStrings()) {
        std::fprintf(stderr, "make_example_project: cannot find loomstrings.ini\n");
        return 1;
    }
    const std::string path = (folder / "").string();
    std::string error;
    if (!WriteSounds(path, error) || !WriteExampleSong(path, error)) {
        std::fprintf(stderr, "make_example_project: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
