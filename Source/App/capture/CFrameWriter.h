// Saves rendered frames as PNG files: capture writes each frame of an offline render this way, and
// the pixel tests look at what it wrote.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CFrameWriter {
public:
    // Frames go to `folder`/frame_000000.png, frame_000001.png, ...; `threads` encode them in the
    // background (at least one).
    explicit CFrameWriter(std::string folder, int threads = DefaultThreads());
    // Waits for the frames still being written.
    ~CFrameWriter();
    CFrameWriter(const CFrameWriter&) = delete;
    CFrameWriter& operator=(const CFrameWriter&) = delete;

    // One encoding thread per core: the drawing thread waits on them only when they fall behind.
    static int DefaultThreads();

    // The file name of frame `index`.
    std::string FramePath(int index) const;
    // Writes RGBA8 pixels, top row first. False with a log line when the file cannot be written.
    bool WriteFrame(int index, const std::vector<uint8_t>& rgba, int width, int height) const;

    // Hands frame `index` to the encoding threads, so that encoding overlaps drawing the next frames.
    // Takes the pixels and leaves `rgba` holding a spare buffer of no particular content. Files are
    // created and written in the order the frames were handed over, each complete before the next is
    // written, and nothing is written after a frame that failed: a folder holds a run of whole frames.
    // Waits while every thread is busy and one frame already waits. False (logged as WriteFrame logs
    // it, FailedFrame names it) when an earlier frame could not be written, or for pixels of the
    // wrong size; the file of the frame handed over just before is always known to be open by then.
    bool WriteFrameInBackground(int index, std::vector<uint8_t>& rgba, int width, int height);
    // Waits for every frame handed over; false when any of them could not be written.
    bool FinishWriting();
    // The first frame (in the order handed over) that could not be written, -1 while none failed.
    int FailedFrame() const;

    // Writes one PNG; false (with a log line) for a size that does not match the pixels or a file
    // that cannot be written.
    static bool SavePng(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height);
    // Writes one PNG under the first name `prefix`NNN.png (three digits or more) after number
    // `number` that nothing in the folder has, and never through a link; `number` becomes the one
    // used and `saved` its name. False, with a log line, when it could not be written.
    static bool SaveNewPng(const std::string& prefix, int& number, const std::vector<uint8_t>& rgba, int width,
                           int height, std::string& saved);

private:
    struct Job {
        int index = 0;
        long sequence = 0; // order handed over
        int width = 0, height = 0;
        std::vector<uint8_t> pixels;
    };
    void Work();
    // With the lock held: remembers the first failure in the order handed over.
    void NoteFailure(const Job& job);
    // With the lock held: logs the failure once, on the thread that asks.
    bool ReportFailure();

    std::string folder;
    int threadCount;
    std::vector<std::thread> workers; // started by the first frame handed over

    mutable std::mutex mutex;
    std::condition_variable changed;
    std::deque<Job> waiting;                 // at most one frame that no thread has taken yet
    std::vector<std::vector<uint8_t>> spare; // pixel buffers of written frames, handed back
    int taken = 0;                           // frames taken by threads and not yet finished
    long handedOver = 0;                     // sequence number of the next frame handed over
    long nextToWrite = 0;                    // sequence number whose turn it is to be written
    long failedSequence = -1;
    int failedFrame = -1;
    bool failureLogged = false;
    bool stopping = false;
};
