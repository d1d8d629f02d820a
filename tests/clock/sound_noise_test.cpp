// The music player's guard against the sound libraries' chatter (it lives in
// the platform layer, but only the player uses it).
#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "platform/sound_noise.h"

namespace quadrelume::platform {
namespace {

void openUnknownDevice() {
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, "no_such_device_here", SND_PCM_STREAM_PLAYBACK, 0) == 0) snd_pcm_close(pcm);
}

TEST(SoundNoise, AlsaComplainsOnStandardErrorUntilSilenced) {
    // The premise: ALSA does print when a device is missing.
    EXPECT_EXIT(
        {
            openUnknownDevice();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "no_such_device_here");
    EXPECT_EXIT(
        {
            silenceSoundLibraryErrors();
            openUnknownDevice();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "^$");
}

TEST(SoundNoise, MutedStandardErrorHidesOnlyWhatIsWrittenWhileItLives) {
    EXPECT_EXIT(
        {
            std::fprintf(stderr, "before\n");
            {
                MutedStandardError muted;
                std::fprintf(stderr, "hidden\n");
                muted.restore();
                std::fprintf(stderr, "restored\n");
            }
            {
                MutedStandardError muted;
                std::fprintf(stderr, "hidden too\n");
            }
            std::fprintf(stderr, "after\n");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "^before\nrestored\nafter\n$");
}

}  // namespace
}  // namespace quadrelume::platform
