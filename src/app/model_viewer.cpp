#include "app/model_viewer.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <algorithm>

#include "app/launch_options.h"
#include "app/log.h"
#include "app/main_loop.h"
#include "gfx/gl_window.h"
#include "model/model_instance.h"
#include "model/model_manager.h"
#include "model/model_render.h"
#include "model/models_process.h"
#include "model/vertex_pool.h"
#include "settings/settings.h"

namespace {

// Degrees the model turns per frame unit: a full turn in about 13 seconds.
constexpr float kTurnRate = 0.5f;

struct ViewerState {
    ModelInstance instance;
    float angle = 0;
    float distance = 100;
    float height = 0;
};

ViewerState& viewer() {
    static ViewerState state;
    return state;
}

void drawViewedModel(GLWindow& window) {
    ViewerState& v = viewer();
    const float dt = window.frameTimer.dt;
    v.angle += dt * kTurnRate;
    v.instance.rotation = axisZ(v.angle);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // A light from the viewer's upper left, fixed to the camera.
    const GLfloat lightDirection[4] = {-0.4f, 0.5f, 1.0f, 0.0f};
    const GLfloat ambient[4] = {0.45f, 0.45f, 0.45f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, lightDirection);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    gluLookAt(0, -v.distance, v.height + v.distance * 0.35f, 0, 0, v.height, 0, 0, 1);

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_NORMALIZE);
    glColor4f(1, 1, 1, 1);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_TRUE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.001f);

    SharedVertexPool& pool = theVertexPool();
    pool.bindPool();
    updateInstance(v.instance, dt);
    renderInstance(v.instance);
    pool.unbindPool();

    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_NORMALIZE);
}

}  // namespace

void runModelViewer(const std::string& name) {
    logLine("Model viewer: ", name);
    const LaunchOptions& options = launchOptions();
    GLWindow& window = theGLWindow();
    const Resolution& resolution = theSettingsStore().chosenResolution();
    int width = resolution.width, height = resolution.height;
    if (options.width > 0 && options.height > 0) {
        width = options.width;
        height = options.height;
    }
    window.colorBits = resolution.colorBits > 0 ? resolution.colorBits : 32;
    window.vsync = !options.noVsync;
    window.frameTimer.fixedStep = options.fixedDt > 0.0 ? static_cast<float>(options.fixedDt) : 0.0f;
    window.fullscreen = !options.windowed;
    window.elapsed = 0.0f;

    RunLoopState& state = runLoopState();
    state.exitOnMouseMove = false;
    state.musicEnabled = false;
    state.frameLimit = options.frames;
    state.screenshotPath = options.screenshotPath;
    state.drawScene = drawViewedModel;
    state.drawOpaquePass = [](GLWindow&) {};

    if (!createGLWindow(window, "Glimmerdale model viewer", width, height)) {
        logLine("Create Window failed!");
        return;
    }
    initGL(window, theSettings().gamma);
    // No start-up fade: the model is there at once.
    window.fadeAlpha = 0.0f;

    ViewerState& v = viewer();
    theModelManager().createInstance(v.instance, name);
    const Vec3 extent = v.instance.extent;
    // The extent is twice the box size; a missing model has a negative one.
    const float size = std::max({extent.x, extent.y, extent.z, 2.0f}) * 0.5f;
    v.distance = size * 1.6f + 5.0f;
    v.height = std::max(extent.z, 0.0f) * 0.25f;
    SharedVertexPool& pool = theVertexPool();
    pool.setBufferObjectsAvailable(window.vboAvailable);
    pool.uploadPool();

    mainLoop(window);
}
