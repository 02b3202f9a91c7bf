#include "project/CMidiFileExport.h"

#include "engine/CEffectChain.h"
#include "engine/CGMInstrument.h"
#include "engine/CMidiSound.h"
#include "project/CMIDIClip.h"
#include "project/CMIDITrack.h"
#include "project/CMidiFileWriter.h"
#include "project/CProject.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>

namespace {

using Message = MidiFileContent::Message;

uint32_t Pack(int status, int first, int second) {
    return static_cast<uint32_t>(status) | (static_cast<uint32_t>(first & 0x7F) << 8) |
           (static_cast<uint32_t>(second & 0x7F) << 16);
}

// The message a controller event becomes.
uint32_t ControllerMessage(int controller, const MidiControllerEvent& event) {
    const int channel = event.channel & 0x0F;
    switch (controller) {
    case CMidiControllerList::kProgramChange:
        return Pack(0xC0 | channel, event.value, 0);
    case CMidiControllerList::kChannelPressure:
        return Pack(0xD0 | channel, event.value, 0);
    case CMidiControllerList::kPitchBend:
        return Pack(0xE0 | channel, event.value & 0x7F, event.value >> 7);
    default:
        return Pack(0xB0 | channel, controller, event.value);
    }
}

// One stretch of a clip where the material runs straight on.
struct Pass {
    double timelineStart; // reference ms
    double materialStart;
    double materialEnd;
};

// The passes a clip plays: from its offset to its end, starting over at the
// loop start whenever the loop end is reached.
std::vector<Pass> PassesOf(double start, double length, double offset, double loopStart,
                           double loopEnd, double rate) {
    std::vector<Pass> passes;
    const bool loops = loopEnd > loopStart;
    double material = offset;
    double done = 0.0;
    // Far more passes than any clip of sense: a guard against tiny loops.
    for (int count = 0; done < length && count < 100000; ++count) {
        double end = material + (length - done) * rate;
        if (loops && material < loopEnd)
            end = std::min(end, loopEnd);
        passes.push_back({start + done, material, end});
        done += (end - material) / rate;
        material = loops && end >= loopEnd ? loopStart : end;
        if (end <= passes.back().materialStart)
            break;
    }
    return passes;
}

// bank:program of the track's first instrument, when it names one.
bool InstrumentProgram(const CMIDITrack& track, int& bank, int& program) {
    const CEffectChain* chain = track.GetInstrumentChain();
    const CAudioEffect* instrument =
        chain && chain->NumEffects() > 0 ? chain->GetEffect(0) : nullptr;
    return instrument &&
           std::sscanf(instrument->GetCurrentPresetName().c_str(), "%i:%i", &bank, &program) == 2;
}

} // namespace

void CMidiFileExport::GatherClip(const CMIDIClip& clip, MidiFileContent::Track& out) {
    const CMidiSound* sound = clip.GetAtom();
    if (!sound || clip.IsMuted())
        return;
    // MIDI clips lie on the reference timeline, as their notes do.
    const double rate = clip.GetRate() > 0.0 ? clip.GetRate() : 1.0;
    for (const Pass& pass : PassesOf(clip.GetStartMs(), clip.GetLengthMs(), clip.GetOffsetMs(),
                                     clip.GetLoopStart(), clip.GetLoopEnd(), rate)) {
        auto toTimeline = [&](double material) {
            return pass.timelineStart + (material - pass.materialStart) / rate;
        };
        for (int index = 0; index < sound->NumNotes(); ++index) {
            const MidiNotePtr note = sound->GetNote(index);
            if (note->GetStart() < pass.materialStart || note->GetStart() >= pass.materialEnd)
                continue;
            const int pitch = note->GetPitch() + clip.GetTranspose();
            if (pitch < 0 || pitch > 127)
                continue;
            const int channel = note->GetChannel() & 0x0F;
            out.messages.push_back({Pack(0x90 | channel, pitch, std::max(1, note->GetVelocity())),
                                    toTimeline(note->GetStart())});
            out.messages.push_back({Pack(0x80 | channel, pitch, note->GetReleaseVelocity()),
                                    toTimeline(std::min(note->GetEnd(), pass.materialEnd))});
        }
        for (int controller = 0; controller <= CMidiControllerList::kPitchBend; ++controller) {
            const CMidiControllerList* list = sound->GetMidiControllerList(controller);
            for (size_t index = 0; list && index < list->Events().size(); ++index) {
                const MidiControllerEvent& event = list->Events()[index];
                if (event.time >= pass.materialStart && event.time < pass.materialEnd)
                    out.messages.push_back(
                        {ControllerMessage(controller, event), toTimeline(event.time)});
            }
        }
    }
}

MidiFileContent::Track CMidiFileExport::GatherTrack(const CMIDITrack& track) {
    MidiFileContent::Track out;
    out.name = track.GetName();
    for (const CClip* clip : track.Clips())
        if (const auto* midi = dynamic_cast<const CMIDIClip*>(clip))
            GatherClip(*midi, out);
    std::stable_sort(out.messages.begin(), out.messages.end(),
                     [](const Message& a, const Message& b) { return a.timeMs < b.timeMs; });
    // The instrument's program, at the start of every channel that plays.
    int bank = 0, program = 0;
    if (InstrumentProgram(track, bank, program) && bank == 0) {
        std::set<int> channels;
        for (const Message& message : out.messages)
            channels.insert(static_cast<int>(message.message & 0x0F));
        std::vector<Message> programs;
        for (int channel : channels)
            if (channel != CGMInstrument::kDrumChannel)
                programs.push_back({Pack(0xC0 | channel, program, 0), 0.0});
        out.messages.insert(out.messages.begin(), programs.begin(), programs.end());
    }
    return out;
}

void CMidiFileExport::GatherMarkers(const CProject& project, MidiFileContent& content) {
    for (const MarkerRecord& marker : project.Markers().All()) {
        const TempoEvent& event = marker.tempoEvent;
        if (marker.IsStartMarker()) {
            content.initialTempo = event.tempo;
            content.initialNumerator = event.numerator;
            content.initialDenominator = event.denominator;
            continue;
        }
        MidiFileContent::Meta meta;
        meta.timeMs = event.time;
        if (event.tempoChange) {
            meta.kind = MidiFileContent::Meta::kTempo;
            meta.tempo = event.tempo;
            content.metas.push_back(meta);
        }
        if (event.timeSigChange) {
            meta.kind = MidiFileContent::Meta::kTimeSignature;
            meta.numerator = event.numerator;
            meta.denominator = event.denominator;
            content.metas.push_back(meta);
        }
        if (!marker.name.empty()) {
            meta.kind = MidiFileContent::Meta::kMarker;
            meta.text = marker.name;
            content.metas.push_back(meta);
        }
    }
}

MidiFileContent CMidiFileExport::Gather(const CProject& project) {
    MidiFileContent content;
    content.format = 1;
    content.msPerTick = CMidiFileWriter::kMsPerTick;
    GatherMarkers(project, content);
    MidiFileContent::Meta text;
    if (!project.Authoring().comments.empty()) {
        text.kind = MidiFileContent::Meta::kText;
        text.text = project.Authoring().comments;
        content.metas.push_back(text);
    }
    if (!project.Authoring().copyright.empty()) {
        text.kind = MidiFileContent::Meta::kCopyright;
        text.text = project.Authoring().copyright;
        content.metas.push_back(text);
    }
    for (int index = 0; index < project.GetNumTracks(); ++index)
        if (const auto* track = dynamic_cast<const CMIDITrack*>(project.GetTrack(index)))
            content.tracks.push_back(GatherTrack(*track));
    content.declaredTracks = static_cast<int>(content.tracks.size()) + 1;
    return content;
}

bool CMidiFileExport::WriteFile(const CProject& project, const std::string& path,
                                std::string& error) {
    const std::vector<uint8_t> bytes = CMidiFileWriter::Write(Gather(project));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size())) ||
        !out.flush()) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}
