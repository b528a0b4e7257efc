#pragma once
// Drawing model instances from the bound vertex pool, node by node, with up to three layers per
// mesh: the diffuse base, a sphere-mapped reflection layer and a self-illumination layer, the two
// extra layers added on the base's pixels (depth test GL_EQUAL, additive, depth writes off).
//
// What the caller sets before renderInstance: the pool bound (SharedVertexPool::bindPool), the
// modelview matrix holding the camera, colour (1, 1, 1, 1), blending on with
// (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA), depth writes on, the alpha test on with the pass's
// reference, lighting set up for the object or disabled.
//
// What renderInstance leaves: the modelview matrix as it was (every transform is undone by its
// inverse, the matrix stack is never used, so the hierarchy depth is not limited by it); blending
// disabled; face culling enabled; lighting enabled after a mesh with an extra layer; the texture
// matrix identity after a scrolled mesh; GL_TEXTURE_2D enabled.

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
