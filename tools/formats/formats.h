#pragma once
// The format writers: every file the screensaver reads, written from plain records.
// All writers return the complete file as bytes; nothing here touches the file system except
// writeFileBytes. Numbers are little-endian, floats IEEE-754 single precision.

#include "formats/byte_writer.h"      // ByteWriter: int32 / float / uint8 / counted string
#include "formats/geometry.h"         // Vec3, Quat, Triangle, Transform4x3
#include "formats/image.h"            // Image: 8-bit RGBA pixels, top row first
#include "formats/tga.h"              // encodeTga: 24/32-bit, bottom-left origin, optional RLE
#include "formats/bmp.h"              // encodeBmp: 24-bit Windows bitmap
#include "formats/jpeg.h"             // encodeJpeg: baseline JPEG through libjpeg
#include "formats/png.h"              // encodePng: 8-bit RGBA PNG through zlib
#include "formats/bsm.h"              // encodeBsm: static models
#include "formats/bsa.h"              // encodeBsaMesh, encodeBsaAnimation: skinned models
#include "formats/bss.h"              // encodeBss: the scene with its five sections and lights
#include "formats/particle_effect.h"  // encodeParticleEffect: layers with the 133-byte block
