#include "app/MidiExportCommand.h"

#include "gui/CFileDialog.h"
#include "gui/MessageBoxes.h"
#include "project/CMidiFileExport.h"
#include "project/CProject.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"
#include "support/Paths.h"

void RunMidiExportCommand(VRGuiWindow* owner, const CProject& project, const std::string& folder) {
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::kSave;
    request.owner = owner;
    request.title = MyLoadString("FileMenu:ExportMidi");
    request.folder = folder;
    const std::string projectName =
        RemoveExtensionFromFile(ExtractFileName(project.GetProjectFilePath()));
    request.fileName = (projectName.empty() ? std::string("Song") : projectName) + ".mid";
    request.filter = "MIDI Files|*.mid;*.midi";
    std::string path;
    if (!ChooseFile(request, path))
        return;
    if (!HasFileExtension(path, "mid") && !HasFileExtension(path, "midi"))
        path += ".mid";
    std::string error;
    if (!CMidiFileExport::WriteFile(project, path, error)) {
        LogFmt("RunMidiExportCommand failed: %s", error.c_str());
        ShowFormattedMessage("Err_MidiExportFailedTitle", "Err_MidiExportFailedBody",
                             MB_OK | MB_ICONEXCLAMATION, path);
    }
}
