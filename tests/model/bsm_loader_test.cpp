#include <gtest/gtest.h>

#include <cstring>

#include "bsm_fixtures.h"
#include "core/byte_writer.h"
#include "fake_media.h"
#include "model/bsm_file.h"
#include "model/model_instance.h"
#include "model/model_manager.h"
#include "model/vertex_pool.h"
#include "test_log.h"

namespace {

using fixtures::triangleMesh;

struct LoaderTest : ::testing::Test {
    FakeMedia media;
    SharedVertexPool pool;
    ModelManager manager{pool, media.sources()};
    std::vector<std::string> notFound;
    TestLog log;

    void SetUp() override {
        manager.setNotFoundHandler([this](const std::string& text) { notFound.push_back(text); });
    }
    void put(const std::string& name, const BsmModel& model) {
        media.files["Models/" + name + ".BSM"] = encodeBsm(model);
    }
};

TEST_F(LoaderTest, MeshFieldsTexturesInFileOrderAndPoolCopy) {
    BsmModel m;
    auto plain = triangleMesh("Hull", "Scene Root");
    plain.diffuseTexture = "D:\\max\\Textures\\tex_candle.tga";
    auto both = triangleMesh("flame", "Hull", {1, 2, 3}, {1, 2, 3});
    both.scrollU = 0.25f;
    both.scrollV = 0.5f;
    both.hasReflection = true;
    both.reflectionTexture = "maps/tex_reflection2.tga";
    both.hasIllumination = true;
    both.illuminationTexture = "tex_candle_i.tga";
    m.meshes = {plain, both};
    put("candle", m);

    const Model* model = manager.loadModel("candle");
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(media.textureRequests,
              (std::vector<std::string>{"Textures/tex_candle.tga", "Textures/tex_flame.tga",
                                        "Textures/tex_reflection2.tga", "Textures/tex_candle_i.tga"}));
    ASSERT_EQ(model->meshes.size(), 2u);
    const ModelMesh& first = model->meshes[0];
    EXPECT_FALSE(first.hasParent);
    EXPECT_FALSE(first.material.hasReflection);
    EXPECT_FALSE(first.material.hasIllumination);
    EXPECT_EQ(first.material.diffuseTexture, media.textureNames["Textures/tex_candle.tga"]);
    const ModelMesh& second = model->meshes[1];
    EXPECT_TRUE(second.hasParent);
    EXPECT_EQ(second.parentName, "Hull");
    EXPECT_FLOAT_EQ(second.material.scrollU, 0.25f);
    EXPECT_FLOAT_EQ(second.material.scrollV, 0.5f);
    EXPECT_TRUE(second.material.hasReflection);
    EXPECT_EQ(second.material.reflectionTexture, media.textureNames["Textures/tex_reflection2.tga"]);
    EXPECT_EQ(second.material.illuminationTexture, media.textureNames["Textures/tex_candle_i.tga"]);

    // Two meshes, three corners each: consecutive pool ranges and their indices.
    EXPECT_EQ(first.poolFirst, 0);
    EXPECT_EQ(first.poolEnd, 3);
    EXPECT_EQ(second.poolFirst, 3);
    EXPECT_EQ(second.poolEnd, 6);
    EXPECT_EQ(second.indexCount, 3);
    EXPECT_EQ(second.indices, (std::vector<std::uint32_t>{3, 4, 5}));
    ASSERT_EQ(pool.size(), 6u);
    // Corner positions relative to the pivot; uv1 stays zero.
    EXPECT_FLOAT_EQ(pool[3].position[0], 0);
    EXPECT_FLOAT_EQ(pool[4].position[0], 1);
    EXPECT_FLOAT_EQ(pool[5].position[1], 1);
    EXPECT_FLOAT_EQ(pool[5].position[2], 0);
    EXPECT_FLOAT_EQ(pool[4].uv0[0], 1);
    EXPECT_FLOAT_EQ(pool[5].uv0[1], 1);
    EXPECT_FLOAT_EQ(pool[5].normal[2], 1);
    EXPECT_EQ(pool[5].uv1[0], 0);
    EXPECT_EQ(pool[5].uv1[1], 0);

    // A second model's ranges start right after the first's last corner.
    put("other", m);
    const Model* other = manager.loadModel("other");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->meshes[0].poolFirst, 6);
}

TEST_F(LoaderTest, ZeroFlagsHelpersPivotExtentAndShortNames) {
    BsmModel m;
    auto arrow = triangleMesh("Arrow01", "Scene root", {0, 4.747f, 6.032f}, {0, 4.747f, 6.032f});
    arrow.positions.push_back({-1, 0, 0});
    arrow.positions.push_back({3, 0, 0});
    m.meshes = {arrow};
    m.helpers.push_back(fixtures::helper("emit locosteam", "Hull", {1, 2, 3}));
    m.helpers.push_back(fixtures::helper("marker", "Hull", {0, 0, 0}, 5));
    m.helpers[0].rotation = {0, 0, 0.5f, 0.866f};
    put("clock", m);
    const Model* model = manager.loadModel("clock");
    ASSERT_NE(model, nullptr);
    const ModelMesh& mesh = model->meshes[0];
    EXPECT_TRUE(mesh.hasParent) << "only \"Scene Root\" exactly marks a root";
    EXPECT_FLOAT_EQ(mesh.corners[0].position[0], 0);
    EXPECT_FLOAT_EQ(mesh.corners[0].position[1], 0);
    EXPECT_FLOAT_EQ(mesh.corners[0].position[2], 0);
    // x spans −1..3, y 0..5.747, z 0..6.032: extent is twice the box.
    EXPECT_FLOAT_EQ(model->extent.x, 8);
    EXPECT_FLOAT_EQ(model->extent.y, 2 * 5.747f);
    EXPECT_FLOAT_EQ(model->extent.z, 2 * 6.032f);
    ASSERT_EQ(model->helpers.size(), 2u);
    EXPECT_EQ(model->helpers[0].shortName, "locosteam");
    EXPECT_EQ(model->helpers[0].parentName, "Hull");
    EXPECT_FLOAT_EQ(model->helpers[0].position.z, 3);
    EXPECT_FLOAT_EQ(model->helpers[0].rotation.z, 0.5f);
    EXPECT_EQ(model->helpers[0].kind, HelperKind::Emitter);
    EXPECT_EQ(model->helpers[1].shortName, "marker");
    EXPECT_EQ(model->helpers[1].kind, HelperKind(5));

    // A record without texture flags has just two zero bytes after scrollV; a file without helpers
    // ends with one int32 0.
    BsmModel tiny;
    tiny.meshes = {triangleMesh("Hull", "Scene Root")};
    const Bytes bytes = encodeBsm(tiny);
    const std::size_t flags = 4 + 4 + std::string("tex_Hull.tga").size() + 8;
    EXPECT_EQ(bytes[flags], 0);
    EXPECT_EQ(bytes[flags + 1], 0);
    EXPECT_EQ(bytes[flags + 2], 4) << "the node name's count follows the flags";
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.end() - 4, bytes.end()),
              (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST_F(LoaderTest, FloatIndicesTruncateTowardZero) {
    // Written by hand: indices 2.0 and 2.9999 both address entry 2.
    ByteWriter w;
    w.putInt32(1);
    w.putCountedString("t.tga");
    w.putFloat(0);
    w.putFloat(0);
    w.putUint8(0);
    w.putUint8(0);
    w.putCountedString("Hull");
    w.putCountedString("Scene Root");
    for (int count : {3, 1, 3, 1}) w.putInt32(count);
    for (int i = 0; i < 3; ++i) w.putFloat(0);  // pivot
    const float positions[] = {0, 0, 0, 1, 0, 0, 7, 8, 9};
    w.putFloats(positions, 9);
    const float faces[] = {2.0f, 2.9999f, 0.0f};
    w.putFloats(faces, 3);
    const float uvs[] = {0, 0, 0, 0.5f, 0.5f, 0, 0.25f, 0.75f, 0};
    w.putFloats(uvs, 9);
    const float uvFaces[] = {2.9999f, 2.0f, 1.5f};
    w.putFloats(uvFaces, 3);
    for (int i = 0; i < 9; ++i) w.putFloat(0);
    w.putInt32(0);
    media.files["Models/idx.BSM"] = w.take();
    const Model* model = manager.loadModel("idx");
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->meshes.size(), 1u) << log.text();
    const auto& c = model->meshes[0].corners;
    EXPECT_FLOAT_EQ(c[0].position[0], 7);
    EXPECT_FLOAT_EQ(c[1].position[2], 9);
    EXPECT_FLOAT_EQ(c[2].position[0], 0);
    EXPECT_FLOAT_EQ(c[0].u, 0.25f);
    EXPECT_FLOAT_EQ(c[1].v, 0.75f);
    EXPECT_FLOAT_EQ(c[2].u, 0.5f);
}

TEST_F(LoaderTest, LazyLoadingCaseSensitiveNamesAndNotFound) {
    BsmModel m;
    m.meshes = {triangleMesh("Hull", "Scene Root")};
    put("fir", m);
    ModelInstance a, b, c;
    manager.createInstance(a, "fir");
    manager.createInstance(b, "fir");
    EXPECT_EQ(manager.modelCount(), 1);
    EXPECT_EQ(media.fileRequests.size(), 1u);
    EXPECT_EQ(a.nodeCount(), 1);
    EXPECT_EQ(a.nodes[0].indices, b.nodes[0].indices) << "instances share the model's arrays";
    EXPECT_EQ(manager.findModel("Fir"), nullptr);

    // "Fir" is another model: its file is missing, so it is empty, silently, but takes a slot.
    manager.createInstance(c, "Fir");
    EXPECT_EQ(manager.modelCount(), 2);
    const Model* missing = manager.findModel("Fir");
    ASSERT_NE(missing, nullptr);
    EXPECT_TRUE(missing->meshes.empty());
    EXPECT_FLOAT_EQ(missing->extent.x, -3999996.0f);
    EXPECT_FLOAT_EQ(missing->extent.z, -3999996.0f);
    EXPECT_EQ(c.nodeCount(), 0);
    EXPECT_TRUE(notFound.empty());
    EXPECT_EQ(log.text(), "");

    manager.releaseAll();
    EXPECT_EQ(manager.modelCount(), 0);
    EXPECT_EQ(manager.findModel("fir"), nullptr);
}

TEST_F(LoaderTest, TableOfFortyRefusesTheFortyFirstWithLogAndNotFound) {
    for (int i = 0; i < kMaxModels; ++i) ASSERT_NE(manager.loadModel("m" + std::to_string(i)), nullptr);
    EXPECT_EQ(manager.loadModel("extra"), nullptr);
    EXPECT_EQ(manager.modelCount(), kMaxModels);
    EXPECT_NE(log.text().find("Too many models, not loaded: extra"), std::string::npos) << log.text();
    ModelInstance instance;
    instance.nodes.resize(3);
    manager.createInstance(instance, "extra");
    EXPECT_EQ(notFound, (std::vector<std::string>{"Not found extra"}));
    EXPECT_EQ(instance.nodeCount(), 0);
}

// Every damaged form loads as an empty model with a log line, requests no texture and adds nothing
// to the pool.
TEST_F(LoaderTest, DamagedFilesLoadEmptyWithALogLine) {
    BsmModel good;
    good.meshes = {triangleMesh("Hull", "Scene Root"), triangleMesh("a", "Hull")};
    good.helpers = {fixtures::helper("emit candle", "Hull", {0, 0, 1})};
    const Bytes whole = encodeBsm(good);

    std::vector<std::pair<std::string, Bytes>> damaged;
    for (std::size_t cut : {std::size_t(2), std::size_t(10), whole.size() / 2, whole.size() - 1}) {
        damaged.emplace_back("cut at " + std::to_string(cut), Bytes(whole.begin(), whole.begin() + cut));
    }
    BsmModel uvMismatch = good;
    uvMismatch.meshes[1].uvFaces.push_back({0, 0, 0});
    damaged.emplace_back("uv faces", encodeBsm(uvMismatch));
    BsmModel badPosition = good;
    badPosition.meshes[1].faces[0][2] = 3;
    damaged.emplace_back("position index", encodeBsm(badPosition));
    BsmModel badUv = good;
    badUv.meshes[0].uvFaces[0][0] = -1;
    damaged.emplace_back("uv index", encodeBsm(badUv));
    BsmModel longName = good;
    longName.meshes[1].nodeName = std::string(3001, 'n');
    damaged.emplace_back("long string", encodeBsm(longName));
    BsmModel cycle = good;
    cycle.meshes.push_back(triangleMesh("Hull", "a"));  // a second "Hull" under "a": a loop
    damaged.emplace_back("loop", encodeBsm(cycle));
    Bytes hugeCount = whole;
    hugeCount[0] = 0xff;
    hugeCount[1] = 0xff;
    hugeCount[2] = 0xff;
    hugeCount[3] = 0x7f;
    damaged.emplace_back("huge mesh count", hugeCount);

    for (auto& [what, bytes] : damaged) {
        SCOPED_TRACE(what);
        media.files["Models/bad.BSM"] = bytes;
        media.textureRequests.clear();
        manager.releaseAll();
        pool.clear();
        log.clear();
        const Model* model = manager.loadModel("bad");
        ASSERT_NE(model, nullptr);
        EXPECT_TRUE(model->meshes.empty());
        EXPECT_TRUE(model->helpers.empty());
        EXPECT_FLOAT_EQ(model->extent.y, -3999996.0f);
        EXPECT_TRUE(media.textureRequests.empty());
        EXPECT_EQ(pool.size(), 0u);
        EXPECT_NE(log.text().find("Damaged model file Models/bad.BSM loaded as an empty model: "),
                  std::string::npos)
            << log.text();
    }
}

TEST(BsmParser, NegativeMeshAndHelperCountsMeanNone) {
    ByteWriter w;
    w.putInt32(-5);
    w.putInt32(-1);
    BsmContents contents;
    std::string error;
    ASSERT_TRUE(parseBsm(w.bytes().data(), w.size(), contents, error)) << error;
    EXPECT_TRUE(contents.meshes.empty());
    EXPECT_TRUE(contents.helpers.empty());
    EXPECT_FALSE(parseBsm(nullptr, 0, contents, error));
}

}  // namespace
