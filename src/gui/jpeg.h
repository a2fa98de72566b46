#pragma once

#include "gui/pictureformats.h"

#include <cstddef>

// Decodes a complete JPEG file held in memory with libjpeg. Damaged or unsupported data gives an
// error text ("Cannot decode JPEG picture: ...") and no image; it never ends the process.
DecodeResult decodeJpeg(const unsigned char *data, std::size_t size);

// Adds (removes) the extensions "jpeg" and "jpg" to (from) the picture-format registry. Start-up
// registers them before any window loads its pictures.
void registerJpegFormats();
void unregisterJpegFormats();
