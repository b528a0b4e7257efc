#pragma once
// The steps the scene's passes are made of, shared between the scene's own files and reached by its
// tests, benchmarks and fuzz targets. The rest of the program uses scene.h.
//
//   scene_load.cpp        buildScene
//   scene_camera.cpp      chooseNextCamera, refillCameraBag, updateCamera, applyCamera
//   scene_animation.cpp   animateObject, poseRailroad, poseClock, posePlacedModel, updatePlacedModel
//   scene_visibility.cpp  decideVisibility, openPortals, fireSceneHelpers, frustumFromMatrices,
//                         cubeOutsideFrustum, issueOcclusionQueries
//   scene_lights.cpp      assignLights, beginObjectLights, endObjectLights
//   scene_draw_order.cpp  findTouchingObjects, findBatchesOverlappingThemselves, orderNearestFirst
//   scene_render.cpp      drawViewOpaquePass, drawMeshBatch, drawOpaqueBatch, batchOutsideFrustum
//   scene_views.cpp       swapCameraRig

#include <cstddef>
#include <cstdint>

#include "scene/scene.h"

// ---- loading (scene_load.cpp) --------------------------------------------------------------------

// loadSceneFile from bytes already in memory.
void buildScene(Scene& scene, const SceneServices& services, const std::uint8_t* data, std::size_t size);

// ---- camera (scene_camera.cpp) -------------------------------------------------------------------

// Takes a camera out of the bag: entry sharedRandom().next() mod (n − 1), or entry 0 when n is 1 (with
// camerasInUse set, the first entry from there on that no other view shows, if any); an index
// outside the camera list becomes 0. Refills (and reseeds) when the bag is empty after the draw and
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

// ---- animation (scene_animation.cpp) -------------------------------------------------------------

// One key-animation step of `dt` on a key-animated object.
void animateObject(SceneObject& object, float dt);
// Turns the locomotive and wagons, places the steam helper, then advances the train angle by `dt`.
void poseRailroad(Scene& scene, SceneObject& object, float dt);
// Sets the clock hands from the time.
void poseClock(SceneObject& object, const ClockTime& time);
// Position, railroad, clock and updateInstance (which fires the model's emitters) of one placed
// model, moved on by the frame step `dt`.
void posePlacedModel(Scene& scene, SceneObject& object, float dt);
// posePlacedModel, then renderInstance (GL) with each layer in a pass of its own.
void updatePlacedModel(Scene& scene, SceneObject& object, float dt);

// ---- visibility (scene_visibility.cpp) -----------------------------------------------------------

// The roots the camera is inside and what hangs below them, the portals, the frustum test (plain
// variant) or last frame's occlusion queries of the placed models, the helpers that fire, and the
// rebuilt draw lists.
void decideVisibility(Scene& scene, bool occlusionVariant);
// Each portal whose helper's trigger flag is set makes its revealed objects visible, with what hangs
// below them (child objects and the trigger flags of child helpers). Call after the roots have passed
// on their flags and before the helpers fire.
void openPortals(Scene& scene);
// A light helper sets the helper light, an emitter spawns its effect; every fired trigger is cleared.
void fireSceneHelpers(Scene& scene);
// Frustum planes from column-major projection and model-view matrices, each normalised by (a, b, c).
Frustum frustumFromMatrices(const float projection[16], const float modelView[16]);
// True when the cube centre ± size lies wholly behind one of the planes.
bool cubeOutsideFrustum(const Frustum& frustum, Vec3 centre, float size);
// Draws the box of every placed model below a visible parent inside its occlusion query, changing
// no pixel and no depth; decideVisibility reads the results next frame.
void issueOcclusionQueries(Scene& scene);

// ---- lights (scene_lights.cpp) -------------------------------------------------------------------

// For each object without a light map: a room mesh whose box grown by 2 × range strictly contains
// the light gets it once; otherwise it gets it once per include name equal to its name.
void assignLights(Scene& scene);
// An unlit object: lighting off. Otherwise its lights in slots 0, 1, … and lighting on.
void beginObjectLights(const Scene& scene, const SceneObject& object);
// Its slots off and lighting off again: a pass is unlit between its objects.
void endObjectLights(const Scene& scene, const SceneObject& object);

// ---- drawing order (scene_draw_order.cpp) --------------------------------------------------------

// Fills SceneObject::touching from the objects' boxes and the room meshes' triangles in the pool
// (at load).
void findTouchingObjects(Scene& scene, const SharedVertexPool& pool);
// Sets MeshBatch::overlapsItself for the light-mapped batches (at load).
void findBatchesOverlappingThemselves(Scene& scene, const SharedVertexPool& pool);
// The list's objects into Scene::drawOrder, nearest first where the picture allows: what stands in
// the room that holds the camera, then the room's walls, then what is seen through its windows. An
// object that blends keeps its place and no object moves past it, nor past an object it touches.
void orderNearestFirst(Scene& scene, const std::vector<int>& list);

// ---- drawing (scene_render.cpp) ------------------------------------------------------------------

// The opaque pass of a view, the far objects fogged: drawScene's, and another monitor's view's.
// Like every pass it starts from the baseline (gl/gl_state.h) and leaves it, the camera loaded.
void drawViewOpaquePass(Scene& scene, float dt);
// The state the batches and models of a pass are drawn in (a pass sets it up, each batch and model
// puts back what it changes): the pool bound, the camera loaded, colour white, blending on with
// (source alpha, one minus source alpha), depth writes on and GL_LESS, the alpha test on with the
// pass's reference, back faces culled, texturing on unit 0 (GL_MODULATE) alone, lighting as the
// object's lights set it.
//
// One room batch with its layers, each in a pass of its own, blended and with the pass's alpha
// test, unlit.
void drawMeshBatch(const Scene& scene, const MeshBatch& batch);
// An opaque batch (MeshBatch::opaque) in one pass: no blending and no alpha test, unlit, the light
// map multiplied in on the second texture unit from the pool's second coordinate set. A light map is
// first laid on its own over the pixels where a surface drawn earlier has the batch's depth, as the
// layered drawing's multiplying layer does. The pool's buffer must be bound (or none used).
void drawOpaqueBatch(const Scene& scene, const MeshBatch& batch);
// True when the batch's box lies wholly behind one plane of the frustum, a unit of margin given.
bool batchOutsideFrustum(const Frustum& frustum, const MeshBatch& batch);

// ---- other monitors' views (scene_views.cpp) ----------------------------------------------------

// Exchanges the rig's state with the scene's view state (and its random sequence with the shared
// one): called twice, it leaves both as they were.
void swapCameraRig(Scene& scene, CameraRig& rig);
