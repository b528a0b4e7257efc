#include "platform/preview.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "support/process.h"

namespace {

using platform::PreviewEvent;
using platform::PreviewWindow;

// A 2 x 3 24-bit BMP with the pixel rows padded to four bytes.
std::vector<std::uint8_t> tinyBmp() {
    const int width = 2, height = 3, rowBytes = 8;
    std::vector<std::uint8_t> file(54 + rowBytes * height, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(&file[at], &v, 4); };
    auto put16 = [&](std::size_t at, std::uint16_t v) { std::memcpy(&file[at], &v, 2); };
    file[0] = 'B', file[1] = 'M';
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    put16(26, 1);
    put16(28, 24);
    for (std::size_t i = 54; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(i * 7);
    return file;
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
            keeper_->create(0, nullptr, 0);
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

TEST_F(PreviewWindowTest, OwnWindowDecodesThePictureAndShows) {
    const std::vector<std::uint8_t> bmp = tinyBmp();
    PreviewWindow window;
    ASSERT_TRUE(window.create(0, bmp.data(), static_cast<std::uint32_t>(bmp.size())));
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
    std::vector<std::uint8_t> bmp = tinyBmp();
    bmp.resize(30);  // header cut short
    PreviewWindow window;
    ASSERT_TRUE(window.create(0, bmp.data(), static_cast<std::uint32_t>(bmp.size())));
    EXPECT_EQ(window.pictureWidth(), 0);
    window.show();
    PreviewWindow noPicture;
    ASSERT_TRUE(noPicture.create(0, nullptr, 0));
    noPicture.show();
    EXPECT_TRUE(pollUntil(noPicture, PreviewEvent::QueueEmpty));
}

TEST_F(PreviewWindowTest, ChildEndsWhenTheHostWindowIsDestroyed) {
    PreviewWindow host;
    ASSERT_TRUE(host.create(0, nullptr, 0));
    host.show();
    PreviewWindow child;
    const std::vector<std::uint8_t> bmp = tinyBmp();
    ASSERT_TRUE(child.create(host.windowId(), bmp.data(), static_cast<std::uint32_t>(bmp.size())));
    child.show();
    EXPECT_TRUE(pollUntil(child, PreviewEvent::QueueEmpty));
    host.destroy();
    EXPECT_TRUE(pollUntil(child, PreviewEvent::WindowGone));
    EXPECT_EQ(child.poll(), PreviewEvent::WindowGone);  // stays gone
    EXPECT_EQ(child.windowId(), 0u);
}

TEST_F(PreviewWindowTest, NoSuchHostWindowFailsCleanly) {
    PreviewWindow window;
    EXPECT_FALSE(window.create(0x7ffffff0u, nullptr, 0));
    EXPECT_FALSE(window.isCreated());
    // The error handler was put back: a good window still works afterwards.
    EXPECT_TRUE(window.create(0, nullptr, 0));
}

}  // namespace
