#include "capture/video_file.h"

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

#include <cstdint>
#include <stdexcept>

namespace quadrelume::capture {
namespace {

struct DictionaryFree {
    AVDictionary* entries = nullptr;
    ~DictionaryFree() { av_dict_free(&entries); }
};

}  // namespace

VideoFile::VideoFile(const VideoFormat& format, const std::string& path, int width, int height, FrameRate rate,
                     int quality, std::unique_ptr<AudioTrack> audio)
    : audio_(std::move(audio)), path_(path), width_(width), height_(height) {
    AVFormatContext* container = nullptr;
    check(avformat_alloc_output_context2(&container, nullptr, format.container, path.c_str()),
          std::string("setting up the ") + format.container + " file");
    container_.reset(container);

    encoder_ = encoderContext(format.videoEncoder);
    encoder_->width = width;
    encoder_->height = height;
    encoder_->pix_fmt = AV_PIX_FMT_YUV420P;
    encoder_->time_base = AVRational{static_cast<int>(rate.denominator), static_cast<int>(rate.numerator)};
    encoder_->framerate = AVRational{static_cast<int>(rate.numerator), static_cast<int>(rate.denominator)};
    encoder_->color_primaries = AVCOL_PRI_BT709;
    encoder_->color_trc = AVCOL_TRC_BT709;
    encoder_->colorspace = AVCOL_SPC_BT709;
    encoder_->color_range = AVCOL_RANGE_MPEG;
    if (container->oformat->flags & AVFMT_GLOBALHEADER) encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    DictionaryFree options;
    check(av_dict_parse_string(&options.entries, format.videoOptions, "=", ":", 0), "video encoder options");
    av_dict_set_int(&options.entries, "crf", quality, 0);
    // Constant quality in libvpx needs the bit rate unset.
    encoder_->bit_rate = 0;
    check(avcodec_open2(encoder_.get(), encoder_->codec, &options.entries),
          std::string("opening the ") + format.videoEncoder + " encoder");

    stream_ = avformat_new_stream(container, nullptr);
    if (stream_ == nullptr) throw std::runtime_error("out of memory");
    check(avcodec_parameters_from_context(stream_->codecpar, encoder_.get()), "setting up the video stream");
    stream_->time_base = encoder_->time_base;
    stream_->avg_frame_rate = encoder_->framerate;
    stream_->r_frame_rate = encoder_->framerate;
    if (audio_) audio_->addStream(container);

    converter_.reset(sws_getContext(width, height, AV_PIX_FMT_RGBA, width, height, AV_PIX_FMT_YUV420P,
                                    SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
    if (!converter_) throw std::runtime_error("setting up the colour conversion failed");
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    // Full-range RGB in, limited-range BT.709 out; brightness, contrast and
    // saturation neutral.
    sws_setColorspaceDetails(converter_.get(), bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    frame_.reset(av_frame_alloc());
    if (!frame_) throw std::runtime_error("out of memory");
    frame_->format = AV_PIX_FMT_YUV420P;
    frame_->width = width;
    frame_->height = height;
    frame_->color_primaries = AVCOL_PRI_BT709;
    frame_->color_trc = AVCOL_TRC_BT709;
    frame_->colorspace = AVCOL_SPC_BT709;
    frame_->color_range = AVCOL_RANGE_MPEG;
    check(av_frame_get_buffer(frame_.get(), 0), "setting up the video frames");

    // Opus starts before 0 by its pre-skip, and Matroska says so with the
    // track's codec delay. Shifting every stream to make that start 0 would
    // put the frames late by as much, where frame i belongs at i / rate.
    if (std::string_view(format.container) != "mp4") container->avoid_negative_ts = AVFMT_AVOID_NEG_TS_DISABLED;
    check(avio_open(&container->pb, path.c_str(), AVIO_FLAG_WRITE), "creating " + path);
    DictionaryFree muxerOptions;
    if (std::string_view(format.container) == "mp4") {
        av_dict_set(&muxerOptions.entries, "movflags", "+faststart", 0);
        // Edit lists count in the movie's time scale, milliseconds unless
        // set: in the music's, a track that starts a fraction of a
        // millisecond after the frames (a section's music, see
        // EncodedMusic) starts exactly there.
        for (unsigned i = 0; i < container->nb_streams; ++i)
            if (container->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
                av_dict_set_int(&muxerOptions.entries, "movie_timescale", container->streams[i]->codecpar->sample_rate, 0);
    }
    check(avformat_write_header(container, &muxerOptions.entries), "writing " + path);
}

void VideoFile::writeFrame(const std::uint8_t* rgba, std::int64_t index) {
    check(av_frame_make_writable(frame_.get()), "encoding a frame");
    // GL's rows come bottom first: start at the last one and step back.
    const int stride = width_ * 4;
    const std::uint8_t* source[1] = {rgba + static_cast<std::size_t>(stride) * (height_ - 1)};
    const int sourceStride[1] = {-stride};
    sws_scale(converter_.get(), source, sourceStride, 0, height_, frame_->data, frame_->linesize);
    frame_->pts = index;
    encodeAndWrite(encoder_.get(), frame_.get(), container_.get(), stream_);
    if (audio_) audio_->writeThrough(index + 1);
}

void VideoFile::finish(std::int64_t frames) {
    encodeAndWrite(encoder_.get(), nullptr, container_.get(), stream_);
    if (audio_) audio_->finish(frames);
    check(av_write_trailer(container_.get()), "completing the output file");
    check(avio_closep(&container_->pb), "closing the output file");
    if (audio_) audio_->finishFile(path_);
}

bool videoSizeFits(int width, int height) {
    // The check every encoder makes when it opens, without its message.
    const int level = av_log_get_level();
    av_log_set_level(AV_LOG_QUIET);
    const bool fits = av_image_check_size2(static_cast<unsigned>(width), static_cast<unsigned>(height), INT64_MAX,
                                           AV_PIX_FMT_NONE, 0, nullptr) >= 0;
    av_log_set_level(level);
    return fits;
}

}  // namespace quadrelume::capture
