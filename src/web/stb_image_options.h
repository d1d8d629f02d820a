// How stb_image (Debian's libstb-dev, whose header holds the whole decoder)
// is built into the web player, for its one compiled copy (stb_image_impl.c)
// and every file that calls it alike: PNG only, from memory only.
#pragma once

#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
