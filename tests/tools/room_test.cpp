// The room of the media generator: the modelling toolkit, the placed models and the scene file,
// read back by the engine's own parsers.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <tuple>

#include "core/maths.h"
#include "mediagen/lightmap.h"
#include "mediagen/mesh.h"
#include "mediagen/model.h"
#include "mediagen/room.h"
#include "mediagen/room_textures.h"
#include "model/bsm_file.h"
#include "scene/bss_file.h"
#include "scene/scene.h"

using namespace mediagen;
using modelling::Mesh;
namespace md = mediagen::modelling;

namespace {

// Every face normal points away from `centre` (closed convex-ish shapes round it).
void expectFacesOutward(const Mesh& mesh, md::Vec3 centre, const char* what) {
    ASSERT_FALSE(mesh.faces.empty()) << what;
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        md::Vec3 middle;
        for (int c = 0; c < 3; ++c) middle = middle + mesh.positions[mesh.faces[f][c]] * (1.0f / 3);
        EXPECT_GT(md::dot(md::faceNormal(mesh, f), middle - centre), 0) << what << " face " << f;
    }
}

const PlacedModel& find(const std::vector<PlacedModel>& models, const std::string& name) {
    for (const PlacedModel& m : models)
        if (m.name == name) return m;
    throw std::runtime_error("no model " + name);
}

BsmContents parsed(const PlacedModel& model) {
    const Bytes bytes = encodeBsm(model.builder.model());
    BsmContents contents;
    std::string error;
    EXPECT_TRUE(parseBsm(bytes.data(), bytes.size(), contents, error)) << model.name << ": " << error;
    return contents;
}

// rotate(q, v) as the engine does it: q ⊗ v ⊗ conj(q).
md::Vec3 turn(::Quat q, md::Vec3 v) {
    const md::Vec3 u{q.x, q.y, q.z};
    const md::Vec3 t = md::cross(u, v) * 2;
    return v + t * q.w + md::cross(u, t);
}

}  // namespace

TEST(RoomToolkit, PrimitivesFaceOutwardWithExpectedTriangleCounts) {
    Mesh box;
    md::addBox(box, {-1, -2, -3}, {4, 5, 6}, 10);
    EXPECT_EQ(box.triangleCount(), 12u);
    expectFacesOutward(box, {1.5f, 1.5f, 1.5f}, "box");

    Mesh inward;
    md::addBox(inward, {0, 0, 0}, {2, 2, 2}, 10, true);
    for (std::size_t f = 0; f < inward.faces.size(); ++f) {
        md::Vec3 middle;
        for (int c = 0; c < 3; ++c) middle = middle + inward.positions[inward.faces[f][c]] * (1.0f / 3);
        EXPECT_LT(md::dot(md::faceNormal(inward, f), middle - md::Vec3{1, 1, 1}), 0);
    }

    Mesh cylinder;
    md::addCylinder(cylinder, 2, -1, 3, 16, 10);
    // 16 side quads and two 16-triangle caps; the triangles collapsed onto the axis are left out.
    EXPECT_EQ(cylinder.triangleCount(), 16u * 2 + 16 * 2);
    expectFacesOutward(cylinder, {0, 0, 1}, "cylinder");

    Mesh sphere;
    md::addSphere(sphere, {5, 5, 5}, 3, 12, 8, 10);
    EXPECT_EQ(sphere.triangleCount(), 12u * 2 * 8 - 12 * 2);
    expectFacesOutward(sphere, {5, 5, 5}, "sphere");

    Mesh cone, bevelled, star;
    md::addCone(cone, 3, 0, 5, 10, 10);
    expectFacesOutward(cone, {0, 0, 1}, "cone");
    md::addBevelledBox(bevelled, {0, 0, 0}, {10, 6, 4}, 1, 10);
    expectFacesOutward(bevelled, {5, 3, 2}, "bevelled box");
    std::vector<md::Vec2> outline;
    for (int i = 0; i < 10; ++i) {
        const float a = 6.2831853f * float(i) / 10, r = i % 2 ? 2.0f : 5.0f;
        outline.push_back({r * std::cos(a), r * std::sin(a)});
    }
    md::addExtrusion(star, outline, -1, 1, 10);
    // A concave outline: 10 sides of 2 triangles and two caps of 8.
    EXPECT_EQ(star.triangleCount(), 20u + 16);
    expectFacesOutward(star, {0, 0, 0}, "star");
}

TEST(RoomToolkit, ExtrusionCapsCoverTheOutlineExactly) {
    // An L-shaped outline, clockwise on purpose: area 3.
    const std::vector<md::Vec2> outline{{0, 0}, {0, 2}, {1, 2}, {1, 1}, {2, 1}, {2, 0}};
    Mesh mesh;
    md::addExtrusion(mesh, outline, 0, 1, 10);
    float capArea = 0;
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        const md::Vec3 n = md::faceNormal(mesh, f);
        if (n.z > 0.9f) {
            const auto& t = mesh.faces[f];
            capArea += md::length(md::cross(mesh.positions[t[1]] - mesh.positions[t[0]],
                                            mesh.positions[t[2]] - mesh.positions[t[0]])) /
                       2;
        }
    }
    EXPECT_NEAR(capArea, 3.0f, 1e-4f);
}

TEST(RoomToolkit, CreaseAngleKeepsBoxFlatAndSphereSmooth) {
    Mesh box;
    md::addBox(box, {0, 0, 0}, {1, 1, 1}, 1);
    // Shared corners so the crease decides, not the vertex layout.
    Mesh welded;
    md::addBevelledBox(welded, {0, 0, 0}, {2, 2, 2}, 0.01f, 1);
    md::computeNormals(box, 40);
    for (std::size_t f = 0; f < box.faces.size(); ++f)
        for (int c = 0; c < 3; ++c)
            EXPECT_GT(md::dot(box.normals[f * 3 + c], md::faceNormal(box, f)), 0.999f);
    Mesh sphere;
    md::addSphere(sphere, {0, 0, 0}, 2, 16, 10, 10);
    md::computeNormals(sphere, 60);
    for (std::size_t f = 0; f < sphere.faces.size(); ++f)
        for (int c = 0; c < 3; ++c) {
            const md::Vec3 radial = md::normalized(sphere.positions[sphere.faces[f][c]]);
            EXPECT_GT(md::dot(sphere.normals[f * 3 + c], radial), 0.98f);
        }
}

TEST(RoomToolkit, UvProjectionsKeepTexelDensityAndRanges) {
    Mesh box;
    md::addBox(box, {0, 0, 0}, {200, 100, 50}, 100);
    float maxU = 0;
    for (const md::Vec2& uv : box.uvs) maxU = std::max(maxU, uv.u);
    EXPECT_FLOAT_EQ(maxU, 2.0f);  // 200 units at 100 per repeat
    Mesh sphere;
    md::addSphere(sphere, {0, 0, 0}, 1, 12, 8, 1);
    md::sphericalUv(sphere, {0, 0, 0});
    for (std::size_t f = 0; f < sphere.faces.size(); ++f) {
        float lo = 9, hi = -9;
        for (int c = 0; c < 3; ++c) {
            const md::Vec2 uv = sphere.uvs[sphere.uvFaces[f][c]];
            EXPECT_GE(uv.v, 0.0f);
            EXPECT_LE(uv.v, 1.0f);
            lo = std::min(lo, uv.u);
            hi = std::max(hi, uv.u);
        }
        // No face smears the whole picture across itself at the seam.
        EXPECT_LT(hi - lo, 0.5f) << "face " << f;
    }
    Mesh moved;
    md::addBox(moved, {0, 0, 0}, {1, 1, 1}, 1);
    md::transform(moved, md::Affine::scaling({-1, 1, 1}));  // a mirror keeps faces outward
    expectFacesOutward(moved, {-0.5f, 0.5f, 0.5f}, "mirrored box");
}

TEST(RoomModels, EveryModelPassesTheEngineParserWithItsContractNames) {
    const std::vector<PlacedModel> models = buildPlacedModels(0);
    for (const PlacedModel& model : models) {
        const BsmContents contents = parsed(model);
        ASSERT_FALSE(contents.meshes.empty()) << model.name;
        EXPECT_EQ(contents.meshes.front().nodeName, "Hull") << model.name;
        int collision = 0;
        for (const BsmMeshRecord& mesh : contents.meshes)
            collision += mesh.nodeName == "CollMesh" && !mesh.hasParent;
        EXPECT_EQ(collision, 1) << model.name;
        EXPECT_GE(model.builder.drawnTriangles(), 200u) << model.name;
        EXPECT_LE(model.builder.drawnTriangles(), 20000u) << model.name;
    }

    const BsmContents fir = parsed(find(models, "fir"));
    int lights = 0;
    for (const ModelHelper& h : fir.helpers)
        lights += h.parentName == "Hull" && h.name.rfind("emit ", 0) == 0;
    EXPECT_EQ(lights, 72);
    bool ornaments = false;
    for (const BsmMeshRecord& mesh : fir.meshes)
        ornaments = ornaments || (mesh.hasReflection && mesh.reflectionTexture == "tex_reflection2.tga");
    EXPECT_TRUE(ornaments);

    const BsmContents rail = parsed(find(models, "railroad"));
    std::map<std::string, std::string> parent;
    for (const BsmMeshRecord& mesh : rail.meshes) parent[mesh.nodeName] = mesh.parentName;
    EXPECT_EQ(parent["loco"], "Hull");
    EXPECT_EQ(parent["wagon01"], "Hull");
    EXPECT_EQ(parent["wagon02"], "Hull");
    EXPECT_EQ(parent["teddy"], "wagon01");
    EXPECT_EQ(parent["lollipopsinwagon"], "wagon02");
    EXPECT_EQ(parent["CollMesh"], "Scene Root");
    bool steam = false;
    for (const ModelHelper& h : rail.helpers) steam = steam || h.name == "emit locosteam";
    EXPECT_TRUE(steam);
    // The cars turn about the track centre, so their pivots lie on the z axis.
    for (const BsmMeshRecord& mesh : rail.meshes)
        if (mesh.nodeName == "loco" || mesh.nodeName == "wagon01" || mesh.nodeName == "wagon02") {
            EXPECT_EQ(mesh.pivot.x, 0);
            EXPECT_EQ(mesh.pivot.y, 0);
        }

    // The clock hands turn about y on the face centre: every hand's pivot is the same point and the
    // hand lies in a plane of constant y, so turning about y keeps it flat on the face.
    const BsmModel& clock = find(models, "Clock").builder.model();
    int hands = 0;
    for (const BsmMesh& mesh : clock.meshes) {
        if (mesh.nodeName.rfind("Arrow0", 0) != 0) continue;
        ++hands;
        EXPECT_FLOAT_EQ(mesh.pivot.x, 0);
        EXPECT_FLOAT_EQ(mesh.pivot.z, 24);
        float lo = 1e9f, hi = -1e9f;
        for (const ::Vec3& p : mesh.positions) {
            lo = std::min(lo, p.y);
            hi = std::max(hi, p.y);
        }
        EXPECT_LT(hi - lo, 0.5f) << mesh.nodeName;
        EXPECT_GT(lo, mesh.pivot.y - 0.1f) << mesh.nodeName << " sits in front of the face";
    }
    EXPECT_EQ(hands, 3);

    for (const char* name : {"candle", "tallcandle"}) {
        const BsmContents candle = parsed(find(models, name));
        EXPECT_TRUE(candle.meshes.front().hasIllumination);
        EXPECT_EQ(candle.meshes.front().illuminationTexture, "tex_candle_i.tga");
        ASSERT_EQ(candle.helpers.size(), 1u);
        EXPECT_EQ(candle.helpers[0].name, "emit candle");
    }
    const BsmContents chain = parsed(find(models, "lightchain"));
    EXPECT_EQ(chain.helpers.size(), 49u);
    const BsmContents wood = parsed(find(models, "firewood"));
    bool glowing = false;
    for (const BsmMeshRecord& mesh : wood.meshes)
        glowing = glowing || (mesh.illuminationTexture == "tex_firewood_glow.tga" && mesh.scrollV == 0.5f);
    EXPECT_TRUE(glowing);
}

TEST(RoomScene, TheSceneFilePassesTheEngineParserWithCamerasInsideTheRoom) {
    const RoomLayout layout = buildRoomLayout();
    const BssScene scene = buildScene(layout);
    const Bytes bytes = encodeBss(scene);
    BssContents file;
    std::string error;
    ASSERT_TRUE(parseBss(bytes.data(), bytes.size(), file, error)) << error;

    int roots = 0;
    bool glass = false;
    md::Vec3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
    for (const BssMeshRecord& mesh : file.meshes) {
        roots += mesh.parentName == "Scene Root";
        glass = glass || mesh.name == "glass";
        if (mesh.name != "room") continue;
        EXPECT_EQ(mesh.parentName, "Scene Root");
        for (const auto& p : mesh.positions) {
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        }
    }
    EXPECT_EQ(roots, 1);
    EXPECT_TRUE(glass);
    EXPECT_GE(file.meshes.size(), 25u);

    int placed = 0, fires = 0, snow = 0;
    for (const BssHelperRecord& h : file.helpers) {
        placed += h.kind == HelperKind::PlacedModel;
        fires += h.kind == HelperKind::AnimatedModel && h.name == "animmodel fireplace_fire";
        snow += h.kind == HelperKind::Emitter && h.name == "emit snowfall";
        EXPECT_EQ(h.parentName, "room");
    }
    EXPECT_EQ(placed, 24);
    EXPECT_EQ(fires, 1);
    EXPECT_GE(snow, 2);

    ASSERT_EQ(file.lights.size(), 1u);
    EXPECT_EQ(file.lights[0].includeNames.size(), 24u);
    EXPECT_FLOAT_EQ(file.lights[0].quadraticAttenuation, 552.8f * 0.000002f);

    const std::vector<PlacedModel> models = buildPlacedModels(0);
    ASSERT_EQ(file.cameras.size(), 5u);
    for (std::size_t c = 0; c < file.cameras.size(); ++c) {
        const SceneCamera& camera = file.cameras[c];
        ASSERT_EQ(camera.keyCount(), 300);
        for (int k = 0; k < camera.keyCount(); ++k) {
            const auto& p = camera.positions[k];
            EXPECT_TRUE(p.x > lo.x && p.y > lo.y && p.z > lo.z && p.x < hi.x && p.y < hi.y && p.z < hi.z)
                << "camera " << c << " key " << k;
            EXPECT_TRUE(camera.fieldsOfView[k] == 1.309f || camera.fieldsOfView[k] == 1.134f);
            for (const Placement& placement : layout.placements) {
                md::Vec3 bl, bh;
                placedBox(placement, find(models, placement.model), bl, bh);
                EXPECT_FALSE(p.x > bl.x && p.y > bl.y && p.z > bl.z && p.x < bh.x && p.y < bh.y && p.z < bh.z)
                    << "camera " << c << " key " << k << " inside " << placement.model;
            }
            if (k == 0) continue;
            // Smooth: small steps, and neighbouring rotations on the same side of the sphere.
            const auto& q0 = camera.rotations[k - 1];
            const auto& q1 = camera.rotations[k];
            EXPECT_GT(q0.x * q1.x + q0.y * q1.y + q0.z * q1.z + q0.w * q1.w, 0.995f)
                << "camera " << c << " key " << k;
            const auto& p0 = camera.positions[k - 1];
            EXPECT_LT(std::hypot(p.x - p0.x, std::hypot(p.y - p0.y, p.z - p0.z)), 4.0f);
        }
    }
    // The orientation (the conjugate of what the file stores) turns (0, 0, −1) towards what the
    // path looks at: the first path starts looking at the tree.
    const ::Quat stored = scene.cameras[0].rotations[0];
    const md::Vec3 view = turn(::Quat{-stored.x, -stored.y, -stored.z, stored.w}, md::Vec3{0, 0, -1});
    const ::Vec3 eye = scene.cameras[0].positions[0];
    const md::Vec3 toTree = md::normalized(md::Vec3{210, 110, 136} - md::Vec3{eye.x, eye.y, eye.z});
    EXPECT_GT(md::dot(view, toTree), 0.999f);
    const md::Vec3 up = turn(::Quat{-stored.x, -stored.y, -stored.z, stored.w}, md::Vec3{0, 1, 0});
    EXPECT_GT(up.z, 0.9f);
}

namespace {

// The boxes of a mesh's separate pieces: faces that share a corner position belong to one piece.
std::vector<std::pair<md::Vec3, md::Vec3>> pieceBoxes(const Mesh& mesh) {
    std::vector<int> parent(mesh.positions.size());
    for (std::size_t i = 0; i < parent.size(); ++i) parent[i] = int(i);
    auto root = [&](int i) {
        while (parent[std::size_t(i)] != i)
            i = parent[std::size_t(i)] = parent[std::size_t(parent[std::size_t(i)])];
        return i;
    };
    std::map<std::tuple<float, float, float>, int> same;
    for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
        const md::Vec3 p = mesh.positions[i];
        const auto found = same.emplace(std::make_tuple(p.x, p.y, p.z), int(i));
        parent[std::size_t(root(int(i)))] = root(found.first->second);
    }
    for (const md::Tri& face : mesh.faces) {
        parent[std::size_t(root(face[1]))] = root(face[0]);
        parent[std::size_t(root(face[2]))] = root(face[0]);
    }
    std::map<int, std::pair<md::Vec3, md::Vec3>> boxes;
    for (const md::Tri& face : mesh.faces)
        for (int c = 0; c < 3; ++c) {
            const md::Vec3 p = mesh.positions[std::size_t(face[std::size_t(c)])];
            auto inserted = boxes.emplace(root(face[0]), std::make_pair(p, p));
            md::Vec3& lo = inserted.first->second.first;
            md::Vec3& hi = inserted.first->second.second;
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        }
    std::vector<std::pair<md::Vec3, md::Vec3>> out;
    for (const auto& entry : boxes) out.push_back(entry.second);
    return out;
}

}  // namespace

TEST(RoomScene, NoCameraKeyLiesInsideOrTouchesAnyPieceOfFurniture) {
    const RoomLayout layout = buildRoomLayout();
    // The shell and the world outside are boxes the cameras live in, not furniture.
    const std::set<std::string> shell{"room", "floor",        "ceiling", "rug",     "garden",
                                      "sky",  "outsidewalls", "moon",    "cottage", "cottageroof"};
    std::vector<std::pair<std::string, std::pair<md::Vec3, md::Vec3>>> furniture;
    for (const RoomObject& object : layout.objects) {
        if (shell.count(object.name)) continue;
        for (const auto& box : pieceBoxes(object.mesh)) furniture.push_back({object.name, box});
    }
    // The bookshelf, the mantel and the window frames are all there, as several pieces each.
    std::map<std::string, int> pieces;
    for (const auto& entry : furniture) ++pieces[entry.first];
    for (const char* name :
         {"bookshelf", "books", "mantel", "windowframe_east", "doorframe", "pictureframes", "sidetable"})
        EXPECT_GE(pieces[name], 1) << name;
    EXPECT_GE(pieces["books"], 60) << "one piece per book";

    const float clearance = 8;  // the near plane is 1; keep the lens well off every surface
    const std::vector<BssCamera> cameras = cameraPaths();
    for (std::size_t c = 0; c < cameras.size(); ++c)
        for (std::size_t k = 0; k < cameras[c].positions.size(); ++k) {
            const ::Vec3 p = cameras[c].positions[k];
            for (const auto& entry : furniture) {
                const md::Vec3 lo = entry.second.first, hi = entry.second.second;
                const bool inside = p.x > lo.x - clearance && p.y > lo.y - clearance &&
                                    p.z > lo.z - clearance && p.x < hi.x + clearance &&
                                    p.y < hi.y + clearance && p.z < hi.z + clearance;
                EXPECT_FALSE(inside) << "camera " << c << " key " << k << " in " << entry.first;
                if (inside) return;  // one report is enough to find the path
            }
        }
}

TEST(RoomScene, TheFirTreeStaysVisibleFromTheTreeAndTrainCameras) {
    // The engine hides a placed model while the camera is inside a box twice the model's size round
    // its origin: the tree camera must stay outside the fir's.
    const RoomLayout layout = buildRoomLayout();
    const std::vector<PlacedModel> models = buildPlacedModels(0);
    md::Vec3 lo, hi;
    find(models, "fir").builder.drawnBounds(lo, hi);
    const BsmModel& fir = find(models, "fir").builder.model();
    for (const BsmMesh& mesh : fir.meshes)
        if (mesh.nodeName == "CollMesh")
            for (const ::Vec3& p : mesh.positions) {
                lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
                hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
            }
    const md::Vec3 half = hi - lo;  // the box is twice the size, so its half is the full size
    md::Vec3 at;
    for (const Placement& placement : layout.placements)
        if (placement.model == "fir") at = placement.position;
    for (int camera : {0, 2}) {
        const BssCamera path = cameraPaths()[std::size_t(camera)];
        for (std::size_t k = 0; k < path.positions.size(); ++k) {
            const ::Vec3 p = path.positions[k];
            const bool inside = std::fabs(p.x - at.x) < half.x && std::fabs(p.y - at.y) < half.y &&
                                std::fabs(p.z - at.z) < half.z;
            EXPECT_FALSE(inside) << "camera " << camera << " key " << k;
            if (inside) break;
        }
    }
}

TEST(RoomModels, FirNeedleCardsFaceTheLightAboveFromEitherSide) {
    // The scene light is one-sided and hangs above the room's middle: card normals that follow the
    // cards' winding would leave every other card black, so they lean up and out of the crown.
    const std::vector<PlacedModel> models = buildPlacedModels(0);
    const BsmModel& fir = find(models, "fir").builder.model();
    int cards = 0;
    for (const BsmMesh& mesh : fir.meshes) {
        if (mesh.nodeName != "needles" && mesh.nodeName != "needles2") continue;
        ++cards;
        ASSERT_EQ(mesh.normals.size(), mesh.faces.size() * 3) << mesh.nodeName;
        for (std::size_t f = 0; f < mesh.faces.size(); ++f)
            for (int c = 0; c < 3; ++c) {
                const ::Vec3 n = mesh.normals[f * 3 + c];
                const ::Vec3 p = mesh.positions[std::size_t(mesh.faces[f][std::size_t(c)])];
                EXPECT_NEAR(std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z), 1.0f, 1e-3f);
                EXPECT_GT(n.z, 0.5f) << mesh.nodeName << " face " << f;
                // Outward from the trunk wherever the corner stands off it.
                if (std::hypot(p.x, p.y) > 5) {
                    EXPECT_GT(n.x * p.x + n.y * p.y, 0.0f) << mesh.nodeName << " face " << f;
                }
            }
    }
    EXPECT_EQ(cards, 2);
}

TEST(RoomModels, EveryTextureAModelOrRoomMeshNamesIsWritten) {
    // A misspelt name shows the engine's default texture: a grey placeholder in the middle of the room.
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / "glimmerdale_room_textures_test";
    MediaTree tree;
    tree.begin(root.string());
    makeModelTextures(tree);
    makeRoomTextures(tree);
    std::set<std::string> named;
    for (const PlacedModel& model : buildPlacedModels(0))
        for (const BsmMesh& mesh : model.builder.model().meshes) {
            if (mesh.nodeName == "CollMesh") continue;
            named.insert(mesh.diffuseTexture);
            if (mesh.hasReflection) named.insert(mesh.reflectionTexture);
            if (mesh.hasIllumination) named.insert(mesh.illuminationTexture);
        }
    for (const RoomObject& object : buildRoomLayout().objects) named.insert(object.texture);
    for (const std::string& name : named)
        EXPECT_TRUE(std::filesystem::exists(root / "main/Textures" / name)) << name;
    std::filesystem::remove_all(root);
}

namespace {

const BsmMesh& node(const BsmModel& model, const std::string& name) {
    for (const BsmMesh& mesh : model.meshes)
        if (mesh.nodeName == name) return mesh;
    throw std::runtime_error("no node " + name);
}

}  // namespace

// The dial is seen from +y, where the viewer's right is -x: the picture's right half (III) must lie
// there and its top (XII) upwards, or the numerals read mirrored and run against the hands. The
// candles' glow picture is brightest at v = 1, so the wax's v must fall once from 1 at the top of the
// wax downwards without wrapping, or the glow shows as a band further down.
TEST(RoomModels, ClockDialReadsFromTheRoomAndCandleGlowSitsUnderTheFlame) {
    const std::vector<PlacedModel> models = buildPlacedModels(0);
    const BsmMesh& face = node(find(models, "Clock").builder.model(), "face");
    int checked = 0;
    for (std::size_t f = 0; f < face.faces.size(); ++f)
        for (int c = 0; c < 3; ++c) {
            const ::Vec3 p = face.positions[std::size_t(face.faces[f][c])];
            const ::Vec3 uv = face.uvs[std::size_t(face.uvFaces[f][c])];
            if (std::fabs(p.x) > 5) {
                EXPECT_EQ(uv.x > 0.5f, p.x < 0) << "x " << p.x << " u " << uv.x;
                ++checked;
            }
            if (std::fabs(p.z - 24) > 5) {
                EXPECT_EQ(uv.y > 0.5f, p.z > 24) << "z " << p.z << " v " << uv.y;
            }
        }
    EXPECT_GT(checked, 0);

    for (const char* name : {"candle", "tallcandle"}) {
        const BsmMesh& wax = node(find(models, name).builder.model(), "Hull");
        float top = -1e9f;
        for (const ::Vec3& p : wax.positions) top = std::max(top, p.z);
        for (std::size_t f = 0; f < wax.faces.size(); ++f)
            for (int c = 0; c < 3; ++c) {
                const float z = wax.positions[std::size_t(wax.faces[f][c])].z;
                const float v = wax.uvs[std::size_t(wax.uvFaces[f][c])].y;
                EXPECT_GT(v, 0) << name;
                EXPECT_LE(v, 1) << name;
                // The brightest part of the glow (v above 0.9) stays within the top few units.
                if (v > 0.9f) {
                    EXPECT_GT(z, top - 4) << name;
                }
            }
    }

    // The star on the fir keeps its body seen edge-on: it is several units deep along y, the axis
    // it faces, and not a card.
    const BsmMesh& star = node(find(models, "fir").builder.model(), "star");
    float near = 1e9f, far = -1e9f, rimNear = 1e9f, rimFar = -1e9f;
    for (const ::Vec3& p : star.positions) {
        if (p.z < 195) continue;  // the stem
        near = std::min(near, p.y);
        far = std::max(far, p.y);
        if (std::hypot(p.x, p.z - 204) > 13) {
            rimNear = std::min(rimNear, p.y);
            rimFar = std::max(rimFar, p.y);
        }
    }
    EXPECT_GT(far - near, 8);
    EXPECT_GT(rimFar - rimNear, 1.5f) << "the star's points have thickness";
}

TEST(RoomScene, TheTrainCameraKeepsTheLocomotiveInViewWhateverTheTrainsPhase) {
    // The engine's pace: the path moves on one key every 1/0.075 frame units, the train's nodes turn
    // 0.8 × 0.6 degrees per frame unit anticlockwise round the railroad's origin, and the view is a
    // perspective of half height fov/4 (fov × 28.648735 degrees in all) at aspect 1.33.
    const RoomLayout layout = buildRoomLayout();
    const std::vector<PlacedModel> models = buildPlacedModels(0);
    md::Vec3 lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f}, track;
    for (const BsmMesh& mesh : find(models, "railroad").builder.model().meshes)
        if (mesh.nodeName == "loco")
            for (const ::Vec3& p : mesh.positions) {
                lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
                hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
            }
    for (const Placement& placement : layout.placements)
        if (placement.model == "railroad") track = placement.position;
    const md::Vec3 loco = (lo + hi) * 0.5f;
    ASSERT_GT(std::hypot(loco.x, loco.y), 50.0f) << "the locomotive stands on the circle";

    const BssCamera path = cameraPaths()[2];
    const int frames = int((path.positions.size() - 2) / 0.075f);
    for (float phase = 0; phase < 360; phase += 15) {
        int seen = 0;
        for (int frame = 0; frame < frames; ++frame) {
            const float along = float(frame) * 0.075f;
            const std::size_t k = std::size_t(along);
            const float t = along - float(k);
            auto mix = [t](float a, float b) { return a + (b - a) * t; };
            const ::Vec3 p0 = path.positions[k], p1 = path.positions[k + 1];
            const md::Vec3 eye{mix(p0.x, p1.x), mix(p0.y, p1.y), mix(p0.z, p1.z)};
            // Neighbouring keys differ little, so a normalised blend stands in for the slerp.
            const ::Quat q0 = path.rotations[k], q1 = path.rotations[k + 1];
            ::Quat q{-mix(q0.x, q1.x), -mix(q0.y, q1.y), -mix(q0.z, q1.z), mix(q0.w, q1.w)};
            const float n = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
            q = {q.x / n, q.y / n, q.z / n, q.w / n};
            const md::Vec3 forward = turn(q, {0, 0, -1}), up = turn(q, {0, 1, 0});
            const md::Vec3 right = md::cross(forward, up);

            const float a = (phase + float(frame) * 0.48f) * ::kPi / 180;
            const md::Vec3 at = track + md::Vec3{loco.x * std::cos(a) - loco.y * std::sin(a),
                                                 loco.x * std::sin(a) + loco.y * std::cos(a), loco.z};
            const md::Vec3 v = at - eye;
            const float depth = md::dot(v, forward);
            const float half = std::tan(mix(path.fieldsOfView[k], path.fieldsOfView[k + 1]) / 4);
            seen += depth > 1 && std::fabs(md::dot(v, right) / depth) < 1.33f * half &&
                    std::fabs(md::dot(v, up) / depth) < half;
        }
        EXPECT_GE(float(seen) / float(frames), 0.7f) << "train starting at " << phase << "°";
    }
}
