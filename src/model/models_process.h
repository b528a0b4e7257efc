#pragma once
// The process-wide model state: one vertex pool and one model manager reading the media pack and
// asking the texture manager, living from start-up to shutdown.

#include "model/media_sources.h"

class SharedVertexPool;
class ModelManager;

// The media pack's readFile and the texture manager's getTexture.
const MediaSources& processMediaSources();
SharedVertexPool& theVertexPool();
ModelManager& theModelManager();
