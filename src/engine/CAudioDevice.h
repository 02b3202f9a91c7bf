#pragma once

#include "engine/CDeviceCallbackTimes.h"

#include <memory>
#include <string>

class CRtAudioInput;

// An audio device the mixer plays through (and records from, when it has
// inputs). Each kind of device is started in its own way; once it runs, the
// program only asks it these questions and stops it.
class CAudioDevice {
public:
    virtual ~CAudioDevice() = default;

    virtual bool IsRunning() const = 0;
    // Stops the callbacks; nothing when not running.
    virtual void Stop() = 0;
    // Frames the device asks for in each callback.
    virtual int BlockFrames() const = 0;
    // Frames between the mixer producing a frame and the listener hearing it,
    // and between a sound reaching the input and the callback receiving it.
    virtual int OutputLatencyFrames() const = 0;
    virtual int InputLatencyFrames() const = 0;
    // Input channels delivered to the mixer; 0 for an output-only device.
    virtual int InputChannels() const = 0;
    // The input device whose frames the callbacks hand to the mixer; "" for none.
    virtual std::string InputName() const = 0;
    // Opens another input device of the same driver, to record from beside
    // this device's own input. Null, with the reason, when it cannot run.
    virtual std::unique_ptr<CRtAudioInput> OpenOtherInput(const std::string& name,
                                                          std::string& reason) = 0;
    // True once the device stopped on its own (the server went away, the card
    // was unplugged); the program then tells the user and plays on the null device.
    virtual bool Failed() const = 0;
    // What the device is, for messages and the log.
    virtual std::string Description() const = 0;
    // How long the callbacks take.
    virtual const CDeviceCallbackTimes& CallbackTimes() const = 0;
};
