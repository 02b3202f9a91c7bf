#include "project/CMidiFileImport.h"

#include "engine/CEffectChain.h"
#include "engine/CGMInstrument.h"
#include "engine/CMidiSound.h"
#include "engine/TempoMap.h"
#include "project/CMIDIClip.h"
#include "project/CMIDITrack.h"
#include "project/CMidiFileReader.h"
#include "project/CProject.h"
#include "project/ProjectNotifications.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"
#include "timeline/CTimeGrid.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>

namespace {

// Larger files are refused rather than read into memory.
constexpr std::streamoff kMaxFileBytes = 256 * 1024 * 1024;
constexpr double kMinClipMs = 1000.0;
constexpr double kBeatMs = TempoMap::kReferenceBeatMs;

std::string Clipped(const std::string& text, size_t maxChars) {
    return text.size() <= maxChars ? text : text.substr(0, maxChars);
}

// The end of the last note or controller event.
double MaterialEnd(const CMidiSound& sound) {
    double end = 0.0;
    for (int index = 0; index < sound.NumNotes(); ++index)
        end = std::max(end, sound.GetNote(index)->GetEnd());
    for (int controller = 0; controller <= CMidiControllerList::kPitchBend; ++controller)
        if (const CMidiControllerList* list = sound.GetMidiControllerList(controller))
            for (const MidiControllerEvent& event : list->Events())
                end = std::max(end, event.time);
    return end;
}

// The project events a marker stands for: a plain marker changes nothing.
MarkerRecord NewMarker(double timeMs, const std::string& name) {
    MarkerRecord marker;
    marker.time = static_cast<int32_t>(std::lround(timeMs));
    marker.name = Clipped(name, MarkerRecord::kNameSize - 1);
    marker.colour = CMidiFileImport::kMarkerColour;
    marker.tempoEvent.time = timeMs;
    return marker;
}

} // namespace

bool CMidiFileImport::IsMidiFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    uint8_t header[8] = {};
    return in.read(reinterpret_cast<char*>(header), sizeof header) &&
           CMidiFileReader::IsMidiFile(header, sizeof header);
}

bool CMidiFileImport::ReadFile(const std::string& path, MidiFileContent& content,
                               std::string& error) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    if (size < 0 || size > kMaxFileBytes) {
        error = size < 0 ? "cannot be read" : "too large";
        return false;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        error = "cannot be read";
        return false;
    }
    const CMidiFileReader::Error result =
        CMidiFileReader::Read(bytes.data(), bytes.size(), content);
    error = result == CMidiFileReader::Error::None ? "" : CMidiFileReader::ErrorText(result);
    return result != CMidiFileReader::Error::NotMidi &&
           result != CMidiFileReader::Error::UnsupportedFormat;
}

CMidiSound* CMidiFileImport::MakeSound(const MidiFileContent& content,
                                       const MidiFileContent::Track& track,
                                       bool intoExisting) const {
    auto* sound = new CMidiSound;
    for (const MidiFileContent::Message& message : track.messages)
        sound->AppendMidiEvent(message.message, message.timeMs);
    sound->SortAllEvents(false);
    sound->SetTimeSignature(content.initialNumerator, content.initialDenominator);
    // The track's length in whole beats, unless the events reach further.
    const double beats = std::round(track.lengthMs / kBeatMs) * kBeatMs;
    const double media = std::max(beats, MaterialEnd(*sound));
    sound->SetMediaLength(media);
    sound->SetVirtualLength(std::max(media, kMinClipMs));
    sound->SetMediaLength(sound->Length());
    sound->SetLoopEnd(sound->Length());
    sound->ForceSoundTempo(content.initialTempo);
    sound->ForceKey(TempoMap::kDefaultKey);
    if (intoExisting)
        sound->ObeyKeyMap(false);
    return sound;
}

CMIDIClip* CMidiFileImport::PlaceClip(CMidiSound* sound, const std::string& clipName,
                                      CMIDITrack& track, double timeMs, bool undo) {
    auto* clip = new CMIDIClip(m_project.Clips(), sound);
    clip->SetName(clipName, false);
    const bool placed = track.AddClip(clip, timeMs, undo);
    // A placed clip lives on in its track.
    clip->DeleteRefObject();
    return placed ? clip : nullptr;
}

void CMidiFileImport::ChooseInstrument(CMIDITrack& track, const MidiFileContent::Track& fileTrack,
                                       CMidiSound& sound) const {
    CEffectChain* chain = track.GetInstrumentChain();
    if (!chain)
        return;
    track.EnsureInstrument();
    CAudioEffect* instrument = chain->NumEffects() > 0 ? chain->GetEffect(0) : nullptr;
    const CMidiControllerList* programs =
        sound.GetMidiControllerList(CMidiControllerList::kProgramChange);
    const bool hasProgram = programs && programs->Count() > 0;
    const bool drums = fileTrack.channelPrefix == CGMInstrument::kDrumChannel ||
                       fileTrack.firstChannel == CGMInstrument::kDrumChannel;
    if (drums)
        sound.ObeyKeyMap(false);
    if (!instrument || (!hasProgram && !drums))
        return;
    const int bank = drums ? CGMInstrument::kPercussionBank : 0;
    const int program = hasProgram ? programs->Events().front().value : 0;
    char preset[16];
    std::snprintf(preset, sizeof preset, "%i:%i", bank, program);
    if (!instrument->LoadPreset(preset) && drums)
        instrument->LoadPreset(std::to_string(bank) + ":0");
    // The preset gives the program now. Changes of other programs or on other
    // channels stay in the sound: they still switch their channels.
    const MidiControllerEvent first = programs ? programs->Events().front() : MidiControllerEvent{};
    const bool onlyThatProgram =
        hasProgram && std::all_of(programs->Events().begin(), programs->Events().end(),
                                  [&first](const MidiControllerEvent& event) {
                                      return event.value == first.value &&
                                             event.channel == first.channel;
                                  });
    if (onlyThatProgram)
        while (programs->Count() > 0)
            sound.RemoveController(CMidiControllerList::kProgramChange, programs->Count() - 1);
}

CMIDITrack* CMidiFileImport::TargetTrack(int index) {
    if (index >= 0 && index < m_project.GetNumTracks()) {
        if (auto* midi = dynamic_cast<CMIDITrack*>(m_project.GetTrack(index)))
            return midi;
        return m_project.AddMIDITrack(index, true);
    }
    return m_project.AddMIDITrack(-1, true);
}

CMIDIClip* CMidiFileImport::ImportAsProject(const MidiFileContent& content,
                                            const std::string& clipName) {
    ApplyProjectEvents(content);
    CMIDIClip* last = nullptr;
    for (const MidiFileContent::Track& fileTrack : content.tracks) {
        if (fileTrack.messages.empty())
            continue;
        CMIDITrack* track = m_project.AddMIDITrack(-1, false);
        if (!track)
            break;
        if (!fileTrack.name.empty())
            track->SetName(Clipped(fileTrack.name, MarkerRecord::kNameSize - 1), false);
        CMidiSound* sound = MakeSound(content, fileTrack, false);
        ChooseInstrument(*track, fileTrack, *sound);
        if (CMIDIClip* clip = PlaceClip(sound, clipName, *track, 0.0, false))
            last = clip;
    }
    return last;
}

CMIDIClip* CMidiFileImport::ImportIntoProject(const MidiFileContent& content,
                                              const std::string& clipName, int firstTrackIndex,
                                              double timeMs) {
    CMIDIClip* last = nullptr;
    int handled = 0;
    for (const MidiFileContent::Track& fileTrack : content.tracks) {
        if (fileTrack.messages.empty())
            continue;
        const int index = firstTrackIndex < 0 ? -1 : firstTrackIndex + handled;
        const int before = m_project.GetNumTracks();
        CMIDITrack* track = TargetTrack(index);
        if (!track)
            break;
        ++handled;
        CMidiSound* sound = MakeSound(content, fileTrack, true);
        // Only a track made for this file takes the file's instrument choice.
        if (m_project.GetNumTracks() > before)
            ChooseInstrument(*track, fileTrack, *sound);
        if (CMIDIClip* clip = PlaceClip(sound, clipName, *track, timeMs, true))
            last = clip;
    }
    return last;
}

void CMidiFileImport::ApplyProjectEvents(const MidiFileContent& content) {
    ProjectAuthoring authoring = m_project.Authoring();
    for (const MidiFileContent::Meta& meta : content.metas) {
        switch (meta.kind) {
        case MidiFileContent::Meta::kText:
            authoring.comments = Clipped(
                authoring.comments.empty() ? meta.text : authoring.comments + "\n" + meta.text,
                kMaxCommentChars);
            break;
        case MidiFileContent::Meta::kCopyright:
            authoring.copyright = Clipped(meta.text, kMaxCopyrightChars);
            break;
        case MidiFileContent::Meta::kMarker:
        case MidiFileContent::Meta::kCuePoint:
            SetMarkerName(meta.timeMs, meta.text);
            break;
        case MidiFileContent::Meta::kTempo:
            SetTempoAt(meta.timeMs, meta.tempo);
            break;
        case MidiFileContent::Meta::kTimeSignature:
            SetTimeSignatureAt(meta.timeMs, meta.numerator, meta.denominator);
            break;
        }
    }
    m_project.SetAuthoring(authoring);
    m_project.TimeGrid().SyncMarkers();
    m_project.SendNotification(kNotifyTempoChange, nullptr);
}

void CMidiFileImport::ChangeMarkerAt(double timeMs, const std::string& newName,
                                     const std::function<void(MarkerRecord&)>& change) {
    CProjectMarkers& markers = m_project.Markers();
    const int index = markers.IndexAt(timeMs);
    MarkerRecord marker = index >= 0 ? markers.At(index) : NewMarker(timeMs, newName);
    change(marker);
    if (!(index >= 0 ? markers.Replace(index, marker) : markers.Add(marker)))
        LogFmt("MidiFile: the marker at %.0f ms was refused", timeMs);
}

void CMidiFileImport::SetMarkerName(double timeMs, const std::string& name) {
    ChangeMarkerAt(std::round(timeMs), name, [&name](MarkerRecord& marker) {
        marker.name = Clipped(name, MarkerRecord::kNameSize - 1);
    });
}

void CMidiFileImport::SetTempoAt(double timeMs, double tempo) {
    timeMs = std::round(timeMs);
    if (m_project.GetTempoMap().GetTempoAtTime(timeMs) == tempo)
        return;
    ChangeMarkerAt(timeMs, MyLoadString("MIDI_TempoChange"), [tempo](MarkerRecord& marker) {
        marker.tempoEvent.tempo = tempo;
        marker.tempoEvent.tempoChange = true;
    });
}

void CMidiFileImport::SetTimeSignatureAt(double timeMs, int numerator, int denominator) {
    timeMs = std::round(timeMs);
    int numeratorNow = 0, denominatorNow = 0;
    m_project.GetTempoMap().GetTimeSignatureAtTime(timeMs, &numeratorNow, &denominatorNow);
    if (numeratorNow == numerator && denominatorNow == denominator)
        return;
    ChangeMarkerAt(timeMs, MyLoadString("MIDI_TimeSigChange"),
                   [numerator, denominator](MarkerRecord& marker) {
                       marker.tempoEvent.numerator = numerator;
                       marker.tempoEvent.denominator = denominator;
                       marker.tempoEvent.timeSigChange = true;
                   });
}
