#pragma once
// The process-wide model state: one vertex pool and one model manager reading the media pack and
// asking the texture manager, living from start-up to shutdown.

#include <string>

#include "model/media_sources.h"

class SharedVertexPool;
class ModelManager;
struct AnimatedModel;

// The media pack's readFile and the texture manager's getTexture.
const MediaSources& processMediaSources();
SharedVertexPool& theVertexPool();
ModelManager& theModelManager();
// loadAnimatedModel over the process-wide sources.
bool loadAnimatedModel(AnimatedModel& model, const std::string& name);
