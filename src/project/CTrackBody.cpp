#include "project/CTrackBody.h"

CTrackBody::CTrackBody() {
    SetType(kGuiTypeTrackBody);
}
