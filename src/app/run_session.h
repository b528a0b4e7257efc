#pragma once
// Everything Run mode owns, in one object: the window with its frame-loop state, the font, the
// countdown, the music, the textures, the models with their vertex pool, the particles and the
// room. runScreensaver and the model viewer each build one, open its window, load what they show and
// hand it to the frame loop; release() then takes it down in the shutdown order.
//
//   MonitorView      a monitor beside the primary: its surface, cross-fade and view of the room
//   MonitorContext   while it lives, the GL context that holds a monitor's queries is current
//   FrameLoopState   timer, fades, capture, overlay queue, cursor, frame count, screenshot, monitors
//   RunSession       the parts; openWindow / startGraphics / followMonitors / startMusic / release
//   currentRunSession()   the one session of the process, for the exit hook

#include <string>
#include <vector>

#include "app/frame_pacer.h"
#include "app/frame_timer.h"
#include "app/launch_options.h"
#include "app/visibility.h"
#include "countdown/countdown.h"
#include "display/gl_window.h"
#include "media/texture_manager.h"
#include "model/media_sources.h"
#include "model/model_manager.h"
#include "model/vertex_pool.h"
#include "overlay/bitmap_font.h"
#include "overlay/overlay.h"
#include "platform/audio_output.h"
#include "platform/cursor.h"
#include "platform/power_events.h"
#include "platform/window.h"
#include "scene/particles.h"
#include "scene/scene.h"
#include "settings/settings.h"
#include "sound/sound.h"

class MediaPack;

// A monitor beside the primary: where its picture goes, the capture its cuts cross-fade from, its
// own overlay queue (the fades; no countdown) and its view of the room.
struct MonitorView {
    int surfaceIndex = 0;  // in the video backend's list
    platform::Surface surface;
    GLuint captureTexture = 0;
    int captureSize = 0;  // as large a power of two (256 to 1024) as the surface's shorter side holds
    float captureAlpha = 0.0f;
    bool captureRequested = false;
    OverlayQueue overlay;
    View view;  // what it shows of the room; started by the room's frame view on its first frame
};

// While it lives, the GL context that holds the monitor's own objects (its view's occlusion queries)
// and state is current: its window's own context, else the primary's, which is current
// already. The primary's window and context are current again afterwards.
class MonitorContext {
public:
    MonitorContext(platform::VideoBackend& video, const MonitorView& monitor)
        : video_(video), switched_(monitor.surface.ownContext) {
        if (switched_) video_.makeSurfaceCurrent(monitor.surfaceIndex);
    }
    ~MonitorContext() {
        if (switched_) video_.makeSurfaceCurrent(0);
    }
    MonitorContext(const MonitorContext&) = delete;
    MonitorContext& operator=(const MonitorContext&) = delete;

private:
    platform::VideoBackend& video_;
    bool switched_;
};

// What the frame loop keeps from one frame to the next.
struct FrameLoopState {
    FrameTimer timer;
    FramePacer pacer;               // waits between frames when the swap does not
    Visibility visibility;          // nothing is drawn while no display shows the screensaver
    float elapsed = 0.0f;           // grows by half of each frame's dt; gates the fade-in
    float fadeAlpha = 0.0f;         // the start-up fade from black: 1 once GL is up, then falling
    float captureAlpha = 0.0f;      // cross-fade from the captured frame: 1.2 at a capture, falling
    bool captureRequested = false;  // set by the camera before a cut; taken by the next frame
    OverlayQueue overlay;           // the frame's fade quads, drawn by the overlay pass
    View primaryView;               // what the primary monitor shows of the room

    bool firstFrame = true;
    platform::CursorPosition cursor;          // read this frame
    platform::CursorPosition previousCursor;  // read the frame before
    bool exitOnMouseMove = true;              // a jump of more than 30 pixels ends the loop

    long frameLimit = -1;  // quit after this many frames (-1: no limit)
    long framesDrawn = 0;
    std::string screenshotPath;  // written from the last frame (or the loading picture)
    bool screenshotWritten = false;

    bool soakReport = false;  // every 1000 frames a "Soak:" line in the log
    int mostParticles = 0;    // the most particle quads one frame drew (kept with soakReport)

    // While the music waits for its sound device after a resume (retryMusicDevice): when to try
    // again, and the tries so far.
    platform::PollSchedule musicDeviceRetry{kMusicDeviceRetryMilliseconds};
    int musicDeviceTries = 0;

    platform::Surface primarySurface;        // where the primary's picture goes in its drawable
    std::vector<MonitorView> otherMonitors;  // the other surfaces, in the backend's order
    bool roomOnEveryMonitor = true;          // false: the other monitors stay black
    // The countdown, clock and frame rate: on the primary monitor only (a framework's copy in a
    // window on another monitor shows the room alone).
    bool countdownShown = true;
};

class RunSession {
public:
    // A session over the user's options, the launch options and the media pack (all must outlive
    // it), drawing through `video` and playing through outputs from `audio`. Nothing is opened yet.
    RunSession(const SettingsStore& settings, const LaunchOptions& options, MediaPack& media,
               platform::VideoBackend& video,
               platform::AudioOutputFactory audio = platform::createAudioOutput);
    ~RunSession();
    RunSession(const RunSession&) = delete;
    RunSession& operator=(const RunSession&) = delete;

    // The cursor position read into both frame-loop positions, the exit handlers, then the window at
    // the chosen resolution (or --size), full screen unless --windowed; inside a framework's window
    // (--root, --window-id) that window at its own size, never full screen. False when no window
    // could be opened; the display is then as it was and release() has nothing to do.
    bool openWindow(const std::string& title);
    // GL on the open window (context, capture texture, capabilities and gamma in the log) and the
    // frame loop back at its start: timer reset, elapsed 0, the fade-in from black about to run,
    // the pacer at the --max-fps cap (the display's refresh rate unless given).
    void startGraphics();
    // Takes the surfaces from the video backend (at start and after a MonitorsChanged event): the
    // primary's rectangle becomes the viewport, each other monitor keeps or gets its MonitorView
    // (a capture texture sized for it), views of monitors now gone are released, and the gamma
    // ramp is set again so that a monitor plugged in gets it too. A monitor's window with a context
    // of its own has a new one each time: it is brought to the GL baseline, and a kept view's
    // camera rig gets its occlusion queries there (the old ones went with the old context).
    void followMonitors();
    // The music, when the "Enable music" option is on ("Sound initialized" in the log). Inside a
    // framework's window only the copy that takes the music lock plays; the others log "Music plays
    // in another copy".
    void startMusic();
    // Once the room is loaded, before its vertices are uploaded: the models' corners that only the
    // pool needed are freed; the archive pages that reading brought in and the heap pages that the
    // decoded pictures and file copies held go back to the system.
    void releaseLoadingMemory();
    // The shutdown, once, in this order: the music stops; "Set old Gamma: " and the ramp found at
    // start; the views, the scene, the particles, the textures and the font, the models and the vertex
    // pool's buffer; the window (frame-rate lines, context, display mode, cursor); the log is
    // closed; the window goes. Does nothing when the window never opened.
    void release();

    const Settings& settings() const { return store_.settings(); }
    const LaunchOptions& options() const { return options_; }
    platform::VideoBackend& video() { return backendOf(window); }
    // Files from the media pack and textures from the session's texture manager, for the loaders.
    const MediaSources& mediaSources() const { return sources_; }

private:
    // A monitor's own context, new: the GL baseline, and the kept view's queries made there.
    void startMonitorContext(MonitorView& monitor, bool oldContextGone);

    const SettingsStore& store_;
    const LaunchOptions& options_;
    MediaPack& media_;
    MediaSources sources_;
    bool released_ = false;

public:
    // The parts, public as in a GL hack's state record: the frame loop and the views reach into them.
    // Declared (and so built) after what they read from above, and before what reads them.
    GLWindow window;
    FrameLoopState frame;
    BitmapFont font;
    TextureManager textures;
    SharedVertexPool pool;
    ModelManager models;
    ParticleSystem particles;
    Scene scene;
    CountdownTime time;
    CountdownDisplay countdown;
    SoundSystem sound;
};

// The session that is running, or null. The exit hook (a signal or exit() from deep inside) needs
// the window it must put back; nothing else should reach for it.
RunSession* currentRunSession();
