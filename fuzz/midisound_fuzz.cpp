// Feeds arbitrary bytes to the MIDI sound's body reader. A body that reads
// must write back to the same bytes' meaning and load into a sound whose own
// body reads again.
#include "engine/CMidiSound.h"
#include "engine/MidiSoundBody.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MidiSoundContent content;
    if (!MidiSoundBody::Read(data, size, &content))
        return 0;
    const std::vector<uint8_t> written = MidiSoundBody::Write(content);
    MidiSoundContent again;
    if (!MidiSoundBody::Read(written.data(), written.size(), &again) || !(again == content))
        std::abort();

    auto* sound = new CMidiSound;
    if (!sound->LoadBody(data, size))
        std::abort();
    const std::vector<uint8_t> saved = sound->SaveBody();
    if (!MidiSoundBody::Read(saved.data(), saved.size(), &again))
        std::abort();
    CAudioAtom::DeleteAtom(sound);
    return 0;
}
