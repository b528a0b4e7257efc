// The GL side of the overlay: textures from the texture manager, quads through drawQuadNow.

#include "countdown/countdown.h"
#include "media/texture_manager.h"
#include "overlay/overlay.h"

void CountdownDisplay::loadGlyphs(TextureManager& manager) {
    unsigned textures[kOverlayTextureCount];
    for (int slot = 0; slot < kOverlayTextureCount; ++slot)
        textures[slot] = manager.getTexture(overlayTexturePath(slot));
    setTextures(textures);
}

void CountdownDisplay::drawLayout(const OverlayLayout& layout) const {
    for (std::size_t i = 0; i < layout.count; ++i) {
        const OverlayQuad2D& quad = layout.quads[i];
        drawQuadNow(quad.cx, quad.cy, quad.hw, quad.hh, texture(quad.texture));
    }
}

void CountdownDisplay::drawOverlay(const CountdownTime& time, const OverlayOptions& options,
                                   float framesPerSecond) {
    layoutOverlay(time, options, framesPerSecond, frameLayout_);
    drawLayout(frameLayout_);
}
