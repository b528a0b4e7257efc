// Fuzzes the static model loader: arbitrary bytes as "Models/fuzz.BSM", loaded through the model
// manager into a pool, then an instance built, turned and updated. Loading must end in a model (empty
// when damaged) without reading outside the input, and the update must terminate.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "model/bsm_file.h"
#include "model/model_instance.h"
#include "model/model_manager.h"
#include "model/vertex_pool.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SharedVertexPool pool;
    MediaSources sources;
    sources.readFile = [data, size](const char*) {
        FileBuffer file;
        file.data = static_cast<std::uint8_t*>(std::malloc(size + 1));
        if (size) std::memcpy(file.data, data, size);
        file.size = std::uint32_t(size);
        return file;
    };
    sources.getTexture = [](const std::string&) { return 1u; };
    ModelManager manager(pool, sources);
    manager.setNotFoundHandler([](const std::string&) { std::abort(); });
    ModelInstance instance;
    manager.createInstance(instance, "fuzz");
    const Model* model = manager.findModel("fuzz");
    if (!model) std::abort();
    std::size_t corners = 0;
    for (const ModelMesh& mesh : model->meshes) {
        if (mesh.indexCount != std::int32_t(mesh.corners.size())) std::abort();
        corners += mesh.corners.size();
    }
    if (corners != pool.size()) std::abort();

    int fired = 0;
    EmitterHook hook = [&fired](const ModelHelper&) { ++fired; };
    for (ModelNode& node : instance.nodes) node.angleZ = 33;
    instance.rotation = axisZ(10);
    for (int frame = 0; frame < 3; ++frame) updateInstance(instance, 1.7f, hook);
    return 0;
}
