#pragma once
// The steps the scene's passes are made of, shared between the scene's own files and reached by its
// tests, benchmarks and fuzz targets. The rest of the program uses scene.h.
//
//   scene_load.cpp        buildScene
//   scene_views.cpp       startView and the rest of a view's life, beginSceneFrame, stepView
//   scene_camera.cpp      chooseNextCamera, refillCameraBag, updateCamera, applyCamera,
//                         frustumFromMatrices, cubeOutsideFrustum, batchOutsideFrustum
//   scene_animation.cpp   animateObject, poseRailroad, poseClock, posePlacedModel, moveModels
//   scene_visibility.cpp  resetSight, decideVisibility, openPortals, fireSceneHelpers,
//                         issueOcclusionQueries
//   scene_lights.cpp      assignLights, beginObjectLights, endObjectLights
//   scene_draw_order.cpp  findTouchingObjects, findBatchesOverlappingThemselves, orderNearestFirst
//   scene_render.cpp      drawMeshBatch, drawOpaqueBatch and the passes of scene.h
//
// The camera only places the view; visibility, animation and drawing build on it, never the other
// way round.

#include <cstddef>
#include <cstdint>

#include "scene/scene.h"

// ---- loading (scene_load.cpp) --------------------------------------------------------------------

// loadSceneFile from bytes already in memory.
void buildScene(Scene& scene, const SceneServices& services, const std::uint8_t* data, std::size_t size);

// ---- camera (scene_camera.cpp) -------------------------------------------------------------------

// Takes a camera out of the view's bag: entry view.random.next() mod (n − 1), or entry 0 when n is 1
// (from there on the first entry that none of `camerasAvoided` shows, if any); an index outside the
// camera list becomes 0. Refills (and reseeds) when the bag is empty after the draw and `refill` is
// set. Returns the camera index (0 with no cameras).
int chooseNextCamera(const Scene& scene, View& view, bool refill,
                     const std::vector<int>& camerasAvoided = {});
// Fills the view's bag with every camera index and seeds its random sequence: the scene's seed (or
// the tick count) plus the view's seed offset.
void refillCameraBag(const Scene& scene, View& view);
// One camera step of `dt` on the view's current camera, then the cut at a path end (avoiding
// `camerasAvoided` as chooseNextCamera does). Returns true when the capture for the cross-fade is to
// be taken (one key before the end). With no cameras, or with the still camera, the pose stays where
// the start put it and no capture is asked for.
bool updateCamera(const Scene& scene, View& view, float dt, const std::vector<int>& camerasAvoided = {});
// Projection (field of view, aspect 1.33, near 1, far 3000), look-at, perspective hint; the view's
// frustum from them.
void applyCamera(View& view);
// Frustum planes from column-major projection and model-view matrices, each normalised by (a, b, c).
Frustum frustumFromMatrices(const float projection[16], const float modelView[16]);
// True when the cube centre ± size lies wholly behind one of the planes.
bool cubeOutsideFrustum(const Frustum& frustum, Vec3 centre, float size);
// True when the batch's box lies wholly behind one plane of the frustum, a unit of margin given.
bool batchOutsideFrustum(const Frustum& frustum, const MeshBatch& batch);

// ---- animation (scene_animation.cpp) -------------------------------------------------------------

// One key-animation step of `dt` on a key-animated object.
void animateObject(SceneObject& object, float dt);
// Turns the locomotive and wagons, places the steam helper, then advances the train angle by `dt`.
void poseRailroad(Scene& scene, SceneObject& object, float dt);
// Sets the clock hands from the time.
void poseClock(SceneObject& object, const ClockTime& time);
// Position, railroad, clock and updateInstance of one placed model, moved on by the frame step `dt`;
// the model's emitters fire through `fire`.
void posePlacedModel(Scene& scene, SceneObject& object, float dt, const EmitterHook& fire);
// The placed and animated models of `list`, in list order, moved on by `dt` and stamped with the
// scene frame: all of them, or with `onlyUnmoved` those no view has moved this frame. Their emitters
// spawn their effects from `view`'s random sequence, pulled to its camera.
void moveModels(Scene& scene, View& view, const std::vector<int>& list, float dt, bool onlyUnmoved);

// ---- visibility (scene_visibility.cpp) -----------------------------------------------------------

// Nothing visible to the view, no helper triggered.
void resetSight(const Scene& scene, View& view);
// The roots the view's camera is inside and what hangs below them, the portals, the frustum test
// (plain variant) or last frame's occlusion queries of the placed models, the helpers that fire, and
// the rebuilt draw lists. Loads the view's camera.
void decideVisibility(Scene& scene, View& view, bool occlusionVariant);
// Each portal whose helper is triggered makes its revealed objects visible, with what hangs below
// them (child objects and the triggers of child helpers). Call after the roots have passed on their
// flags and before the helpers fire.
void openPortals(const Scene& scene, View& view);
// Each helper triggered for the view that has not fired this frame fires: a light helper sets the
// helper light, an emitter spawns its effect from the view's random sequence. Every trigger is
// cleared.
void fireSceneHelpers(Scene& scene, View& view);
// Draws the box of every placed model below a visible parent inside the view's occlusion query,
// changing no pixel and no depth; decideVisibility reads the results next frame.
void issueOcclusionQueries(const Scene& scene, View& view);

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
// The list's objects into View::drawOrder, nearest to the view's camera first where the picture
// allows: what stands in the room that holds the camera, then the room's walls, then what is seen
// through its windows. An object that blends keeps its place and no object moves past it, nor past
// an object it touches.
void orderNearestFirst(const Scene& scene, View& view, const std::vector<int>& list);

// ---- drawing (scene_render.cpp) ------------------------------------------------------------------

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
