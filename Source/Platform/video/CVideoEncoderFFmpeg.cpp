#include "Platform/video/CVideoEncoderFFmpeg.h"
#include "Base/Utf8Path.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

// The module's entry point (see CreateVideoEncoder): the one name it shows.
extern "C" __attribute__((visibility("default"))) CVideoEncoder* QvCreateVideoEncoder() {
    return new CVideoEncoderFFmpeg();
}

namespace {

constexpr int ResampleBlock = 4096; // music frames resampled at a time

std::string ErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// The frame rate as a fraction. Rates come from decimal text stored as float, so a fraction with a
// small denominator that matches to float precision (30, 29.97 = 2997/100, 23.976...) is what was
// meant; anything else gets the closest fraction the containers can hold.
AVRational FrameRate(double fps) {
    for (int den = 1; den <= 1001; ++den) {
        const double num = std::round(fps * den);
        if (num >= 1 && num <= 1e9 && std::fabs(num / den - fps) <= fps * 1e-7)
            return AVRational{static_cast<int>(num), den};
    }
    return av_d2q(fps, 1000000);
}

// FFmpeg reads a name as a URL: "pipe:1.mkv" would be standard output and "take:2.mp4" an unknown
// protocol. The file protocol with the absolute path is the file of that name and nothing else.
std::string FileUrl(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(PathFromUtf8(path), error);
    return "file:" + (error ? path : Utf8FromPath(absolute));
}

} // namespace

CVideoEncoderFFmpeg::~CVideoEncoderFFmpeg() { Close(); }

void CVideoEncoderFFmpeg::Close() {
    if (format && fileOpen)
        avio_closep(&format->pb);
    fileOpen = false;
    avformat_free_context(format);
    format = nullptr;
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    av_frame_free(&picture);
    av_frame_free(&sound);
    av_packet_free(&packet);
    sws_freeContext(scaler);
    scaler = nullptr;
    swr_free(&resampler);
}

bool CVideoEncoderFFmpeg::Open(const VideoEncoderSettings& wanted, std::string& error) {
    Close();
    settings = wanted;
    finished = false;
    framesWritten = audioEncoded = musicFed = 0;
    resamplerDrained = false;
    consumed = 0;
    resampled[0].clear();
    resampled[1].clear();
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

    const std::string url = FileUrl(settings.path);
    int result = avformat_alloc_output_context2(&format, nullptr, settings.container.c_str(), url.c_str());
    if (result < 0 || !format) {
        error = "no " + settings.container + " writer in FFmpeg's libraries: " + ErrorText(result);
        return false;
    }
    packet = av_packet_alloc();
    if (!packet) {
        error = "out of memory";
        return false;
    }
    if (!OpenVideo(error))
        return false;
    if (settings.music.read && settings.music.frames > 0 && settings.music.channels > 0 &&
        settings.music.sampleRate > 0 && !OpenAudio(error))
        return false;

    result = avio_open(&format->pb, url.c_str(), AVIO_FLAG_WRITE);
    if (result < 0) {
        error = "cannot create '" + settings.path + "': " + ErrorText(result);
        return false;
    }
    fileOpen = true;
    AVDictionary* options = nullptr;
    if (settings.container == "mp4")
        av_dict_set(&options, "movflags", "+faststart", 0); // the index first, so players start at once
    result = avformat_write_header(format, &options);
    av_dict_free(&options);
    if (result < 0) {
        error = "cannot write the file's header: " + ErrorText(result);
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
    const AVRational rate = FrameRate(settings.fps);
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
        error = "cannot start the H.264 encoder: " + ErrorText(result);
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

bool CVideoEncoderFFmpeg::OpenAudio(std::string& error) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!codec) {
        error = "FFmpeg's libraries here have no AAC encoder";
        return false;
    }
    audio = avcodec_alloc_context3(codec);
    sound = av_frame_alloc();
    if (!audio || !sound) {
        error = "out of memory";
        return false;
    }
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
    audio->sample_rate = AudioRate;
    audio->bit_rate = AudioBitRate;
    audio->time_base = AVRational{1, AudioRate};
    av_channel_layout_copy(&audio->ch_layout, &stereo);
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int result = avcodec_open2(audio, codec, nullptr);
    if (result < 0) {
        error = "cannot start the AAC encoder: " + ErrorText(result);
        return false;
    }
    audioStream = avformat_new_stream(format, nullptr);
    if (!audioStream || avcodec_parameters_from_context(audioStream->codecpar, audio) < 0) {
        error = "cannot add the sound stream";
        return false;
    }
    audioStream->time_base = audio->time_base;

    sound->format = audio->sample_fmt;
    sound->sample_rate = AudioRate;
    av_channel_layout_copy(&sound->ch_layout, &stereo);
    sound->nb_samples = audio->frame_size > 0 ? audio->frame_size : 1024;
    if (av_frame_get_buffer(sound, 0) < 0) {
        error = "out of memory";
        return false;
    }

    const DecodedMusic& music = settings.music;
    AVChannelLayout layout;
    av_channel_layout_default(&layout, music.channels);
    result = swr_alloc_set_opts2(&resampler, &stereo, AV_SAMPLE_FMT_FLTP, AudioRate, &layout, AV_SAMPLE_FMT_FLT,
                                 music.sampleRate, 0, nullptr);
    av_channel_layout_uninit(&layout);
    if (result < 0 || swr_init(resampler) < 0) {
        error = "cannot set up the music's resampling from " + std::to_string(music.sampleRate) + " Hz";
        return false;
    }
    // The track lasts exactly as long as the video, and starts with the music at frame 0's time.
    audioTotal = av_rescale_q(settings.frames, video->time_base, audio->time_base);
    musicFirst = std::llround(settings.musicStart * music.sampleRate);
    musicNeeded = av_rescale_rnd(audioTotal, music.sampleRate, AudioRate, AV_ROUND_UP);
    return true;
}

bool CVideoEncoderFFmpeg::Encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame, std::string& error) {
    int result = avcodec_send_frame(codec, frame);
    if (result < 0) {
        error = std::string("cannot encode the ") + (codec == video ? "pictures" : "sound") + ": " + ErrorText(result);
        return false;
    }
    for (;;) {
        result = avcodec_receive_packet(codec, packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return true;
        if (result < 0) {
            error =
                std::string("cannot encode the ") + (codec == video ? "pictures" : "sound") + ": " + ErrorText(result);
            return false;
        }
        // Every picture lasts one frame, the last one included, so the video is frames / fps long.
        if (codec == video && packet->duration == 0)
            packet->duration = 1;
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        result = av_interleaved_write_frame(format, packet);
        if (result < 0) {
            error = "cannot write to '" + settings.path + "': " + ErrorText(result);
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
    if (!Encode(video, videoStream, picture, error))
        return false;
    ++framesWritten;
    return !audio || WriteAudioUntil(av_rescale_q(framesWritten, video->time_base, audio->time_base), false, error);
}

bool CVideoEncoderFFmpeg::ResampleMore() {
    const DecodedMusic& music = settings.music;
    uint8_t* out[2] = {nullptr, nullptr};
    const int room = swr_get_out_samples(resampler, ResampleBlock) + 64;
    const size_t before = resampled[0].size();
    resampled[0].resize(before + room);
    resampled[1].resize(before + room);
    out[0] = reinterpret_cast<uint8_t*>(resampled[0].data() + before);
    out[1] = reinterpret_cast<uint8_t*>(resampled[1].data() + before);

    int made = 0;
    if (musicFed < musicNeeded) {
        const int frames = static_cast<int>(std::min<int64_t>(ResampleBlock, musicNeeded - musicFed));
        const size_t channels = static_cast<size_t>(music.channels);
        input.resize(static_cast<size_t>(frames) * channels);
        // The reader leaves the part of the block outside the music silent.
        music.read(musicFirst + musicFed, frames, input.data());
        const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(input.data())};
        made = swr_convert(resampler, out, room, in, frames);
        musicFed += frames;
    } else if (!resamplerDrained) {
        made = swr_convert(resampler, out, room, nullptr, 0);
        resamplerDrained = true;
    } else {
        // The range is covered and the resampler is empty: whatever is still missing is silence.
        std::fill(resampled[0].begin() + static_cast<ptrdiff_t>(before), resampled[0].end(), 0.0f);
        std::fill(resampled[1].begin() + static_cast<ptrdiff_t>(before), resampled[1].end(), 0.0f);
        made = room;
    }
    if (made < 0)
        return false;
    resampled[0].resize(before + static_cast<size_t>(made));
    resampled[1].resize(before + static_cast<size_t>(made));
    return true;
}

bool CVideoEncoderFFmpeg::WriteAudioUntil(int64_t end, bool final, std::string& error) {
    const int blockSize = sound->nb_samples;
    const bool smallLast = audio->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
    end = std::min(end, audioTotal);
    while (audioEncoded < end) {
        int count = static_cast<int>(std::min<int64_t>(blockSize, audioTotal - audioEncoded));
        if (!final && audioEncoded + blockSize > end)
            break; // the rest of this block belongs with pictures not drawn yet
        while (resampled[0].size() - consumed < static_cast<size_t>(count)) {
            if (!ResampleMore()) {
                error = "cannot resample the music";
                return false;
            }
        }
        if (av_frame_make_writable(sound) < 0) {
            error = "out of memory";
            return false;
        }
        const int samples = count < blockSize && !smallLast ? blockSize : count;
        for (int channel = 0; channel < 2; ++channel) {
            float* target = reinterpret_cast<float*>(sound->data[channel]);
            std::memcpy(target, resampled[channel].data() + consumed, static_cast<size_t>(count) * sizeof(float));
            std::fill(target + count, target + samples, 0.0f);
        }
        sound->nb_samples = samples;
        sound->pts = audioEncoded;
        if (!Encode(audio, audioStream, sound, error))
            return false;
        sound->nb_samples = blockSize;
        audioEncoded += count;
        consumed += static_cast<size_t>(count);
        if (consumed >= static_cast<size_t>(ResampleBlock)) {
            resampled[0].erase(resampled[0].begin(), resampled[0].begin() + static_cast<ptrdiff_t>(consumed));
            resampled[1].erase(resampled[1].begin(), resampled[1].begin() + static_cast<ptrdiff_t>(consumed));
            consumed = 0;
        }
    }
    return true;
}

bool CVideoEncoderFFmpeg::Finish(std::string& error) {
    if (!video || !fileOpen || finished) {
        error = "the video is not open";
        return false;
    }
    finished = true;
    if (audio && !WriteAudioUntil(audioTotal, true, error))
        return false;
    if (!Encode(video, videoStream, nullptr, error) || (audio && !Encode(audio, audioStream, nullptr, error)))
        return false;
    int result = av_write_trailer(format);
    if (result < 0) {
        error = "cannot finish '" + settings.path + "': " + ErrorText(result);
        return false;
    }
    result = avio_closep(&format->pb);
    fileOpen = false;
    if (result < 0) {
        error = "cannot finish '" + settings.path + "': " + ErrorText(result);
        return false;
    }
    return true;
}
