// The web player's PNG decoder, where there is no libpng: stb_image (Debian's
// libstb-dev). The publish program runs it natively too, to check that the
// page reads every texture as the player's libpng does.
#pragma once

#include <optional>

#include "render/png_pixels.h"

namespace quadrelume {

// decodePngPixels's contract, with stb_image. It reads the image's header
// itself, so that the rules (render/texture_image.cpp) see what libpng would
// report, and has stb_image inflate only images that the rules take: 8 bits
// per sample, grey, RGB, grey with alpha or RGBA, into as many channels as
// the file has (stb_image would add alpha for a tRNS chunk, which libpng
// without transforms leaves alone). Errors go to standard error as "PNG
// error: %s". stb_image checks less than libpng (no chunk checksums, for
// one): a damaged file it may read where libpng refuses it.
std::optional<PngPixels> readPngWithStbImage(const FileData& file);

}  // namespace quadrelume
