#include "App/capture/CFrameWriter.h"

#include "App/capture/CPngEncoder.h"
#include "Base/Log.h"
#include "Platform/NativeFile.h"

#include <algorithm>
#include <climits>
#include <cstdio>

CFrameWriter::CFrameWriter(std::string folder, int threads)
    : folder(std::move(folder)), threadCount(std::max(1, threads)) {}

CFrameWriter::~CFrameWriter() {
    FinishWriting();
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    for (std::thread& worker : workers)
        worker.join();
}

int CFrameWriter::DefaultThreads() { return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 16); }

std::string CFrameWriter::FramePath(int index) const {
    char name[32];
    std::snprintf(name, sizeof(name), "frame_%06d.png", index);
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool CFrameWriter::WriteFrame(int index, const std::vector<uint8_t>& rgba, int width, int height) const {
    return SavePng(FramePath(index), rgba, width, height);
}

bool CFrameWriter::SavePng(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height) {
    if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) {
        LOG("CFrameWriter::SavePng", "Frame of %d x %d has %zu bytes of pixels, not %d x %d x 4", width, height,
            rgba.size(), width, height);
        return false;
    }
    CPngEncoder encoder;
    if (!encoder.WriteFile(path, rgba.data(), width, height)) {
        LOG("CFrameWriter::SavePng", "Failed to write '%s'", path.c_str());
        return false;
    }
    return true;
}

bool CFrameWriter::SaveNewPng(const std::string& prefix, int& number, const std::vector<uint8_t>& rgba, int width,
                              int height, std::string& saved) {
    if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) {
        LOG("CFrameWriter::SaveNewPng", "Frame of %d x %d has %zu bytes of pixels, not %d x %d x 4", width, height,
            rgba.size(), width, height);
        return false;
    }
    CPngEncoder encoder;
    // Names left by earlier runs are passed over; a folder full of them ends the search.
    constexpr int MaxTries = 100000;
    for (int tries = 0; tries < MaxTries && number < INT_MAX; ++tries) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%03d", ++number);
        saved = prefix + digits + ".png";
        bool taken = false;
        if (encoder.WriteNewFile(saved, rgba.data(), width, height, taken))
            return true;
        if (!taken) {
            LOG("CFrameWriter::SaveNewPng", "Failed to write '%s'", saved.c_str());
            return false;
        }
    }
    LOG("CFrameWriter::SaveNewPng", "Failed to write '%sNNN.png': every name tried is taken", prefix.c_str());
    return false;
}

int CFrameWriter::FailedFrame() const {
    std::lock_guard<std::mutex> lock(mutex);
    return failedFrame;
}

void CFrameWriter::NoteFailure(const Job& job) {
    if (failedSequence < 0 || job.sequence < failedSequence) {
        failedSequence = job.sequence;
        failedFrame = job.index;
    }
}

bool CFrameWriter::ReportFailure() {
    if (!failureLogged) {
        failureLogged = true;
        LOG("CFrameWriter::SavePng", "Failed to write '%s'", FramePath(failedFrame).c_str());
    }
    return false;
}

bool CFrameWriter::FinishWriting() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return waiting.empty() && taken == 0; });
    return failedSequence < 0 || ReportFailure();
}

bool CFrameWriter::WriteFrameInBackground(int index, std::vector<uint8_t>& rgba, int width, int height) {
    if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            Job refused;
            refused.index = index;
            refused.sequence = handedOver; // after every frame already handed over
            NoteFailure(refused);
            failureLogged = true;
        }
        return SavePng(FramePath(index), rgba, width, height); // logs the mismatch
    }
    std::unique_lock<std::mutex> lock(mutex);
    while (static_cast<int>(workers.size()) < threadCount)
        workers.emplace_back([this] { Work(); });
    // A thread takes a frame and creates its file in one step, so once the frame before has been
    // taken, whether its file could be made is known.
    changed.wait(lock, [this] { return waiting.empty(); });
    if (failedSequence >= 0)
        return ReportFailure();
    Job job;
    job.index = index;
    job.sequence = handedOver++;
    job.width = width;
    job.height = height;
    job.pixels.swap(rgba);
    rgba.clear();
    if (!spare.empty()) {
        rgba.swap(spare.back());
        spare.pop_back();
    }
    waiting.push_back(std::move(job));
    changed.notify_all();
    return true;
}

void CFrameWriter::Work() {
    CPngEncoder encoder;
    std::vector<uint8_t> png;
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return stopping || !waiting.empty(); });
        if (waiting.empty())
            return;
        Job job = std::move(waiting.front());
        waiting.pop_front();
        ++taken;
        const std::string path = FramePath(job.index);
        std::FILE* file = nullptr;
        if (failedSequence < 0) {
            file = OpenNativeStdioFile(path, "wb");
            if (!file)
                NoteFailure(job);
        }
        changed.notify_all();

        lock.unlock();
        const bool encoded = file && encoder.Encode(job.pixels.data(), job.width, job.height, png);
        lock.lock();

        // Written strictly in the order handed over; nothing after a frame that failed.
        changed.wait(lock, [&] { return nextToWrite == job.sequence; });
        if (file && encoded && (failedSequence < 0 || failedSequence > job.sequence)) {
            lock.unlock();
            bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
            written = std::fclose(file) == 0 && written;
            file = nullptr;
            if (!written)
                std::remove(path.c_str()); // a truncated picture is worse than none
            lock.lock();
            if (!written)
                NoteFailure(job);
        } else if (file) {
            std::fclose(file);
            std::remove(path.c_str());
            if (!encoded)
                NoteFailure(job);
        }
        ++nextToWrite;
        --taken;
        spare.push_back(std::move(job.pixels));
        changed.notify_all();
    }
}
