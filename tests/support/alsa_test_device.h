// A private ALSA set-up for tests that play sound on a machine without a
// sound card.
#pragma once

#include <map>
#include <string>

#include "support/temp_dir.h"

namespace quadrelume::testing {

// A temporary home whose .asoundrc makes the default ALSA output a `file`
// plug-in over the `null` device, piped through `pv` so that it takes data at
// real time and records every byte played. The .asoundrc is the whole ALSA
// configuration of the process: the machine's cards and plug-ins stay out of
// sight. Hand environment() to a child process and the child's default
// output device is this one.
class AlsaTestDevice {
public:
    // A device that consumes `bytesPerSecond` (frames per second times bytes
    // per frame: 176400 for 16-bit stereo at 44100 Hz).
    explicit AlsaTestDevice(int bytesPerSecond = 176400);

    // A set-up in which the ALSA configuration knows no usable device, so
    // PortAudio finds no default output device at all, whatever sound cards
    // the machine has.
    static AlsaTestDevice withoutOutput();

    // HOME, ALSA_CONFIG_PATH and LIBASOUND_THREAD_SAFE for a child process (an
    // empty value removes the variable).
    const std::map<std::string, std::string>& environment() const { return environment_; }

    // Everything played so far: raw interleaved samples as the stream wrote
    // them. Complete once the stream has been closed.
    std::string captured() const;
    const std::string& capturePath() const { return capturePath_; }

private:
    struct NoOutput {};
    explicit AlsaTestDevice(NoOutput);

    TempDir home_;
    std::string capturePath_;
    std::map<std::string, std::string> environment_;
};

}  // namespace quadrelume::testing
