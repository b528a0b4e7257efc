#pragma once
// Keeping what the window shows as a PNG file.

#include <GL/glew.h>

#include <string>

// Reads width x height pixels from `buffer` (GL_BACK before a swap, GL_FRONT after one), starting
// at (x, y) from its lower-left corner, and writes them, top row first, as an RGB PNG. Restores the
// read buffer and the pack alignment. False when the size is not positive or the file could not be
// written.
bool saveScreenshot(const std::string& path, int width, int height, GLenum buffer = GL_BACK, int x = 0,
                    int y = 0);
