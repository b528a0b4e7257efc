#pragma once
// The room: its meshes with their batches in the shared vertex pool, the placed and animated models,
// the emitter helpers, the camera paths and the lights, and the passes that draw it.
//
//   parseSceneFile      the five sections of a scene file into SceneFile (no GL, no media)
//   loadSceneFile       builds the Scene: batches, textures, pool corners, portals, cameras, helpers,
//                       lights, links, occlusion queries and the first camera
//   chooseNextCamera    the camera bag
//   updateCamera        one step along the current camera path (and the capture request)
//   applyCamera         projection, look-at and the frustum planes
//   animateObject       key animation of a helper-placed object
//   poseRailroad, poseClock, updatePlacedModel   the train, the clock hands, one placed model drawn
//   fireSceneHelpers    emitter helpers below a visible object
//   openPortals         objects revealed by portals whose helper is triggered
//   assignLights, beginObjectLights, endObjectLights   (scene_lights.cpp)
//   resetSceneFlags, drawScene, drawOpaquePass, drawGlassPass, drawMeshBatch   (scene_render.cpp)
//   releaseScene        frees everything the scene made
//
// Coordinates are the authoring tool's (z up); times are frame units (1/55 s).

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/animated_model.h"
#include "model/maths.h"
#include "model/media_sources.h"
#include "model/model_data.h"
#include "model/model_instance.h"

class SharedVertexPool;
class ModelManager;
class ParticleSystem;

// ---- the file ------------------------------------------------------------------------------------

// Material entries kept per room mesh; a count above kMaterialWarningCount shows "adas".
constexpr int kMaxMaterials = 320;
constexpr int kMaterialWarningCount = 319;
// Include names kept per light; a count above kIncludeWarningCount shows "adas".
constexpr int kMaxIncludeNames = 40;
constexpr int kIncludeWarningCount = 39;

struct SceneFileMaterial {
    std::string diffuseName, reflectionName, illuminationName;
    bool twoSided = false, hasReflection = false, hasIllumination = false;
    std::int32_t firstCorner = 0, cornerCount = 0, materialRef = 0;
};

struct SceneFileMesh {
    std::string name, parentName;
    std::vector<SceneFileMaterial> materials;  // at most kMaxMaterials
    std::int32_t declaredMaterialCount = 0;
    bool hasLightMap = false;
    std::string lightMapName;
    std::vector<Vec3> positions;
    std::vector<std::array<std::int32_t, 3>> faces, uvFaces, lightUvFaces;  // indices checked
    std::vector<Vec3> uvs, lightUvs, normals;                               // normals: 3 per face
};

struct SceneFilePortal {
    std::string name, targetName;
    std::vector<Vec3> points;
};

struct SceneCamera {
    std::vector<Vec3> positions;
    std::vector<Quat> rotations;      // conjugated at load
    std::vector<float> fieldsOfView;  // radians
    int keyCount() const { return int(positions.size()); }
};

struct SceneFileHelper {
    std::string name, parentName;
    HelperKind kind{};
    std::int32_t hold = 0;
    std::vector<Vec3> positions;
    std::vector<Quat> rotations;
};

struct SceneLight {
    std::array<float, 4> position{}, ambient{}, diffuse{}, specular{};
    float quadraticAttenuation = 0;
    float range = 0;
    std::vector<std::string> includeNames;  // at most kMaxIncludeNames
    std::int32_t declaredIncludeCount = 0;
};

struct SceneFile {
    std::vector<SceneFileMesh> meshes;
    std::vector<SceneFilePortal> portals;
    std::vector<SceneCamera> cameras;
    std::vector<SceneFileHelper> helpers;
    std::vector<SceneLight> lights;  // built from the records (colours × multiplier)
};

// Reads a whole scene file. Every count is checked against the bytes left and every stored index
// against its array; returns false with the reason in `error` (and `file` in an unspecified state)
// for a file that ends early or holds a bad count or index. Material entries beyond kMaxMaterials and
// include names beyond kMaxIncludeNames are read and dropped. A null or empty block is a valid empty
// scene.
bool parseSceneFile(const std::uint8_t* data, std::size_t size, SceneFile& file, std::string& error);

// ---- the scene -----------------------------------------------------------------------------------

struct MeshBatch {
    int firstCorner = 0, cornerCount = 0;  // in the shared vertex pool
    unsigned diffuseTexture = 0, reflectionTexture = 0, illuminationTexture = 0, lightMapTexture = 0;
    bool hasDiffuse = false, hasReflection = false, hasIllumination = false, hasLightMap = false;
    bool twoSided = false, additive = false, glass = false;
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
    bool unlit = false, keyAnimated = false, glass = false, root = false;
    bool visible = false, notYetDrawn = true;
    std::vector<int> childObjects;  // indices into Scene::objects whose parent is this object
    std::vector<int> childHelpers;  // indices into Scene::helpers whose parent is this object
    int parent = -1;                // index of the parent object, or −1
    std::vector<int> lights;        // indices into Scene::lights, repeats kept
    ObjectKeys keys;
    std::unique_ptr<ModelInstance> instance;  // placed model
    std::unique_ptr<AnimatedModel> animated;  // animated model
    Quat rotation;
    unsigned query = 0;  // occlusion query (non-root objects, when queries exist)
    bool queryIssued = false;
};

struct SceneHelper {
    ModelHelper helper;  // worldPosition and rotation: the first key
    std::int32_t hold = 0;
    bool trigger = false;
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
    bool helperLight = false;
    Vec3 helperLightPosition;
    Frustum frustum{};
    float trainAngle = 0;
    ClockTime clock;
    int drawCounter = 0;
    EmitterHook fireHelper;  // spawns a model helper's effect
};

// Reads "Models/test.BSS" through `services.sources` and builds `scene` (released first). A missing
// file gives an empty scene; a damaged one gives an empty scene and a log line. Placed models load
// through the model manager, which appends them to the pool; the caller uploads the pool afterwards.
void loadSceneFile(Scene& scene, const SceneServices& services);
// The same from bytes already in memory.
void buildScene(Scene& scene, const SceneServices& services, const std::uint8_t* data, std::size_t size);
// Frees objects, instances, animated models, helpers, cameras, lights and the occlusion queries (GL
// context current when any were made).
void releaseScene(Scene& scene);

// Takes a camera out of the bag: entry rand() mod (n − 1), or entry 0 when n is 1; an index outside
// the camera list becomes 0. Refills (and reseeds) when the bag is empty after the draw and
// `refill` is set. Returns the camera index (0 with no cameras).
int chooseNextCamera(Scene& scene, bool refill);
// Fills the bag with every camera index and seeds the generator.
void refillCameraBag(Scene& scene);
// One camera step of `dt` on the current camera, then the cut at a path end. Returns true when the
// capture for the cross-fade is to be taken (one key before the end). With no cameras, or with the
// still camera, the view stays where loading put it and no capture is asked for.
bool updateCamera(Scene& scene, float dt);
// Projection (field of view, aspect 1.33, near 1, far 3000), look-at, perspective hint, frustum.
void applyCamera(Scene& scene);

// One key-animation step of `dt` on a key-animated object.
void animateObject(SceneObject& object, float dt);
// Turns the locomotive and wagons, places the steam helper, then advances the train angle.
void poseRailroad(Scene& scene, SceneObject& object, float dt);
// Sets the clock hands from the time.
void poseClock(SceneObject& object, const ClockTime& time);
// Position, railroad, clock, updateInstance and renderInstance (GL) of one placed model, moved on
// by the frame step `dt`.
void updatePlacedModel(Scene& scene, SceneObject& object, float dt);
// A light helper sets the helper light, an emitter spawns its effect; every fired trigger is cleared.
void fireSceneHelpers(Scene& scene);
// Each portal whose helper's trigger flag is set makes its revealed objects visible, with what hangs
// below them (child objects and the trigger flags of child helpers). Call after the roots have passed
// on their flags and before the helpers fire.
void openPortals(Scene& scene);

// Frustum planes from column-major projection and model-view matrices, each normalised by (a, b, c).
Frustum frustumFromMatrices(const float projection[16], const float modelView[16]);
// True when the cube centre ± size lies wholly behind one of the planes.
bool cubeOutsideFrustum(const Frustum& frustum, Vec3 centre, float size);

// ---- lights (scene_lights.cpp) -------------------------------------------------------------------

// For each object without a light map: a room mesh whose box grown by 2 × range strictly contains
// the light gets it once; otherwise it gets it once per include name equal to its name.
void assignLights(Scene& scene);
// An unlit object: lighting off. Otherwise its lights in slots 0, 1, … and lighting on.
void beginObjectLights(const Scene& scene, const SceneObject& object);
// A lit object: its slots off, lighting on.
void endObjectLights(const Scene& scene, const SceneObject& object);

// ---- passes (scene_render.cpp) -------------------------------------------------------------------

// Every object: not yet drawn, not visible.
void resetSceneFlags(Scene& scene);
// Fog, culling, camera step (sets *captureRequest at the key before a cut), visibility and the
// opaque pass. `occlusionVariant` uses last frame's query results and issues this frame's.
void drawScene(Scene& scene, float dt, bool occlusionVariant, bool* captureRequest);
// Visibility (plain variant) and the rebuilt draw lists; fires the scene helpers.
void decideVisibility(Scene& scene, bool occlusionVariant);
// The opaque or the glass objects of the draw lists; placed and animated models among them move on
// by the frame step `dt`.
void drawOpaquePass(Scene& scene, float dt);
void drawGlassPass(Scene& scene, float dt);
// One room batch with its layers; the pool must be bound.
void drawMeshBatch(const Scene& scene, const MeshBatch& batch);

// ---- the process-wide scene ----------------------------------------------------------------------

Scene& theScene();
