// The web player's side of the PNG seam (render/png_pixels.h).
#include "render/png_pixels.h"
#include "web/png_stb.h"

namespace quadrelume {

std::optional<PngPixels> decodePngPixels(const FileData& file) { return readPngWithStbImage(file); }

}  // namespace quadrelume
