#include "Platform/video/CVideoJoinerFFmpeg.h"

#include "Platform/video/CSoundTrackFFmpeg.h"
#include "Platform/video/FFmpegHelpers.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
}

#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>

// One of the module's two entry points (see CreateVideoJoiner in Platform.h).
extern "C" __attribute__((visibility("default"))) CVideoJoiner* QvCreateVideoJoiner() {
    return new CVideoJoinerFFmpeg();
}

namespace {

// One part opened for reading, closed with it.
struct Input {
    AVFormatContext* format = nullptr;
    int video = -1; // the video stream's index
    ~Input() { avformat_close_input(&format); }

    bool Open(const std::string& path, std::string& error) {
        const std::string url = FFmpegFileUrl(path);
        int result = avformat_open_input(&format, url.c_str(), nullptr, nullptr);
        if (result < 0) {
            error = "cannot read '" + path + "': " + FFmpegErrorText(result);
            return false;
        }
        result = avformat_find_stream_info(format, nullptr);
        video = result < 0 ? result : av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (video < 0) {
            error = "'" + path + "' holds no pictures";
            return false;
        }
        return true;
    }
};

struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

} // namespace

bool CVideoJoinerFFmpeg::Inspect(const std::string& path, VideoFileInfo& info, std::string& error) {
    // A file that is no video is the join's message to tell, in its words, not the demuxer's.
    av_log_set_level(AV_LOG_FATAL);
    Input input;
    if (!input.Open(path, error))
        return false;
    info = VideoFileInfo();
    info.container = input.format->iformat->name;
    const AVCodecParameters* parameters = input.format->streams[input.video]->codecpar;
    info.width = parameters->width;
    info.height = parameters->height;
    info.videoCodec = avcodec_get_name(parameters->codec_id);
    for (unsigned i = 0; i < input.format->nb_streams; ++i)
        info.soundStreams += input.format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
    const AVDictionaryEntry* tag = nullptr;
    while ((tag = av_dict_get(input.format->metadata, "", tag, AV_DICT_IGNORE_SUFFIX))) {
        std::string name = tag->key;
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        info.tags.emplace_back(name, tag->value);
    }
    std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
    if (!packet) {
        error = "out of memory";
        return false;
    }
    int result = 0;
    while ((result = av_read_frame(input.format, packet.get())) >= 0) {
        info.pictures += packet->stream_index == input.video;
        av_packet_unref(packet.get());
    }
    if (result != AVERROR_EOF) {
        error = "cannot read '" + path + "': " + FFmpegErrorText(result);
        return false;
    }
    return true;
}

bool CVideoJoinerFFmpeg::Join(const VideoJoinSettings& settings, std::string& error) {
    av_log_set_level(AV_LOG_ERROR);
    if (settings.parts.empty() || !(settings.fps > 0) || settings.frames <= 0) {
        error = "nothing to join";
        return false;
    }
    const AVRational frameTime = av_inv_q(FFmpegFrameRate(settings.fps));
    const std::string url = FFmpegFileUrl(settings.path);
    AVFormatContext* output = nullptr;
    int result = avformat_alloc_output_context2(&output, nullptr, settings.container.c_str(), url.c_str());
    if (result < 0 || !output) {
        error = "no " + settings.container + " writer in FFmpeg's libraries: " + FFmpegErrorText(result);
        return false;
    }
    // Closed and freed on every way out; the sound track's encoder goes first.
    std::unique_ptr<CSoundTrackFFmpeg> sound;
    struct Closer {
        AVFormatContext*& format;
        std::unique_ptr<CSoundTrackFFmpeg>& sound;
        ~Closer() {
            sound.reset();
            if (format->pb)
                avio_closep(&format->pb);
            avformat_free_context(format);
        }
    } closer{output, sound};

    // The pictures' stream is the first part's, as it is.
    Input first;
    if (!first.Open(settings.parts[0], error))
        return false;
    const AVCodecParameters* model = first.format->streams[first.video]->codecpar;
    AVStream* video = avformat_new_stream(output, nullptr);
    if (!video || avcodec_parameters_copy(video->codecpar, model) < 0) {
        error = "cannot add the video stream";
        return false;
    }
    video->codecpar->codec_tag = 0;
    video->time_base = frameTime;
    video->avg_frame_rate = av_inv_q(frameTime);

    const DecodedMusic& music = settings.music;
    if (music.read && music.frames > 0 && music.channels > 0 && music.sampleRate > 0) {
        sound = std::make_unique<CSoundTrackFFmpeg>();
        const int64_t samples = av_rescale_q(settings.frames, frameTime, AVRational{1, CSoundTrackFFmpeg::AudioRate});
        if (!sound->Open(output, music, settings.musicStart, samples, error))
            return false;
    }
    result = avio_open(&output->pb, url.c_str(), AVIO_FLAG_WRITE);
    if (result < 0) {
        error = "cannot create '" + settings.path + "': " + FFmpegErrorText(result);
        return false;
    }
    AVDictionary* options = nullptr;
    if (settings.container == "mp4")
        av_dict_set(&options, "movflags", "+faststart", 0);
    result = avformat_write_header(output, &options);
    av_dict_free(&options);
    if (result < 0) {
        error = "cannot write the file's header: " + FFmpegErrorText(result);
        return false;
    }

    std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
    if (!packet) {
        error = "out of memory";
        return false;
    }
    int64_t framesBefore = 0; // pictures of the parts already written
    int64_t lastDts = INT64_MIN;
    for (const std::string& path : settings.parts) {
        Input input;
        if (!input.Open(path, error))
            return false;
        const AVStream* stream = input.format->streams[input.video];
        const AVCodecParameters* parameters = stream->codecpar;
        // The pictures are copied, not decoded: every part must have been encoded alike.
        if (parameters->codec_id != model->codec_id || parameters->width != model->width ||
            parameters->height != model->height || parameters->extradata_size != model->extradata_size ||
            (model->extradata_size > 0 &&
             std::memcmp(parameters->extradata, model->extradata, static_cast<size_t>(model->extradata_size)) != 0)) {
            error = "'" + path + "' was encoded differently from '" + settings.parts[0] +
                    "' (another size or quality), so their pictures cannot be copied into one stream";
            return false;
        }
        const int64_t offset = av_rescale_q(framesBefore, frameTime, video->time_base);
        int64_t pictures = 0;
        while ((result = av_read_frame(input.format, packet.get())) >= 0) {
            if (settings.stopRequested && settings.stopRequested()) {
                error = "interrupted";
                av_packet_unref(packet.get());
                return false;
            }
            if (packet->stream_index != input.video) {
                av_packet_unref(packet.get());
                continue;
            }
            av_packet_rescale_ts(packet.get(), stream->time_base, video->time_base);
            if (packet->pts == AV_NOPTS_VALUE) {
                error = "a picture of '" + path + "' has no time";
                av_packet_unref(packet.get());
                return false;
            }
            packet->pts += offset;
            // Matroska keeps no decoding times: its first pictures come without one. Any time after
            // the picture decoded before and not after the picture's own will do.
            if (packet->dts == AV_NOPTS_VALUE)
                packet->dts = lastDts == INT64_MIN ? packet->pts : lastDts + 1;
            else
                packet->dts += offset;
            // Rounding between time bases must not put a picture before the one decoded earlier.
            if (packet->dts <= lastDts)
                packet->dts = lastDts + 1;
            if (packet->dts > packet->pts) {
                error = "the pictures of '" + path + "' do not follow those before them";
                av_packet_unref(packet.get());
                return false;
            }
            lastDts = packet->dts;
            packet->stream_index = video->index;
            packet->pos = -1;
            ++pictures;
            result = av_interleaved_write_frame(output, packet.get());
            if (result < 0) {
                error = "cannot write to '" + settings.path + "': " + FFmpegErrorText(result);
                return false;
            }
            // The sound up to the pictures written so far, so that the file's streams interleave.
            if (sound && !sound->WriteUntil(av_rescale_q(framesBefore + pictures, frameTime,
                                                         AVRational{1, CSoundTrackFFmpeg::AudioRate}),
                                            false, error))
                return false;
        }
        if (result != AVERROR_EOF) {
            error = "cannot read '" + path + "': " + FFmpegErrorText(result);
            return false;
        }
        framesBefore += pictures;
    }
    if (framesBefore != settings.frames) {
        error = "the parts hold " + std::to_string(framesBefore) + " pictures, not " + std::to_string(settings.frames);
        return false;
    }
    if (sound && !sound->WriteUntil(0, true, error))
        return false;
    result = av_write_trailer(output);
    if (result >= 0)
        result = avio_closep(&output->pb);
    if (result < 0) {
        error = "cannot finish '" + settings.path + "': " + FFmpegErrorText(result);
        return false;
    }
    return true;
}
