#pragma once
// The mipmap chain of a picture whose sides are powers of two, built here rather than by GLU:
// gluBuild2DMipmaps unpacks every level through its general converter, which costs more than the
// arithmetic. The texels are the ones GLU gives for such a picture (each level the rounded mean of
// 2 x 2 texels of the level above, or of 2 texels once one side is down to 1), so that pictures
// look the same whichever builds them.

#include <GL/glew.h>

#include <cstdint>
#include <vector>

// True for 1, 2, 4, 8, ...
bool isPowerOfTwo(int size);

// Halves one level of `components`-byte pixels (rows tightly packed) into `out`, which may be
// `in` itself: each output texel only reads texels at or after its own place. Either side of 1
// stays 1. Needs width or height above 1.
void halveLevel(const std::uint8_t* in, int width, int height, int components, std::uint8_t* out);

// Uploads `pixels` (tightly packed rows of `components` bytes per pixel, GL `format` GL_RGB or
// GL_RGBA) as level 0 of the bound GL_TEXTURE_2D and every smaller level down to 1 x 1, with the
// internal component count `internalComponents`. Both sides must be powers of two. `scratch` holds
// the smaller levels between calls, so repeated uploads reuse its memory. The unpack alignment must
// be 1.
void uploadMipmapChain(GLint internalComponents, int width, int height, GLenum format, int components,
                       const std::uint8_t* pixels, std::vector<std::uint8_t>& scratch);
