// XRandR gamma on a private X server, whose CRTC keeps whatever ramp it is given (it shows none):
// the ramps found are put back exactly, by restore() and by the guardian after a kill -9.

#include "platform/x11/gamma_x11.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "support/x_server.h"

namespace {

using platform::GammaRamp;
using platform::x11::CrtcGamma;
using CrtcRamp = platform::OutputRamp;

class CrtcGammaTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!x_.start()) GTEST_SKIP() << "Xvfb is not available";
        const char* old = std::getenv("DISPLAY");
        if (old) oldDisplay_ = old;
        setenv("DISPLAY", x_.display().c_str(), 1);
        display_ = XOpenDisplay(nullptr);
        ASSERT_NE(display_, nullptr);
        XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, DefaultRootWindow(display_));
        ASSERT_TRUE(resources && resources->ncrtc > 0);
        crtc_ = resources->crtcs[0];
        XRRFreeScreenResources(resources);
        size_ = XRRGetCrtcGammaSize(display_, crtc_);
        if (size_ <= 0) GTEST_SKIP() << "this X server has no CRTC gamma";
    }
    void TearDown() override {
        if (display_) XCloseDisplay(display_);
        if (oldDisplay_.empty())
            unsetenv("DISPLAY");
        else
            setenv("DISPLAY", oldDisplay_.c_str(), 1);
    }

    // What a user's calibration tool might have left: no power law, a different curve per channel.
    CrtcRamp calibrated() const {
        CrtcRamp ramp;
        for (int i = 0; i < size_; ++i) {
            ramp.red.push_back(static_cast<std::uint16_t>(i * 65535 / (size_ - 1)));
            ramp.green.push_back(static_cast<std::uint16_t>(i * 60000 / (size_ - 1) + 17));
            ramp.blue.push_back(static_cast<std::uint16_t>((i * i) % 65536));
        }
        return ramp;
    }
    void setOnServer(const CrtcRamp& ramp) {
        XRRCrtcGamma* gamma = XRRAllocGamma(size_);
        std::copy(ramp.red.begin(), ramp.red.end(), gamma->red);
        std::copy(ramp.green.begin(), ramp.green.end(), gamma->green);
        std::copy(ramp.blue.begin(), ramp.blue.end(), gamma->blue);
        XRRSetCrtcGamma(display_, crtc_, gamma);
        XRRFreeGamma(gamma);
        XSync(display_, False);
    }
    CrtcRamp onServer() {
        CrtcRamp ramp;
        XRRCrtcGamma* gamma = XRRGetCrtcGamma(display_, crtc_);
        if (!gamma) return ramp;
        ramp.red.assign(gamma->red, gamma->red + gamma->size);
        ramp.green.assign(gamma->green, gamma->green + gamma->size);
        ramp.blue.assign(gamma->blue, gamma->blue + gamma->size);
        XRRFreeGamma(gamma);
        return ramp;
    }
    static bool same(const CrtcRamp& a, const CrtcRamp& b) {
        return a.red == b.red && a.green == b.green && a.blue == b.blue;
    }
    static GammaRamp dim() {
        GammaRamp ramp;
        for (int i = 0; i < 256; ++i) ramp.red[i] = ramp.green[i] = ramp.blue[i] = std::uint16_t(i * 100);
        return ramp;
    }

    testsupport::PrivateXServer x_;
    std::string oldDisplay_;
    Display* display_ = nullptr;
    RRCrtc crtc_ = 0;
    int size_ = 0;
};

TEST_F(CrtcGammaTest, ReadsWritesAndPutsTheFoundRampBackExactlyButLeavesABlankOneAlone) {
    // All zeros, as Xvfb starts, is no ramp: putting that back would black a real screen.
    CrtcRamp blank = calibrated();
    for (auto* channel : {&blank.red, &blank.green, &blank.blue})
        std::fill(channel->begin(), channel->end(), 0);
    setOnServer(blank);
    GammaRamp read;
    EXPECT_FALSE(CrtcGamma().read(read));
    EXPECT_FALSE(CrtcGamma().write(dim()));
    EXPECT_TRUE(same(onServer(), blank));

    const CrtcRamp found = calibrated();
    setOnServer(found);
    CrtcGamma gamma;
    ASSERT_TRUE(gamma.read(read));
    EXPECT_EQ(read.red, platform::rampOf(found.red.data(), size_));
    EXPECT_EQ(read.blue, platform::rampOf(found.blue.data(), size_));

    ASSERT_TRUE(gamma.write(dim()));
    EXPECT_EQ(onServer().green, platform::resampleRamp(dim().green, size_));
    ASSERT_TRUE(gamma.write(dim()));  // the originals are kept from before the first write only
    EXPECT_TRUE(gamma.restore());
    EXPECT_TRUE(same(onServer(), found));
    EXPECT_FALSE(gamma.restore());
}

TEST_F(CrtcGammaTest, TheGuardianPutsTheRampBackAfterKill9) {
    const CrtcRamp found = calibrated();
    setOnServer(found);
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t child = fork();
    if (child == 0) {
        CrtcGamma gamma;
        const char written = gamma.write(dim()) ? 'w' : 'x';
        if (write(report[1], &written, 1) != 1) _exit(4);
        for (;;) pause();
    }
    char written = 0;
    ASSERT_EQ(read(report[0], &written, 1), 1);
    ASSERT_EQ(written, 'w');
    EXPECT_FALSE(same(onServer(), found));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(testsupport::waitUntil([&] { return same(onServer(), found); }, std::chrono::seconds(5)));
}

}  // namespace
