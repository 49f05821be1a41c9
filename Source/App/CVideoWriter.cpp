#include "App/CVideoWriter.h"

#include <filesystem>
#include <unistd.h>

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

std::string CVideoWriter::TemporaryPath(const std::string& path) {
    // The process number keeps two captures into the same name from writing one temporary file.
    return path + "." + std::to_string(::getpid()) + ".part";
}

void CVideoWriter::Abandon() {
    encoder.reset(); // closes the file before it is removed
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    open = false;
}

bool CVideoWriter::Open(const VideoEncoderSettings& settings, std::string& error) {
    if (!encoder || open || worker.joinable()) {
        error = "the video writer cannot be opened again";
        return false;
    }
    path = settings.path;
    temporary = TemporaryPath(path);
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
    std::filesystem::rename(temporary, path, renameError);
    if (renameError) {
        error = "cannot rename '" + temporary + "' to '" + path + "': " + renameError.message();
        Abandon();
        return false;
    }
    encoder.reset();
    open = false;
    return true;
}
