// One piece of work on a thread of its own, whose result the thread that started it takes once it is
// done: the analyses of the music that must not hold up a frame. The work is handed a stop flag it
// checks on the way; starting again or cancelling sets it and waits for the thread.
#pragma once

#include <atomic>
#include <functional>
#include <thread>
#include <utility>

template <class Result> class CBackgroundJob {
public:
    CBackgroundJob() = default;
    ~CBackgroundJob() { Cancel(); }
    CBackgroundJob(const CBackgroundJob&) = delete;
    CBackgroundJob& operator=(const CBackgroundJob&) = delete;

    // Cancels the work under way, then starts `work` on a new thread.
    void Start(std::function<Result(const std::atomic<bool>& stop)> work) {
        Cancel();
        running = true;
        worker = std::thread([this, work = std::move(work)] {
            made = work(stop);
            finished.store(true, std::memory_order_release);
        });
    }
    // Asks the work under way to stop, waits for its thread and drops its result.
    void Cancel() {
        if (running) {
            stop.store(true, std::memory_order_relaxed);
            worker.join();
            running = false;
        }
        stop.store(false, std::memory_order_relaxed);
        finished.store(false, std::memory_order_relaxed);
        made = Result();
    }

    // True from Start until the work is done.
    bool Busy() const { return running && !finished.load(std::memory_order_acquire); }
    // True once the work is done, until its result is taken.
    bool Done() const { return running && finished.load(std::memory_order_acquire); }
    // The result of the work started last, waiting for it while it is at work; false (and `result`
    // untouched) when no work was started since the last take.
    bool Take(Result& result) {
        if (!running)
            return false;
        worker.join();
        running = false;
        finished.store(false, std::memory_order_relaxed);
        result = std::move(made);
        made = Result();
        return true;
    }

private:
    std::thread worker;
    bool running = false; // a thread was started and not yet joined
    std::atomic<bool> stop{false};
    std::atomic<bool> finished{false};
    Result made; // the worker's, read once `finished` is set
};
