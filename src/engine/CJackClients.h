#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

// The JACK clients the program holds, so that those of a server that went
// away are closed before the next client opens. libjack frees every client
// of a gone server as soon as the process opens its next one (to list the
// devices, say), and a later close of one of them reads freed memory: the
// program crashed when it opened its device again after the server died.
//
// Whatever is about to open a JACK client, here or through RtAudio and
// RtMidi, calls BeforeOpening first. All of it runs on one thread, the
// user interface's; only ServerWentAway comes from JACK's threads.
class CJackClients {
public:
    using Closer = std::function<void()>;

    // A holder's way to close its client; the number to remove it by.
    static int Add(Closer close);
    static void Remove(int id);

    // From a client's shutdown notice, on JACK's thread: noted only.
    static void ServerWentAway() noexcept;
    // Closes every client held when a server went away since the last call.
    static void BeforeOpening();

private:
    struct Holder {
        int id;
        Closer close;
    };

    static std::mutex s_mutex;
    static std::vector<Holder> s_holders;
    static int s_nextId;
    static std::atomic<bool> s_serverGone;
};
