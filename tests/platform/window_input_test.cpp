// What a key press and a left click mean to the run, whichever backend reported them.

#include "platform/window.h"

#include <gtest/gtest.h>

namespace {

using platform::KeyPress;
using platform::WindowEvent;
using Key = KeyPress::Key;

TEST(KeyPressEvent, SpaceAndTheSystemKeysAreIgnoredEveryOtherKeyEndsTheRun) {
    const struct {
        Key key;
        bool altHeld;
        WindowEvent meaning;
    } cases[] = {
        {Key::Other, false, WindowEvent::CloseOrKey}, {Key::Space, false, WindowEvent::Ignored},
        {Key::F10, false, WindowEvent::Ignored},      {Key::Alt, false, WindowEvent::Ignored},
        {Key::Alt, true, WindowEvent::Ignored},       {Key::Other, true, WindowEvent::Ignored},
        {Key::Space, true, WindowEvent::Ignored},     {Key::F10, true, WindowEvent::Ignored},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::keyPressEvent(KeyPress{c.key, c.altHeld}), c.meaning)
            << "key " << int(c.key) << ", Alt held " << c.altHeld;
}

TEST(LeftButtonLatch, DownWhileHeldAndOnceAfterAClickBetweenTwoTests) {
    platform::LeftButtonLatch latch;
    EXPECT_FALSE(latch.test(false));
    EXPECT_TRUE(latch.test(true));
    latch.notePress();  // pressed and released before the next test
    EXPECT_TRUE(latch.test(false));
    EXPECT_FALSE(latch.test(false));  // counted once
    latch.notePress();
    EXPECT_TRUE(latch.test(true));
    EXPECT_FALSE(latch.test(false));  // the test that saw it held took the press along
}

}  // namespace
