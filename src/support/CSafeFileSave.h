#pragma once

#include <string>

class CFileObj;

// Saves a file so that the user's copy is never left half written: the new
// contents go to a temporary file in the target's folder (so the final rename
// stays on one file system and is atomic), and only a save that finished is
// renamed over the target. The previous contents are kept as "<target>.backup".
// A save that fails or is given up leaves the target, and its backup, exactly
// as they were, and removes the temporary file.
//
//     CSafeFileSave save(path);
//     CFileObj* file = save.Begin();
//     ... write everything through file ...
//     ok = ok && save.Commit();   // otherwise the destructor abandons it
class CSafeFileSave {
public:
    explicit CSafeFileSave(std::string targetPath);
    ~CSafeFileSave();
    CSafeFileSave(const CSafeFileSave&) = delete;
    CSafeFileSave& operator=(const CSafeFileSave&) = delete;

    // Creates the temporary file and opens it for writing; null when it
    // cannot be created or a save is already under way. The object keeps
    // ownership of the file.
    CFileObj* Begin();
    // Closes the temporary file, flushes it to the disk, copies the target's
    // old contents to the backup and renames the temporary file over the
    // target. False (target untouched, temporary file removed) when any step
    // before the rename fails. A backup that cannot be made is only logged,
    // as it never puts the new save at risk.
    bool Commit();
    // Gives the save up: closes and removes the temporary file.
    void Abandon();

    const std::string& TargetPath() const { return m_targetPath; }
    // The temporary file of the save under way; "" outside Begin..Commit.
    const std::string& TempPath() const { return m_tempPath; }
    static std::string BackupPathFor(const std::string& targetPath);

private:
    bool CreateTempFile();
    bool CloseAndFlushTemp();
    void KeepBackupOfTarget() const;

    std::string m_targetPath;
    std::string m_tempPath;
    CFileObj* m_file = nullptr;
};
