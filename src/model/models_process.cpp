#include "model/models_process.h"

#include "media/media_pack.h"
#include "media/texture_manager.h"
#include "model/model_manager.h"
#include "model/vertex_pool.h"

const MediaSources& processMediaSources() {
    static const MediaSources sources{
        [](const char* path) { return readFile(path); },
        [](const std::string& path) { return unsigned(theTextureManager().getTexture(path)); },
    };
    return sources;
}

SharedVertexPool& theVertexPool() {
    static SharedVertexPool pool;
    return pool;
}

ModelManager& theModelManager() {
    static ModelManager manager(theVertexPool(), processMediaSources());
    return manager;
}
