// The room of this build's media drawn frame by frame on real GL, on a primary monitor and a second
// one, side by side in one window or in a window with a context of its own: every pass leaves the GL
// baseline (gl/gl_state.h) for the next, through the loading, a cut's capture and cross-fade on each
// monitor, the particles, the glass and the overlay, in the quick and the layered drawing; a context
// of its own starts at the baseline, holds its view's queries, and is made anew when the monitors
// change. Skipped when the build has no media.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "app/launch_options.h"
#include "app/run_screensaver.h"
#include "app/run_session.h"
#include "core/run_mode.h"
#include "gl/gl_state.h"
#include "media/media_pack.h"
#include "platform/gl_functions.h"
#include "support/fake_video_backend.h"
#include "support/test_gl_context.h"

namespace {

constexpr int kMonitor = 128;  // each monitor's side in pixels

const std::filesystem::path kMedia = std::filesystem::path(GLIMMERDALE_BINARY_DIR) / "media";

std::vector<std::uint8_t> readWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

GLRectangle rectangleOf(const platform::Surface& s) { return {s.x, s.y, s.width, s.height}; }

// The other monitor in a window of its own whose context shares the primary's objects, as the SDL
// backend makes it. A monitor change makes it anew, as the backend does.
class OwnContextBackend final : public platform::FakeVideoBackend {
public:
    explicit OwnContextBackend(platform::TestGLContext& primary) : primary_(primary) {
        surfaces = {{0, 0, kMonitor, kMonitor, true, 0, true, false},
                    {0, 0, kMonitor, kMonitor, false, 1, true, true}};
    }
    bool remakeOther() {
        const bool made = other_.createSharing(primary_, kMonitor, kMonitor);
        primary_.makeCurrent();
        return made;
    }
    // How many of these names are queries of the other monitor's context.
    int queriesInOther(const std::vector<unsigned>& names) {
        other_.makeCurrent();
        const auto isQuery =
            reinterpret_cast<PFNGLISQUERYARBPROC>(platform::glFunctionAddress("glIsQueryARB"));
        int found = 0;
        for (const unsigned name : names) found += name && isQuery && isQuery(name) ? 1 : 0;
        primary_.makeCurrent();
        return found;
    }
    std::vector<unsigned> watchedQueries;  // checked when the contexts go
    int watchedQueriesLeft = -1;

    platform::ContextResult createContext() override {
        const platform::ContextResult result = FakeVideoBackend::createContext();
        return result == platform::ContextResult::Created && !remakeOther()
                   ? platform::ContextResult::PixelFormatRefused
                   : result;
    }
    void destroyContext() override {
        if (other_.isReady()) watchedQueriesLeft = queriesInOther(watchedQueries);
        other_.destroy();
        primary_.makeCurrent();
        FakeVideoBackend::destroyContext();
    }
    void makeSurfaceCurrent(int index) override { (index == 1 ? other_ : primary_).makeCurrent(); }
    void presentSurface(int index) override { (index == 1 ? other_ : primary_).swapBuffers(); }

private:
    platform::TestGLContext& primary_;
    platform::TestGLContext other_;
};

// The room view, with the GL state compared with the baseline on the way into and out of each pass
// it draws; what renderFrame draws between them (the particles, the overlay) is covered by the next
// comparison.
class CheckedRoomView final : public FrameView {
public:
    std::vector<std::string> differences;  // "where: item: found, baseline ..."
    int captures = 0, otherCaptures = 0, otherViews = 0;

    void check(const std::string& where, const GLRectangle& viewport, const GLRectangle* scissor = nullptr) {
        for (const std::string& item : glStateDifferences(&viewport, scissor))
            differences.push_back(where + ": " + item);
    }
    GLRectangle primary(RunSession& session) const { return rectangleOf(session.frame.primarySurface); }
    // A monitor's part of a window shared with the primary is fenced in by the scissor test.
    static const GLRectangle* fence(const MonitorView& monitor, const GLRectangle& part) {
        return monitor.surface.wholeDrawable ? nullptr : &part;
    }

    void drawCapturePass(RunSession& session, float dt) override {
        const platform::Surface& p = session.frame.primarySurface;
        const GLRectangle square{p.x, p.y, session.window.captureSize, session.window.captureSize};
        check("into the capture", square);
        room_.drawCapturePass(session, dt);
        check("out of the capture", square);
        ++captures;
    }
    void drawScene(RunSession& session, float dt) override {
        check("into the room's pass", primary(session));
        room_.drawScene(session, dt);
        check("out of the room's pass", primary(session));
    }
    void drawGlassPass(RunSession& session, float dt) override {
        check("out of the particles", primary(session));
        room_.drawGlassPass(session, dt);
        check("out of the glass pass", primary(session));
    }
    bool drawsOtherMonitors() const override { return true; }
    void drawOtherCapturePass(RunSession& session, MonitorView& monitor, bool withParticles) override {
        const platform::Surface& s = monitor.surface;
        const GLRectangle square{s.x, s.y, monitor.captureSize, monitor.captureSize}, part = rectangleOf(s);
        check("into another monitor's capture", square, fence(monitor, part));
        room_.drawOtherCapturePass(session, monitor, withParticles);
        check("out of another monitor's capture", square, fence(monitor, part));
        ++otherCaptures;
    }
    void drawOtherView(RunSession& session, MonitorView& monitor) override {
        const GLRectangle part = rectangleOf(monitor.surface);
        check("into another monitor's view", part, fence(monitor, part));
        room_.drawOtherView(session, monitor);
        check("out of another monitor's view", part, fence(monitor, part));
        ++otherViews;
    }

private:
    RoomView room_;
};

// Four frames of the room on two monitors with a cut on both at the third, every pass checked.
void drawFrames(RunSession& session, CheckedRoomView& view) {
    for (int frame = 0; frame < 4; ++frame) {
        if (frame == 2) {
            // A cut on both monitors, at a frame rate that takes the particles into the pictures.
            session.frame.captureRequested = true;
            session.frame.otherMonitors[0].captureRequested = true;
            session.frame.timer.framesPerSecond = 60.0f;
        }
        renderFrame(session, view);
        view.check("out of frame " + std::to_string(frame), rectangleOf(session.frame.primarySurface));
    }
}

// The other monitor's view goes on across a monitor change that makes its window and context anew,
// its queries always in the context that runs them, and deleted while that context is there.
void followTheQueriesAcrossAMonitorChange(RunSession& session, OwnContextBackend& video,
                                          CheckedRoomView& view) {
    // A query is an object of its context once it has run; the view's run in the other monitor's.
    const View& other = session.frame.otherMonitors[0].view;
    const auto ran = [&other] {
        return int(std::count_if(other.sight.begin(), other.sight.end(),
                                 [](const ObjectSight& sight) { return sight.queryIssued; }));
    };
    const auto queries = [&other] {
        std::vector<unsigned> names;
        for (const ObjectSight& sight : other.sight) names.push_back(sight.query);
        return names;
    };
    EXPECT_GT(ran(), 0);
    EXPECT_EQ(video.queriesInOther(queries()), ran());

    const int camera = other.currentCamera;
    ASSERT_TRUE(video.remakeOther());
    session.followMonitors();
    EXPECT_EQ(other.currentCamera, camera);
    EXPECT_EQ(ran(), 0);
    drawFrames(session, view);
    EXPECT_EQ(view.differences, std::vector<std::string>{});
    EXPECT_EQ(view.otherViews, 8);
    EXPECT_GT(ran(), 0);
    EXPECT_EQ(video.queriesInOther(queries()), ran());
    video.watchedQueries = queries();
}

// The other monitor beside the primary in one window, or in a window with a context of its own.
void drawTheRoom(bool layered, bool ownContext, MediaPack& media) {
    SCOPED_TRACE(std::string(layered ? "layered drawing" : "quick drawing") +
                 (ownContext ? ", a context per monitor" : ", one window"));
    platform::TestGLContext gl;
    const int width = ownContext ? kMonitor : 2 * kMonitor;
    ASSERT_TRUE(gl.create(width, kMonitor)) << gl.error();
    platform::FakeVideoBackend oneWindow;
    oneWindow.surfaces = {{0, 0, kMonitor, kMonitor, true, 0, false},
                          {kMonitor, 0, kMonitor, kMonitor, false, 1, false}};
    OwnContextBackend windowEach(gl);
    SettingsStore settings{""};
    LaunchOptions options;
    options.windowed = true;
    options.width = width;
    options.height = kMonitor;
    options.seeded = true;
    options.seed = 1;
    options.camera = 0;
    options.layeredDrawing = layered;
    setRunMode(RunMode::Run);
    RunSession session{settings, options, media,
                       ownContext ? static_cast<platform::VideoBackend&>(windowEach) : oneWindow};
    ASSERT_TRUE(session.openWindow("Glimmerdale"));
    loadRunMode(session);
    ASSERT_EQ(session.frame.otherMonitors.size(), 1u);
    ASSERT_FALSE(session.scene.objects.empty());
    ASSERT_TRUE(session.window.occlusionQueryAvailable);
    session.frame.countdownShown = true;
    session.frame.timer.fixedStep = 1.0f;
    session.frame.timer.start();

    CheckedRoomView view;
    view.check("out of the loading", rectangleOf(session.frame.primarySurface));
    drawFrames(session, view);
    EXPECT_EQ(view.differences, std::vector<std::string>{});
    EXPECT_EQ(view.captures, 1);
    EXPECT_EQ(view.otherCaptures, 1);
    EXPECT_EQ(view.otherViews, 4);
    EXPECT_GT(session.particles.lastVertexCount(), 0);
    if (ownContext) followTheQueriesAcrossAMonitorChange(session, windowEach, view);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    session.release();
    if (ownContext) {
        EXPECT_EQ(windowEach.watchedQueriesLeft, 0);
    }
}

TEST(FrameGLState, EveryPassOfTheRoomLeavesTheBaselineOnEveryMonitor) {
    const std::vector<std::uint8_t> mainArchive = readWhole(kMedia / "main.rar");
    const std::vector<std::uint8_t> interfaceArchive = readWhole(kMedia / "interface.rar");
    if (mainArchive.empty()) GTEST_SKIP() << "no media/main.rar in this build";
    MediaPack media;
    media.open(MemoryArchive{mainArchive.data(), std::uint32_t(mainArchive.size())},
               MemoryArchive{interfaceArchive.data(), std::uint32_t(interfaceArchive.size())});
    for (const bool layered : {false, true}) drawTheRoom(layered, false, media);
    drawTheRoom(false, true, media);
}

}  // namespace
