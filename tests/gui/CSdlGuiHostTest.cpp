#include "GuiTestObjects.h"

#include "gui/CSdlGuiHost.h"
#include "gui/SdlKeys.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// A window on the SDL host, without a display: the dummy video driver.
class SdlHost : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        a.color = 0xFF0000;
        window.color = 0xFFFFFF;
        ASSERT_TRUE(window.Initialize(&host, 160, 120));
        window.AddChild(&a, 10, 10);
    }
    void TearDown() override { SDL_Quit(); }

    // Pumps until the host has presented a new picture; false when none came
    // after many rounds (the refresh timer runs every 40 ms).
    bool PumpUntilPresented() {
        const int before = host.PresentCount();
        for (int round = 0; round < 500 && host.PresentCount() == before; ++round)
            host.PumpEvents(20);
        return host.PresentCount() > before;
    }
    void PushButton(uint32_t type, int x, int y, uint8_t clicks) {
        SDL_Event event{};
        event.type = type;
        event.button.button = SDL_BUTTON_LEFT;
        event.button.x = x;
        event.button.y = y;
        event.button.clicks = clicks;
        SDL_PushEvent(&event);
    }

    CSdlGuiHost host{"Loomtone test"};
    TestWindow window;
    TestObject a{40, 30};
};

} // namespace

TEST_F(SdlHost, TimersRefreshThePictureOnTheGuiThread) {
    ASSERT_TRUE(PumpUntilPresented());
    uint32_t pixel = 0;
    const SDL_Rect spot{20, 20, 1, 1};
    ASSERT_EQ(SDL_RenderReadPixels(host.Renderer(), &spot, SDL_PIXELFORMAT_ARGB8888, &pixel, 4), 0);
    EXPECT_EQ(pixel, 0xFFFF0000u);
    EXPECT_EQ(CBackBuffer::SurfacePixel(host.GetScreenSurface(), 100, 100), 0xFFFFFFFFu);

    a.StartTimer(555, 10);
    for (int round = 0; round < 500 && a.timers.empty(); ++round)
        host.PumpEvents(20);
    ASSERT_FALSE(a.timers.empty());
    EXPECT_EQ(a.timers[0], 555u);
}

TEST_F(SdlHost, MouseEventsBecomeToolkitEvents) {
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 20;
    motion.motion.y = 20;
    SDL_PushEvent(&motion);
    PushButton(SDL_MOUSEBUTTONDOWN, 20, 20, 1);
    PushButton(SDL_MOUSEBUTTONUP, 20, 20, 1);
    PushButton(SDL_MOUSEBUTTONDOWN, 20, 20, 2);
    PushButton(SDL_MOUSEBUTTONUP, 20, 20, 2);
    host.PumpEvents(0);
    std::vector<int32_t> events;
    for (const MouseRecord& record : a.mouse)
        events.push_back(record.event);
    const std::vector<int32_t> expected{kMouseMove,
                                        kMouseEnter,
                                        kMouseMove,
                                        kMouseLeftDown,
                                        kMouseLeftUp,
                                        kMouseLeftDoubleClick,
                                        kMouseLeftUpAfterDoubleClick};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(a.mouse[0].point, (GuiPoint{10, 10}));
}

TEST_F(SdlHost, KeysAndTextReachTheObjects) {
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_DELETE;
    key.key.keysym.mod = KMOD_LSHIFT;
    SDL_PushEvent(&key);
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    SDL_strlcpy(text.text.text, "ü", sizeof text.text.text);
    SDL_PushEvent(&text);
    host.PumpEvents(0);
    ASSERT_EQ(a.keys.size(), 1u);
    EXPECT_EQ(a.keys[0], VK_DELETE);
    ASSERT_EQ(a.texts.size(), 1u);
    EXPECT_EQ(a.texts[0], "ü");
}

TEST_F(SdlHost, ClosingTheWindowEndsTheLoop) {
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&close);
    EXPECT_FALSE(host.PumpEvents(0));
}

TEST(SdlKeys, TranslatesToVirtualKeys) {
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_a), 'A');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_z), 'Z');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_5), '5');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F3), VK_F1 + 2);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_LALT), VK_LMENU);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_CAPSLOCK), 0);
    EXPECT_EQ(ModifiersFromSdl(KMOD_RSHIFT | KMOD_LCTRL), kModShift | kModControl);
    EXPECT_EQ(ModifiersFromSdl(KMOD_LALT), kModAlt);
    EXPECT_EQ(ModifiersFromSdl(KMOD_NONE), 0u);
}
