#pragma once
// Drawing model instances from the bound vertex pool, node by node, with up to three layers per
// mesh: the diffuse base, a sphere-mapped reflection layer and a self-illumination layer, the two
// extra layers added on the base's pixels (depth test GL_EQUAL, additive, depth writes off).
//
// What the caller sets before renderInstance (a pass's state, beyond the GL baseline of
// gl/gl_state.h): the pool bound (SharedVertexPool::bindPool), the model-view matrix holding the
// camera, colour (1, 1, 1, 1), blending on with (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA), depth writes
// on and GL_LESS, the alpha test on with the pass's reference, back faces culled, texturing on unit 0
// alone with GL_MODULATE and an identity texture matrix, lighting set up for the object or disabled.
//
// renderInstance puts all of it back as it found it; only the texture bound on unit 0 is the last
// mesh's. The model-view matrix is undone transform by transform (by each inverse, never by the
// matrix stack, so the hierarchy depth is not limited by it).

#include "model/model_instance.h"

// How the layers of a mesh reach the screen.
enum class LayerDrawing {
    // Each layer in a pass of its own over the base's pixels, every mesh alpha-tested.
    Layered,
    // The same pictures with less work: no alpha test on an opaque texture, and one extra layer
    // (not on a scrolled mesh) on a second texture unit in the base's pass, where the GL can
    // combine a texel's square with the lit base (GL_ATI_texture_env_combine3). The pool must be
    // bound, since a mesh's pool range is drawn directly.
    Combined,
};

// Draws the instance from its "Hull" node down; an instance without "Hull" draws nothing.
void renderInstance(const ModelInstance& instance, LayerDrawing drawing = LayerDrawing::Layered);
