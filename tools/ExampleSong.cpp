#include "ExampleSong.h"

#include "ExampleMusic.h"
#include "engine/CEffectChain.h"
#include "engine/CEqualizerEffect.h"
#include "engine/CGMInstrument.h"
#include "engine/CMidiSound.h"
#include "engine/CPCMMixer.h"
#include "engine/CReverbEffect.h"
#include "engine/EffectsFactory.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "project/CMIDIClip.h"
#include "project/CMIDITrack.h"
#include "project/CProject.h"
#include "project/ProjectPreferences.h"
#include "support/CUndoMgr.h"

#include <cmath>
#include <iterator>
#include <memory>

namespace {

using namespace ExampleMusic;

struct AudioTrackPlan {
    const char* name;
    double volume;
    double pan;
};

// The drums and bass in the middle, the pad a little to the left and the
// melody (below) a little to the right, the pad kept under the others.
constexpr AudioTrackPlan kAudioTracks[] = {
    {"Drums", 0.7, 0.0},
    {"Bass", 0.55, 0.0},
    {"Pad", 0.4, -0.3},
};
// Effects at work: the bass warmed by the equalizer, the pad in a hall.
struct EffectPlan {
    int track;
    EffectID id;
    const char* preset;
};
constexpr EffectPlan kTrackEffects[] = {
    {1, CEqualizerEffect::kID, "Warm"},
    {2, CReverbEffect::kID, "Hall"},
};
constexpr double kMelodyVolume = 0.6;
constexpr double kMelodyPan = 0.3;
// General MIDI Vibraphone, which stands out from the pad.
constexpr int kMelodyProgram = 11;

// The tune as (pitch, beats) one after the other, one bar per line.
struct TuneNote {
    int pitch;
    double beats;
};

constexpr TuneNote kTune[] = {
    {76, 1},   {72, 1},   {69, 1.5}, {71, 0.5}, // Am
    {72, 1},   {69, 1},   {65, 2},              // F
    {67, 1},   {72, 1},   {76, 1},   {74, 1},   // C
    {74, 1.5}, {72, 0.5}, {71, 2},              // G
    {69, 1},   {72, 1},   {76, 1},   {81, 1},   // Am
    {79, 1},   {77, 1},   {76, 1},   {72, 1},   // F
    {71, 1},   {68, 1},   {71, 1},   {74, 1},   // E
    {72, 1},   {71, 1},   {69, 2},              // Am
};

constexpr double kBeatMs = kBeatSeconds * 1000.0;

CMidiSound* MakeTune() {
    auto* sound = new CMidiSound;
    double beat = 0.0;
    for (const TuneNote& tune : kTune) {
        TMidiSndNoteData note;
        note.start = beat * kBeatMs;
        // Slightly detached, so repeated pitches are heard as two notes.
        note.end = (beat + tune.beats * 0.9) * kBeatMs;
        note.pitch = tune.pitch;
        const bool downbeat = std::fmod(beat, kBeatsPerBar) == 0.0;
        note.velocity = downbeat ? 104 : 88;
        sound->AddMidiNote(note, nullptr);
        beat += tune.beats;
    }
    sound->SetMediaLength(kLengthMs);
    sound->SetLoopStart(0.0);
    sound->SetLoopEnd(kLengthMs);
    sound->SetVirtualLength(kLengthMs);
    return sound;
}

bool SetStartMarker(CProject& project) {
    MarkerRecord start = project.Markers().At(0);
    start.tempoEvent.tempo = kTempo;
    start.tempoEvent.key = kKeyAMinor;
    start.tempoEvent.numerator = kBeatsPerBar;
    start.tempoEvent.denominator = 4;
    return project.Markers().Replace(0, start);
}

bool AddAudioTracks(CProject& project, const std::string& folder, std::string& error) {
    // A new project has eight empty audio tracks; the example needs three.
    while (project.GetNumTracks() > static_cast<int>(std::size(kAudioTracks)))
        project.DeleteTrack(project.GetNumTracks() - 1, false);
    for (int index = 0; index < project.GetNumTracks(); ++index) {
        const AudioTrackPlan& plan = kAudioTracks[index];
        CTrack* track = project.GetTrack(index);
        track->SetName(plan.name, false);
        track->SetVolume(plan.volume, false);
        track->SetPan(plan.pan, false);
        project.SelectTrack(index, false);
        project.MoveCaretAndPlayback(0.0);
        const std::string sound = folder + plan.name + ".ogg";
        if (!project.AddAudioClip(sound)) {
            error = "cannot add " + sound + " as a clip";
            return false;
        }
    }
    return true;
}

bool AddTrackEffects(CProject& project, std::string& error) {
    for (const EffectPlan& plan : kTrackEffects) {
        CTrack* track = project.GetTrack(plan.track);
        std::unique_ptr<CAudioEffect> effect = EffectsFactory::GetInstance()->LoadEffect(plan.id);
        if (!track || !effect || !effect->LoadPreset(plan.preset) ||
            !track->GetEffectChain()->Insert(std::move(effect), -1)) {
            error = std::string("cannot put the effect with preset ") + plan.preset + " on track " +
                    std::to_string(plan.track + 1);
            return false;
        }
    }
    return true;
}

// The melody's instrument, for a program that knows it; one that does not
// leaves it out on loading and the track plays nothing.
void AddMelodyInstrument(CMIDITrack& track) {
    CGMInstrument::Register();
    std::unique_ptr<CAudioEffect> instrument =
        EffectsFactory::GetInstance()->LoadEffect(CGMInstrument::kID);
    if (!instrument)
        return;
    instrument->SetParameter(CGMInstrument::kProgramParameter, kMelodyProgram);
    track.GetInstrumentChain()->Insert(std::move(instrument), 0);
}

bool AddMelodyTrack(CProject& project, std::string& error) {
    CMIDITrack* track = project.AddMIDITrack(-1, false);
    if (!track) {
        error = "cannot add the instrument track";
        return false;
    }
    track->SetName("Melody", false);
    track->SetVolume(kMelodyVolume, false);
    track->SetPan(kMelodyPan, false);
    AddMelodyInstrument(*track);
    auto* clip = new CMIDIClip(project.Clips(), MakeTune());
    clip->SetName("Melody", false);
    const bool added = track->AddClip(clip, 0.0, false);
    clip->DeleteRefObject();
    if (!added)
        error = "cannot add the melody's clip";
    return added;
}

bool BuildAndSave(CProject& project, const std::string& folder, std::string& error) {
    project.NewProject(true);
    if (!SetStartMarker(project)) {
        error = "the tempo map refused the start marker";
        return false;
    }
    ProjectAuthoring authoring;
    authoring.title = "Example Song";
    authoring.author = "Loomtone";
    project.SetAuthoring(authoring);
    if (!AddAudioTracks(project, folder, error) || !AddTrackEffects(project, error) ||
        !AddMelodyTrack(project, error))
        return false;
    project.SelectTrack(0, false);
    const std::string path = folder + "Example Song.lt4";
    if (!project.SaveProject(path)) {
        error = "cannot save " + path;
        return false;
    }
    return true;
}

} // namespace

bool WriteExampleSong(const std::string& folder, std::string& error) {
    // The project never asks: a question would mean something is not as
    // this tool expects, so its text becomes the error.
    std::string question;
    SetMessageBoxHook([&question](const MessageBoxRequest& request, bool&) {
        if (question.empty())
            question = request.text;
        return CDeluxeMessageBox::CloseAnswerFor(request.flags);
    });
    // The default recording folder stays empty, so none goes into the file
    // and a load takes the user's own: the program's folder, where the
    // example is installed, is no place for recordings.
    ProjectPreferences prefs;
    prefs.bSwitchKeyTempoOnFirstSound = false;
    CPCMMixer mixer;
    CUndoMgr undo(400);
    COffscreenGuiHost host;
    bool saved = false;
    {
        VRGuiWindow window;
        window.Initialize(&host, 800, 600);
        CProject project(mixer, undo, prefs);
        window.AddChild(&project, 0, 0);
        saved = BuildAndSave(project, folder, error);
    }
    SetMessageBoxHook(nullptr);
    if (saved && !question.empty()) {
        error = "unexpected message: " + question;
        return false;
    }
    return saved;
}
