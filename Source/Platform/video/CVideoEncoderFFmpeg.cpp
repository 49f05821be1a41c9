#include "Platform/video/CVideoEncoderFFmpeg.h"
#include "Platform/video/FFmpegHelpers.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

// One of the module's two entry points (see CreateVideoEncoder in Platform.h).
extern "C" __attribute__((visibility("default"))) CVideoEncoder* QvCreateVideoEncoder() {
    return new CVideoEncoderFFmpeg();
}

CVideoEncoderFFmpeg::~CVideoEncoderFFmpeg() { Close(); }

void CVideoEncoderFFmpeg::Close() {
    if (format && fileOpen)
        avio_closep(&format->pb);
    fileOpen = false;
    sound.reset();
    avformat_free_context(format);
    format = nullptr;
    avcodec_free_context(&video);
    av_frame_free(&picture);
    av_packet_free(&packet);
    sws_freeContext(scaler);
    scaler = nullptr;
}

bool CVideoEncoderFFmpeg::Open(const VideoEncoderSettings& wanted, std::string& error) {
    Close();
    settings = wanted;
    finished = false;
    framesWritten = 0;
    if (settings.width <= 0 || settings.height <= 0 || settings.width % 2 || settings.height % 2) {
        error = "a video needs an even width and height, not " + std::to_string(settings.width) + " x " +
                std::to_string(settings.height);
        return false;
    }
    if (!(settings.fps > 0) || settings.frames <= 0) {
        error = "nothing to encode";
        return false;
    }
    // The libraries' own chatter (encoder statistics, notes) would scatter over the progress line;
    // their errors still reach standard error.
    av_log_set_level(AV_LOG_ERROR);

    const std::string url = FFmpegFileUrl(settings.path);
    int result = avformat_alloc_output_context2(&format, nullptr, settings.container.c_str(), url.c_str());
    if (result < 0 || !format) {
        error = "no " + settings.container + " writer in FFmpeg's libraries: " + FFmpegErrorText(result);
        return false;
    }
    packet = av_packet_alloc();
    if (!packet) {
        error = "out of memory";
        return false;
    }
    if (!OpenVideo(error))
        return false;
    const DecodedMusic& music = settings.music;
    if (music.read && music.frames > 0 && music.channels > 0 && music.sampleRate > 0) {
        // The track lasts exactly as long as the video, and starts with the music at frame 0's time.
        sound = std::make_unique<CSoundTrackFFmpeg>();
        if (!sound->Open(format, music, settings.musicStart, SamplesOf(settings.frames), error))
            return false;
    }
    for (const auto& [name, value] : settings.tags)
        av_dict_set(&format->metadata, name.c_str(), value.c_str(), 0);

    result = avio_open(&format->pb, url.c_str(), AVIO_FLAG_WRITE);
    if (result < 0) {
        error = "cannot create '" + settings.path + "': " + FFmpegErrorText(result);
        return false;
    }
    fileOpen = true;
    AVDictionary* options = nullptr;
    // The index first, so players start at once; tags of any name are kept as MP4's own kind of tags.
    if (settings.container == "mp4")
        av_dict_set(&options, "movflags", settings.tags.empty() ? "+faststart" : "+faststart+use_metadata_tags", 0);
    result = avformat_write_header(format, &options);
    av_dict_free(&options);
    if (result < 0) {
        error = "cannot write the file's header: " + FFmpegErrorText(result);
        return false;
    }
    return true;
}

bool CVideoEncoderFFmpeg::OpenVideo(std::string& error) {
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) {
        error = "FFmpeg's libraries here have no H.264 encoder (libx264)";
        return false;
    }
    video = avcodec_alloc_context3(codec);
    picture = av_frame_alloc();
    if (!video || !picture) {
        error = "out of memory";
        return false;
    }
    const AVRational rate = FFmpegFrameRate(settings.fps);
    video->width = settings.width;
    video->height = settings.height;
    video->pix_fmt = AV_PIX_FMT_YUV420P;
    video->time_base = av_inv_q(rate);
    video->framerate = rate;
    // Rendered frames are full-range RGB; the video says which conversion made its YUV, so players
    // turn it back into the same colours.
    video->color_range = AVCOL_RANGE_MPEG;
    video->colorspace = AVCOL_SPC_BT709;
    video->color_primaries = AVCOL_PRI_BT709;
    video->color_trc = AVCOL_TRC_BT709;
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "preset", Preset, 0);
    av_dict_set_int(&options, "crf", settings.quality, 0);
    const int result = avcodec_open2(video, codec, &options);
    av_dict_free(&options);
    if (result < 0) {
        error = "cannot start the H.264 encoder: " + FFmpegErrorText(result);
        return false;
    }
    videoStream = avformat_new_stream(format, nullptr);
    if (!videoStream || avcodec_parameters_from_context(videoStream->codecpar, video) < 0) {
        error = "cannot add the video stream";
        return false;
    }
    videoStream->time_base = video->time_base;
    videoStream->avg_frame_rate = rate;

    picture->format = video->pix_fmt;
    picture->width = settings.width;
    picture->height = settings.height;
    picture->color_range = video->color_range;
    picture->colorspace = video->colorspace;
    scaler = sws_getContext(settings.width, settings.height, AV_PIX_FMT_RGBA, settings.width, settings.height,
                            AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (av_frame_get_buffer(picture, 0) < 0 || !scaler) {
        error = "cannot set up the picture conversion";
        return false;
    }
    // Full-range RGB in, limited-range BT.709 out, as the stream is labelled.
    const int* coefficients = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(scaler, coefficients, 1, coefficients, 0, 0, 1 << 16, 1 << 16);
    return true;
}

int64_t CVideoEncoderFFmpeg::SamplesOf(int64_t frames) const {
    return av_rescale_q(frames, video->time_base, AVRational{1, CSoundTrackFFmpeg::AudioRate});
}

bool CVideoEncoderFFmpeg::Encode(AVFrame* frame, std::string& error) {
    int result = avcodec_send_frame(video, frame);
    if (result < 0) {
        error = "cannot encode the pictures: " + FFmpegErrorText(result);
        return false;
    }
    for (;;) {
        result = avcodec_receive_packet(video, packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return true;
        if (result < 0) {
            error = "cannot encode the pictures: " + FFmpegErrorText(result);
            return false;
        }
        // Every picture lasts one frame, the last one included, so the video is frames / fps long.
        if (packet->duration == 0)
            packet->duration = 1;
        av_packet_rescale_ts(packet, video->time_base, videoStream->time_base);
        packet->stream_index = videoStream->index;
        result = av_interleaved_write_frame(format, packet);
        if (result < 0) {
            error = "cannot write to '" + settings.path + "': " + FFmpegErrorText(result);
            return false;
        }
    }
}

bool CVideoEncoderFFmpeg::WriteFrame(const uint8_t* rgba, std::string& error) {
    if (!video || !fileOpen || finished) {
        error = "the video is not open";
        return false;
    }
    if (av_frame_make_writable(picture) < 0) {
        error = "out of memory";
        return false;
    }
    const uint8_t* source[1] = {rgba};
    const int stride[1] = {settings.width * 4};
    sws_scale(scaler, source, stride, 0, settings.height, picture->data, picture->linesize);
    picture->pts = framesWritten;
    if (!Encode(picture, error))
        return false;
    ++framesWritten;
    return !sound || sound->WriteUntil(SamplesOf(framesWritten), false, error);
}

bool CVideoEncoderFFmpeg::Finish(std::string& error) {
    if (!video || !fileOpen || finished) {
        error = "the video is not open";
        return false;
    }
    finished = true;
    if ((sound && !sound->WriteUntil(0, true, error)) || !Encode(nullptr, error))
        return false;
    int result = av_write_trailer(format);
    if (result < 0) {
        error = "cannot finish '" + settings.path + "': " + FFmpegErrorText(result);
        return false;
    }
    result = avio_closep(&format->pb);
    fileOpen = false;
    if (result < 0) {
        error = "cannot finish '" + settings.path + "': " + FFmpegErrorText(result);
        return false;
    }
    return true;
}
