#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/log.h"
#include "media/archive.h"
#include "model/model_manager.h"
#include "model/vertex_pool.h"
#include "scene/scene_internal.h"

namespace {

constexpr const char* kScenePath = "Models/test.BSS";

void showAdas(const SceneServices& services) {
    if (services.showMessage) services.showMessage("Error", "adas");
}

// "None" and names of 4 characters or fewer mean no texture.
bool namesTexture(const std::string& name) { return name.size() > 4; }

void setBox(SceneObject& object, const std::vector<Vec3>& positions) {
    if (positions.empty()) return;
    Vec3 lo = positions[0], hi = positions[0];
    for (const Vec3& p : positions) {
        lo = {std::fmin(lo.x, p.x), std::fmin(lo.y, p.y), std::fmin(lo.z, p.z)};
        hi = {std::fmax(hi.x, p.x), std::fmax(hi.y, p.y), std::fmax(hi.z, p.z)};
    }
    object.boxMin = lo;
    object.boxMax = hi;
    object.extent = hi - lo;
    object.centre = (hi + lo) * 0.5f;
    const Vec3 d = hi - lo;
    object.size = std::sqrt(dot(d, d));
    object.radius = object.size * 0.5f;
}

// The box of the batch's corners in the pool.
void setBatchBox(MeshBatch& batch, const SharedVertexPool& pool) {
    for (int i = 0; i < batch.cornerCount; ++i) {
        const float* p = pool[std::size_t(batch.firstCorner + i)].position;
        const Vec3 v{p[0], p[1], p[2]};
        batch.boxMin = i == 0 ? v
                              : Vec3{std::fmin(batch.boxMin.x, v.x), std::fmin(batch.boxMin.y, v.y),
                                     std::fmin(batch.boxMin.z, v.z)};
        batch.boxMax = i == 0 ? v
                              : Vec3{std::fmax(batch.boxMax.x, v.x), std::fmax(batch.boxMax.y, v.y),
                                     std::fmax(batch.boxMax.z, v.z)};
    }
}

SceneObject buildRoomMesh(const BssMeshRecord& mesh, const SceneServices& services) {
    SceneObject object;
    object.name = mesh.name;
    object.parentName = mesh.parentName;
    object.kind = SceneObjectKind::RoomMesh;
    object.root = mesh.parentName == kSceneRootName;
    object.unlit = mesh.hasLightMap;
    object.glass = mesh.name == "glass";
    setBox(object, mesh.positions);

    SharedVertexPool& pool = *services.pool;
    const int poolStart = int(pool.size());
    const long long cornerTotal = static_cast<long long>(mesh.faces.size()) * 3;
    if (mesh.declaredMaterialCount > kMaterialWarningCount) showAdas(services);
    const int materialCount = int(mesh.materials.size());
    const auto texture = [&services](const std::string& name) {
        return services.sources.getTexture ? services.sources.getTexture("Textures/" + name) : 0u;
    };
    unsigned lightMap = 0;
    if (mesh.hasLightMap) lightMap = texture(mesh.lightMapName);
    for (const BssMaterialRecord& entry : mesh.materials) {
        if (entry.cornerCount < 1) continue;
        // A range reaching outside this object's corners would draw other objects' triangles.
        const long long first = std::max<long long>(entry.firstCorner, 0);
        const long long end =
            std::min<long long>(static_cast<long long>(entry.firstCorner) + entry.cornerCount, cornerTotal);
        if (end <= first) continue;
        const int ref = entry.materialRef >= 0 && entry.materialRef < materialCount ? entry.materialRef : 0;
        const BssMaterialRecord& names = mesh.materials[std::size_t(ref)];
        MeshBatch batch;
        batch.firstCorner = poolStart + int(first);
        batch.cornerCount = int(end - first);
        batch.twoSided = names.twoSided;
        batch.glass = object.glass;
        batch.hasDiffuse = namesTexture(names.diffuseName);
        if (batch.hasDiffuse) batch.diffuseTexture = texture(names.diffuseName);
        batch.additive = names.diffuseName.compare(0, 2, "ad") == 0;
        batch.hasReflection = names.hasReflection;
        if (batch.hasReflection) batch.reflectionTexture = texture(names.reflectionName);
        batch.hasIllumination = names.hasIllumination;
        if (batch.hasIllumination) batch.illuminationTexture = texture(names.illuminationName);
        batch.hasLightMap = mesh.hasLightMap;
        batch.lightMapTexture = lightMap;
        const auto opaque = [&services](unsigned name) {
            return name != 0 && services.sources.textureIsOpaque && services.sources.textureIsOpaque(name);
        };
        batch.opaque = batch.hasDiffuse && !batch.additive && !batch.hasReflection &&
                       !batch.hasIllumination && opaque(batch.diffuseTexture) &&
                       (!batch.hasLightMap || opaque(batch.lightMapTexture));
        object.batches.push_back(batch);
    }

    const std::uint32_t first = pool.append(std::size_t(cornerTotal));
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        for (int c = 0; c < 3; ++c) {
            PoolVertex& v = pool[first + f * 3 + std::size_t(c)];
            const Vec3& p = mesh.positions[std::size_t(mesh.faces[f][c])];
            const Vec3 n = normalised(mesh.normals[f * 3 + std::size_t(c)]);
            const Vec3& uv = mesh.uvs[std::size_t(mesh.uvFaces[f][c])];
            v.position[0] = p.x, v.position[1] = p.y, v.position[2] = p.z;
            v.normal[0] = n.x, v.normal[1] = n.y, v.normal[2] = n.z;
            v.uv0[0] = uv.x, v.uv0[1] = uv.y;
            if (mesh.hasLightMap) {
                const Vec3& luv = mesh.lightUvs[std::size_t(mesh.lightUvFaces[f][c])];
                v.uv1[0] = luv.x, v.uv1[1] = luv.y;
            }
        }
    }
    for (MeshBatch& batch : object.batches) setBatchBox(batch, pool);
    return object;
}

// "instance candle" places "candle"; "instance tall candle" would place "instance tall".
std::string modelNameOf(const std::string& helperName) {
    std::string shortName = helperShortName(helperName);
    const std::size_t space = shortName.rfind(' ');
    if (space != std::string::npos) shortName.resize(space);
    return shortName;
}

SceneObject buildHelperObject(const BssHelperRecord& helper, const SceneServices& services) {
    SceneObject object;
    object.name = helper.name;
    object.parentName = helper.parentName;
    object.root = helper.parentName == kSceneRootName;
    object.size = 1000;
    if (!helper.positions.empty()) {
        object.centre = helper.positions[0];
        object.rotation = helper.rotations[0];
    }
    if (helper.positions.size() > 1) {
        object.keyAnimated = true;
        object.keys.positions = helper.positions;
        object.keys.rotations = helper.rotations;
        object.keys.hold = helper.hold;
    }
    const std::string modelName = modelNameOf(helper.name);
    if (helper.kind == HelperKind::PlacedModel) {
        object.kind = SceneObjectKind::PlacedModel;
        object.instance = std::make_unique<ModelInstance>();
        if (services.models) services.models->createInstance(*object.instance, modelName);
        object.instance->rotation = object.rotation;
        object.instance->position = object.centre;
        object.extent = object.instance->extent;
        object.radius = object.instance->radius;
    } else {
        object.kind = SceneObjectKind::AnimatedModel;
        object.animated = std::make_unique<AnimatedModel>();
        object.animated->modelMatrix.setRotation(object.rotation);
        loadAnimatedModel(*object.animated, modelName, services.sources);
        object.animated->playing = true;
        object.animated->playbackSpeed = 0.2f;
        object.animated->targetAnimation = 0;
        object.animated->crossFading = true;
        object.animated->crossFadeRate = 0.2f;
        // A skinned model's reach is not worked out; it counts as reaching everywhere.
        object.radius = 1e30f;
    }
    return object;
}

ScenePortal buildPortal(BssPortalRecord& read) {
    ScenePortal portal;
    portal.name = std::move(read.name);
    portal.targetName = std::move(read.targetName);
    portal.points = std::move(read.points);
    Vec3 sum;
    for (const Vec3& p : portal.points) sum = sum + p;
    if (!portal.points.empty()) portal.centre = sum * (1.0f / float(portal.points.size()));
    return portal;
}

// A helper that is no model opens every portal aimed at its name; with several helpers of one name
// the last in the file holds the link.
void linkPortalsToHelper(Scene& scene, int helperIndex) {
    const std::string& name = scene.helpers[std::size_t(helperIndex)].helper.name;
    for (ScenePortal& portal : scene.portals) {
        if (portal.targetName == name) portal.triggerHelper = helperIndex;
    }
}

void linkObjects(Scene& scene) {
    for (std::size_t a = 0; a < scene.objects.size(); ++a) {
        for (std::size_t b = 0; b < scene.objects.size(); ++b) {
            if (scene.objects[b].parentName == scene.objects[a].name) {
                scene.objects[a].childObjects.push_back(int(b));
                scene.objects[b].parent = int(a);
            }
        }
        for (std::size_t h = 0; h < scene.helpers.size(); ++h) {
            const ModelHelper& helper = scene.helpers[h].helper;
            if (helper.kind != HelperKind::Light && helper.parentName == scene.objects[a].name) {
                scene.objects[a].childHelpers.push_back(int(h));
            }
        }
        for (ScenePortal& portal : scene.portals) {
            if (portal.name == scene.objects[a].name) portal.revealedObjects.push_back(int(a));
        }
    }
}

}  // namespace

void buildScene(Scene& scene, const SceneServices& services, const std::uint8_t* data, std::size_t size) {
    releaseScene(scene);
    scene.services = services;
    BssContents file;
    std::string error;
    if (!parseBss(data, size, file, error)) {
        logLine("Scene file damaged: ", error);
        file = BssContents{};
    }

    std::vector<SceneObject> roomMeshes, placed, animated;
    for (const BssMeshRecord& mesh : file.meshes) {
        if (!services.pool) break;
        SceneObject object = buildRoomMesh(mesh, services);
        if (object.name == "vismesh") {
            scene.visMesh = std::make_unique<SceneObject>(std::move(object));
        } else {
            roomMeshes.push_back(std::move(object));
        }
    }
    for (BssPortalRecord& portal : file.portals) scene.portals.push_back(buildPortal(portal));

    for (SceneCamera& camera : file.cameras) {
        if (camera.keyCount() < 1) continue;  // a path without keys cannot be shown
        for (Quat& q : camera.rotations) q = conjugate(q);
        scene.cameras.push_back(std::move(camera));
    }

    for (const BssHelperRecord& helper : file.helpers) {
        if (helper.kind == HelperKind::PlacedModel) {
            placed.push_back(buildHelperObject(helper, services));
        } else if (helper.kind == HelperKind::AnimatedModel) {
            animated.push_back(buildHelperObject(helper, services));
        } else {
            SceneHelper sceneHelper;
            sceneHelper.helper.name = helper.name;
            sceneHelper.helper.shortName = helperShortName(helper.name);
            sceneHelper.helper.parentName = helper.parentName;
            sceneHelper.helper.kind = helper.kind;
            if (!helper.positions.empty()) {
                sceneHelper.helper.position = sceneHelper.helper.worldPosition = helper.positions[0];
                sceneHelper.helper.rotation = helper.rotations[0];
            }
            sceneHelper.hold = helper.hold;
            scene.helpers.push_back(std::move(sceneHelper));
            linkPortalsToHelper(scene, int(scene.helpers.size()) - 1);
        }
    }

    for (const SceneLight& light : file.lights) {
        if (light.declaredIncludeCount > kIncludeWarningCount) showAdas(services);
    }
    scene.lights = std::move(file.lights);

    for (auto* group : {&roomMeshes, &placed, &animated}) {
        for (SceneObject& object : *group) scene.objects.push_back(std::move(object));
    }
    linkObjects(scene);
    if (services.pool) {
        findTouchingObjects(scene, *services.pool);
        findBatchesOverlappingThemselves(scene, *services.pool);
    }
    assignLights(scene);
}

void loadSceneFile(Scene& scene, const SceneServices& services) {
    FileBuffer file = services.sources.readFile ? services.sources.readFile(kScenePath) : FileBuffer{};
    ScopedFileBuffer owner(file);
    buildScene(scene, services, file.data, file.size);
}

void releaseScene(Scene& scene) {
    scene.objects.clear();
    scene.visMesh.reset();
    scene.portals.clear();
    scene.cameras.clear();
    scene.helpers.clear();
    scene.lights.clear();
    scene.trainAngle = 0;
    scene.helperLight = false;
}
