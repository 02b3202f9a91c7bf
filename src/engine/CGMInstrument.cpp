#include "engine/CGMInstrument.h"

#include "engine/EffectsFactory.h"
#include "support/Log.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace {

constexpr const char* kSoundFontFolder = "/usr/share/sounds/sf2/";
constexpr const char* kInstalledSoundFonts[] = {"FluidR3_GM.sf2", "TimGM6mb.sf2"};

// A preview event with this frame offset is meant for every channel.
constexpr int kEveryChannel = -1;
constexpr uint8_t kAllNotesOffController = 123;

constexpr const char* kMelodicNames[128] = {"Acoustic Grand Piano",
                                            "Bright Acoustic Piano",
                                            "Electric Grand Piano",
                                            "Honky-tonk Piano",
                                            "Electric Piano 1",
                                            "Electric Piano 2",
                                            "Harpsichord",
                                            "Clavinet",
                                            "Celesta",
                                            "Glockenspiel",
                                            "Music Box",
                                            "Vibraphone",
                                            "Marimba",
                                            "Xylophone",
                                            "Tubular Bells",
                                            "Dulcimer",
                                            "Drawbar Organ",
                                            "Percussive Organ",
                                            "Rock Organ",
                                            "Church Organ",
                                            "Reed Organ",
                                            "Accordion",
                                            "Harmonica",
                                            "Tango Accordion",
                                            "Acoustic Guitar (nylon)",
                                            "Acoustic Guitar (steel)",
                                            "Electric Guitar (jazz)",
                                            "Electric Guitar (clean)",
                                            "Electric Guitar (muted)",
                                            "Overdriven Guitar",
                                            "Distortion Guitar",
                                            "Guitar Harmonics",
                                            "Acoustic Bass",
                                            "Electric Bass (finger)",
                                            "Electric Bass (pick)",
                                            "Fretless Bass",
                                            "Slap Bass 1",
                                            "Slap Bass 2",
                                            "Synth Bass 1",
                                            "Synth Bass 2",
                                            "Violin",
                                            "Viola",
                                            "Cello",
                                            "Contrabass",
                                            "Tremolo Strings",
                                            "Pizzicato Strings",
                                            "Orchestral Harp",
                                            "Timpani",
                                            "String Ensemble 1",
                                            "String Ensemble 2",
                                            "Synth Strings 1",
                                            "Synth Strings 2",
                                            "Choir Aahs",
                                            "Voice Oohs",
                                            "Synth Voice",
                                            "Orchestra Hit",
                                            "Trumpet",
                                            "Trombone",
                                            "Tuba",
                                            "Muted Trumpet",
                                            "French Horn",
                                            "Brass Section",
                                            "Synth Brass 1",
                                            "Synth Brass 2",
                                            "Soprano Sax",
                                            "Alto Sax",
                                            "Tenor Sax",
                                            "Baritone Sax",
                                            "Oboe",
                                            "English Horn",
                                            "Bassoon",
                                            "Clarinet",
                                            "Piccolo",
                                            "Flute",
                                            "Recorder",
                                            "Pan Flute",
                                            "Blown Bottle",
                                            "Shakuhachi",
                                            "Whistle",
                                            "Ocarina",
                                            "Lead 1 (square)",
                                            "Lead 2 (sawtooth)",
                                            "Lead 3 (calliope)",
                                            "Lead 4 (chiff)",
                                            "Lead 5 (charang)",
                                            "Lead 6 (voice)",
                                            "Lead 7 (fifths)",
                                            "Lead 8 (bass + lead)",
                                            "Pad 1 (new age)",
                                            "Pad 2 (warm)",
                                            "Pad 3 (polysynth)",
                                            "Pad 4 (choir)",
                                            "Pad 5 (bowed)",
                                            "Pad 6 (metallic)",
                                            "Pad 7 (halo)",
                                            "Pad 8 (sweep)",
                                            "FX 1 (rain)",
                                            "FX 2 (soundtrack)",
                                            "FX 3 (crystal)",
                                            "FX 4 (atmosphere)",
                                            "FX 5 (brightness)",
                                            "FX 6 (goblins)",
                                            "FX 7 (echoes)",
                                            "FX 8 (sci-fi)",
                                            "Sitar",
                                            "Banjo",
                                            "Shamisen",
                                            "Koto",
                                            "Kalimba",
                                            "Bagpipe",
                                            "Fiddle",
                                            "Shanai",
                                            "Tinkle Bell",
                                            "Agogo",
                                            "Steel Drums",
                                            "Woodblock",
                                            "Taiko Drum",
                                            "Melodic Tom",
                                            "Synth Drum",
                                            "Reverse Cymbal",
                                            "Guitar Fret Noise",
                                            "Breath Noise",
                                            "Seashore",
                                            "Bird Tweet",
                                            "Telephone Ring",
                                            "Helicopter",
                                            "Applause",
                                            "Gunshot"};

struct DrumKit {
    int program;
    const char* name;
};
constexpr DrumKit kDrumKits[] = {{0, "Standard Kit"},    {8, "Room Kit"},       {16, "Power Kit"},
                                 {24, "Electronic Kit"}, {25, "TR-808 Kit"},    {32, "Jazz Kit"},
                                 {40, "Brush Kit"},      {48, "Orchestra Kit"}, {56, "SFX Kit"}};

std::vector<EffectParameterInfo> Parameters() {
    return {{"Bank", "", 0.0f, static_cast<float>(CGMInstrument::kPercussionBank), 0.0f, true},
            {"Program", "", 0.0f, 127.0f, 0.0f, true}};
}

std::string PresetName(int bank, int program) {
    char name[16];
    std::snprintf(name, sizeof name, "%i:%i", bank, program);
    return name;
}

std::vector<EffectPreset> Presets() {
    std::vector<EffectPreset> presets;
    for (int program = 0; program < 128; ++program)
        presets.push_back({PresetName(0, program), {0.0f, static_cast<float>(program)}});
    for (const DrumKit& kit : kDrumKits)
        presets.push_back({PresetName(CGMInstrument::kPercussionBank, kit.program),
                           {static_cast<float>(CGMInstrument::kPercussionBank),
                            static_cast<float>(kit.program)}});
    return presets;
}

// FluidSynth's errors go to the program's log. Its warnings and chatter are
// dropped: some (a drum kit substituted) come from the audio thread, which
// must not write files.
void LogFluidError(int, const char* message, void*) {
    LogFmt("FluidSynth: %s", message);
}

void RouteFluidLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        fluid_set_log_function(FLUID_PANIC, LogFluidError, nullptr);
        fluid_set_log_function(FLUID_ERR, LogFluidError, nullptr);
        fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
        fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
        fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    });
}

bool IsFile(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

} // namespace

// ---- Set-up -----------------------------------------------------------------------------

CGMInstrument::CGMInstrument(std::string soundFontPath)
    : CAudioEffect(kID, "General MIDI", Parameters(), Presets()),
      m_requestedPath(std::move(soundFontPath)), m_events(kMaxBlockEvents) {}

CGMInstrument::~CGMInstrument() {
    StopWorker();
    DeleteSynth();
}

bool CGMInstrument::Register() {
    return EffectsFactory::GetInstance()->RegisterEffect(
        {kID, "General MIDI", EffectGroup::BuiltIn, true},
        [] { return std::make_unique<CGMInstrument>(); });
}

std::string CGMInstrument::FindSoundFont(const std::string& soundFontPath) {
    if (IsFile(soundFontPath))
        return soundFontPath;
    const char* chosen = std::getenv(kSoundFontVariable);
    if (chosen && IsFile(chosen))
        return chosen;
    for (const char* name : kInstalledSoundFonts) {
        const std::string path = std::string(kSoundFontFolder) + name;
        if (IsFile(path))
            return path;
    }
    return {};
}

std::string CGMInstrument::GeneralMidiName(int bank, int program) {
    if (bank == 0 && program >= 0 && program < 128)
        return kMelodicNames[program];
    if (bank == kPercussionBank) {
        for (const DrumKit& kit : kDrumKits) {
            if (kit.program == program)
                return kit.name;
        }
    }
    return {};
}

std::string CGMInstrument::GetPresetTitle(int index) const {
    int bank = 0;
    int program = 0;
    const std::string name = GetPresetName(index);
    if (name.empty() || std::sscanf(name.c_str(), "%i:%i", &bank, &program) != 2)
        return {};
    return GeneralMidiName(bank, program);
}

void CGMInstrument::OnPrepare(double sampleRate, int maxBlockFrames) {
    StopWorker();
    const auto scratch = static_cast<size_t>(std::max(maxBlockFrames, kSynthStepFrames));
    m_left.assign(scratch, 0.0f);
    m_right.assign(scratch, 0.0f);
    m_ring.assign(static_cast<size_t>(kRingFrames) * 2, 0.0f);
    m_stepLeft.assign(kSynthStepFrames, 0.0f);
    m_stepRight.assign(kSynthStepFrames, 0.0f);
    if (!m_synth || sampleRate != m_synthRate) {
        DeleteSynth();
        CreateSynth(sampleRate);
    }
    StartWorker();
}

bool CGMInstrument::CreateSynth(double sampleRate) {
    RouteFluidLog();
    const std::string path = FindSoundFont(m_requestedPath);
    if (path.empty()) {
        LogFmt(
            "CGMInstrument::CreateSynth - no SoundFont found (asked for '%s') - returning false!",
            m_requestedPath.c_str());
        return false;
    }
    // Loaded once for every instrument that plays the file.
    m_font = CSharedSoundFont::Acquire(path);
    if (!m_font) {
        LogFmt("CGMInstrument::CreateSynth failed to load '%s' - returning false!", path.c_str());
        return false;
    }
    m_settings = new_fluid_settings();
    if (!m_settings) {
        Log("CGMInstrument::CreateSynth failed on new_fluid_settings() - returning false!");
        DeleteSynth();
        return false;
    }
    fluid_settings_setnum(m_settings, "synth.sample-rate", sampleRate);
    // Only the audio thread talks to the synthesizer once it is prepared.
    fluid_settings_setint(m_settings, "synth.threadsafe-api", 0);
    // The synthesizer's reverb keeps a small offset on its output against
    // denormals, so silence would never be silent; the track's effect chain
    // has reverbs of its own.
    fluid_settings_setint(m_settings, "synth.reverb.active", 0);
    fluid_settings_setint(m_settings, "synth.polyphony", kStartVoices);
    m_synth = new_fluid_synth(m_settings);
    if (!m_synth) {
        Log("CGMInstrument::CreateSynth failed on new_fluid_synth() - returning false!");
        DeleteSynth();
        return false;
    }
    {
        std::unique_lock<std::mutex> font = LockFont();
        m_soundFontId = m_font->AttachTo(m_synth);
    }
    if (m_soundFontId < 0) {
        LogFmt(
            "CGMInstrument::CreateSynth failed to add '%s' to its synthesizer - returning false!",
            path.c_str());
        DeleteSynth();
        return false;
    }
    m_synthRate = sampleRate;
    m_loadedPath = path;
    LogFmt("CGMInstrument::CreateSynth - loaded '%s' at %.0f Hz", path.c_str(), sampleRate);
    return true;
}

void CGMInstrument::DeleteSynth() {
    if (m_synth) {
        // Deleting the synthesizer ends its voices and lets go of its
        // presets, which changes the shared font's counts.
        std::unique_lock<std::mutex> font = LockFont();
        if (m_soundFontId >= 0)
            m_font->DetachFrom(m_synth);
        delete_fluid_synth(m_synth);
    }
    // Outside its lock: this may be the font's last user.
    m_font.reset();
    if (m_settings)
        delete_fluid_settings(m_settings);
    m_synth = nullptr;
    m_settings = nullptr;
    m_soundFontId = -1;
    m_resetPending = false;
    m_synthRate = 0.0;
    m_renderedFrames = 0;
    m_loadedPath.clear();
}

void CGMInstrument::Reset() {
    m_eventCount = 0;
    m_nextEvent = 0;
    m_blockPosition = 0;
    m_blockStarted = false;
    m_previews.Clear();
    if (m_live) {
        RequestFlush(true);
        return;
    }
    m_resetPending = true;
}

std::unique_lock<std::mutex> CGMInstrument::LockFont() {
    return m_font ? std::unique_lock<std::mutex>(m_font->Mutex()) : std::unique_lock<std::mutex>();
}

void CGMInstrument::ResetSynth() {
    if (m_synth) {
        // The reset alone leaves the voices sounding: they are stopped after it.
        fluid_synth_system_reset(m_synth);
        fluid_synth_all_sounds_off(m_synth, -1);
        // Frames the synthesizer rendered before the reset and has not handed
        // out yet would otherwise still be heard after it.
        const auto left = static_cast<int>(
            (kSynthStepFrames - m_renderedFrames % kSynthStepFrames) % kSynthStepFrames);
        if (left > 0)
            fluid_synth_write_float(m_synth, left, m_left.data(), 0, 1, m_right.data(), 0, 1);
    }
    m_renderedFrames = 0;
    m_resetPending = false;
    // The reset gave every channel its default sound: the preset comes back
    // with the next block.
    m_appliedBank = -1;
    m_appliedProgram = -1;
}

// ---- Audio thread -----------------------------------------------------------------------

void CGMInstrument::HandleMidiEvent(const EffectMidiEvent& event) {
    if (m_blockStarted) {
        // The first event of a new block: whatever the last block did not
        // reach (offsets past its end, or note-ons held back for a full
        // step) is due at its start. Live blocks leave nothing behind.
        int kept = 0;
        for (; m_nextEvent < m_eventCount; ++m_nextEvent, ++kept) {
            m_events[static_cast<size_t>(kept)] = m_events[static_cast<size_t>(m_nextEvent)];
            m_events[static_cast<size_t>(kept)].frameOffset = 0;
        }
        m_eventCount = kept;
        m_nextEvent = 0;
        m_blockPosition = 0;
        m_blockStarted = false;
    }
    if (m_eventCount >= kMaxBlockEvents)
        return;
    // Kept in frame order; events at the same frame keep their arrival order.
    int at = m_eventCount;
    while (at > 0 && m_events[static_cast<size_t>(at - 1)].frameOffset > event.frameOffset) {
        m_events[static_cast<size_t>(at)] = m_events[static_cast<size_t>(at - 1)];
        --at;
    }
    m_events[static_cast<size_t>(at)] = event;
    ++m_eventCount;
}

void CGMInstrument::OnProcess(float* stereo, int frames) {
    if (m_live) {
        ProcessLive(stereo, frames);
        return;
    }
    m_blockStarted = true;
    std::unique_lock<std::mutex> font = LockFont();
    if (m_resetPending)
        ResetSynth();
    DrainPreviews();
    ApplyPresetIfChanged();
    int done = 0;
    while (done < frames) {
        while (m_nextEvent < m_eventCount &&
               m_events[static_cast<size_t>(m_nextEvent)].frameOffset <= m_blockPosition &&
               !StepIsFull())
            ApplyEvent(m_events[static_cast<size_t>(m_nextEvent++)]);
        int until = frames;
        if (m_nextEvent < m_eventCount) {
            // An event due now was held back by a full step: render into the
            // next step, which starts the notes queued so far.
            const int due =
                m_events[static_cast<size_t>(m_nextEvent)].frameOffset - m_blockPosition;
            until = std::min(frames, done + (due > 0 ? due : FramesLeftInStep() + 1));
        }
        Render(stereo + static_cast<ptrdiff_t>(done) * 2, until - done);
        m_blockPosition += until - done;
        done = until;
    }
}

void CGMInstrument::Render(float* stereo, int frames) {
    if (!m_synth || frames <= 0)
        return;
    const bool stepStarts = frames > FramesLeftInStep();
    fluid_synth_write_float(m_synth, frames, m_left.data(), 0, 1, m_right.data(), 0, 1);
    m_renderedFrames += static_cast<uint64_t>(frames);
    if (stepStarts)
        m_queuedEntries = 0;
    for (int frame = 0; frame < frames; ++frame) {
        stereo[2 * frame] += m_left[static_cast<size_t>(frame)];
        stereo[2 * frame + 1] += m_right[static_cast<size_t>(frame)];
    }
}

void CGMInstrument::ApplyEvent(const EffectMidiEvent& event) {
    if (!m_synth || event.status < 0x80 || event.status >= 0xF0)
        return;
    const int voicesBefore = fluid_synth_get_active_voice_count(m_synth);
    const bool noteOn = (event.status & 0xF0) == 0x90 && (event.data2 & 0x7F) > 0;
    if (noteOn)
        GrowVoicesIfNeeded();
    CallSynth(event);
    // What FluidSynth queued for its voices, estimated from above: each
    // voice a note-on started (two at least: one that took a voice from
    // another note costs as much), or every sounding voice that a
    // controller may have changed.
    if (noteOn)
        m_queuedEntries += kEntriesPerVoiceStart *
                           std::max(2, fluid_synth_get_active_voice_count(m_synth) - voicesBefore);
    else
        m_queuedEntries += std::max(kEntriesPerEvent, voicesBefore);
}

void CGMInstrument::CallSynth(const EffectMidiEvent& event) {
    const int channel = event.status & 0x0F;
    const int data1 = event.data1 & 0x7F;
    const int data2 = event.data2 & 0x7F;
    switch (event.status & 0xF0) {
    case 0x80:
        fluid_synth_noteoff(m_synth, channel, data1);
        break;
    case 0x90:
        if (data2 > 0)
            fluid_synth_noteon(m_synth, channel, data1, data2);
        else
            fluid_synth_noteoff(m_synth, channel, data1);
        break;
    case 0xA0:
        fluid_synth_key_pressure(m_synth, channel, data1, data2);
        break;
    case 0xB0:
        fluid_synth_cc(m_synth, channel, data1, data2);
        break;
    case 0xC0:
        fluid_synth_program_change(m_synth, channel, data1);
        break;
    case 0xD0:
        fluid_synth_channel_pressure(m_synth, channel, data1);
        break;
    default: // 0xE0
        fluid_synth_pitch_bend(m_synth, channel, data1 | (data2 << 7));
        break;
    }
}

void CGMInstrument::ApplyPresetIfChanged() {
    const int bank = static_cast<int>(ParameterValue(kBankParameter));
    const int program = static_cast<int>(ParameterValue(kProgramParameter));
    if (!m_synth || (bank == m_appliedBank && program == m_appliedProgram))
        return;
    for (int channel = 0; channel < kChannels; ++channel) {
        if (bank == kPercussionBank || channel != kDrumChannel)
            SelectSound(channel, bank, program);
        else
            SelectSound(channel, kPercussionBank, 0);
    }
    m_appliedBank = bank;
    m_appliedProgram = program;
}

void CGMInstrument::SelectSound(int channel, int bank, int program) {
    const bool drums = bank == kPercussionBank;
    fluid_synth_set_channel_type(m_synth, channel,
                                 drums ? CHANNEL_TYPE_DRUM : CHANNEL_TYPE_MELODIC);
    if (fluid_synth_program_select(m_synth, channel, m_soundFontId, bank, program) == FLUID_OK)
        return;
    // A SoundFont without that variation or kit plays the basic one.
    fluid_synth_program_select(m_synth, channel, m_soundFontId, drums ? kPercussionBank : 0,
                               drums ? 0 : program);
}

void CGMInstrument::DrainPreviews() {
    EffectMidiEvent event;
    while (!StepIsFull() && m_previews.Pop(event))
        ApplyPreview(event);
}

int CGMInstrument::FramesLeftInStep() const {
    return static_cast<int>((kSynthStepFrames - m_renderedFrames % kSynthStepFrames) %
                            kSynthStepFrames);
}

void CGMInstrument::GrowVoicesIfNeeded() {
    const int voices = fluid_synth_get_polyphony(m_synth);
    if (voices < kMaxVoices &&
        fluid_synth_get_active_voice_count(m_synth) + kVoiceHeadroom > voices)
        fluid_synth_set_polyphony(m_synth, std::min(kMaxVoices, voices * 2));
}

int CGMInstrument::Voices() {
    std::unique_lock<std::mutex> font = LockFont();
    return m_synth ? fluid_synth_get_polyphony(m_synth) : 0;
}

void CGMInstrument::ApplyPreview(const EffectMidiEvent& event) {
    if (event.frameOffset != kEveryChannel) {
        ApplyEvent(event);
        return;
    }
    for (int channel = 0; channel < kChannels; ++channel)
        ApplyEvent({0, static_cast<uint8_t>(event.status | channel), event.data1, event.data2});
}

// ---- Live: audio thread -----------------------------------------------------------------

void CGMInstrument::SetLive(bool live, const LivePlace& place) {
    if (live) {
        m_timelineOffset = place.timelineFrame - static_cast<int64_t>(m_playedFrames);
        m_wrapFrame = kNoWrap;
        if (place.looping && place.loopStart < place.loopEnd &&
            place.timelineFrame < place.loopEnd) {
            m_wrapFrame =
                m_playedFrames + static_cast<uint64_t>(place.loopEnd - place.timelineFrame);
            m_wrapTimeline = place.loopStart;
        }
        if (!m_live) {
            // The synthesizer goes over to the worker: with the release below
            // it sees everything this thread did to it.
            m_live = true;
            m_eventCount = 0;
            m_nextEvent = 0;
            RequestFlush(false);
            m_liveRequested.store(true, std::memory_order_seq_cst);
        } else if (place.transportJumped) {
            RequestFlush(false);
        }
        return;
    }
    if (!m_live)
        return;
    m_live = false;
    m_liveRequested.store(false, std::memory_order_seq_cst);
    {
        // Waits for the step the worker may be rendering; it takes no more.
        std::lock_guard<std::mutex> wait(m_workerMutex);
    }
    m_liveEvents.Clear();
    m_liveWraps.Clear();
    m_flushRequested = false;
    m_eventCount = 0;
    m_nextEvent = 0;
    std::unique_lock<std::mutex> font = LockFont();
    ResetSynth();
}

void CGMInstrument::RequestFlush(bool reset) {
    if (reset)
        m_flushResets.store(true, std::memory_order_relaxed);
    // The new place starts with the next frame this thread plays; events
    // are timed from there, whenever the worker gets to the flush.
    m_flushFrame.store(m_playedFrames, std::memory_order_relaxed);
    m_flushTimeline.store(static_cast<int64_t>(m_playedFrames) + m_timelineOffset,
                          std::memory_order_relaxed);
    m_lastWrapFrame = kNoWrap;
    // The events from here on follow the new flush; ProcessLive hands it to
    // the worker once the block's events are queued.
    ++m_generation;
    m_flushRequested = true;
}

void CGMInstrument::HandFlushToWorker() {
    // A worker given the flush before the events of its first block (those
    // of the look-ahead frames after a jump) could render those frames
    // without them, and start their notes late.
    if (!m_flushRequested)
        return;
    m_flushGeneration.store(m_generation, std::memory_order_release);
    m_flushRequested = false;
}

void CGMInstrument::PushLive(const EffectMidiEvent& event, uint64_t targetFrame) {
    m_liveEvents.Push({targetFrame, m_generation, event});
}

void CGMInstrument::PushWrap(int frames) {
    // Events reach kLookAheadFrames past this part of the block; a wrap
    // before the part's start was passed on with an earlier block (or is the
    // start of this one after a jump, which the flush covers).
    const uint64_t reach = m_playedFrames + kLookAheadFrames + static_cast<uint64_t>(frames);
    if (m_wrapFrame == kNoWrap || m_wrapFrame < m_playedFrames || m_wrapFrame >= reach ||
        m_wrapFrame == m_lastWrapFrame)
        return;
    if (m_liveWraps.Push({m_wrapFrame, m_generation, m_wrapTimeline}))
        m_lastWrapFrame = m_wrapFrame;
}

void CGMInstrument::ProcessLive(float* stereo, int frames) {
    // Events are timed from the block kLookAheadFrames after this one's start.
    const uint64_t blockStart = m_playedFrames - static_cast<uint64_t>(m_blockPosition);
    if (!m_blockStarted)
        m_blockStarted = true;
    EffectMidiEvent preview;
    while (m_previews.Pop(preview))
        PushLive(preview, m_playedFrames + kLookAheadFrames);
    for (; m_nextEvent < m_eventCount; ++m_nextEvent) {
        EffectMidiEvent event = m_events[static_cast<size_t>(m_nextEvent)];
        // Offsets before the block come from the first block after a jump,
        // which also carries what the look-ahead would have skipped.
        const int64_t target = static_cast<int64_t>(blockStart) + kLookAheadFrames +
                               std::max(event.frameOffset, -kLookAheadFrames);
        event.frameOffset = 0; // the target frame times it now
        PushLive(event, static_cast<uint64_t>(std::max<int64_t>(target, 0)));
    }
    PushWrap(frames);
    HandFlushToWorker();
    m_blockPosition += frames;

    // Until the worker has made the last flush, what the ring holds is stale.
    if (m_flushDone.load(std::memory_order_acquire) == m_generation) {
        const uint64_t written = m_written.load(std::memory_order_acquire);
        const uint64_t ready = written > m_playedFrames ? written - m_playedFrames : 0;
        const int available = static_cast<int>(std::min<uint64_t>(ready, frames));
        for (int frame = 0; frame < available; ++frame) {
            const size_t slot = ((m_playedFrames + frame) % kRingFrames) * 2;
            stereo[2 * frame] += m_ring[slot];
            stereo[2 * frame + 1] += m_ring[slot + 1];
        }
        if (available < frames)
            m_underrunFrames.fetch_add(static_cast<uint64_t>(frames - available),
                                       std::memory_order_relaxed);
    }
    m_playedFrames += static_cast<uint64_t>(frames);
    m_consumed.store(m_playedFrames, std::memory_order_release);
    WakeWorker();
}

int CGMInstrument::LiveFramesReady() const {
    if (!m_live || m_flushDone.load(std::memory_order_acquire) != m_generation)
        return 0;
    const uint64_t written = m_written.load(std::memory_order_acquire);
    return written > m_playedFrames ? static_cast<int>(written - m_playedFrames) : 0;
}

// ---- Live: worker -----------------------------------------------------------------------

void CGMInstrument::StartWorker() {
    m_live = false;
    m_liveRequested = false;
    m_workerStop = false;
    m_liveEvents.Clear();
    m_liveWraps.Clear();
    m_playedFrames = 0;
    m_generation = 0;
    m_timelineOffset = 0;
    m_wrapFrame = kNoWrap;
    m_lastWrapFrame = kNoWrap;
    m_flushRequested = false;
    m_consumed = 0;
    m_written = 0;
    m_flushGeneration = 0;
    m_flushDone = 0;
    m_flushResets = false;
    m_workerFrame = 0;
    m_workerGeneration = 0;
    m_workerTimelineOffset = 0;
    if (m_synth)
        m_worker = std::thread(&CGMInstrument::RunWorker, this);
}

void CGMInstrument::StopWorker() {
    if (m_worker.joinable()) {
        m_workerStop = true;
        WakeWorker();
        m_worker.join();
    }
    if (m_live) {
        m_live = false;
        std::unique_lock<std::mutex> font = LockFont();
        ResetSynth();
    }
    m_liveRequested = false;
}

void CGMInstrument::WakeWorker() {
    if (!m_wakePending.exchange(true, std::memory_order_acq_rel))
        m_wake.release();
}

void CGMInstrument::RunWorker() {
    while (!m_workerStop.load(std::memory_order_acquire)) {
        m_wake.acquire();
        // Wakes from here on call again: this round may already cover them.
        m_wakePending.store(false, std::memory_order_release);
        std::lock_guard<std::mutex> owner(m_workerMutex);
        if (m_liveRequested.load(std::memory_order_seq_cst))
            RenderAhead();
    }
}

void CGMInstrument::RenderAhead() {
    while (m_liveRequested.load(std::memory_order_acquire)) {
        // Held for one step at a time: the other instruments on the same
        // font render between them.
        std::unique_lock<std::mutex> font = LockFont();
        const uint64_t generation = m_flushGeneration.load(std::memory_order_acquire);
        if (generation != m_workerGeneration)
            FlushOnWorker(generation);
        const uint64_t played = m_consumed.load(std::memory_order_acquire);
        if (m_workerFrame + kCatchUpFrames < played) {
            // Far behind the audio thread: those frames were played as
            // silence, and their events are applied at once.
            m_workerFrame = played;
            m_written.store(m_workerFrame, std::memory_order_release);
        }
        // Every event due before the step's start is queued once the audio
        // thread has played up to it less the look-ahead.
        if (m_workerFrame >= played + kLookAheadFrames ||
            m_workerFrame + kSynthStepFrames > played + kRingFrames)
            return;
        RenderStep();
    }
}

void CGMInstrument::FlushOnWorker(uint64_t generation) {
    while (const LiveEvent* queued = m_liveEvents.Front()) {
        if (queued->generation >= generation)
            break;
        m_liveEvents.Pop();
    }
    while (const LiveWrap* wrap = m_liveWraps.Front()) {
        if (wrap->generation >= generation)
            break;
        m_liveWraps.Pop();
    }
    // A Reset made before going live is due too.
    if (m_flushResets.exchange(false, std::memory_order_relaxed) || m_resetPending) {
        m_resetPending = false;
        fluid_synth_system_reset(m_synth);
        m_appliedBank = -1;
        m_appliedProgram = -1;
    }
    fluid_synth_all_sounds_off(m_synth, -1);
    // Offline blocks may have left the synthesizer inside one of its steps:
    // finish it, so that its steps and the worker's start on the same frames.
    const auto left = static_cast<int>((kSynthStepFrames - m_renderedFrames % kSynthStepFrames) %
                                       kSynthStepFrames);
    if (left > 0)
        fluid_synth_write_float(m_synth, left, m_stepLeft.data(), 0, 1, m_stepRight.data(), 0, 1);
    m_renderedFrames = 0;
    // Rendering starts again where the new place starts: what was rendered
    // ahead for the old place is never played. The audio thread may have
    // played on since (as silence): RenderAhead renders those frames too,
    // unheard, so the notes of the new place start on their own frames
    // however late the worker was.
    m_workerFrame = m_flushFrame.load(std::memory_order_relaxed);
    m_workerTimelineOffset =
        m_flushTimeline.load(std::memory_order_relaxed) - static_cast<int64_t>(m_workerFrame);
    m_written.store(m_workerFrame, std::memory_order_relaxed);
    m_workerGeneration = generation;
    m_flushDone.store(generation, std::memory_order_release);
}

void CGMInstrument::RenderStep() {
    TakeWraps();
    // The synthesizer's step starts lead frames before m_workerFrame, on the
    // timeline's grid; those frames were played already (or belong to the
    // place before a jump or wrap) and are dropped.
    const int lead = StepLead();
    // An event is applied at the first step that starts at or after its
    // frame: never early, at most kSynthStepFrames - 1 late.
    while (const LiveEvent* queued = m_liveEvents.Front()) {
        if (queued->generation > m_workerGeneration ||
            queued->targetFrame + static_cast<uint64_t>(lead) > m_workerFrame)
            break;
        if (queued->generation == m_workerGeneration) {
            if (StepIsFull())
                break; // the rest of the notes start with the next step
            ApplyPreview(queued->event);
        }
        m_liveEvents.Pop();
    }
    ApplyPresetIfChanged();
    if (lead > 0)
        fluid_synth_write_float(m_synth, lead, m_stepLeft.data(), 0, 1, m_stepRight.data(), 0, 1);
    const int frames = kSynthStepFrames - lead;
    fluid_synth_write_float(m_synth, frames, m_stepLeft.data(), 0, 1, m_stepRight.data(), 0, 1);
    m_queuedEntries = 0;
    for (int frame = 0; frame < frames; ++frame) {
        const size_t slot = ((m_workerFrame + frame) % kRingFrames) * 2;
        m_ring[slot] = m_stepLeft[static_cast<size_t>(frame)];
        m_ring[slot + 1] = m_stepRight[static_cast<size_t>(frame)];
    }
    m_workerFrame += static_cast<uint64_t>(frames);
    m_written.store(m_workerFrame, std::memory_order_release);
}

void CGMInstrument::TakeWraps() {
    while (const LiveWrap* wrap = m_liveWraps.Front()) {
        if (wrap->generation > m_workerGeneration || wrap->targetFrame > m_workerFrame)
            return;
        if (wrap->generation == m_workerGeneration)
            m_workerTimelineOffset = wrap->timelineFrame - static_cast<int64_t>(wrap->targetFrame);
        m_liveWraps.Pop();
    }
}

int CGMInstrument::StepLead() const {
    const int64_t timelineFrame = static_cast<int64_t>(m_workerFrame) + m_workerTimelineOffset;
    return static_cast<int>(((timelineFrame % kSynthStepFrames) + kSynthStepFrames) %
                            kSynthStepFrames);
}

// ---- Previews ---------------------------------------------------------------------------

bool CGMInstrument::MidiNoteOnNow(int pitch, int velocity, int channel) {
    if (pitch < 0 || pitch > 127 || velocity < 0 || velocity > 127 || channel < 0 ||
        channel >= kChannels)
        return false;
    return m_previews.Push({0, static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(pitch),
                            static_cast<uint8_t>(velocity)});
}

bool CGMInstrument::MidiNoteOffNow(int pitch, int velocity, int channel) {
    if (pitch < 0 || pitch > 127 || velocity < 0 || velocity > 127 || channel < 0 ||
        channel >= kChannels)
        return false;
    return m_previews.Push({0, static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(pitch),
                            static_cast<uint8_t>(velocity)});
}

bool CGMInstrument::MidiAllNotesOffNow() {
    return m_previews.Push({kEveryChannel, 0xB0, kAllNotesOffController, 0});
}
