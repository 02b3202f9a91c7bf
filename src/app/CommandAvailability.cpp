#include "app/CommandAvailability.h"

#include "app/MainCommands.h"

#include <algorithm>
#include <array>

namespace {

// Commands waiting for their subsystem: the clipboard and clip
// editing operations, the details pages, the piano roll
// and the dialogs that are not built yet.
constexpr std::array kNotBuilt = {
    kCmdLabelCD,        kCmdLoopLibrary,      kCmdProjectSettings, kCmdEditLoop,
    kCmdSoundLoopLibrary, kCmdExternalEditor, kCmdProjectDetails,  kCmdTrackDetails,
    kCmdSoundDetails,   kCmdViewLoopLibrary,
};

} // namespace

bool IsCommandBuilt(int32_t command) {
    return std::find(kNotBuilt.begin(), kNotBuilt.end(), command) == kNotBuilt.end();
}
