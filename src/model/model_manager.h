#pragma once
// The model manager: the fixed table of loaded static models. A model is loaded on its first
// request by name from "Models/<name>.BSM"; its textures are requested in file order and its
// triangle corners appended to the shared vertex pool.

#include <array>
#include <functional>
#include <string>

#include "model/media_sources.h"
#include "model/model_data.h"

class SharedVertexPool;
struct ModelInstance;

// The number of model slots.
constexpr int kMaxModels = 40;

class ModelManager {
public:
    // The pool receives every loaded mesh; it must outlive the manager.
    ModelManager(SharedVertexPool& pool, MediaSources sources);
    ModelManager(const ModelManager&) = delete;
    ModelManager& operator=(const ModelManager&) = delete;

    // Shows the "Not found <name>" text of createInstance; by default the platform's "Error" box.
    void setNotFoundHandler(std::function<void(const std::string& text)> handler);

    // Loads "Models/<name>.BSM" into the next slot and appends its meshes to the pool. A missing
    // file still takes a slot as an empty model (no meshes, no helpers, extent −3999996), silently;
    // a damaged file does too, with a line in the log. Returns the model, or null (with a log line)
    // when all 40 slots are taken.
    const Model* loadModel(const std::string& name);
    // The first loaded model whose name equals `name` exactly (case-sensitive), or null.
    const Model* findModel(const std::string& name) const;
    // Builds `instance` from the model of that name, loading it on first use. When it cannot be
    // found even then, the not-found handler gets "Not found " + name and the instance stays empty.
    void createInstance(ModelInstance& instance, const std::string& name);
    // Frees the corners of every mesh but the collision mesh once they are in the pool, for when no
    // more models load and nothing reads them (Run mode once loaded): drawing uses the pool, and
    // only collisions read corners afterwards. Instances keep working.
    void releaseDrawnCorners();
    // Forgets every model (instances made from them must not be used afterwards). The pool is not
    // touched.
    void releaseAll();

    int modelCount() const { return modelCount_; }
    const Model& model(int slot) const { return models_[slot]; }

private:
    SharedVertexPool& pool_;
    MediaSources sources_;
    std::function<void(const std::string&)> notFound_;
    std::array<Model, kMaxModels> models_;
    int modelCount_ = 0;
};
