#include "project/CTrackHeader.h"

CTrackHeader::CTrackHeader() {
    SetType(kGuiTypeTrackHeader);
}
