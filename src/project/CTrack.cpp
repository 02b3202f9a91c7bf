#include "project/CTrack.h"

#include "engine/CMidiSound.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundGroup.h"
#include "gui/GuiButton.h"
#include "gui/GuiMenu.h"
#include "gui/GuiPopupMenu.h"
#include "gui/GuiSlider.h"
#include "gui/VRGuiWindow.h"
#include "project/CAllTracks.h"
#include "project/CAudioClip.h"
#include "project/CAudioClipUndo.h"
#include "project/CClipChunks.h"
#include "project/CMIDIClip.h"
#include "project/CMIDIClipUndo.h"
#include "project/CPCMAudTrack.h"
#include "project/CPlaceholderClip.h"
#include "project/CTrackBody.h"
#include "project/CTrackHeader.h"
#include "project/CTrackMenus.h"
#include "project/CTrackSettingsUndo.h"
#include "project/ClipDocument.h"
#include "project/ProjectNotifications.h"
#include "support/CRIFF.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"
#include "support/Log.h"

#include <algorithm>
#include <optional>

CTrack::CTrack(TrackServices& services, Kind kind) : m_services(services), m_kind(kind) {}

CTrack::~CTrack() {
    RemoveAllClips();
}

void CTrack::CreateControls() {
    m_header = std::make_unique<CTrackHeader>();
    m_body = std::make_unique<CTrackBody>();
    m_header->SetZOrder(kZOrder);
    m_body->SetZOrder(kZOrder);
    m_header->AddObserver(this);
    m_body->AddObserver(this);
    m_body->SetGridPainter(m_services.gridPainter);
    m_header->SetTitle(m_name);
    ShowLooks();
    SetHeight(m_height);
    UpdateHeaderControls();
}

void CTrack::OnNotification(int message, void* parameter) {
    switch (message) {
    case kNotifySelectTrack:
        Notify<kNotifySelectTrack>(*this, m_index);
        break;
    case kNotifySelectTrackClips: {
        const TrackClipsSelection selection{
            m_index, NotificationArgument<kNotifyHeaderSelectClips>(parameter)};
        Notify<kNotifySelectTrackClips>(*this, &selection);
        break;
    }
    case kNotifyTrackHeightDrag:
        if (const TrackHeightDrag* fromHeader =
                NotificationArgument<kNotifyTrackHeightDrag>(parameter)) {
            TrackHeightDrag drag = *fromHeader;
            drag.trackIndex = m_index;
            Notify<kNotifyTrackHeightDrag>(*this, &drag);
        }
        break;
    case kNotifyTrackColour: {
        CUndoStep step(m_services.undo);
        SetColour(NotificationArgument<kNotifyTrackColour>(parameter), true);
    } break;
    case kNotifyTrackPicture:
        Select();
        HandleCommand(CTrackMenus::kChoosePicture);
        break;
    case kNotifyTrackRename:
        if (const std::string* name = NotificationArgument<kNotifyTrackRename>(parameter))
            Rename(*name);
        break;
    case kNotifyBodyDoubleClick:
        Notify<kNotifyBodyDoubleClick>(*this, m_index);
        break;
    case kNotifyBodyClickX: {
        const double ms = static_cast<double>(NotificationArgument<kNotifyBodyClickX>(parameter)) *
                          std::max(1, m_services.msPerPixel);
        Notify<kNotifyMoveCaret>(*this, static_cast<intptr_t>(ms));
        break;
    }
    case kNotifyDeselectClips:
    case kNotifyBodySelectionDrag:
        SendNotification(message, parameter);
        break;
    case kNotifyHeaderButton:
        PressHeaderButton(NotificationArgument<kNotifyHeaderButton>(parameter));
        break;
    case kNotifyTrackVolume:
        if (const GuiSliderChange* change = NotificationArgument<kNotifyTrackVolume>(parameter))
            OnVolumeSlider(*change);
        break;
    case kNotifyTrackReorder:
        if (const TrackReorderDrag* drag = NotificationArgument<kNotifyTrackReorder>(parameter))
            OnReorderDrag(*drag);
        break;
    case kNotifyHeaderMenu:
        if (const GuiPoint* at = NotificationArgument<kNotifyHeaderMenu>(parameter)) {
            Select();
            ShowHeaderMenu(*at);
        }
        break;
    case kNotifyBodyMenu:
        if (const GuiPoint* at = NotificationArgument<kNotifyBodyMenu>(parameter))
            ShowBodyMenu(*at);
        break;
    default:
        break;
    }
}

void CTrack::Select() {
    if (!m_selected)
        Notify<kNotifySelectTrack>(*this, m_index);
}

void CTrack::PressHeaderButton(int32_t button) {
    if (button == CTrackHeader::kPanValue) {
        HandleCommand(CTrackMenus::kExactPan);
        Select();
        return;
    }
    if (button == CTrackHeader::kEffectsButton) {
        Select();
        ShowEffects(true);
        return;
    }
    CUndoStep step(m_services.undo);
    BeginSettingsChange();
    if (button == CTrackHeader::kSoloButton)
        ToggleSolo();
    else if (button == CTrackHeader::kMuteButton)
        ToggleMute();
    else if (button == CTrackHeader::kArmButton)
        ToggleArm();
    else if (button == CTrackHeader::kInputButton)
        ShowArmMenu(InputMenuPoint());
    EndSettingsChange();
    UpdateHeaderControls();
    Select();
}

void CTrack::ShowEffects(bool toggle) {
    const TrackEffectsRequest request{this, toggle};
    Notify<kNotifyTrackEffects>(*this, &request);
}

GuiPoint CTrack::InputMenuPoint() const {
    if (!m_header)
        return {0, 0};
    const GuiRect r = m_header->GetButton(CTrackHeader::kInputButton).GetAbsRect();
    return {r.left, r.bottom};
}

void CTrack::OnVolumeSlider(const GuiSliderChange& change) {
    // On an armed audio track the slider would set the input's recording
    // level, which the machine's inputs do not offer: it changes nothing.
    if (m_kind == kAudio && IsArmed()) {
        UpdateHeaderControls();
        return;
    }
    // The drag is one step, recorded at the release.
    if (change.phase == GuiSlider::kStart) {
        CUndoStep step(m_services.undo);
        BeginSettingsChange();
    }
    SetVolume(change.value, false);
    if (change.phase == GuiSlider::kEnd) {
        CUndoStep step(m_services.undo);
        EndSettingsChange();
    }
    Select();
}

void CTrack::OnReorderDrag(const TrackReorderDrag& drag) {
    if (!m_header || !m_body)
        return;
    if (drag.phase == 1) {
        m_reorderStartY = m_header->GetY();
        m_header->SetZOrder(kDraggedZOrder);
        m_body->SetZOrder(kDraggedZOrder);
    }
    const int32_t y = std::max(0, m_reorderStartY + drag.dy);
    if (drag.phase != 3) {
        MoveTo(y);
        return;
    }
    m_header->SetZOrder(kZOrder);
    m_body->SetZOrder(kZOrder);
    if (!m_services.trackList) {
        MoveTo(m_reorderStartY);
        return;
    }
    CUndoStep step(m_services.undo);
    m_services.trackList->MoveDropped(m_index, y, true);
}

VRGuiWindow* CTrack::Window() const {
    VRGuiWindow* window = m_header ? m_header->GetWindow() : nullptr;
    return window || !m_body ? window : m_body->GetWindow();
}

void CTrack::ShowHeaderMenu(GuiPoint at) {
    RunMenu(at, true);
}

void CTrack::ShowBodyMenu(GuiPoint at) {
    RunMenu(at, false);
}

void CTrack::RunMenu(GuiPoint at, bool header) {
    VRGuiWindow* window = Window();
    if (!window)
        return;
    GuiMenu menu;
    const CTrackMenus menus(*this, m_services);
    if (header)
        menus.BuildHeaderMenu(menu);
    else
        menus.BuildBodyMenu(menu);
    GuiPopupMenu popup(menu);
    const int32_t chosen = popup.Run(window, at.x, at.y);
    if (chosen > 0)
        HandleCommand(chosen);
}

bool CTrack::CanHandleCommand(int32_t command) {
    return CTrackMenus(*this, m_services).CanHandle(command);
}

void CTrack::HandleCommand(int32_t command) {
    CUndoStep step(m_services.undo);
    CTrackMenus(*this, m_services).Handle(command, Window());
}

void CTrack::UpdateHeaderControls() {
    if (!m_header)
        return;
    CTrackHeader::Controls controls;
    controls.mute = IsMute();
    controls.solo = IsSolo();
    controls.armed = IsArmed();
    controls.volume = GetVolume();
    controls.pan = GetPan();
    controls.frozen = m_frozen;
    m_header->ShowControls(controls);
}

void CTrack::BeginSettingsChange() {
    m_settingsBefore = GetSettings();
    m_settingsChanging = true;
}

void CTrack::EndSettingsChange() {
    if (!m_settingsChanging)
        return;
    m_settingsChanging = false;
    const TrackSettings after = GetSettings();
    if (after == m_settingsBefore)
        return;
    m_services.undo.AddUndoNode(CTrackSettingsUndo(this, m_settingsBefore, after));
    m_services.undo.SetDirty(true);
}

bool CTrack::Save(CRIFF& riff) {
    if (!SaveLoad::Save(riff))
        return false;
    return MakeFileContents(m_templateSave).Write(riff);
}

bool CTrack::Load(CRIFF& riff) {
    if (!SaveLoad::Load(riff))
        return false;
    std::optional<TrackFileContents> contents;
    const ProjectReadError error = TrackFileContents::Read(riff, &contents);
    if (error != ProjectReadError::None || !contents || contents->IsMidi() != (m_kind == kMidi)) {
        LogFmt("CTrack::Load failed: %s -  returning false!", ProjectReadErrorText(error));
        return false;
    }
    return ApplyFileContents(*contents);
}

void CTrack::SetName(const std::string& name, bool undo) {
    if (undo)
        BeginSettingsChange();
    m_name = name;
    if (m_header)
        m_header->SetTitle(name);
    if (undo)
        EndSettingsChange();
}

void CTrack::Rename(const std::string& name) {
    if (name == m_name)
        return;
    CUndoStep step(m_services.undo);
    SetName(name, true);
    Select();
}

void CTrack::SetSelected(bool selected) {
    m_selected = selected;
    if (m_header)
        m_header->SetSelectedLook(selected);
}

void CTrack::SetImage(const std::string& name, bool undo) {
    if (undo)
        BeginSettingsChange();
    m_imageName = name;
    ShowLooks();
    if (undo)
        EndSettingsChange();
}

std::string CTrack::PicturePath() const {
    if (m_imageName.empty() || m_imageName.find('/') != std::string::npos)
        return m_imageName;
    const std::string& folder = m_services.prefs.pictureFolder;
    return folder.empty() ? std::string() : folder + m_imageName;
}

void CTrack::ShowLooks() {
    if (!m_header)
        return;
    m_header->SetPicture(PicturePath());
    m_header->SetColour(m_colour);
}

void CTrack::SetColour(uint32_t colour, bool undo) {
    if (undo)
        BeginSettingsChange();
    m_colour = colour;
    if (m_header)
        m_header->SetColour(colour);
    if (undo)
        EndSettingsChange();
}

void CTrack::SetHeight(int32_t height) {
    m_height = std::clamp(height, kMinHeight, kMaxHeight);
    if (m_header)
        m_header->SetSize(CTrackHeader::kWidth, m_height);
    if (m_body)
        m_body->SetSize(m_body->GetRect().right, m_height);
    for (CClip* clip : m_clips)
        if (clip->GetParent() == m_body.get())
            clip->SetSize(clip->GetWidth(), m_height);
    StackClips();
}

void CTrack::MoveTo(int32_t y) {
    if (m_header)
        m_header->SetPosition(0, y);
    if (m_body)
        m_body->SetPosition(0, y);
}

void CTrack::FillCommonSettings(TrackSettings& settings) const {
    settings.name = m_name;
    settings.imageName = m_imageName;
    settings.colour = m_colour;
    settings.frozen = m_frozen;
}

void CTrack::ApplyCommonSettings(const TrackSettings& settings) {
    m_name = settings.name;
    if (m_header)
        m_header->SetTitle(m_name);
    // Reading the picture again only when it changed keeps undo of other
    // settings cheap.
    const bool pictureChanged = settings.imageName != m_imageName;
    m_imageName = settings.imageName;
    m_colour = settings.colour;
    if (m_header && pictureChanged)
        m_header->SetPicture(PicturePath());
    if (m_header)
        m_header->SetColour(m_colour);
}

namespace {

int EngineTrackNumberOf(const CTrack& track) {
    const auto* engine = dynamic_cast<const CPCMAudTrack*>(&track);
    return engine ? engine->GetTrackNumber() : -1;
}

// Records that the clip came onto or went off its track.
void RecordClipUndo(ClipDocument& document, CClip& clip, bool added) {
    if (auto* placeholder = dynamic_cast<CPlaceholderClip*>(&clip)) {
        const CPlaceholderClip::State state = placeholder->GetState();
        using Undo = CClipUndo<CPlaceholderClip, CPlaceholderClip::State>;
        document.ClipUndo().AddUndoNode(
            Undo(document, added ? Undo::kAdded : Undo::kRemoved, state, state, placeholder, 0));
    } else if (clip.GetClipKind() == ClipKind::kMidi) {
        auto& midi = static_cast<CMIDIClip&>(clip);
        MidiClipUndoStruct state;
        if (!midi.FillUndoStruct(&state))
            return;
        document.ClipUndo().AddUndoNode(
            CMIDIClipUndo(document, added ? CMIDIClipUndo::kAdded : CMIDIClipUndo::kRemoved, state,
                          state, &midi, 0));
    } else {
        auto& audio = static_cast<CAudioClip&>(clip);
        AudioClipUndoStruct state;
        if (!audio.FillUndoStruct(&state))
            return;
        document.ClipUndo().AddUndoNode(
            CAudioClipUndo(document, added ? CAudioClipUndo::kAdded : CAudioClipUndo::kRemoved,
                           state, state, &audio, 0));
    }
}

} // namespace

bool CTrack::AddClip(CClip* clip, double timeMs, bool undo) {
    const bool rightKind = clip && (clip->GetClipKind() == ClipKind::kMidi) == (m_kind == kMidi);
    if (!clip || !HasEngineTrack() || !rightKind) {
        LogFmt("CTrack::AddClip refused a clip for track %d", m_index);
        return false;
    }
    CAudioAtom* atom = clip->GetEngineAtom();
    if (!atom || (!clip->IsRecording() && atom->Length() <= 0.0))
        return false;
    if (clip->IsRecording())
        LogFmt(m_kind == kMidi ? "Adding MIDI recording clip 0x%x to MIDI track %i"
                               : "Adding recording clip 0x%x to track %i",
               static_cast<unsigned>(reinterpret_cast<uintptr_t>(clip)), m_index);
    if (CTrack* previous = clip->GetTrack(); previous && previous != this)
        previous->RemoveClip(clip, false);
    CPCMMixer& mixer = m_services.mixer;
    mixer.Lock();
    CSoundGroup* group = mixer.GetSoundGroup();
    // Leaving the group would give back its reference, the clip's own keeps
    // the sound.
    if (group && group->Contains(atom))
        group->Remove(atom);
    // timeMs is reference time; the sound is heard through the tempo map.
    atom->SetTimeBase(&mixer.GetTempoMap());
    // A frozen track's frozen sound plays in place of its clips.
    if (clip->IsRecording() || !group || m_frozen)
        atom->SetAbsoluteOffset(timeMs);
    else
        group->Add(atom, timeMs);
    atom->SetTrackNumber(EngineTrackNumberOf(*this));
    mixer.Unlock();
    // A clip placed while playing is most often one moved: the reader
    // reads it at its new place before the next blocks want it.
    mixer.SoundMoved(*atom);
    if (std::find(m_clips.begin(), m_clips.end(), clip) == m_clips.end()) {
        clip->AddRef();
        m_clips.push_back(clip);
    }
    std::stable_sort(m_clips.begin(), m_clips.end(), [](const CClip* a, const CClip* b) {
        return a->GetStartMs() < b->GetStartMs();
    });
    clip->SetTrack(this);
    if (m_frozen)
        clip->Freeze();
    else if (clip->IsFrozen())
        clip->Thaw();
    ShowClip(clip);
    StackClips();
    if (undo && m_services.clipDocument)
        RecordClipUndo(*m_services.clipDocument, *clip, true);
    return true;
}

void CTrack::ShowClip(CClip* clip) {
    if (!m_body)
        return;
    if (VRGuiContainer* parent = clip->GetParent(); parent && parent != m_body.get())
        parent->RemoveChild(clip);
    const double msPerPixel = std::max(1, m_services.msPerPixel);
    const auto x = static_cast<int32_t>(clip->GetHeardStartMs() / msPerPixel);
    const auto width = static_cast<int32_t>(clip->GetLengthMs() / msPerPixel);
    if (!m_body->HasChild(clip))
        m_body->AddChild(clip, x, 0);
    else
        clip->SetPosition(x, 0);
    clip->SetSize(std::max(1, width), m_height);
    if (Observer* observer = m_services.clipObserver; observer && !clip->HasObserver(observer))
        clip->AddObserver(observer);
    clip->SetMakeCurrentHandler(m_services.clipMadeCurrent);
}

void CTrack::LayoutClips() {
    for (CClip* clip : m_clips)
        ShowClip(clip);
    StackClips();
}

void CTrack::StackClips() {
    if (!m_body)
        return;
    // Bottom first: each clip is inset below the title strips of the clips it
    // covers, so that a covered clip keeps an edge to see, click and drag.
    std::vector<CClip*> below;
    for (int i = 0; i < m_body->ChildCount(); ++i) {
        auto* clip = dynamic_cast<CClip*>(m_body->ChildAt(i));
        if (!clip || std::find(m_clips.begin(), m_clips.end(), clip) == m_clips.end())
            continue;
        int32_t depth = 0;
        for (const CClip* other : below)
            if (other->GetX() < clip->GetX() + clip->GetWidth() &&
                clip->GetX() < other->GetX() + other->GetWidth())
                depth = std::max(depth, other->GetY() / CClip::kTitleStripHeight + 1);
        // The clip keeps at least half the track to show itself in.
        const int32_t inset = std::min(depth * CClip::kTitleStripHeight, m_height / 2);
        if (clip->GetY() != inset || clip->GetHeight() != m_height - inset) {
            clip->SetPosition(clip->GetX(), inset);
            clip->SetSize(clip->GetWidth(), m_height - inset);
        }
        below.push_back(clip);
    }
}

bool CTrack::RemoveClip(CClip* clip, bool undo) {
    const auto found = std::find(m_clips.begin(), m_clips.end(), clip);
    if (found == m_clips.end())
        return false;
    if (undo && m_services.clipDocument)
        RecordClipUndo(*m_services.clipDocument, *clip, false);
    m_clips.erase(found);
    if (CAudioAtom* atom = clip->GetEngineAtom()) {
        m_services.mixer.Lock();
        if (CSoundGroup* group = m_services.mixer.GetSoundGroup(); group && group->Contains(atom))
            group->Remove(atom);
        m_services.mixer.Unlock();
    }
    clip->SetTrack(nullptr);
    if (VRGuiContainer* parent = clip->GetParent())
        parent->RemoveChild(clip);
    if (Observer* observer = m_services.clipObserver)
        clip->RemoveObserver(observer);
    clip->DeleteRefObject();
    return true;
}

void CTrack::RemoveAllClips() {
    while (!m_clips.empty())
        RemoveClip(m_clips.back(), false);
}

bool CTrack::MakeClipChunks(std::vector<RawChunk>* chunks) const {
    *chunks = m_strayChunks;
    for (auto clip = m_clips.rbegin(); clip != m_clips.rend(); ++clip) {
        if ((*clip)->IsRecording())
            continue;
        std::optional<std::vector<RawChunk>> written = (*clip)->MakeFileChunks();
        if (!written) {
            Log(m_kind == kMidi
                    ? "CMIDITrack::Save failed on zeClip->Save(riff) -  returning false!"
                    : "CAudioTrack::Save failed on zeClip->Save(riff) -  returning false!");
            return false;
        }
        chunks->insert(chunks->end(), written->begin(), written->end());
    }
    return true;
}

bool CTrack::TakeClipChunks(const std::vector<RawChunk>& chunks) {
    RemoveAllClips();
    m_strayChunks.clear();
    const std::vector<std::vector<RawChunk>> groups = CClipChunks::Group(chunks, &m_strayChunks);
    if (!m_services.clipDocument) {
        // Without a document no clip can be made: keep every chunk as it is.
        m_strayChunks = chunks;
        return true;
    }
    for (const std::vector<RawChunk>& group : groups) {
        CClip* clip = CClipChunks::Read(*m_services.clipDocument, group);
        if (IsCancelled()) {
            if (clip)
                clip->DeleteRefObject();
            return false;
        }
        if (!clip)
            continue;
        if (!AddClip(clip, clip->GetStartMs(), false)) {
            // Kept as read rather than lost.
            LogFmt("Clip '%s' cannot be placed; its chunks are kept", clip->GetName().c_str());
            m_strayChunks.insert(m_strayChunks.end(), group.begin(), group.end());
        }
        clip->DeleteRefObject();
    }
    return true;
}
