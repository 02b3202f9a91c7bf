#pragma once

#include <memory>
#include <mutex>
#include <string>

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_sfont_t;

// One SoundFont file loaded once and played by any number of FluidSynth
// synthesizers (one per instrument track).
//
// FluidSynth keeps reference counts inside the SoundFont's data: the font
// counts the channels that selected one of its presets, each sample the
// voices playing it. A synthesizer changes them without any lock whenever it
// starts or ends a voice, changes a program, resets or is deleted. So every
// synthesizer that plays a shared font holds the font's Mutex() around each
// call into FluidSynth, and no two threads ever touch those counts at once.
// The device thread never takes it: live instruments render on their
// workers, so the lock is only shared by the workers, offline renders and
// the GUI thread setting an instrument up or deleting it.
//
// The font is loaded by a small synthesizer of its own that never plays and
// owns the font until the last user lets go. Fonts in use are found by path:
// every instrument that asks for the same file gets the same font while any
// of them holds it.
class CSharedSoundFont {
public:
    // The font of that file, loaded when nobody holds it yet; null when it
    // cannot be loaded. Any thread but the device thread.
    static std::shared_ptr<CSharedSoundFont> Acquire(const std::string& path);
    // Fonts loaded at the moment (each file once however many use it).
    static int LoadedCount();

    ~CSharedSoundFont();
    CSharedSoundFont(const CSharedSoundFont&) = delete;
    CSharedSoundFont& operator=(const CSharedSoundFont&) = delete;

    // Both under Mutex(). AttachTo puts the font on the synthesizer's stack
    // and returns its id there (-1 on failure); DetachFrom takes it off
    // again and must come before the synthesizer is deleted, which would
    // otherwise delete the font with it.
    int AttachTo(_fluid_synth_t* synth);
    void DetachFrom(_fluid_synth_t* synth);

    std::mutex& Mutex() { return m_mutex; }
    const std::string& Path() const { return m_path; }

private:
    explicit CSharedSoundFont(std::string path);
    bool Load();

    std::string m_path;
    _fluid_hashtable_t* m_settings = nullptr;
    _fluid_synth_t* m_owner = nullptr; // loads and finally deletes the font
    _fluid_sfont_t* m_font = nullptr;
    std::mutex m_mutex;
};
