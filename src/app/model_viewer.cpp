#include "app/model_viewer.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "app/frame_loop.h"
#include "app/run_session.h"
#include "core/log.h"
#include "model/model_instance.h"
#include "model/model_manager.h"
#include "model/model_render.h"
#include "model/vertex_pool.h"
#include "platform/window.h"
#include "scene/particles.h"

namespace {

// Degrees the model turns per frame unit: a full turn in about 13 seconds.
constexpr float kTurnRate = 0.5f;
// The eye looks down on the model from this many degrees above its centre.
constexpr float kElevationDegrees = 20.0f;
constexpr float kViewFieldDegrees = 45.0f;  // the window's projection
constexpr float kEmitterHeadroom = 6.0f;    // units kept free above an emitter for its particles

// A dark blue-grey backdrop, lighter toward the floor, drawn without depth so the model covers it.
// Neither black (dark wood and shadows vanish) nor bright (additive flames and glows vanish). A pass
// from the baseline back to it (gl/gl_state.h); the model-view matrix is left identity.
void drawBackdrop() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    glColor3f(0.30f, 0.32f, 0.36f);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glColor3f(0.13f, 0.14f, 0.17f);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
    glColor4f(1, 1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

// The one model turning in front of the backdrop; its emitters feed the frame loop's particles.
class ModelView final : public FrameView {
public:
    ModelInstance instance;
    ViewerFraming framing;
    float angle = 0;
    RandomSequence random;  // the particles' scatter
    Vec3 eye;               // this frame's; the particles with towardCamera are pulled to it

    void drawCapturePass(RunSession&, float) override {}
    void drawScene(RunSession& session, float dt) override;
    void drawGlassPass(RunSession&, float) override {}
};

void ModelView::drawScene(RunSession& session, float dt) {
    angle += dt * kTurnRate;
    instance.rotation = axisZ(angle);

    drawBackdrop();

    const ViewerFraming& f = framing;
    const float elevation = kElevationDegrees * kPi / 180;
    eye = Vec3{f.centre.x, f.centre.y - f.distance * std::cos(elevation),
               f.centre.z + f.distance * std::sin(elevation)};
    // Lights are given in eye space (identity model-view), so they stay with the viewer as the
    // model turns: a warm key light from the upper left and a cool, weaker fill from the right.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat keyDirection[4] = {-0.5f, 0.6f, 0.8f, 0.0f};
    const GLfloat keyColour[4] = {0.85f, 0.80f, 0.72f, 1.0f};
    const GLfloat fillDirection[4] = {0.8f, -0.1f, 0.5f, 0.0f};
    const GLfloat fillColour[4] = {0.25f, 0.30f, 0.38f, 1.0f};
    const GLfloat ambient[4] = {0.38f, 0.38f, 0.40f, 1.0f};
    const GLfloat black[4] = {0, 0, 0, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, keyDirection);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, keyColour);
    glLightfv(GL_LIGHT1, GL_POSITION, fillDirection);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, fillColour);
    glLightfv(GL_LIGHT1, GL_SPECULAR, black);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    gluLookAt(eye.x, eye.y, eye.z, f.centre.x, f.centre.y, f.centre.z, 0, 0, 1);

    // The state renderInstance draws in (model_render.h), lit by the two lights.
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_NORMALIZE);
    glEnable(GL_BLEND);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.001f);

    // The model's emitters feed the frame loop's particle pass, which draws with this view.
    ParticleSystem& particles = session.particles;
    session.pool.bindPool();
    updateInstance(instance, dt, [this, &particles](const ModelHelper& helper) {
        particles.spawnEffect(helper.shortName, helper.worldPosition, helper.rotation, random, eye);
    });
    renderInstance(instance);
    session.pool.unbindPool();

    // Back to the baseline; the camera stays loaded for the particles.
    glAlphaFunc(GL_ALWAYS, 0.0f);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_NORMALIZE);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_LIGHT1);
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
}

}  // namespace

ViewerFraming frameModel(const Model* model) {
    // The model turns about its own z axis, so the framing looks at that axis: the sphere holds the
    // cylinder round the axis that every corner stays inside while turning.
    float low = std::numeric_limits<float>::max(), high = -low, reach = 0;
    if (model) {
        for (const ModelMesh& mesh : model->meshes) {
            if (mesh.nodeName == kCollisionNodeName) continue;
            for (const CornerRecord& corner : mesh.corners) {
                const float x = corner.position[0] + mesh.pivot.x, y = corner.position[1] + mesh.pivot.y;
                const float z = corner.position[2] + mesh.pivot.z;
                low = std::min(low, z);
                high = std::max(high, z);
                reach = std::max(reach, std::sqrt(x * x + y * y));
            }
        }
    }
    if (model) {
        // Emitters stand on the model (a wick, a chimney, a branch tip); the flame or steam they
        // make rises above them, so the view keeps a few units of room over each.
        for (const ModelHelper& helper : model->helpers) {
            if (helper.kind != HelperKind::Emitter) continue;
            const Vec3 p = helper.position;
            low = std::min(low, p.z);
            high = std::max(high, p.z + kEmitterHeadroom);
            reach = std::max(reach, std::sqrt(p.x * p.x + p.y * p.y));
        }
    }
    ViewerFraming framing;
    if (low > high) return framing;  // no corners
    framing.centre = Vec3{0, 0, (low + high) * 0.5f};
    const float halfHeight = (high - low) * 0.5f;
    framing.radius = std::max(1.0f, std::sqrt(reach * reach + halfHeight * halfHeight));
    // The sphere just fits the view's height: the model itself, narrower than the sphere in most
    // directions, then fills about three quarters of it.
    const float halfField = kViewFieldDegrees * 0.5f * kPi / 180;
    framing.distance = framing.radius / std::tan(halfField);
    return framing;
}

void runModelViewer(const SettingsStore& settings, const LaunchOptions& options, MediaPack& media,
                    const std::string& name) {
    logLine("Model viewer: ", name);
    RunSession session(settings, options, media, platform::systemVideoBackend());
    session.frame.exitOnMouseMove = false;
    if (!session.openWindow("Glimmerdale model viewer")) {
        logLine("Create Window failed!");
        return;
    }
    session.startGraphics();
    // No start-up fade: the model is there at once. The countdown overlay is drawn as in Run mode,
    // so its glyphs are needed.
    session.frame.fadeAlpha = 0.0f;
    session.countdown.loadGlyphs(session.textures);

    ModelView view;
    session.models.createInstance(view.instance, name);
    view.framing = frameModel(session.models.findModel(name));
    session.pool.setBufferObjectsAvailable(session.window.vboAvailable);
    session.pool.uploadPool();

    runFrameLoop(session, view);
    session.release();
}
