#pragma once

#include "engine/AudioDeviceChoice.h"
#include "project/RecordingInput.h"

class CPCMMixer;
class CPrefs;
class DeviceCatalog;

// The device steps of start-up, between loading the preferences and opening
// the mixer. Each works on the preferences only, so that the choices can be
// checked without hardware.

// The previous run stopped while it was opening the audio device (the guard
// preference is still set): clears the guard and asks whether to reset the
// device settings; "yes" restores their defaults. True when it asked.
bool OfferDeviceResetAfterInterruptedStart(CPrefs& prefs);

// The first run picks the WaveRT driver on its default output when the
// machine has WaveRT playback devices; otherwise a fast processor gets more,
// larger wave buffers.
void ChooseFirstRunDevices(CPrefs& prefs, const DeviceCatalog& devices, int cpuSpeedMHz);

// Device numbers change when hardware comes and goes: every remembered index
// of 0 or more is replaced by the position of the remembered device name,
// when that name is still listed. A WaveRT output of -1 stands for the
// default device, whose name is remembered from now on.
void FindDevicesAgain(CPrefs& prefs, const DeviceCatalog& devices);

// Copies the selected driver's output device into its mixer record, with an
// index the driver does not have reset to the first device.
void PrepareOutputDevice(CPrefs& prefs, const DeviceCatalog& devices);

// The devices the preferences select, by name: the selected driver's output
// and input at their remembered positions in the catalog ("" for the
// driver's default when the position is not listed), with the block size the
// driver's record asks for.
AudioDeviceChoice ChooseAudioDevices(const CPrefs& prefs, const DeviceCatalog& devices);

// Opens the chosen devices on the mixer, output and input together, or the
// output alone when the input will not open. A device that cannot open is
// logged with the reason and the mixer plays on its null device. True when a
// real device runs.
bool OpenAudioDevices(CPCMMixer& mixer, const AudioDeviceChoice& choice);

// The inputs tracks can arm: the recording devices of the driver in use,
// each with its own channels (a take opens the devices its tracks chose).
RecordingInput RecordingInputOf(const CPrefs& prefs, const DeviceCatalog& devices);
