#include "project/RecordingInput.h"

bool RecordingInput::Offers(int storedDriverType, int device, int channelSelection) const {
    if (storedDriverType != driverType || device < 0 || device >= deviceCount || !channelCount)
        return false;
    const int channels = channelCount(device);
    switch (channelSelection) {
    case 0:
    case 2:
        return channels >= 1;
    case 1:
        return channels >= 2;
    default:
        return false;
    }
}
