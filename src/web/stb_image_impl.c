// The one compiled copy of stb_image, the web page's PNG decoder.
#include "web/stb_image_options.h"
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
