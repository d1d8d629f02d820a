#include "support/alsa_test_device.h"

#include "support/process.h"

namespace quadrelume::testing {

AlsaTestDevice::AlsaTestDevice(int bytesPerSecond) : capturePath_(home_.file("capture.raw")) {
    // The null device takes data as fast as it comes; the pipe to pv, which
    // passes on bytesPerSecond, is what makes the stream play at real time.
    home_.write(".asoundrc", "pcm.!default {\n"
                             "  type file\n"
                             "  slave.pcm { type null }\n"
                             "  file \"|pv -qL " + std::to_string(bytesPerSecond) + " > " + capturePath_ + "\"\n"
                             "  format \"raw\"\n"
                             "}\n");
    // The .asoundrc is the whole configuration: without the system's, the
    // device scan sees neither the machine's cards nor plug-ins such as the
    // sound server's, which would start threads and connections of their own.
    // The file plug-in writes to the pipe while it holds the PCM's lock, so
    // with ALSA's locking every status query (PortAudio's stream time) would
    // wait for pv's next read, up to a tenth of a second. A real device never
    // blocks there; without the locking, neither does this one.
    environment_ = {{"HOME", home_.path()},
                    {"ALSA_CONFIG_PATH", home_.file(".asoundrc")},
                    {"LIBASOUND_THREAD_SAFE", "0"}};
}

AlsaTestDevice::AlsaTestDevice(NoOutput) : capturePath_(home_.file("capture.raw")) {
    // A configuration whose default device cannot be opened and which names
    // no card. An empty file will not do: PortAudio's device scan trips an
    // assertion on it.
    home_.write("alsa.conf", "pcm.!default { type hw card 31 }\n");
    environment_ = {{"HOME", home_.path()}, {"ALSA_CONFIG_PATH", home_.file("alsa.conf")}};
}

AlsaTestDevice AlsaTestDevice::withoutOutput() { return AlsaTestDevice(NoOutput{}); }

std::string AlsaTestDevice::captured() const { return readFileText(capturePath_); }

}  // namespace quadrelume::testing
