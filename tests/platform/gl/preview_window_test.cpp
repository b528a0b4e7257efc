#include "platform/preview.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "support/process.h"

namespace {

using platform::PreviewEvent;
using platform::PreviewWindow;

// A 2 x 3 picture with a different colour in every byte.
platform::BmpPicture tinyPicture() {
    platform::BmpPicture picture;
    picture.width = 2;
    picture.height = 3;
    for (int i = 0; i < 2 * 3 * 3; ++i) picture.rgb.push_back(static_cast<std::uint8_t>(i * 7));
    return picture;
}

// Polls until `wanted` comes up or two seconds pass.
bool pollUntil(PreviewWindow& window, PreviewEvent wanted) {
    return testsupport::waitUntil([&] { return window.poll() == wanted; }, std::chrono::seconds(2));
}

class PreviewWindowTest : public ::testing::Test {
protected:
    // An X server started without -noreset resets when its last client leaves and turns away
    // clients that connect meanwhile; one window kept open for the whole suite prevents that.
    static void SetUpTestSuite() {
        if (std::getenv("DISPLAY")) {
            keeper_ = new PreviewWindow;
            keeper_->create(0, {});
        }
    }
    static void TearDownTestSuite() {
        delete keeper_;
        keeper_ = nullptr;
    }
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display";
    }
    static PreviewWindow* keeper_;
};
PreviewWindow* PreviewWindowTest::keeper_ = nullptr;

TEST_F(PreviewWindowTest, OwnWindowTakesThePictureAndShows) {
    PreviewWindow window;
    ASSERT_TRUE(window.create(0, tinyPicture()));
    EXPECT_EQ(window.pictureWidth(), 2);
    EXPECT_EQ(window.pictureHeight(), 3);
    EXPECT_NE(window.windowId(), 0u);
    window.show();
    EXPECT_TRUE(pollUntil(window, PreviewEvent::QueueEmpty));  // the map and expose events drain
    window.destroy();
    EXPECT_FALSE(window.isCreated());
    window.destroy();  // twice is harmless
}

TEST_F(PreviewWindowTest, BadOrMissingPictureGivesThePlainPicture) {
    platform::BmpPicture bad = tinyPicture();
    bad.rgb.resize(5);  // fewer bytes than the size needs
    platform::BmpPicture huge;
    huge.width = 4097;
    huge.height = 1;
    huge.rgb.assign(4097 * 3, 0x55);
    for (const platform::BmpPicture& picture : {bad, huge}) {
        PreviewWindow window;
        ASSERT_TRUE(window.create(0, picture));
        EXPECT_EQ(window.pictureWidth(), 0);
        window.show();
    }
    PreviewWindow noPicture;
    ASSERT_TRUE(noPicture.create(0, {}));
    noPicture.show();
    EXPECT_TRUE(pollUntil(noPicture, PreviewEvent::QueueEmpty));
}

TEST_F(PreviewWindowTest, ChildEndsWhenTheHostWindowIsDestroyed) {
    PreviewWindow host;
    ASSERT_TRUE(host.create(0, {}));
    host.show();
    PreviewWindow child;
    ASSERT_TRUE(child.create(host.windowId(), tinyPicture()));
    child.show();
    EXPECT_TRUE(pollUntil(child, PreviewEvent::QueueEmpty));
    host.destroy();
    EXPECT_TRUE(pollUntil(child, PreviewEvent::WindowGone));
    EXPECT_EQ(child.poll(), PreviewEvent::WindowGone);  // stays gone
    EXPECT_EQ(child.windowId(), 0u);
}

TEST_F(PreviewWindowTest, NoSuchHostWindowFailsCleanly) {
    PreviewWindow window;
    EXPECT_FALSE(window.create(0x7ffffff0u, {}));
    EXPECT_FALSE(window.isCreated());
    // The error handler was put back: a good window still works afterwards.
    EXPECT_TRUE(window.create(0, {}));
}

}  // namespace
