// Reads an exported video back with FFmpeg's libraries, independently of the program's own encoder:
// its streams, every picture counted (and one kept as RGB), the sound decoded to mono samples.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct VideoFile {
    bool opened = false;
    std::string formatName;
    int videoStreams = 0, audioStreams = 0, otherStreams = 0;
    std::string videoCodec, audioCodec, pixelFormat;
    int width = 0, height = 0;
    int frames = 0; // pictures decoded
    double firstPictureTime = -1;
    double videoEnd = 0; // time at which the last picture ends
    double duration = 0; // the container's duration
    int sampleRate = 0, channels = 0;
    double audioStart = -1;
    std::vector<float> sound;                              // decoded, the channels mixed to mono
    std::vector<uint8_t> keptRgb;                          // the picture asked for, RGB 8-bit, width × height
    std::vector<uint64_t> pictureHashes;                   // of each decoded picture's planes, in the order shown
    std::vector<std::pair<std::string, std::string>> tags; // the container's metadata
};

// `keep`: the index of the picture to convert to RGB (-1: none). `format`: a demuxer to force (for
// example "concat" for a list of files), or null to let FFmpeg choose.
inline VideoFile ReadVideoFile(const std::string& path, int keep = -1, const char* format = nullptr) {
    VideoFile file;
    AVFormatContext* input = nullptr;
    AVDictionary* options = nullptr;
    const AVInputFormat* forced = format ? av_find_input_format(format) : nullptr;
    if (format)
        av_dict_set(&options, "safe", "0", 0); // the concat list names files by absolute path
    int opened = avformat_open_input(&input, path.c_str(), forced, &options);
    av_dict_free(&options);
    if (opened < 0 || avformat_find_stream_info(input, nullptr) < 0) {
        avformat_close_input(&input);
        return file;
    }
    file.opened = true;
    file.formatName = input->iformat->name;
    file.duration = input->duration == AV_NOPTS_VALUE ? 0 : input->duration / double(AV_TIME_BASE);
    const AVDictionaryEntry* tag = nullptr;
    while ((tag = av_dict_get(input->metadata, "", tag, AV_DICT_IGNORE_SUFFIX)))
        file.tags.emplace_back(tag->key, tag->value);

    AVCodecContext* decoders[16] = {};
    const unsigned streams = std::min(input->nb_streams, 16u);
    for (unsigned i = 0; i < streams; ++i) {
        const AVCodecParameters* parameters = input->streams[i]->codecpar;
        if (parameters->codec_type == AVMEDIA_TYPE_VIDEO) {
            ++file.videoStreams;
            file.videoCodec = avcodec_get_name(parameters->codec_id);
            file.width = parameters->width;
            file.height = parameters->height;
            const char* name = av_get_pix_fmt_name(static_cast<AVPixelFormat>(parameters->format));
            file.pixelFormat = name ? name : "";
        } else if (parameters->codec_type == AVMEDIA_TYPE_AUDIO) {
            ++file.audioStreams;
            file.audioCodec = avcodec_get_name(parameters->codec_id);
            file.sampleRate = parameters->sample_rate;
            file.channels = parameters->ch_layout.nb_channels;
        } else {
            ++file.otherStreams;
            continue;
        }
        const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
        decoders[i] = codec ? avcodec_alloc_context3(codec) : nullptr;
        if (decoders[i]) {
            avcodec_parameters_to_context(decoders[i], parameters);
            decoders[i]->pkt_timebase = input->streams[i]->time_base;
            if (avcodec_open2(decoders[i], codec, nullptr) < 0)
                avcodec_free_context(&decoders[i]);
        }
    }

    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto take = [&](unsigned index) {
        AVCodecContext* decoder = decoders[index];
        const AVRational base = input->streams[index]->time_base;
        while (avcodec_receive_frame(decoder, frame) >= 0) {
            const double time =
                frame->best_effort_timestamp == AV_NOPTS_VALUE ? 0 : frame->best_effort_timestamp * av_q2d(base);
            if (decoder->codec_type == AVMEDIA_TYPE_VIDEO) {
                if (file.firstPictureTime < 0)
                    file.firstPictureTime = time;
                const AVRational rate = input->streams[index]->avg_frame_rate;
                const double length = frame->pkt_duration > 0 ? frame->pkt_duration * av_q2d(base)
                                                              : (rate.num ? av_q2d(av_inv_q(rate)) : 0);
                file.videoEnd = std::max(file.videoEnd, time + length);
                uint64_t hash = 14695981039346656037ull;
                for (int plane = 0; plane < 3 && frame->data[plane]; ++plane) {
                    const int rows = plane ? (frame->height + 1) / 2 : frame->height;
                    const int bytes = plane ? (frame->width + 1) / 2 : frame->width;
                    for (int y = 0; y < rows; ++y)
                        for (int x = 0; x < bytes; ++x)
                            hash = (hash ^ frame->data[plane][y * frame->linesize[plane] + x]) * 1099511628211ull;
                }
                file.pictureHashes.push_back(hash);
                if (file.frames == keep) {
                    SwsContext* scaler = sws_getContext(
                        frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
                        frame->height, AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr, nullptr);
                    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
                    sws_setColorspaceDetails(scaler, bt709, 0, bt709, 1, 0, 1 << 16, 1 << 16);
                    file.keptRgb.resize(static_cast<size_t>(frame->width) * frame->height * 3);
                    uint8_t* planes[1] = {file.keptRgb.data()};
                    const int strides[1] = {frame->width * 3};
                    sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
                    sws_freeContext(scaler);
                }
                ++file.frames;
            } else {
                if (file.audioStart < 0)
                    file.audioStart = time;
                const int channels = frame->ch_layout.nb_channels;
                for (int i = 0; i < frame->nb_samples; ++i) {
                    float sum = 0;
                    for (int c = 0; c < channels; ++c) {
                        if (frame->format == AV_SAMPLE_FMT_FLTP)
                            sum += reinterpret_cast<const float*>(frame->extended_data[c])[i];
                        else if (frame->format == AV_SAMPLE_FMT_FLT)
                            sum += reinterpret_cast<const float*>(frame->extended_data[0])[i * channels + c];
                    }
                    file.sound.push_back(channels ? sum / channels : 0);
                }
            }
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(input, packet) >= 0) {
        const unsigned index = static_cast<unsigned>(packet->stream_index);
        if (index < streams && decoders[index] && avcodec_send_packet(decoders[index], packet) >= 0)
            take(index);
        av_packet_unref(packet);
    }
    for (unsigned i = 0; i < streams; ++i) {
        if (decoders[i] && avcodec_send_packet(decoders[i], nullptr) >= 0)
            take(i);
        avcodec_free_context(&decoders[i]);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&input);
    return file;
}
