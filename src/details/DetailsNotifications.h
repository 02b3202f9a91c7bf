#pragma once

#include "support/Notification.h"

class CEffectChain;

// Codes the details area's views send through the project.
enum DetailsNotification : int {
    // An effect chain was edited (or put back by undo or redo), sent by the
    // project to its observers. Parameter: the chain.
    kNotifyEffectChainChanged = 1411,
};

template <> struct NotificationCarries<kNotifyEffectChainChanged> { using Type = CEffectChain; };
