#include "support/alsa_test_device.h"

#include <stdlib.h>

#include "support/process.h"

namespace quadrelume::testing {

AlsaTestDevice::AlsaTestDevice(int bytesPerSecond) : capturePath_(home_.file("capture.raw")) {
    // The null device takes data as fast as it comes; the pipe to pv, which
    // passes on bytesPerSecond, is what makes the stream play at real time.
    home_.write(".asoundrc", "pcm.!default {\n"
                             "  type file\n"
                             "  slave.pcm \"null\"\n"
                             "  file \"|pv -qL " + std::to_string(bytesPerSecond) + " > " + capturePath_ + "\"\n"
                             "  format \"raw\"\n"
                             "}\n");
    // The file plug-in writes to the pipe while it holds the PCM's lock, so
    // with ALSA's locking every status query (PortAudio's stream time) would
    // wait for pv's next read, up to a tenth of a second. A real device never
    // blocks there; without the locking, neither does this one.
    environment_ = {{"HOME", home_.path()}, {"ALSA_CONFIG_PATH", ""}, {"LIBASOUND_THREAD_SAFE", "0"}};
}

AlsaTestDevice::AlsaTestDevice(NoOutput) : capturePath_(home_.file("capture.raw")) {
    // This file replaces the whole system configuration, which is where the
    // names of the machine's cards and of the standard plug-ins come from. An
    // empty file will not do: PortAudio's device scan trips an assertion on it.
    home_.write("alsa.conf", "pcm.!default { type hw card 31 }\n");
    environment_ = {{"HOME", home_.path()}, {"ALSA_CONFIG_PATH", home_.file("alsa.conf")}};
}

AlsaTestDevice AlsaTestDevice::withoutOutput() { return AlsaTestDevice(NoOutput{}); }

void AlsaTestDevice::apply() const {
    for (const auto& [name, value] : environment_) {
        if (value.empty()) unsetenv(name.c_str());
        else setenv(name.c_str(), value.c_str(), 1);
    }
}

std::string AlsaTestDevice::captured() const { return readFileText(capturePath_); }

}  // namespace quadrelume::testing
