#include "App/capture/CVideoWriter.h"

#include "Base/Utf8Path.h"
#include "Platform/NewFile.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

CVideoWriter::CVideoWriter(std::unique_ptr<CVideoEncoder> encoder) : encoder(std::move(encoder)) {}

CVideoWriter::~CVideoWriter() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    if (worker.joinable())
        worker.join();
    if (open)
        Abandon();
}

bool CVideoWriter::CreateTemporary(const std::string& path, std::string& temporary, std::string& error) {
    // A name known in advance could be laid in wait for (a link to another file, say); a random one
    // created exclusively, without following a link, is this export's own.
    std::random_device entropy;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%08x%08x.part", entropy(), entropy());
        temporary = path + suffix;
        const NewFileResult made = WriteNewFile(temporary, nullptr, 0, error);
        if (made == NewFileResult::Created)
            return true;
        if (made == NewFileResult::Failed) {
            temporary.clear();
            return false;
        }
    }
    error = "cannot create a temporary file beside '" + path + "'";
    temporary.clear();
    return false;
}

void CVideoWriter::Abandon() {
    encoder.reset(); // closes the file before it is removed
    std::error_code ignored;
    if (!temporary.empty())
        std::filesystem::remove(PathFromUtf8(temporary), ignored);
    temporary.clear();
    open = false;
}

bool CVideoWriter::Open(const VideoEncoderSettings& settings, std::string& error) {
    if (!encoder || open || worker.joinable()) {
        error = "the video writer cannot be opened again";
        return false;
    }
    path = settings.path;
    if (!CreateTemporary(path, temporary, error))
        return false;
    width = settings.width;
    height = settings.height;
    VideoEncoderSettings opened = settings;
    opened.path = temporary;
    open = true;
    if (!encoder->Open(opened, error)) {
        Abandon();
        return false;
    }
    worker = std::thread([this] { Work(); });
    return true;
}

void CVideoWriter::Work() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return stopping || frameWaiting; });
        if (!frameWaiting)
            return;
        if (failure.empty()) {
            lock.unlock();
            std::string error;
            const bool written = encoder->WriteFrame(inFlight.data(), error);
            lock.lock();
            if (!written)
                failure = error.empty() ? "the encoder failed" : error;
        }
        frameWaiting = false;
        changed.notify_all();
    }
}

bool CVideoWriter::WriteFrameInBackground(std::vector<uint8_t>& rgba, int frameWidth, int frameHeight,
                                          std::string& error) {
    if (!open || !worker.joinable()) {
        error = "the video is not open";
        return false;
    }
    if (frameWidth != width || frameHeight != height ||
        rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) {
        error = "a frame of " + std::to_string(frameWidth) + " x " + std::to_string(frameHeight) + " with " +
                std::to_string(rgba.size()) + " bytes does not fit a video of " + std::to_string(width) + " x " +
                std::to_string(height);
        return false;
    }
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return !frameWaiting; });
    if (!failure.empty()) {
        error = failure;
        return false;
    }
    inFlight.swap(rgba);
    frameWaiting = true;
    changed.notify_all();
    return true;
}

bool CVideoWriter::Finish(std::string& error) {
    if (!open || !worker.joinable()) {
        error = "the video is not open";
        return false;
    }
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return !frameWaiting; });
        stopping = true;
    }
    changed.notify_all();
    worker.join();
    if (!failure.empty()) {
        error = failure;
        Abandon();
        return false;
    }
    if (!encoder->Finish(error)) {
        Abandon();
        return false;
    }
    std::error_code renameError;
    std::filesystem::rename(PathFromUtf8(temporary), PathFromUtf8(path), renameError);
    if (renameError) {
        error = "cannot rename '" + temporary + "' to '" + path + "': " + renameError.message();
        Abandon();
        return false;
    }
    encoder.reset();
    temporary.clear();
    open = false;
    return true;
}
