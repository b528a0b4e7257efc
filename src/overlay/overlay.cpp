#include "overlay/overlay.h"

namespace {

void emitQuad(float centerX, float centerY, float halfWidth, float halfHeight) {
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(centerX - halfWidth, centerY - halfHeight);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(centerX - halfWidth, centerY + halfHeight);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(centerX + halfWidth, centerY + halfHeight);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(centerX + halfWidth, centerY - halfHeight);
    glEnd();
}

}  // namespace

void beginOverlay() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.0f);
}

void endOverlay() {
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glAlphaFunc(GL_ALWAYS, 0.0f);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void drawQuadNow(float centerX, float centerY, float halfWidth, float halfHeight, GLuint texture) {
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    // Texture 0 is the default texture object: with no image it turns texturing off for the quad,
    // which then draws in its plain colour.
    glBindTexture(GL_TEXTURE_2D, texture);
    emitQuad(centerX, centerY, halfWidth, halfHeight);
}

void queueOverlayQuad(OverlayQueue& queue, float centerX, float centerY, float halfWidth, float halfHeight,
                      float red, float green, float blue, float alpha, GLuint texture, GLenum sourceBlend,
                      GLenum destinationBlend) {
    OverlayQuad quad;
    quad.centerX = centerX;
    quad.centerY = centerY;
    quad.halfWidth = halfWidth;
    quad.halfHeight = halfHeight;
    quad.red = red;
    quad.green = green;
    quad.blue = blue;
    quad.alpha = alpha;
    quad.texture = texture;
    quad.sourceBlend = sourceBlend;
    quad.destinationBlend = destinationBlend;
    queue.push_back(quad);
}

void flushOverlayQuads(OverlayQueue& queue) {
    for (const OverlayQuad& quad : queue) {
        glColor4f(quad.red, quad.green, quad.blue, quad.alpha);
        glBlendFunc(quad.sourceBlend, quad.destinationBlend);
        glBindTexture(GL_TEXTURE_2D, quad.texture);
        emitQuad(quad.centerX, quad.centerY, quad.halfWidth, quad.halfHeight);
    }
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // clear() keeps the capacity: the next frame queues without allocating.
    queue.clear();
}

void overlayPass(OverlayQueue& queue) {
    overlayPass(queue, [] {});
}
