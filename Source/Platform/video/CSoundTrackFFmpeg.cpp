#include "Platform/video/CSoundTrackFFmpeg.h"

#include "Platform/video/FFmpegHelpers.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/mathematics.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int ResampleBlock = 4096; // music frames resampled at a time

} // namespace

CSoundTrackFFmpeg::~CSoundTrackFFmpeg() {
    avcodec_free_context(&audio);
    av_frame_free(&sound);
    av_packet_free(&packet);
    swr_free(&resampler);
}

bool CSoundTrackFFmpeg::Open(AVFormatContext* output, const DecodedMusic& decoded, double musicStart, int64_t samples,
                             std::string& error) {
    format = output;
    music = decoded;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!codec) {
        error = "FFmpeg's libraries here have no AAC encoder";
        return false;
    }
    audio = avcodec_alloc_context3(codec);
    sound = av_frame_alloc();
    packet = av_packet_alloc();
    if (!audio || !sound || !packet) {
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
        error = "cannot start the AAC encoder: " + FFmpegErrorText(result);
        return false;
    }
    stream = avformat_new_stream(format, nullptr);
    if (!stream || avcodec_parameters_from_context(stream->codecpar, audio) < 0) {
        error = "cannot add the sound stream";
        return false;
    }
    stream->time_base = audio->time_base;

    sound->format = audio->sample_fmt;
    sound->sample_rate = AudioRate;
    av_channel_layout_copy(&sound->ch_layout, &stereo);
    sound->nb_samples = audio->frame_size > 0 ? audio->frame_size : 1024;
    if (av_frame_get_buffer(sound, 0) < 0) {
        error = "out of memory";
        return false;
    }

    AVChannelLayout layout;
    av_channel_layout_default(&layout, music.channels);
    result = swr_alloc_set_opts2(&resampler, &stereo, AV_SAMPLE_FMT_FLTP, AudioRate, &layout, AV_SAMPLE_FMT_FLT,
                                 music.sampleRate, 0, nullptr);
    av_channel_layout_uninit(&layout);
    if (result < 0 || swr_init(resampler) < 0) {
        error = "cannot set up the music's resampling from " + std::to_string(music.sampleRate) + " Hz";
        return false;
    }
    audioTotal = samples;
    audioEncoded = musicFed = 0;
    resamplerDrained = false;
    consumed = 0;
    resampled[0].clear();
    resampled[1].clear();
    musicFirst = std::llround(musicStart * music.sampleRate);
    musicNeeded = av_rescale_rnd(audioTotal, music.sampleRate, AudioRate, AV_ROUND_UP);
    return true;
}

bool CSoundTrackFFmpeg::Encode(AVFrame* frame, std::string& error) {
    int result = avcodec_send_frame(audio, frame);
    if (result < 0) {
        error = "cannot encode the sound: " + FFmpegErrorText(result);
        return false;
    }
    for (;;) {
        result = avcodec_receive_packet(audio, packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return true;
        if (result < 0) {
            error = "cannot encode the sound: " + FFmpegErrorText(result);
            return false;
        }
        av_packet_rescale_ts(packet, audio->time_base, stream->time_base);
        packet->stream_index = stream->index;
        result = av_interleaved_write_frame(format, packet);
        if (result < 0) {
            error = "cannot write the file: " + FFmpegErrorText(result);
            return false;
        }
    }
}

bool CSoundTrackFFmpeg::ResampleMore() {
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

bool CSoundTrackFFmpeg::WriteUntil(int64_t end, bool final, std::string& error) {
    if (!audio || !stream) {
        error = "the sound track is not open";
        return false;
    }
    const int blockSize = sound->nb_samples;
    const bool smallLast = audio->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
    end = final ? audioTotal : std::min(end, audioTotal);
    while (audioEncoded < end) {
        int count = static_cast<int>(std::min<int64_t>(blockSize, audioTotal - audioEncoded));
        if (!final && audioEncoded + blockSize > end)
            break; // the rest of this block belongs with pictures not written yet
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
        if (!Encode(sound, error))
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
    return !final || Encode(nullptr, error);
}
