#include "capture/encoded_music.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quadrelume::capture {
namespace {

constexpr int decodeBlock = 1024;  // stereo frames decoded at a time
constexpr int channels = 2;        // the player's decoder gives stereo only
// How much of the music the encoder gets before the first packet that a
// capture on the grid keeps. Its choice of window for a frame looks at the
// frames before, and its rate control settles over many: with a second, the
// frames at a join come out much as one encoder running through makes them.
constexpr double gridLeadSeconds = 1.0;

// The music's rate when the encoder takes it, else the lowest rate above it
// that the encoder takes, else the encoder's highest.
int encoderRate(const AVCodec* codec, int musicRate) {
    const int* rates = codec->supported_samplerates;
    if (rates == nullptr) return musicRate;
    int best = 0;
    int highest = 0;
    for (; *rates != 0; ++rates) {
        if (*rates == musicRate) return musicRate;
        if (*rates > musicRate && (best == 0 || *rates < best)) best = *rates;
        if (*rates > highest) highest = *rates;
    }
    return best != 0 ? best : highest;
}

}  // namespace

EncodedMusic::EncodedMusic(OggMusicDecoder& decoder, const VideoFormat& format, double from, FrameRate rate)
    : decoder_(decoder), format_(format), from_(from), rate_(rate), decoded_(decodeBlock * channels) {}

EncodedMusic::~EncodedMusic() {
    if (queue_ != nullptr) av_audio_fifo_free(queue_);
    if (converted_ != nullptr) av_freep(&converted_[0]);
    av_freep(&converted_);
}

void EncodedMusic::addStream(AVFormatContext* container) {
    container_ = container;
    encoder_ = encoderContext(format_.audioEncoder);
    const AVCodec* codec = encoder_->codec;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;  // not const: swr_alloc_set_opts2 takes it so
    check(av_channel_layout_copy(&encoder_->ch_layout, &stereo), "setting up the audio encoder");
    encoder_->sample_rate = encoderRate(codec, decoder_.rate());
    encoder_->sample_fmt = codec->sample_fmts != nullptr ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    encoder_->bit_rate = format_.audioBitRate;
    encoder_->time_base = AVRational{1, encoder_->sample_rate};
    if (container->oformat->flags & AVFMT_GLOBALHEADER) encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    check(avcodec_open2(encoder_.get(), codec, nullptr), std::string("opening the ") + format_.audioEncoder + " encoder");
    frameSamples_ = encoder_->frame_size > 0 ? encoder_->frame_size : decodeBlock;

    // The grid counts the music's own samples, and a frame of the encoder
    // must always be as long.
    onGrid_ = format_.audioOnGrid && encoder_->sample_rate == decoder_.rate() && encoder_->frame_size > 0 &&
              !(codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    if (onGrid_) {
        const double start = from_ * encoder_->sample_rate;
        origin_ = std::llround(start);
        const std::int64_t first = gridPointFrom(start);
        // From 0 the encoder's delay is kept, and the container drops it.
        keepFrom_ = first > 0 ? first : std::numeric_limits<std::int64_t>::min();
        const auto lead = static_cast<std::int64_t>(std::ceil(gridLeadSeconds * encoder_->sample_rate / frameSamples_));
        encoded_ = std::max<std::int64_t>(0, first - lead * frameSamples_);
        // Half a sample on, so that the decoder's rounding down lands on it.
        decoder_.requestSeek((static_cast<double>(encoded_) + 0.5) / decoder_.rate());
    } else {
        keepFrom_ = std::numeric_limits<std::int64_t>::min();
        decoder_.requestSeek(from_);
    }

    stream_ = avformat_new_stream(container, nullptr);
    if (stream_ == nullptr) throw std::runtime_error("out of memory");
    check(avcodec_parameters_from_context(stream_->codecpar, encoder_.get()), "setting up the audio stream");
    stream_->time_base = encoder_->time_base;
    // Opus starts its first packet before 0 by the encoder's delay (its
    // pre-skip), which Matroska declares as the track's codec delay; its
    // blocks are stored that much later, for readers take it back.
    const bool matroska = std::string_view(container->oformat->name).find("webm") != std::string_view::npos ||
                          std::string_view(container->oformat->name).find("matroska") != std::string_view::npos;
    if (matroska && !matroskaMovesBlocksByCodecDelay()) stampShift_ = encoder_->initial_padding;

    SwrContext* resampler = nullptr;
    check(swr_alloc_set_opts2(&resampler, &encoder_->ch_layout, encoder_->sample_fmt, encoder_->sample_rate, &stereo,
                              AV_SAMPLE_FMT_S16, decoder_.rate(), 0, nullptr),
          "setting up the audio conversion");
    resampler_.reset(resampler);
    check(swr_init(resampler), "setting up the audio conversion");

    queue_ = av_audio_fifo_alloc(encoder_->sample_fmt, channels, frameSamples_ * 2);
    convertedCapacity_ = swr_get_out_samples(resampler, decodeBlock) + 256;
    frame_.reset(av_frame_alloc());
    if (queue_ == nullptr || !frame_) throw std::runtime_error("out of memory");
    check(av_samples_alloc_array_and_samples(&converted_, nullptr, channels, convertedCapacity_,
                                             encoder_->sample_fmt, 0),
          "setting up the audio conversion");
    frame_->format = encoder_->sample_fmt;
    frame_->sample_rate = encoder_->sample_rate;
    frame_->nb_samples = frameSamples_;
    check(av_channel_layout_copy(&frame_->ch_layout, &encoder_->ch_layout), "setting up the audio encoder");
    check(av_frame_get_buffer(frame_.get(), 0), "setting up the audio encoder");
}

std::int64_t EncodedMusic::gridPointFrom(double position) const {
    return static_cast<std::int64_t>(std::ceil((position - 0.5) / frameSamples_)) * frameSamples_;
}

double EncodedMusic::endOf(std::int64_t frames) const {
    return from_ * encoder_->sample_rate + static_cast<double>(frames) * static_cast<double>(rate_.denominator) *
                                               encoder_->sample_rate / static_cast<double>(rate_.numerator);
}

void EncodedMusic::fill(int samples) {
    while (av_audio_fifo_size(queue_) < samples) {
        // The stream time only matters for the player's clock reading.
        decoder_.render(decoded_.data(), decodeBlock, 0.0);
        // The decoder gives silence after a failure; a video should not.
        if (const char* failure = decoder_.failure()) throw std::runtime_error(std::string("the music: ") + failure);
        const std::uint8_t* input[1] = {reinterpret_cast<const std::uint8_t*>(decoded_.data())};
        int made = check(swr_convert(resampler_.get(), converted_, convertedCapacity_, input, decodeBlock),
                         "converting the music");
        if (made > 0) check(av_audio_fifo_write(queue_, reinterpret_cast<void**>(converted_), made), "queueing the music");
    }
}

void EncodedMusic::encode(int samples) {
    // The encoder may still hold a reference to the last frame's buffer.
    frame_->nb_samples = frameSamples_;
    check(av_frame_make_writable(frame_.get()), "encoding the music");
    frame_->nb_samples = samples;
    if (av_audio_fifo_read(queue_, reinterpret_cast<void**>(frame_->data), samples) != samples)
        throw std::runtime_error("encoding the music: the queue ran dry");
    frame_->pts = encoded_;
    send(frame_.get());
    encoded_ += samples;
}

void EncodedMusic::send(const AVFrame* frame) {
    const std::string what = std::string("encoding with ") + encoder_->codec->name;
    check(avcodec_send_frame(encoder_.get(), frame), what);
    PacketPtr packet(av_packet_alloc());
    if (!packet) throw std::runtime_error("out of memory");
    for (;;) {
        const int result = avcodec_receive_packet(encoder_.get(), packet.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
        check(result, what);
        // Audio packets are stamped with the position of their first sample.
        const std::int64_t start = packet->pts;
        if (start < keepFrom_ || start >= keepBefore_) {
            av_packet_unref(packet.get());
            continue;
        }
        if (start + packet->duration > trackEnd_) packet->duration = std::max<std::int64_t>(1, trackEnd_ - start);
        packet->pts += stampShift_ - origin_;
        packet->dts += stampShift_ - origin_;
        writePacket(container_, stream_, packet.get(), encoder_->time_base);
    }
}

void EncodedMusic::writeThrough(std::int64_t frames) {
    const std::int64_t end = origin_ + samplesForFrames(frames, rate_, encoder_->sample_rate);
    while (encoded_ + frameSamples_ <= end) {
        fill(frameSamples_);
        encode(frameSamples_);
    }
}

void EncodedMusic::finish(std::int64_t frames) {
    writeThrough(frames);
    const std::int64_t end = origin_ + samplesForFrames(frames, rate_, encoder_->sample_rate);
    if (onGrid_) {
        // The packets up to the grid point at or after the end, the last one
        // made from the music past it; the encoder gives a packet once it has
        // the frame after the two the packet's transform spans.
        keepBefore_ = gridPointFrom(endOf(frames));
        trackEnd_ = end;
        while (encoded_ < keepBefore_ + 2 * static_cast<std::int64_t>(frameSamples_)) {
            fill(frameSamples_);
            encode(frameSamples_);
        }
    } else if (encoded_ < end) {
        // A short last frame where the encoder takes one, else a whole frame
        // (the track then runs on for less than a frame of silence).
        const bool shortLast = encoder_->codec->capabilities &
                               (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
        int samples = shortLast ? static_cast<int>(end - encoded_) : frameSamples_;
        fill(samples);
        encode(samples);
    }
    send(nullptr);
}

}  // namespace quadrelume::capture
