// Preview mode of the real executable on a private X server: the picture inside a host window, the
// log lines, and the end when the host window goes away or the own window is closed.

#include <gtest/gtest.h>

#include "support/process.h"
#include "support/screensaver.h"
#include "support/x_server.h"

namespace {

using testsupport::BackgroundProcess;
using testsupport::containsInOrder;
using testsupport::ProcessRequest;
using testsupport::ProcessResult;
using testsupport::ScreensaverSandbox;

const std::vector<std::string> kWindowLines = {"Creating window...", "Window is create",
                                               "OpenGL initialized"};

class Preview : public ::testing::Test {
protected:
    void SetUp() override {
        if (!x_.start()) GTEST_SKIP() << "Xvfb is not available";
    }

    // Opens a host window (an xmessage box) and returns its X11 id, 0 on failure.
    std::uint32_t openHostWindow() {
        ProcessRequest request;
        request.program = "/usr/bin/xmessage";
        request.args = {"-name", "gdhost", "preview host"};
        request.env["DISPLAY"] = x_.display();
        if (!host_.start(request)) return 0;
        const std::string id = x_.run("xdotool search --sync --classname '^gdhost$' | head -n 1");
        return static_cast<std::uint32_t>(std::strtoul(id.c_str(), nullptr, 10));
    }

    // The id of the first window with this exact name, "" when there is none.
    std::string windowNamed(const std::string& name) {
        std::string id = x_.run("xdotool search --sync --name '^" + name + "$' | head -n 1");
        while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
        return id;
    }

    int childCount(std::uint32_t window) {
        const std::string tree = x_.run("xwininfo -children -id " + std::to_string(window));
        const std::size_t at = tree.find(" child");
        if (at == std::string::npos) return 0;
        std::size_t start = tree.rfind('\n', at);
        return std::atoi(tree.c_str() + (start == std::string::npos ? 0 : start + 1));
    }

    testsupport::PrivateXServer x_;
    BackgroundProcess host_;
    ScreensaverSandbox sandbox_;
    BackgroundProcess preview_;
};

TEST_F(Preview, DrawsIntoTheHostWindowAndEndsWhenItIsDestroyed) {
    const std::uint32_t host = openHostWindow();
    ASSERT_NE(host, 0u);
    const int childrenBefore = childCount(host);
    const std::string id = std::to_string(host);
    ASSERT_TRUE(preview_.start(sandbox_.request({"/p", id}, x_.display())));
    ASSERT_TRUE(testsupport::waitUntil([&] { return sandbox_.logHas("OpenGL initialized"); }))
        << sandbox_.log();

    std::vector<std::string> wanted = {id};
    wanted.insert(wanted.end(), kWindowLines.begin(), kWindowLines.end());
    EXPECT_TRUE(containsInOrder(sandbox_.logLines(), wanted)) << sandbox_.log();
    EXPECT_EQ(sandbox_.logLines().back(), "OpenGL initialized");
    EXPECT_TRUE(testsupport::waitUntil([&] { return childCount(host) == childrenBefore + 1; }));
    EXPECT_TRUE(preview_.running());

    host_.kill();  // the host's windows go with its connection
    ProcessResult result;
    ASSERT_TRUE(preview_.waitForExit(result, std::chrono::seconds(10)))
        << "the preview outlived its host window";
    EXPECT_EQ(result.exitCode, 0);
}

TEST_F(Preview, DashSwitchWithTheNumberAttached) {
    const std::uint32_t host = openHostWindow();
    ASSERT_NE(host, 0u);
    const std::string id = std::to_string(host);
    ASSERT_TRUE(preview_.start(sandbox_.request({"-p" + id}, x_.display())));
    ASSERT_TRUE(testsupport::waitUntil([&] { return sandbox_.logHas("OpenGL initialized"); }))
        << sandbox_.log();
    EXPECT_TRUE(sandbox_.logHas(id));
}

TEST_F(Preview, OwnWindowEndsWhenTheUserClosesIt) {
    if (!x_.startWindowManager()) GTEST_SKIP() << "openbox is not available";
    ASSERT_TRUE(preview_.start(sandbox_.request({"/t"}, x_.display())));
    ASSERT_TRUE(testsupport::waitUntil([&] { return sandbox_.logHas("OpenGL initialized"); }))
        << sandbox_.log();
    std::vector<std::string> wanted = {"0"};
    wanted.insert(wanted.end(), kWindowLines.begin(), kWindowLines.end());
    EXPECT_TRUE(containsInOrder(sandbox_.logLines(), wanted)) << sandbox_.log();

    const std::string window = windowNamed("Glimmerdale");
    ASSERT_FALSE(window.empty());
    const std::string geometry = x_.run("xwininfo -id " + window);
    EXPECT_NE(geometry.find("Width: 158"), std::string::npos) << geometry;
    EXPECT_NE(geometry.find("Height: 117"), std::string::npos) << geometry;

    // Alt+F4 through the window manager asks the window to close, as its close button does.
    x_.run("xdotool windowactivate --sync " + window + " key alt+F4");
    ProcessResult result;
    ASSERT_TRUE(preview_.waitForExit(result, std::chrono::seconds(10)))
        << "the preview ignored the close request";
    EXPECT_EQ(result.exitCode, 0);
}

TEST_F(Preview, OwnWindowEndsWhenItsConnectionIsKilled) {
    ASSERT_TRUE(preview_.start(sandbox_.request({"/t"}, x_.display())));
    ASSERT_TRUE(testsupport::waitUntil([&] { return sandbox_.logHas("OpenGL initialized"); }))
        << sandbox_.log();
    const std::string window = windowNamed("Glimmerdale");
    ASSERT_FALSE(window.empty());
    x_.run("xdotool windowkill " + window);
    ProcessResult result;
    ASSERT_TRUE(preview_.waitForExit(result, std::chrono::seconds(10)));
    EXPECT_EQ(result.exitCode, 0);
}

TEST_F(Preview, OwnWindowShowsThePreviewPicture) {
    ASSERT_TRUE(preview_.start(sandbox_.request({"/t"}, x_.display())));
    ASSERT_TRUE(testsupport::waitUntil([&] { return sandbox_.logHas("OpenGL initialized"); }))
        << sandbox_.log();
    const std::string window = windowNamed("Glimmerdale");
    ASSERT_FALSE(window.empty());
    const std::string shot = sandbox_.file("preview.png");
    // Without the media pipeline the executable has no picture and shows plain dark blue.
    const bool pictureBuilt =
        std::filesystem::exists(std::string(GLIMMERDALE_BINARY_DIR) + "/media/resources/BITMAP_144.bmp");
    std::string info;
    EXPECT_TRUE(testsupport::waitUntil(
        [&] {
            x_.run("import -window " + window + " " + shot + " 2>/dev/null");
            info = x_.run("convert " + shot + " -format '%wx%h %k' info: 2>/dev/null");
            if (info.rfind("158x117 ", 0) != 0) return false;
            const int colours = std::atoi(info.c_str() + 8);
            return pictureBuilt ? colours > 16 : colours == 1;
        },
        std::chrono::seconds(10)))
        << "size and colour count: " << info;
}

TEST_F(Preview, HostWindowThatDoesNotExist) {
    const ProcessResult result =
        sandbox_.runAlone(sandbox_.request({"/p", "4294967295"}, x_.display()), std::chrono::seconds(20));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(
        containsInOrder(sandbox_.logLines(), {"4294967295", "Creating window...", "Create Window failed!"}))
        << sandbox_.log();
}

}  // namespace
