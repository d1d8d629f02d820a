#include "capture/encoded_music.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

#include <stdexcept>
#include <string>
#include <string_view>

namespace quadrelume::capture {
namespace {

constexpr int decodeBlock = 1024;  // stereo frames decoded at a time
constexpr int channels = 2;        // the player's decoder gives stereo only

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

EncodedMusic::EncodedMusic(OggMusicDecoder& decoder, const VideoFormat& format, FrameRate rate)
    : decoder_(decoder), format_(format), rate_(rate), decoded_(decodeBlock * channels) {}

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
    encodeAndWrite(encoder_.get(), frame_.get(), container_, stream_, stampShift_);
    encoded_ += samples;
}

void EncodedMusic::writeThrough(std::int64_t frames) {
    const std::int64_t end = samplesForFrames(frames, rate_, encoder_->sample_rate);
    while (encoded_ + frameSamples_ <= end) {
        fill(frameSamples_);
        encode(frameSamples_);
    }
}

void EncodedMusic::finish(std::int64_t frames) {
    writeThrough(frames);
    const std::int64_t end = samplesForFrames(frames, rate_, encoder_->sample_rate);
    if (encoded_ < end) {
        // A short last frame where the encoder takes one, else a whole frame
        // (the track then runs on for less than a frame of silence).
        const bool shortLast = encoder_->codec->capabilities &
                               (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
        int samples = shortLast ? static_cast<int>(end - encoded_) : frameSamples_;
        fill(samples);
        encode(samples);
    }
    encodeAndWrite(encoder_.get(), nullptr, container_, stream_, stampShift_);
}

}  // namespace quadrelume::capture
