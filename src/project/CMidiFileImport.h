#pragma once

#include "project/MarkerRecord.h"
#include "project/MidiFileContent.h"

#include <functional>
#include <string>

class CMIDIClip;
class CMIDITrack;
class CMidiSound;
class CProject;

// Turns a Standard MIDI file into MIDI clips of the project: either as the
// whole content of a fresh project (one new MIDI track per file track with
// messages; tempo, time-signature, marker, text and copyright events go to
// the project), or as clips added at a time on the tracks from a given one
// on, as one undoable step the caller has opened.
class CMidiFileImport {
public:
    // Longest comment and copyright texts the project keeps.
    static constexpr size_t kMaxCommentChars = 1024;
    static constexpr size_t kMaxCopyrightChars = 256;
    static constexpr uint32_t kMarkerColour = 0x80FFFF;

    explicit CMidiFileImport(CProject& project) : m_project(project) {}

    // True when the file starts with a MIDI file header.
    static bool IsMidiFile(const std::string& path);
    // Reads the whole file. False when it cannot be read or is no MIDI file
    // at all; a file that breaks off later gives what was read before, and
    // the reason in error.
    static bool ReadFile(const std::string& path, MidiFileContent& content, std::string& error);

    // Fills a project that holds no track yet. Returns the last clip made,
    // none when the file made no clip.
    CMIDIClip* ImportAsProject(const MidiFileContent& content, const std::string& clipName);
    // Places the clips at timeMs (reference time, as MIDI clips lie) on the MIDI tracks from
    // firstTrackIndex on, inserting a MIDI track where there is none (at the
    // end for -1). Returns the last clip made.
    CMIDIClip* ImportIntoProject(const MidiFileContent& content, const std::string& clipName,
                                 int firstTrackIndex, double timeMs);

private:
    CMidiSound* MakeSound(const MidiFileContent& content, const MidiFileContent::Track& track,
                          bool intoExisting) const;
    CMIDIClip* PlaceClip(CMidiSound* sound, const std::string& clipName, CMIDITrack& track,
                         double timeMs, bool undo);
    CMIDITrack* TargetTrack(int index);
    void ChooseInstrument(CMIDITrack& track, const MidiFileContent::Track& fileTrack,
                          CMidiSound& sound) const;
    void ApplyProjectEvents(const MidiFileContent& content);
    // The marker at a time (whole milliseconds), or a new one with the name,
    // as the change leaves it.
    void ChangeMarkerAt(double timeMs, const std::string& newName,
                        const std::function<void(MarkerRecord&)>& change);
    // Marker times are kept in whole milliseconds: the times are rounded.
    void SetMarkerName(double timeMs, const std::string& name);
    void SetTempoAt(double timeMs, double tempo);
    void SetTimeSignatureAt(double timeMs, int numerator, int denominator);

    CProject& m_project;
};
