#include "App/capture/CCaptureOutput.h"

#include "App/capture/CFrameWriter.h"
#include "App/capture/CVideoWriter.h"
#include "Base/Names.h"
#include "Base/Utf8Path.h"
#include "Platform/Platform.h"

#include <filesystem>
#include <string_view>

CCaptureOutput::CCaptureOutput(std::string target, bool drawOnly) : target(std::move(target)), drawOnly(drawOnly) {}

CCaptureOutput::~CCaptureOutput() = default;

bool CCaptureOutput::IsVideoFile(const std::string& target) {
    if (target.size() <= 4)
        return false;
    const std::string_view ending = std::string_view(target).substr(target.size() - 4);
    return SameName(ending, ".mp4") || SameName(ending, ".mkv");
}

std::string CCaptureOutput::FrameFailure(int index) const {
    const int failed = frames && frames->FailedFrame() >= 0 ? frames->FailedFrame() : index;
    return "Failed to write frame '" + (frames ? frames->FramePath(failed) : target) + "'";
}

std::string CCaptureOutput::VideoFailure(const std::string& reason) const {
    return "Failed to write the video '" + target + "': " + reason;
}

std::string CCaptureOutput::ReadBackFailure(int index) const {
    if (IsVideo())
        return VideoFailure("the picture of frame " + std::to_string(index) + " could not be read back");
    return FrameFailure(index);
}

bool CCaptureOutput::Open(const CCaptureSchedule& schedule, int width, int height, const DecodedMusic* music,
                          int quality, std::string& message, int frameCount,
                          const std::vector<std::pair<std::string, std::string>>& tags) {
    if (drawOnly)
        return true;
    if (!IsVideo()) {
        if (!CCaptureSchedule::PrepareFolder(target, message))
            return false;
        frames = std::make_unique<CFrameWriter>(target);
        return true;
    }

    std::error_code error;
    const std::filesystem::path file = PathFromUtf8(target);
    if (std::filesystem::is_directory(file, error)) {
        message = VideoFailure("it is a folder");
        return false;
    }
    if (file.has_parent_path() && !CCaptureSchedule::PrepareFolder(Utf8FromPath(file.parent_path()), message))
        return false;

    VideoEncoderSettings settings;
    settings.path = target;
    settings.container = SameName(std::string_view(target).substr(target.size() - 4), ".mkv") ? "matroska" : "mp4";
    settings.width = width;
    settings.height = height;
    settings.fps = schedule.fps;
    settings.frames = frameCount >= 0 ? frameCount : schedule.FrameCount();
    settings.tags = tags;
    settings.quality = quality;
    if (music)
        settings.music = *music;
    settings.musicStart = schedule.start;
    video = std::make_unique<CVideoWriter>(CreateVideoEncoder());
    std::string reason;
    if (!video->Open(settings, reason)) {
        message = VideoFailure(reason);
        video.reset();
        return false;
    }
    return true;
}

bool CCaptureOutput::Write(int index, std::vector<uint8_t>& rgba, int width, int height, std::string& message) {
    if (drawOnly)
        return true; // the buffer is used again for the next frame
    if (IsVideo()) {
        std::string reason = "the video is not open";
        if (video && video->WriteFrameInBackground(rgba, width, height, reason))
            return true;
        message = VideoFailure(reason);
        video.reset();
        return false;
    }
    if (frames && frames->WriteFrameInBackground(index, rgba, width, height))
        return true;
    message = FrameFailure(index);
    return false;
}

unsigned long long CCaptureOutput::WrittenBytes(int first, int count) const {
    if (drawOnly)
        return 0;
    std::error_code error;
    if (IsVideo()) {
        const auto size = std::filesystem::file_size(PathFromUtf8(target), error);
        return error ? 0 : size;
    }
    const CFrameWriter names(target, 1);
    unsigned long long bytes = 0;
    for (int i = first; i < first + count; ++i) {
        const auto size = std::filesystem::file_size(PathFromUtf8(names.FramePath(i)), error);
        bytes += error ? 0 : size;
    }
    return bytes;
}

bool CCaptureOutput::Finish(std::string& message) {
    if (drawOnly)
        return true;
    if (IsVideo()) {
        std::string reason = "the video is not open";
        const bool finished = video && video->Finish(reason);
        video.reset();
        if (!finished)
            message = VideoFailure(reason);
        return finished;
    }
    if (frames && frames->FinishWriting())
        return true;
    message = FrameFailure(-1);
    return false;
}
