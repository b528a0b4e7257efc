#pragma once
// Flat drawing on top of the 3-D picture: the overlay state, an immediate textured quad, and the
// per-frame queue of quads (fades, the cross-fade) drawn in one pass at the end of the frame.
//
// Overlay coordinates: x from -1 (left) to +1 (right), y from -1 (bottom) to +1 (top). A quad is
// its centre and half size; its corners and texture coordinates run (cx-hw, cy-hh) (0,0),
// (cx-hw, cy+hh) (0,1), (cx+hw, cy+hh) (1,1), (cx+hw, cy-hh) (1,0). A negative half height mirrors
// the picture vertically.

#include <GL/glew.h>

#include <vector>

// One quad of the overlay queue, drawn at the end of the frame.
struct OverlayQuad {
    float centerX = 0, centerY = 0, halfWidth = 0, halfHeight = 0;  // overlay units, -1..1
    float red = 1, green = 1, blue = 1, alpha = 1;
    GLenum sourceBlend = GL_SRC_ALPHA;
    GLenum destinationBlend = GL_ONE_MINUS_SRC_ALPHA;
    GLuint texture = 0;
};

// The quads of one frame, first queued first. Emptying it keeps its storage, so queuing does not
// allocate once the first frames have run.
using OverlayQueue = std::vector<OverlayQuad>;

// The overlay state, from the baseline (gl/gl_state.h): both matrices pushed and identity, culling
// and depth testing off, blending (source alpha, one minus source alpha) on, and the alpha test on,
// dropping wholly transparent texels (GL_GREATER 0). Lighting stays off and texturing on.
void beginOverlay();

// Back to the baseline: the colour white, the alpha test (GL_ALWAYS 0) and blending off, depth
// testing and culling on, both matrices popped, the matrix mode model-view.
void endOverlay();

// Draws one white textured quad now, in the overlay state (between beginOverlay and endOverlay).
// Texture 0 draws untextured. Leaves the colour white and the texture bound.
void drawQuadNow(float centerX, float centerY, float halfWidth, float halfHeight, GLuint texture);

// Appends a quad to the queue; nothing is drawn.
void queueOverlayQuad(OverlayQueue& queue, float centerX, float centerY, float halfWidth, float halfHeight,
                      float red, float green, float blue, float alpha, GLuint texture, GLenum sourceBlend,
                      GLenum destinationBlend);

// Draws the queued quads in the overlay state, first queued first (so a later one covers an earlier
// one), each in its colour and blend function, and empties the queue. The blend function is the
// overlay's again afterwards; the colour is the last quad's.
void flushOverlayQuads(OverlayQueue& queue);

// The per-frame 2-D pass: beginOverlay, the queued quads, then `drawOnTop()` (the countdown
// overlay), endOverlay.
template <typename DrawOnTop>
void overlayPass(OverlayQueue& queue, DrawOnTop&& drawOnTop) {
    beginOverlay();
    flushOverlayQuads(queue);
    drawOnTop();
    endOverlay();
}
// The same with nothing on top of the quads.
void overlayPass(OverlayQueue& queue);
