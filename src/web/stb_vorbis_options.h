// How stb_vorbis (Debian's libstb-dev, whose header holds the whole decoder)
// is built into the web player, for its one compiled copy
// (stb_vorbis_impl.c) and every file that calls it alike: from memory only.
#pragma once

#define STB_VORBIS_NO_STDIO
#define STB_VORBIS_NO_PUSHDATA_API
