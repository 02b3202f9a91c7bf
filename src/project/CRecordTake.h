#pragma once

#include "engine/CRecordWriter.h"

#include <string>
#include <vector>

class CPCMAudTrack;
class CPCMMixer;
class CProject;
class CUndoMgr;

// One take of audio recording: every armed audio track records its input to
// a file of its own in the project's recording folder ("02 Guitar.wav" for
// the second audio track named Guitar, "05.wav" for an unnamed fifth, made
// unique with a hyphen: "02 Guitar-1.wav"). When the take stops, each file
// becomes a clip on its track where what was heard lines up with what was
// played, all in one undo step. The files stay on disk whatever happens to
// the clips.
class CRecordTake {
public:
    CRecordTake(CProject& project, CPCMMixer& mixer, CUndoMgr& undo);
    ~CRecordTake();
    CRecordTake(const CRecordTake&) = delete;
    CRecordTake& operator=(const CRecordTake&) = delete;

    // The file of the audio track at position audioIndex (0-based) among the
    // audio tracks: folder + "NN Name.wav", or "NN.wav" without a name, the
    // name made safe for file names with spaces.
    static std::string FileNameFor(const std::string& folder, int audioIndex,
                                   const std::string& trackName);

    // The reason Start gives when there is no track to record on.
    static constexpr const char* kNothingArmed = "no audio track is armed";
    // Whether the folder exists or can be made, so that takes can go there.
    static bool FolderUsable(const std::string& folder);

    // Makes ready to record the armed audio tracks (the selected track is
    // armed when none is): their files are created and their inputs opened.
    // False with the reason when the folder cannot be made, nothing is armed,
    // or a file cannot be created (no file is left then).
    bool Prepare(std::string& reason);
    // Starts recording what Prepare made ready, from the next block on.
    void Begin() { m_writer.Begin(); }
    // Prepare, then Begin.
    bool Start(std::string& reason);
    // Stops, and puts each recorded file on its track. The number of clips
    // placed. A take prepared but never begun deletes its files.
    int Stop();
    bool IsRecording() const { return m_writer.IsRecording(); }

    const std::vector<std::string>& Files() const { return m_files; }
    // The tracks recording, in track order, while the take runs.
    const std::vector<CPCMAudTrack*>& Tracks() const { return m_tracks; }
    // Milliseconds recorded so far.
    double RecordedMs() const;

private:
    std::vector<CPCMAudTrack*> ArmedAudioTracks();
    bool PlaceClip(CPCMAudTrack& track, const std::string& path, double startMs);

    CProject& m_project;
    CUndoMgr& m_undo;
    CRecordWriter m_writer;
    std::vector<CPCMAudTrack*> m_tracks;
    std::vector<std::string> m_files;
};
