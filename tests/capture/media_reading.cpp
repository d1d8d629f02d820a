#include "media_reading.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include <cmath>
#include <cstdlib>
#include <memory>

namespace quadrelume::testing {
namespace {

struct InputCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
using Input = std::unique_ptr<AVFormatContext, InputCloser>;

Input openInput(const std::string& path) {
    av_log_set_level(AV_LOG_ERROR);  // not FFmpeg's notes on trimmed samples
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, path.c_str(), nullptr, nullptr) < 0) return nullptr;
    Input input(context);
    if (avformat_find_stream_info(context, nullptr) < 0) return nullptr;
    return input;
}

}  // namespace

Media readMedia(const std::string& path) {
    Media media;
    Input input = openInput(path);
    if (!input) return media;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream* stream = input->streams[i];
        Track& track = stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO ? media.video : media.audio;
        track.codec = stream->codecpar->codec_id;
        track.width = stream->codecpar->width;
        track.height = stream->codecpar->height;
        track.format = stream->codecpar->format;
        track.frameRate = stream->avg_frame_rate;
        track.timeBase = stream->time_base;
        track.extradata.assign(reinterpret_cast<const char*>(stream->codecpar->extradata),
                               static_cast<std::size_t>(stream->codecpar->extradata_size));
    }
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(input.get(), packet) >= 0) {
        const bool video = input->streams[packet->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
        Track& track = video ? media.video : media.audio;
        track.packets.emplace_back(reinterpret_cast<const char*>(packet->data), static_cast<std::size_t>(packet->size));
        track.pts.push_back(packet->pts);
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    return media;
}

// Feeds every packet of stream `index` to `decoder`, and the end, calling
// `drain` after each to take the frames it has ready.
template <typename Drain>
void decodeStream(AVFormatContext* input, int index, AVCodecContext* decoder, AVPacket* packet, Drain& drain) {
    while (av_read_frame(input, packet) >= 0) {
        if (packet->stream_index == index) avcodec_send_packet(decoder, packet);
        av_packet_unref(packet);
        drain();
    }
    avcodec_send_packet(decoder, nullptr);
    drain();
}

// The first audio stream of `path` decoded by FFmpeg, as 16-bit stereo.
Pcm decodeAudio(const std::string& path) {
    Pcm pcm;
    Input input = openInput(path);
    if (!input) return pcm;
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (index < 0) return pcm;
    const AVCodecParameters* parameters = input->streams[index]->codecpar;
    AVCodecContext* decoder = avcodec_alloc_context3(avcodec_find_decoder(parameters->codec_id));
    avcodec_parameters_to_context(decoder, parameters);
    avcodec_open2(decoder, decoder->codec, nullptr);
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    SwrContext* converter = nullptr;
    swr_alloc_set_opts2(&converter, &stereo, AV_SAMPLE_FMT_S16, decoder->sample_rate, &decoder->ch_layout,
                        decoder->sample_fmt, decoder->sample_rate, 0, nullptr);
    swr_init(converter);
    pcm.rate = decoder->sample_rate;
    pcm.channels = 2;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&] {
        while (avcodec_receive_frame(decoder, frame) >= 0) {
            std::size_t at = pcm.samples.size();
            pcm.samples.resize(at + static_cast<std::size_t>(frame->nb_samples) * 2);
            std::uint8_t* out[1] = {reinterpret_cast<std::uint8_t*>(pcm.samples.data() + at)};
            swr_convert(converter, out, frame->nb_samples, const_cast<const std::uint8_t**>(frame->extended_data),
                        frame->nb_samples);
        }
    };
    decodeStream(input.get(), index, decoder, packet, drain);
    av_frame_free(&frame);
    av_packet_free(&packet);
    swr_free(&converter);
    avcodec_free_context(&decoder);
    return pcm;
}

std::vector<std::string> decodeVideo(const std::string& path) {
    std::vector<std::string> frames;
    Input input = openInput(path);
    if (!input) return frames;
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0) return frames;
    AVCodecContext* decoder = avcodec_alloc_context3(avcodec_find_decoder(input->streams[index]->codecpar->codec_id));
    avcodec_parameters_to_context(decoder, input->streams[index]->codecpar);
    avcodec_open2(decoder, decoder->codec, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&] {
        while (avcodec_receive_frame(decoder, frame) >= 0) {
            std::string bytes;
            for (int plane = 0; plane < 3; ++plane) {
                const int width = plane == 0 ? frame->width : (frame->width + 1) / 2;
                const int height = plane == 0 ? frame->height : (frame->height + 1) / 2;
                for (int y = 0; y < height; ++y)
                    bytes.append(reinterpret_cast<const char*>(frame->data[plane] + y * frame->linesize[plane]),
                                 static_cast<std::size_t>(width));
            }
            frames.push_back(std::move(bytes));
        }
    };
    decodeStream(input.get(), index, decoder, packet, drain);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    return frames;
}

double audioStart(const std::string& path) {
    Input input = openInput(path);
    if (!input) return -1.0;
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (index < 0) return -1.0;
    const AVStream* stream = input->streams[index];
    AVCodecContext* decoder = avcodec_alloc_context3(avcodec_find_decoder(stream->codecpar->codec_id));
    avcodec_parameters_to_context(decoder, stream->codecpar);
    decoder->pkt_timebase = stream->time_base;
    avcodec_open2(decoder, decoder->codec, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    double start = -1.0;
    while (start < 0.0 && av_read_frame(input.get(), packet) >= 0) {
        if (packet->stream_index == index) avcodec_send_packet(decoder, packet);
        av_packet_unref(packet);
        if (avcodec_receive_frame(decoder, frame) >= 0)
            start = static_cast<double>(frame->best_effort_timestamp) * av_q2d(stream->time_base);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    return start;
}

std::int64_t loudestFrame(const Pcm& pcm) {
    std::int64_t loudest = 0;
    for (std::int64_t i = 0; i < pcm.frames(); ++i)
        if (std::abs(pcm.samples[static_cast<std::size_t>(2 * i)]) > std::abs(pcm.samples[static_cast<std::size_t>(2 * loudest)]))
            loudest = i;
    return loudest;
}

int loudestTone(const Pcm& pcm, std::int64_t from, std::int64_t to, double frequency, double step, int count) {
    double energy = 0.0;
    for (std::int64_t i = from; i < to; ++i) energy += std::pow(pcm.samples[static_cast<std::size_t>(2 * i)], 2);
    if (to <= from || energy / static_cast<double>(to - from) < 1000.0 * 1000.0) return -1;
    int loudest = -1;
    double loudestPower = 0.0;
    for (int k = 0; k < count; ++k) {
        // Goertzel's filter: the power of one frequency.
        const double coefficient = 2.0 * std::cos(2.0 * M_PI * (frequency + k * step) / pcm.rate);
        double previous = 0.0;
        double beforePrevious = 0.0;
        for (std::int64_t i = from; i < to; ++i) {
            const double next = pcm.samples[static_cast<std::size_t>(2 * i)] + coefficient * previous - beforePrevious;
            beforePrevious = previous;
            previous = next;
        }
        const double power = previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
        if (power > loudestPower) {
            loudestPower = power;
            loudest = k;
        }
    }
    return loudest;
}

}  // namespace quadrelume::testing
