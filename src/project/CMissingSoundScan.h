#pragma once

#include "support/CLock.h"

#include <atomic>
#include <filesystem>
#include <set>
#include <string>
#include <sys/types.h>
#include <thread>
#include <utility>
#include <vector>

// Looks for a file of a given name below a list of folders, depth first, on a
// thread of its own. Hidden folders are left out, every folder is entered
// once however many symbolic links lead to it, and the descent is bounded, so
// that a link loop or a pathological tree cannot keep the scan going forever.
// The system's own trees (/, /proc, /sys, /dev) are never searched.
//
// Start, Stop and Wait belong to one thread; the state may be read from any.
class CMissingSoundScan {
public:
    // How many folders deep below a starting folder the scan descends.
    static constexpr int kMaxDepth = 32;

    CMissingSoundScan() = default;
    ~CMissingSoundScan();
    CMissingSoundScan(const CMissingSoundScan&) = delete;
    CMissingSoundScan& operator=(const CMissingSoundScan&) = delete;

    // Stops a scan still running, then searches the folders in order for the
    // file name and ends at the first hit.
    void Start(const std::vector<std::string>& folders, const std::string& fileName);
    // Asks the scan to end and waits for it; the scan looks at the request
    // between any two folder entries, so this returns promptly.
    void Stop();
    // Waits until the scan ends by itself.
    void Wait();

    // True before the first Start and once the scan has ended.
    bool IsFinished() const { return m_finished.load(); }
    bool Found() const { return m_found.load(); }
    // The file and the folder it was found in; empty unless Found.
    std::string FoundPath() const;
    std::string FoundFolder() const;
    // The folder being searched, or the localized "finished" text at the end.
    std::string SearchingNow() const;

    // Where a scan starts: the user's folders, or without any the home folder
    // and the folders where removable media are mounted. The system's own
    // trees are left out (and logged), as are repeats.
    static std::vector<std::string> StartFolders(const std::vector<std::string>& userFolders);
    // The home folder, /media, /mnt and /run/media/<user>, those that exist.
    static std::vector<std::string> MediaFolders();
    // Whether the folder, once links are resolved, is / or lies in /proc, /sys or /dev.
    static bool IsSystemFolder(const std::filesystem::path& folder);

private:
    void Run(std::vector<std::string> folders);
    bool SearchFolder(const std::filesystem::path& folder, int depth);
    bool SearchSubFolders(const std::filesystem::path& folder, int depth);
    bool FirstVisit(const std::filesystem::path& folder);
    void SetSearchingNow(const std::string& text);
    void SetFound(const std::filesystem::path& folder, const std::filesystem::path& file);

    std::string m_fileName;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{true};
    std::atomic<bool> m_found{false};
    // Guards the texts the scan writes while others read them.
    mutable CLock m_lock;
    std::string m_searchingNow;
    std::string m_foundPath;
    std::string m_foundFolder;
    // Device and inode of every folder entered, touched only by the scan thread.
    std::set<std::pair<dev_t, ino_t>> m_visited;
};
