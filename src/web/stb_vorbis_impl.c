// The one compiled copy of stb_vorbis, the web page's Ogg Vorbis decoder.
#include "web/stb_vorbis_options.h"
#include <stb_vorbis.h>
