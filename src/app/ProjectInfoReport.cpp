#include "app/ProjectInfoReport.h"

#include "app/JsonWriter.h"
#include "engine/CEffectChain.h"
#include "engine/CMidiSound.h"
#include "engine/CPCMSound.h"
#include "engine/TempoMap.h"
#include "project/CAudioClip.h"
#include "project/CMIDIClip.h"
#include "project/CMIDITrack.h"
#include "project/CPlaceholderClip.h"
#include "project/CProject.h"

namespace {

void WriteMarker(JsonWriter& json, const MarkerRecord& marker) {
    const TempoEvent& event = marker.tempoEvent;
    json.BeginObject();
    json.Key("time");
    json.Integer(marker.time);
    json.Key("name");
    json.String(marker.name);
    json.Key("colour");
    json.Integer(marker.colour);
    json.Key("cdTrack");
    json.Bool(marker.cdTrack);
    json.Key("isrc");
    json.String(marker.isrc);
    json.Key("tempo");
    json.Number(event.tempo);
    json.Key("key");
    json.String(TempoMap::IsValidKey(event.key) ? TempoMap::GetKeyStr(event.key) : "");
    json.Key("timeSignature");
    json.String(std::to_string(event.numerator) + "/" + std::to_string(event.denominator));
    json.Key("tempoChange");
    json.Bool(event.tempoChange);
    json.Key("keyChange");
    json.Bool(event.keyChange);
    json.Key("timeSignatureChange");
    json.Bool(event.timeSigChange);
    json.EndObject();
}

void WriteEffects(JsonWriter& json, const CEffectChain* chain) {
    json.BeginArray();
    for (int index = 0; chain && index < chain->NumEffects(); ++index) {
        const CAudioEffect* effect = chain->GetEffect(index);
        json.BeginObject();
        json.Key("id");
        json.String(EffectIDToText(effect->GetIdentifier()));
        json.Key("name");
        json.String(effect->GetName());
        json.Key("active");
        json.Bool(effect->isActive());
        json.EndObject();
    }
    json.EndArray();
}

void WriteNotes(JsonWriter& json, const CMidiSound* sound) {
    json.BeginArray();
    for (int index = 0; sound && index < sound->NumNotes(); ++index) {
        const MidiNotePtr note = sound->GetNote(index);
        if (!note)
            continue;
        json.BeginObject();
        json.Key("start");
        json.Number(note->GetStart());
        json.Key("end");
        json.Number(note->GetEnd());
        json.Key("pitch");
        json.Integer(note->GetPitch());
        json.Key("velocity");
        json.Integer(note->GetVelocity());
        json.Key("channel");
        json.Integer(note->GetChannel());
        json.EndObject();
    }
    json.EndArray();
}

// Both kinds of clip have these, each through its own type.
template <typename Clip> void WriteTiming(JsonWriter& json, const Clip& clip) {
    json.Key("position");
    json.Number(clip.GetStartMs());
    json.Key("length");
    json.Number(clip.GetLengthMs());
    json.Key("offset");
    json.Number(clip.GetOffsetMs());
    json.Key("loopStart");
    json.Number(clip.GetLoopStart());
    json.Key("loopEnd");
    json.Number(clip.GetLoopEnd());
    json.Key("rate");
    json.Number(clip.GetRate());
}

void WriteClip(JsonWriter& json, const CClip& clip) {
    const bool isMidi = clip.GetClipKind() == ClipKind::kMidi;
    json.BeginObject();
    json.Key("kind");
    json.String(isMidi ? "midi" : "audio");
    json.Key("name");
    json.String(clip.GetName());
    if (const auto* placeholder = dynamic_cast<const CPlaceholderClip*>(&clip)) {
        // Kept from the file but not loaded: only where it lies is known.
        json.Key("unloaded");
        json.String(placeholder->GetReason() == CPlaceholderClip::Reason::kSoundUnavailable
                        ? "sound missing"
                        : "record damaged");
        json.Key("soundFile");
        json.String(placeholder->GetSoundPath());
        json.Key("position");
        json.Number(clip.GetStartMs());
        json.Key("length");
        json.Number(clip.GetLengthMs());
    } else if (isMidi) {
        const auto& midi = static_cast<const CMIDIClip&>(clip);
        WriteTiming(json, midi);
        json.Key("pitch");
        json.Integer(midi.GetTranspose());
        json.Key("noteCount");
        json.Integer(midi.GetAtom() ? midi.GetAtom()->NumNotes() : 0);
        json.Key("notes");
        WriteNotes(json, midi.GetAtom());
    } else {
        const auto& audio = static_cast<const CAudioClip&>(clip);
        json.Key("soundFile");
        json.String(audio.GetFilePath());
        WriteTiming(json, audio);
        json.Key("pitch");
        json.Number(audio.GetAtom() ? audio.GetAtom()->PitchShift() : 0.0);
    }
    json.Key("mute");
    json.Bool(clip.IsMuted());
    json.Key("lock");
    json.Bool(clip.IsLocked());
    json.EndObject();
}

void WriteClips(JsonWriter& json, const CTrack& track) {
    json.BeginArray();
    for (const CClip* clip : track.Clips())
        WriteClip(json, *clip);
    json.EndArray();
}

void WriteTrack(JsonWriter& json, const CTrack& track) {
    const auto* midi = dynamic_cast<const CMIDITrack*>(&track);
    json.BeginObject();
    json.Key("kind");
    json.String(midi ? "midi" : "audio");
    json.Key("name");
    json.String(track.GetName());
    json.Key("volume");
    json.Number(track.GetVolume());
    json.Key("pan");
    json.Number(track.GetPan());
    json.Key("mute");
    json.Bool(track.IsMute());
    json.Key("solo");
    json.Bool(track.IsSolo());
    json.Key("armed");
    json.Bool(track.IsArmed());
    json.Key("frozen");
    json.Bool(track.IsFrozen());
    json.Key("height");
    json.Integer(track.GetHeight());
    json.Key("colour");
    json.Integer(track.GetColour());
    json.Key("effects");
    WriteEffects(json, track.GetEffectChain());
    if (midi) {
        json.Key("instrument");
        WriteEffects(json, midi->GetInstrumentChain());
        json.Key("instrumentEffects");
        WriteEffects(json, midi->GetInstrumentEffectsChain());
    }
    json.Key("clips");
    WriteClips(json, track);
    json.EndObject();
}

void WriteSettings(JsonWriter& json, const CProject& project) {
    const ProjectAuthoring& authoring = project.Authoring();
    json.Key("recordingFolder");
    json.String(project.GetRecordingFolder());
    json.Key("autoBeatMatch");
    json.Bool(project.GetAutoBeatMatch());
    json.Key("metronome");
    json.Bool(project.UsesMetronome());
    json.Key("timeLineMode");
    json.Integer(project.GetTimeLineMode());
    json.Key("author");
    json.String(authoring.author);
    json.Key("album");
    json.String(authoring.album);
    json.Key("copyright");
    json.String(authoring.copyright);
    json.Key("title");
    json.String(authoring.title);
    json.Key("comments");
    json.String(authoring.comments);
    json.Key("genre");
    json.String(authoring.genre);
    json.Key("year");
    json.Integer(authoring.year);
    json.Key("masterVolume");
    json.Number(project.GetMasterVolume());
}

} // namespace

std::string FormatProjectInfo(const CProject& project) {
    JsonWriter json;
    json.BeginObject();
    WriteSettings(json, project);
    json.Key("masterEffects");
    WriteEffects(json, project.GetMasterEffectChain());
    json.Key("markers");
    json.BeginArray();
    for (int index = 0; index < project.Markers().Count(); ++index)
        WriteMarker(json, project.Markers().At(index));
    json.EndArray();
    json.Key("tracks");
    json.BeginArray();
    for (int index = 0; index < project.GetNumTracks(); ++index)
        WriteTrack(json, *project.GetTrack(index));
    json.EndArray();
    json.EndObject();
    return json.Text() + "\n";
}
