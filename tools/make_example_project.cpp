// Writes the example project the program opens on its first run into the
// folder given on the command line, normally "data/Example Projects": the
// sounds "Drums.ogg", "Bass.ogg" and "Pad.ogg", synthesised here, and
// "Example Song.lt4" using them. Run by hand when the example changes,
// never by the build or the tests.
//
// A project keeps each sound's absolute path beside its relative one, and a
// loader takes the absolute path while it exists. So the example is made in
// a scratch folder that is gone afterwards, and only then copied into place:
// the absolute paths it keeps name nothing, and every copy of the example
// finds its sounds next to itself, even on the machine that made it.
//
//   make_example_project <folder>

#include "ExampleSong.h"
#include "ExampleSounds.h"
#include "support/LocalizedStrings.h"
#include "support/Paths.h"

#include <cstdio>
#include <cstdlib>
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

constexpr const char* kFiles[] = {"Drums.ogg", "Bass.ogg", "Pad.ogg", "Example Song.lt4"};

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
    char scratchName[] = "/tmp/loomtone-example-XXXXXX";
    if (!mkdtemp(scratchName)) {
        std::fprintf(stderr, "make_example_project: cannot make a scratch folder\n");
        return 1;
    }
    const fs::path scratch(scratchName);
    std::string error;
    bool made = WriteSounds((scratch / "").string(), error) &&
                WriteExampleSong((scratch / "").string(), error);
    for (const char* file : kFiles) {
        if (made && !fs::copy_file(scratch / file, folder / file,
                                   fs::copy_options::overwrite_existing, failed))
            error = "cannot copy " + (folder / file).string() + ": " + failed.message();
        made = made && !failed;
    }
    fs::remove_all(scratch, failed);
    if (!made) {
        std::fprintf(stderr, "make_example_project: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
