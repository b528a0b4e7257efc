#pragma once
// The room: its meshes with their batches in the shared vertex pool, the placed and animated models,
// the emitter helpers, the camera paths and the lights, and the passes that draw it.
//
//   loadSceneFile       builds the Scene from "Models/test.BSS" once, before the pool is uploaded
//   resetSceneFlags     every frame, before drawScene: nothing visible, nothing drawn yet
//   drawScene           camera step, key animation, visibility, helpers and the fogged opaque pass
//   drawOpaquePass      the opaque objects of the draw lists alone (the capture for the cross-fade)
//   drawGlassPass       the glass objects, after the particles
//   releaseScene        frees everything the scene made
//
// Each further monitor looks at the same room through a camera rig of its own:
//   startCameraRig      its own camera order, first camera and start key
//   updateOtherView     once a frame after drawScene: its camera, what it sees, and what no view has
//                       moved yet this frame
//   drawOtherView       its opaque pass, the particles turned to its camera, its glass pass
//   loadViewCamera      the primary's camera in GL again (in its context) once the rigs are stepped
//   drawOtherCapturePass  the picture its next cut cross-fades from
//   makeCameraRigQueries, releaseCameraRigQueries  its occlusion queries, in the context that draws it
//   releaseCameraRig    its occlusion queries and the rest of it
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
    bool visible = false, notYetDrawn = true;
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
    unsigned query = 0;  // occlusion query (non-root objects, when queries exist)
    bool queryIssued = false;
    int posedFrame = -1;     // the scene frame in which it last moved on (placed and animated models)
    int scrolledFrame = -1;  // the scene frame in which its texture scroll last moved (animated models)
};

struct SceneHelper {
    ModelHelper helper;  // worldPosition and rotation: the first key
    std::int32_t hold = 0;
    bool trigger = false;
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

// What the camera shows this frame.
struct SceneView {
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

struct Scene {
    SceneServices services;
    std::vector<SceneObject> objects;  // room meshes, placed models, animated models
    std::unique_ptr<SceneObject> visMesh;
    std::vector<ScenePortal> portals;
    std::vector<SceneCamera> cameras;
    int currentCamera = 0;
    std::vector<int> cameraBag;
    int cameraKey = 0;
    float pathValue = 0;  // 0 … 1 between two keys, shared by all cameras
    bool pathEnded = false;
    bool viewFixed = false;  // the still camera: updateCamera leaves the view alone
    SceneView view;
    std::vector<SceneHelper> helpers;
    std::vector<SceneLight> lights;
    std::vector<int> opaqueList, glassList;
    std::vector<int> drawOrder;     // the pass being drawn, in the order the quick drawing draws it
    std::vector<int> orderWaiting;  // scratch of orderNearestFirst, one entry per object
    std::vector<float> orderRank;
    bool helperLight = false;
    Vec3 helperLightPosition;
    Frustum frustum{};
    float trainAngle = 0;
    ClockTime clock;
    int drawCounter = 0;
    EmitterHook fireHelper;        // spawns a model helper's effect
    int frame = 0;                 // counts drawScene calls: what moved this frame is stamped with it
    std::uint32_t seedOffset = 0;  // added to the camera order's seed (another monitor's rig)
    // Set while another monitor's view is swapped in: its passes draw what the frame has posed.
    bool drawingOtherView = false;
    // The cameras the other views show now: a cut avoids them while the bag holds others (null: no
    // other views).
    const std::vector<int>* camerasInUse = nullptr;
};

// What a further monitor's view keeps of its own while the primary's is in the Scene: the camera
// path with its bag and random sequence, the view and frustum, the draw lists, and per object the
// visibility flags and the occlusion query. It is swapped into the Scene while its view is stepped or
// drawn.
struct CameraRig {
    int currentCamera = 0;
    std::vector<int> cameraBag;
    int cameraKey = 0;
    float pathValue = 0;
    bool pathEnded = false;
    SceneView view;
    Frustum frustum{};
    std::vector<int> opaqueList, glassList;
    std::vector<unsigned char> visible, notYetDrawn, queryIssued;  // per object
    std::vector<unsigned> queries;                                 // per object; 0: none
    RandomSequence random;  // its camera order and the particles it makes appear
    std::uint32_t seedOffset = 0;
};

// Reads "Models/test.BSS" through `services.sources` and builds `scene` (released first). A missing
// file gives an empty scene; a damaged one gives an empty scene and a log line. Placed models load
// through the model manager, which appends them to the pool; the caller uploads the pool afterwards.
void loadSceneFile(Scene& scene, const SceneServices& services);
// Frees objects, instances, animated models, helpers, cameras, lights and the occlusion queries (GL
// context current when any were made).
void releaseScene(Scene& scene);

// Every object: not yet drawn, not visible.
void resetSceneFlags(Scene& scene);
// Camera step of `dt` (sets *captureRequest at the key before a cut), key animation, visibility, the
// helpers that fire and the opaque pass, fogged far away. `occlusionVariant` uses last frame's query
// results and issues this frame's.
void drawScene(Scene& scene, float dt, bool occlusionVariant, bool* captureRequest);
// The opaque or the glass objects of this frame's draw lists, without fog, with the camera of the
// view in the Scene; placed and animated models among them move on by the frame step `dt`.
void drawOpaquePass(Scene& scene, float dt);
void drawGlassPass(Scene& scene, float dt);

// A rig for the view of monitor `monitor` (1 for the first beside the primary) of `monitorCount`:
// its own camera order (seeded from the scene's seed or tick count and the monitor), a first camera
// that the primary view is not showing when there is another, and a start key that far along the
// path, so the views cut at different moments. Occlusion queries are made for it when the scene uses
// them. After loading the scene, with the GL context that draws its view current: contexts do not
// share queries.
void startCameraRig(Scene& scene, CameraRig& rig, int monitor, int monitorCount);
// New occlusion queries for the rig in the current context (none when the scene uses none), none
// issued yet. Those it had must have been released.
void makeCameraRigQueries(Scene& scene, CameraRig& rig);
// Deletes the rig's occlusion queries (the context they were made in current) or, when that context
// is gone and took them along, only forgets them; the rig then decides what it sees by its frustum
// until it has queries again.
void releaseCameraRigQueries(CameraRig& rig, bool contextGone);
// Deletes the rig's occlusion queries (the context they were made in current) and empties it.
void releaseCameraRig(CameraRig& rig);
// Once a frame after drawScene, before the particles move: the rig's camera step of `dt` (its cut
// avoids the cameras in `camerasInUse`), what its view sees, the scene helpers that fire for it and
// the models it sees that no view has moved yet this frame; their particles draw from the rig's own
// random sequence, so the primary's camera order stays as it was. Returns true when the rig's view
// is to be captured for a cut next frame. Reads its queries: the context they were made in must be
// current. Leaves the primary's camera in GL.
bool updateOtherView(Scene& scene, CameraRig& rig, float dt, bool occlusionVariant,
                     const std::vector<int>& camerasInUse);
// The rig's picture of this frame with nothing moving: its fogged opaque pass and occlusion queries,
// the particles turned to face its camera, its glass pass.
void drawOtherView(Scene& scene, CameraRig& rig, bool occlusionVariant);
// Loads the camera of the view in the Scene into GL, as updateOtherView leaves it: for the primary's
// context when the rig was stepped in a context of its own.
void loadViewCamera(Scene& scene);
// The rig's opaque pass as the last frame left it (and its particles when `withParticles`): what its
// cut cross-fades from.
void drawOtherCapturePass(Scene& scene, CameraRig& rig, bool withParticles);
