#include "model/model_manager.h"

#include <algorithm>
#include <cmath>

#include "core/log.h"
#include "model/bsm_file.h"
#include "model/mesh_shape.h"
#include "model/model_instance.h"
#include "model/vertex_pool.h"
#include "platform/message_box.h"

ModelManager::ModelManager(SharedVertexPool& pool, MediaSources sources)
    : pool_(pool), sources_(std::move(sources)), notFound_(platform::showErrorMessage) {}

void ModelManager::setNotFoundHandler(std::function<void(const std::string& text)> handler) {
    notFound_ = std::move(handler);
}

namespace {

unsigned requestTexture(const MediaSources& sources, const std::string& fileName) {
    return sources.getTexture ? sources.getTexture("Textures/" + fileName) : 0;
}

bool opaqueTexture(const MediaSources& sources, unsigned texture) {
    return texture != 0 && sources.textureIsOpaque && sources.textureIsOpaque(texture);
}

}  // namespace

const Model* ModelManager::loadModel(const std::string& name) {
    if (modelCount_ >= kMaxModels) {
        logLine("Too many models, not loaded: ", name);
        return nullptr;
    }
    const std::string path = "Models/" + name + ".BSM";
    BsmContents contents = emptyBsmContents();
    {
        ScopedFileBuffer file(sources_.readFile ? sources_.readFile(path.c_str()) : FileBuffer{});
        std::string error;
        if (file.found() && !parseBsm(file.data(), file.size(), contents, error)) {
            logLine("Damaged model file ", path, " loaded as an empty model: ", error);
        }
    }

    Model& model = models_[modelCount_];
    model = Model{};
    model.name = name;
    model.extent = contents.extent;
    model.helpers = std::move(contents.helpers);
    model.meshes.resize(contents.meshes.size());
    for (std::size_t i = 0; i < contents.meshes.size(); ++i) {
        BsmMeshRecord& record = contents.meshes[i];
        ModelMesh& mesh = model.meshes[i];
        // Texture requests in file order: diffuse, reflection, illumination.
        mesh.material.diffuseTexture = requestTexture(sources_, record.diffuseTexture);
        mesh.material.scrollU = record.scrollU;
        mesh.material.scrollV = record.scrollV;
        mesh.material.hasReflection = record.hasReflection;
        if (record.hasReflection)
            mesh.material.reflectionTexture = requestTexture(sources_, record.reflectionTexture);
        mesh.material.hasIllumination = record.hasIllumination;
        if (record.hasIllumination) {
            mesh.material.illuminationTexture = requestTexture(sources_, record.illuminationTexture);
        }
        mesh.material.diffuseOpaque = opaqueTexture(sources_, mesh.material.diffuseTexture);
        mesh.material.reflectionOpaque = opaqueTexture(sources_, mesh.material.reflectionTexture);
        mesh.material.illuminationOpaque = opaqueTexture(sources_, mesh.material.illuminationTexture);
        mesh.nodeName = std::move(record.nodeName);
        mesh.parentName = std::move(record.parentName);
        mesh.hasParent = record.hasParent;
        mesh.pivot = record.pivot;
        mesh.corners = std::move(record.corners);
        mesh.children = std::move(record.children);
        mesh.faceCount = std::int32_t(mesh.corners.size() / 3);
        for (const CornerRecord& corner : mesh.corners) {
            const Vec3 p{corner.position[0], corner.position[1], corner.position[2]};
            mesh.cornerRadius = std::max(mesh.cornerRadius, std::sqrt(dot(p, p)));
        }
        const MeshShape shape = meshShape(mesh.corners);
        mesh.boxMin = shape.boxMin;
        mesh.boxMax = shape.boxMax;
        mesh.closedOutward = shape.closedOutward;
    }

    for (ModelMesh& mesh : model.meshes) {
        const std::uint32_t first = pool_.append(mesh.corners.size());
        for (std::size_t k = 0; k < mesh.corners.size(); ++k) {
            const CornerRecord& corner = mesh.corners[k];
            PoolVertex& vertex = pool_[first + k];
            for (int axis = 0; axis < 3; ++axis) {
                vertex.position[axis] = corner.position[axis];
                vertex.normal[axis] = corner.normal[axis];
            }
            vertex.uv0[0] = corner.u;
            vertex.uv0[1] = corner.v;
        }
        mesh.poolFirst = std::int32_t(first);
        mesh.indexCount = std::int32_t(mesh.corners.size());
        mesh.poolEnd = mesh.poolFirst + mesh.indexCount;
        mesh.indices.resize(mesh.corners.size());
        for (std::size_t k = 0; k < mesh.indices.size(); ++k) mesh.indices[k] = first + std::uint32_t(k);
    }
    ++modelCount_;
    return &model;
}

const Model* ModelManager::findModel(const std::string& name) const {
    for (int slot = 0; slot < modelCount_; ++slot) {
        if (models_[slot].name == name) return &models_[slot];
    }
    return nullptr;
}

void ModelManager::createInstance(ModelInstance& instance, const std::string& name) {
    instance = ModelInstance{};
    const Model* model = findModel(name);
    if (!model) {
        loadModel(name);
        model = findModel(name);
    }
    if (!model) {
        if (notFound_) notFound_("Not found " + name);
        return;
    }
    buildInstance(instance, *model);
}

void ModelManager::releaseDrawnCorners() {
    for (int slot = 0; slot < modelCount_; ++slot) {
        for (ModelMesh& mesh : models_[slot].meshes) {
            if (mesh.nodeName != kCollisionNodeName) std::vector<CornerRecord>().swap(mesh.corners);
        }
    }
}

void ModelManager::releaseAll() {
    for (int slot = 0; slot < modelCount_; ++slot) models_[slot] = Model{};
    modelCount_ = 0;
}
