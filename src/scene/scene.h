#pragma once
// The room and the views of it. The Scene holds what every monitor shares: the meshes with their
// batches in the shared vertex pool, the placed and animated models and their animation, the emitter
// helpers, the camera paths, the lights, the clock and the frame count. A View holds what one
// monitor sees: its camera on its path (bag, key, random sequence), its frustum, what it sees and
// draws (per object the visibility and the occlusion query) and its draw lists. Each monitor has a
// view of its own, the primary's first; every step and pass takes the view it works for.
//
//   loadSceneFile       builds the Scene from "Models/test.BSS" once, before the pool is uploaded
//   releaseScene        frees everything the scene made
//   startView           a monitor's view: its camera order, first camera and key, its queries
//   makeViewQueries, releaseViewQueries  its occlusion queries, in the context that draws it
//   releaseView         its queries and the rest of it
//   beginSceneFrame     once a frame, before the views step: the frame count and the key animation
//   stepView            once a frame per view, the primary's first: its camera, what it sees, the
//                       helpers that fire for it and the models no view has moved yet this frame
//   drawViewPass        its fogged opaque pass and occlusion queries
//   drawParticlesFacingLoadedCamera  the particles turned to another monitor's camera
//   drawGlassPass       its glass objects, after the particles
//   drawCapturePass     its opaque objects alone, unfogged: the picture its next cut cross-fades from
//   loadViewCamera      its camera into GL
//
// The file and its parser are bss_file.h; the steps these passes are made of (camera, animation,
// visibility, lights, batches) are scene_internal.h, for the scene's own files and its tests.
// Coordinates are the authoring tool's (z up); times are frame units (1/55 s). Every pass starts from
// the GL baseline (gl/gl_state.h) and leaves it, the camera of the view it drew loaded.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/animated_model.h"
#include "core/maths.h"
#include "model/media_sources.h"
#include "model/model_data.h"
#include "core/random.h"
#include "model/model_instance.h"
#include "scene/bss_file.h"

class SharedVertexPool;
class ModelManager;
class ParticleSystem;

struct MeshBatch {
    int firstCorner = 0, cornerCount = 0;  // in the shared vertex pool
    unsigned diffuseTexture = 0, reflectionTexture = 0, illuminationTexture = 0, lightMapTexture = 0;
    bool hasDiffuse = false, hasReflection = false, hasIllumination = false, hasLightMap = false;
    bool twoSided = false, additive = false, glass = false;
    // An opaque diffuse texture (and light map) and no other layer: drawn without blending or the
    // alpha test, the light map on a second texture unit, it gives the picture of the layered
    // drawing.
    bool opaque = false;
    // Triangles of its own lie on earlier ones in one plane. Where they tie, the layered drawing
    // multiplies the framebuffer by both light maps, and only a layer of its own does that.
    bool overlapsItself = false;
    Vec3 boxMin, boxMax;  // of its corners
};

enum class SceneObjectKind { RoomMesh, PlacedModel, AnimatedModel };

struct ObjectKeys {
    std::vector<Vec3> positions;
    std::vector<Quat> rotations;
    int current = 0;
    float t = 0;
    int hold = 0;
    int count() const { return int(positions.size()); }
};

struct SceneObject {
    std::string name, parentName;
    SceneObjectKind kind = SceneObjectKind::RoomMesh;
    std::vector<MeshBatch> batches;
    Vec3 boxMax, boxMin, extent, centre;
    float size = 0;
    float radius = 0;  // nothing drawn for the object lies further than this from the centre
    bool unlit = false, keyAnimated = false, glass = false, root = false;
    std::vector<int> childObjects;  // indices into Scene::objects whose parent is this object
    std::vector<int> childHelpers;  // indices into Scene::helpers whose parent is this object
    int parent = -1;                // index of the parent object, or −1
    std::vector<int> lights;        // indices into Scene::lights, repeats kept
    // Objects that may meet this one at one depth (in the room, whatever its space overlaps; for the
    // room's shell, meshes with faces in one of its planes): drawn in the list's order, since where
    // two surfaces meet at one depth the one drawn first shows.
    std::vector<int> touching;
    ObjectKeys keys;
    std::unique_ptr<ModelInstance> instance;  // placed model
    std::unique_ptr<AnimatedModel> animated;  // animated model
    Quat rotation;
    int posedFrame = -1;     // the scene frame in which it last moved on (placed and animated models)
    int scrolledFrame = -1;  // the scene frame in which its texture scroll last moved (animated models)
};

struct SceneHelper {
    ModelHelper helper;  // worldPosition and rotation: the first key
    std::int32_t hold = 0;
    int firedFrame = -1;  // the scene frame in which it last fired
};

// A portal of the scene file, linked at load: while the trigger flag of its helper is set, the
// objects named like the portal count as visible.
struct ScenePortal {
    std::string name, targetName;
    std::vector<Vec3> points;
    Vec3 centre;                       // mean of the points
    int triggerHelper = -1;            // index into Scene::helpers (−1: never opens)
    std::vector<int> revealedObjects;  // indices into Scene::objects
};

// Where a view's camera stands this frame and what it takes in.
struct CameraPose {
    Vec3 position;
    Quat orientation;
    Vec3 direction{1, 0, 0}, up{0, 1, 0};
    float fieldOfView = 45;  // degrees
};

using Frustum = std::array<std::array<float, 4>, 6>;

// Local time of the frame, for the clock hands.
struct ClockTime {
    int hour = 0, minute = 0, second = 0;
};

// What the scene needs from the rest of the program; tests pass their own.
struct SceneServices {
    MediaSources sources;
    SharedVertexPool* pool = nullptr;
    ModelManager* models = nullptr;
    ParticleSystem* particles = nullptr;
    std::function<void(const std::string& caption, const std::string& text)> showMessage;
    std::function<std::uint32_t()> tickCount;
    bool occlusionQueries = false;  // make and use occlusion queries (needs GL)
    bool seeded = false;            // seed the camera order with `seed` instead of the tick count
    std::uint32_t seed = 0;
    int startCamera = -1;    // the first camera, when it exists (−1: drawn from the bag)
    int startCameraKey = 0;  // the first camera's first key, kept where its path can run
    // A still camera for review pictures: the paths are not followed, the view stays at `lookFrom`
    // looking at `lookAt` with z up.
    bool fixedView = false;
    Vec3 lookFrom, lookAt;
    float fixedFieldOfView = 45;  // degrees
    // Every layer of a batch in a pass of its own, each batch blended and alpha-tested, in the
    // object list's order: slower, kept to compare pictures with.
    bool layeredDrawing = false;
    // This copy's place among copies started side by side, one per monitor, by a screensaver
    // framework (−1: not such a copy). Each copy starts on camera copyIndex mod the camera count
    // (unless startCamera says otherwise) and seeds its camera order differently.
    int copyIndex = -1;
};

// What every monitor shares.
struct Scene {
    SceneServices services;
    std::vector<SceneObject> objects;  // room meshes, placed models, animated models
    std::unique_ptr<SceneObject> visMesh;
    std::vector<ScenePortal> portals;
    std::vector<SceneCamera> cameras;
    std::vector<SceneHelper> helpers;
    std::vector<SceneLight> lights;
    bool helperLight = false;
    Vec3 helperLightPosition;
    float trainAngle = 0;
    ClockTime clock;
    int frame = 0;  // counts beginSceneFrame calls: what moved this frame is stamped with it
};

// What a view sees of one object this frame.
struct ObjectSight {
    bool visible = false;
    unsigned query = 0;  // occlusion query (non-root objects, when queries exist); 0: none
    bool queryIssued = false;
};

// What one monitor sees of the room.
struct View {
    // The camera path: the current camera and key, the way from that key to the next, and the
    // cameras left in the bag, drawn in an order of the view's own.
    int currentCamera = 0;
    std::vector<int> cameraBag;
    int cameraKey = 0;
    float pathValue = 0;  // 0 … 1 between two keys
    bool pathEnded = false;
    bool still = false;            // the still camera: the camera step leaves the pose alone
    std::uint32_t seedOffset = 0;  // added to the seed of its camera order
    // Its camera order, and the particles that the helpers and models it fires make appear.
    RandomSequence random;
    CameraPose pose;
    Frustum frustum{};
    std::vector<ObjectSight> sight;          // one per Scene::objects entry; empty until started
    std::vector<unsigned char> triggered;    // per Scene::helpers entry: fires in this step
    std::vector<int> opaqueList, glassList;  // what it sees this frame, in the object list's order
    int drawnObjects = 0;                    // objects its passes drew since its last step
    // Scratch of orderNearestFirst: the pass being drawn, in the order the quick drawing draws it.
    std::vector<int> drawOrder, orderWaiting;
    std::vector<float> orderRank;
};

// Reads "Models/test.BSS" through `services.sources` and builds `scene` (released first). A missing
// file gives an empty scene; a damaged one gives an empty scene and a log line. Placed models load
// through the model manager, which appends them to the pool; the caller uploads the pool afterwards.
void loadSceneFile(Scene& scene, const SceneServices& services);
// Frees objects, instances, animated models, helpers, cameras and lights. The views go separately.
void releaseScene(Scene& scene);

// Starts `view` as the view of monitor `monitor` (0: the primary) of `monitorCount`. The primary's
// starts where the options say (the still camera, the start camera and key, a framework copy's
// camera), else on a camera drawn from its bag. Another monitor's draws its own camera order
// (seeded from the scene's seed or tick count and the monitor), starts on a camera none of
// `camerasInUse` shows when there is another, and that far along the path, so the views cut at
// different moments. Occlusion queries are made for it when the scene uses them, in the current
// GL context: contexts do not share queries. Releases what the view held before.
void startView(Scene& scene, View& view, int monitor, int monitorCount, const std::vector<int>& camerasInUse);
// Whether the view was started for the scene as it is.
bool viewStarted(const Scene& scene, const View& view);
// New occlusion queries for the view in the current context (none when the scene uses none), none
// issued yet. Those it had must have been released.
void makeViewQueries(const Scene& scene, View& view);
// Deletes the view's occlusion queries (the context they were made in current) or, when that
// context is gone and took them along, only forgets them; the view then decides what it sees by its
// frustum until it has queries again.
void releaseViewQueries(View& view, bool contextGone);
// Deletes the view's occlusion queries (the context they were made in current) and empties it.
void releaseView(View& view);

// Once a frame, before any view steps: the next frame number and one key-animation step of `dt`.
void beginSceneFrame(Scene& scene, float dt);
// Once a frame per view, the primary's first: one camera step of `dt` (a cut avoids the cameras in
// `camerasAvoided` while the bag holds others), what the view sees (with `occlusionVariant`, from
// the results of its queries of last frame: the context they were made in must be current), the
// scene helpers it sees that have not fired this frame, and the placed and animated models it sees
// that no view has moved yet this frame, moved on by `dt` in list order. Particles that appear draw
// from the view's random sequence and are pulled to its camera. Leaves its camera in GL. Returns
// true when the view's picture is to be captured for a cut (one key before the end of its path).
// An unstarted view does nothing.
bool stepView(Scene& scene, View& view, float dt, bool occlusionVariant,
              const std::vector<int>& camerasAvoided);
// The view's opaque pass of this frame, fogged far away, nothing moving, then with
// `occlusionVariant` its occlusion queries.
void drawViewPass(Scene& scene, View& view, bool occlusionVariant);
// The particles as the last simulation step left them, each quad turned to face the camera loaded in
// GL: another monitor's, as its view's passes leave it (the matrix they leave, not one loaded anew,
// so its picture stays the same to the last bit).
void drawParticlesFacingLoadedCamera(const Scene& scene);
// The glass objects of the view's draw lists, unfogged, nothing moving.
void drawGlassPass(Scene& scene, View& view);
// The opaque objects of the view's draw lists as its last step left them, unfogged: the picture its
// cut cross-fades from. With `dt` above 0 they first move on by `dt` (a capture drawn before the
// frame's steps, as the primary's is, shows the room a step on); with 0 nothing moves.
void drawCapturePass(Scene& scene, View& view, float dt);
// Loads the view's camera into GL: projection, look-at, perspective hint; sets its frustum.
void loadViewCamera(View& view);
