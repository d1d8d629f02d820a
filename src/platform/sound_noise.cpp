#include "platform/sound_noise.h"

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace quadrelume::platform {
namespace {

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void silenceSoundLibraryErrors() { snd_lib_error_set_handler(ignoreAlsaError); }

MutedStandardError::MutedStandardError() {
    std::fflush(stderr);
    int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0) return;  // nothing to mute with: leave standard error alone
    saved_ = fcntl(2, F_DUPFD_CLOEXEC, 3);
    if (saved_ >= 0) dup2(null, 2);
    close(null);
}

MutedStandardError::~MutedStandardError() { restore(); }

void MutedStandardError::restore() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    dup2(saved_, 2);
    close(saved_);
    saved_ = -1;
}

}  // namespace quadrelume::platform
