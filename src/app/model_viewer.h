#pragma once
// The model viewer for reviewing the media: one model, "Models/<name>.BSM", turning slowly in the
// Run-mode window in front of a neutral backdrop, framed by its own size, under a warm key light and
// a cool fill light, with its particle emitters (candle flames, tree lights, steam) running.
//
//   ViewerFraming     where the camera stands for a model: the centre looked at and the distance
//   frameModel        the framing for a model's meshes (the collision mesh left out)
//   runModelViewer    the window, the frame loop and the shutdown

#include <string>

#include "core/maths.h"

struct LaunchOptions;
class MediaPack;
struct Model;
class SettingsStore;

struct ViewerFraming {
    Vec3 centre;          // model space, the point the camera looks at
    float radius = 1;     // of the sphere round the visible meshes, at least 1 unit
    float distance = 10;  // from the centre to the eye
};

// The framing for a model turning about its z axis: the centre on that axis halfway up the meshes
// (every mesh but "CollMesh", and 6 units above each particle emitter for its flame or steam), a
// sphere holding everything the turn sweeps, and the distance at
// which that sphere fills the height of a 45° view. An empty or null model gives a 1-unit
// sphere at the origin.
ViewerFraming frameModel(const Model* model);

// Runs while the run mode is Run (a key, a click or --frames ends it) and returns after the normal
// shutdown. The window size and mode follow the same options as the screensaver (--size,
// --windowed). A missing model file loads as an empty model, so only the backdrop shows.
void runModelViewer(const SettingsStore& settings, const LaunchOptions& options, MediaPack& media,
                    const std::string& name);
