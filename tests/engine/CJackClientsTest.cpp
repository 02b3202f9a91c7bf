#include "engine/CJackClients.h"

#include <gtest/gtest.h>

namespace {

TEST(CJackClients, TheClientsAreClosedOnceBeforeTheNextOpenAfterAServerWentAway) {
    CJackClients::BeforeOpening(); // whatever an earlier test left
    int device = 0;
    int midi = 0;
    const int deviceId = CJackClients::Add([&device] { ++device; });
    const int midiId = CJackClients::Add([&midi] { ++midi; });

    CJackClients::BeforeOpening();
    EXPECT_EQ(device + midi, 0) << "no server went away";

    CJackClients::ServerWentAway();
    CJackClients::BeforeOpening();
    EXPECT_EQ(device, 1);
    EXPECT_EQ(midi, 1);
    CJackClients::BeforeOpening();
    EXPECT_EQ(device, 1) << "once per loss";

    CJackClients::Remove(midiId);
    CJackClients::ServerWentAway();
    CJackClients::BeforeOpening();
    EXPECT_EQ(device, 2);
    EXPECT_EQ(midi, 1) << "removed";
    CJackClients::Remove(deviceId);
}

TEST(CJackClients, AHolderMayLetGoOfItsClientWhileBeingClosed) {
    int closed = 0;
    int id = 0;
    id = CJackClients::Add([&] {
        ++closed;
        CJackClients::Remove(id);
    });
    CJackClients::ServerWentAway();
    CJackClients::BeforeOpening();
    CJackClients::ServerWentAway();
    CJackClients::BeforeOpening();
    EXPECT_EQ(closed, 1);
}

} // namespace
