// The order in which a dialog toolkit's pump hands out what its widgets said.

#include "platform/dialog_toolkit.h"

#include <gtest/gtest.h>

namespace {

using platform::DialogEvent;
using Kind = DialogEvent::Kind;

TEST(DialogEventQueue, EventsOfOneMessageComeOutInOrderBeforeTheNextMessageIsTaken) {
    platform::DialogEventQueue queue;
    int waiting = 2;  // messages in the window system's queue
    int handled = 0;
    const auto handleOneMessage = [&] {
        if (waiting == 0) return false;
        --waiting;
        // The first message is a click that also closes the dialog; the second raises nothing.
        if (++handled == 1) {
            queue.post(DialogEvent{Kind::Command, 7, 1002});
            queue.post(DialogEvent{Kind::Close, 7, 0});
        }
        return true;
    };
    DialogEvent event;
    ASSERT_TRUE(queue.next(event, handleOneMessage));
    EXPECT_EQ(event.kind, Kind::Command);
    EXPECT_EQ(event.dialogId, 7);
    EXPECT_EQ(event.controlId, 1002);
    ASSERT_TRUE(queue.next(event, handleOneMessage));
    EXPECT_EQ(event.kind, Kind::Close);
    EXPECT_EQ(handled, 1);  // handed out from the queue, no message taken
    ASSERT_TRUE(queue.next(event, handleOneMessage));
    EXPECT_EQ(event.kind, Kind::Other);
    EXPECT_EQ(handled, 2);
    EXPECT_FALSE(queue.next(event, handleOneMessage));  // nothing waiting
}

}  // namespace
