#pragma once

#include "burn/BurnTrack.h"

#include <cstdint>
#include <string>
#include <vector>

// What the burn dialog needs of a CD writer: the writers by name, one opened
// at a time, its speeds, the disc in it, and a disc-at-once audio burn that
// runs on its own while the caller polls Progress and IsBurning.
class CDiscBurner {
public:
    struct Writer {
        // What Open takes ("/dev/sr0", "stdio:/path").
        std::string address;
        // Vendor and product, for the writer list.
        std::string name;
    };

    enum class DiscState { NoDisc, Blank, NotBlank, Unsuitable };

    struct Job {
        // In order; each track's wavPath is a CD-audio WAV file.
        std::vector<BurnTrack> tracks;
        std::string albumTitle;
        std::string performer;
        bool cdText = true;
        // Everything but the laser: the drive goes through the burn without writing.
        bool simulate = false;
        // Times CD speed (1x = 176.4 kB/s); 0 the fastest.
        int speed = 0;
        bool ejectWhenDone = true;
    };

    virtual ~CDiscBurner() = default;

    // The writers on this machine.
    virtual std::vector<Writer> Writers() = 0;
    // Takes the writer for this program; false with LastError when it cannot.
    virtual bool Open(const std::string& address) = 0;
    virtual void Close() = 0;
    // Write speeds of the open writer from slowest to fastest, times CD speed.
    virtual std::vector<int> Speeds() = 0;
    virtual DiscState Disc() = 0;
    // What the blank disc holds, in ms of CD audio; 0 when it says nothing.
    virtual int32_t CapacityMs() = 0;
    // Starts the burn; false with LastError when the writer refuses the job.
    virtual bool Start(const Job& job) = 0;
    virtual bool IsBurning() = 0;
    // The written fraction of the burn, 0..1.
    virtual double Progress() = 0;
    virtual void Cancel() = 0;
    // After the burn ended: whether it completed well.
    virtual bool Succeeded() = 0;
    virtual std::string LastError() = 0;
};
