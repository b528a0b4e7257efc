#pragma once
// Run mode: the full-screen screensaver from window creation to shutdown.

#include <vector>

#include "app/frame_loop.h"

struct LaunchOptions;
class MediaPack;
class RunSession;
class SettingsStore;

// The room as the frame loop draws it: the primary monitor's view in the frame (its capture, its
// passes), and each other monitor's view of its own, stepped and drawn the same way.
class RoomView final : public FrameView {
public:
    void drawCapturePass(RunSession& session, float dt) override;
    void drawScene(RunSession& session, float dt) override;
    void drawGlassPass(RunSession& session, float dt) override;
    bool drawsOtherMonitors() const override { return true; }
    void drawOtherCapturePass(RunSession& session, MonitorView& monitor, bool withParticles) override;
    void drawOtherView(RunSession& session, MonitorView& monitor) override;

private:
    // Each other monitor's view, once a frame after the primary's step and before it draws.
    void stepOtherViews(RunSession& session, float dt);

    std::vector<int> camerasInUse_;
    const std::vector<int> noCameras_{};
};

// Runs the screensaver while the run mode is Run and returns when it has ended (the mode is then
// Quit, or a start-up failure was shown and logged). Everything it opened is released on return,
// and the display's mode, cursor and gamma ramp are back as they were. The window size comes from
// the resolution option (or --size), full screen unless --windowed. Inside a framework's window
// (options.embedded) the picture fills that window and follows its size; the display, the cursor,
// the gamma ramp and the input are left to the framework.
void runScreensaver(const SettingsStore& settings, const LaunchOptions& options, MediaPack& media);

// What Run mode loads on its new window before the first frame: GL (capabilities and gamma in the
// log), the font, the loading picture, the countdown glyphs, the room with everything it names, and
// the vertex pool's upload.
void loadRunMode(RunSession& session);
