#include "Platform/CAudioDecoder.h"

#include "Base/StopRequest.h"
#include "Platform/CAudioOutput.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>

namespace {

// A read-only file in memory for libsndfile's virtual I/O.
struct MemoryFile {
    const unsigned char* data;
    sf_count_t size;
    sf_count_t position;
};

sf_count_t MemoryLength(void* user) { return static_cast<MemoryFile*>(user)->size; }

sf_count_t MemorySeek(sf_count_t offset, int whence, void* user) {
    MemoryFile* f = static_cast<MemoryFile*>(user);
    sf_count_t target = offset;
    if (whence == SEEK_CUR)
        target = f->position + offset;
    else if (whence == SEEK_END)
        target = f->size + offset;
    if (target < 0 || target > f->size)
        return -1;
    f->position = target;
    return target;
}

sf_count_t MemoryRead(void* buffer, sf_count_t count, void* user) {
    MemoryFile* f = static_cast<MemoryFile*>(user);
    if (count <= 0)
        return 0;
    sf_count_t n = std::min(count, f->size - f->position);
    if (n <= 0)
        return 0;
    std::memcpy(buffer, f->data + f->position, static_cast<size_t>(n));
    f->position += n;
    return n;
}

sf_count_t MemoryWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t MemoryTell(void* user) { return static_cast<MemoryFile*>(user)->position; }

// A decode started ahead of time. Joined before the process ends, whether or not it was used.
struct DecodeAheadSlot {
    std::shared_ptr<const std::vector<uint8_t>> data;
    std::thread thread;
    CAudioDecoder result;
    bool decoded = false;
    int error = AudioErrorNone;

    void Wait() {
        if (thread.joinable())
            thread.join();
    }
    ~DecodeAheadSlot() { Wait(); }
};

std::unique_ptr<DecodeAheadSlot>& Ahead() {
    static std::unique_ptr<DecodeAheadSlot> slot;
    return slot;
}

} // namespace

void CAudioDecoder::DecodeAhead(std::shared_ptr<const std::vector<uint8_t>> data, int64_t maxSamples) {
    std::unique_ptr<DecodeAheadSlot>& slot = Ahead();
    if (slot)
        slot->Wait();
    slot = std::make_unique<DecodeAheadSlot>();
    if (!data)
        data = std::make_shared<const std::vector<uint8_t>>();
    slot->data = std::move(data);
    DecodeAheadSlot* s = slot.get();
    s->thread = std::thread(
        [s, maxSamples] { s->decoded = s->result.DecodeHere(s->data->data(), s->data->size(), s->error, maxSamples); });
}

bool CAudioDecoder::Decode(const void* data, size_t size, int& error, int64_t maxSamples) {
    if (std::unique_ptr<DecodeAheadSlot>& slot = Ahead()) {
        slot->Wait();
        const std::vector<uint8_t>& bytes = *slot->data;
        // The same buffer handed on (the usual case) needs no comparing.
        const bool same =
            data && bytes.size() == size && (bytes.data() == data || std::memcmp(bytes.data(), data, size) == 0);
        if (same) {
            *this = std::move(slot->result);
            error = slot->error;
            const bool decoded = slot->decoded;
            slot.reset();
            return decoded;
        }
        slot.reset();
    }
    return DecodeHere(data, size, error, maxSamples);
}

bool CAudioDecoder::DecodeHere(const void* data, size_t size, int& error, int64_t maxSamples) {
    maxSamples = std::clamp<int64_t>(maxSamples, 0, MaxSamples);
    samples.reset();
    frames = 0;
    channels = 0;
    sampleRate = 0;
    error = AudioErrorNone;

    if (!data || size == 0) {
        error = AudioErrorFormat;
        return false;
    }
    MemoryFile file{static_cast<const unsigned char*>(data), static_cast<sf_count_t>(size), 0};
    SF_VIRTUAL_IO io{MemoryLength, MemorySeek, MemoryRead, MemoryWrite, MemoryTell};
    SF_INFO info{};
    SNDFILE* sf = sf_open_virtual(&io, SFM_READ, &info, &file);
    if (!sf) {
        error = AudioErrorFormat;
        return false;
    }
    if (info.channels < 1 || info.channels > MaxChannels || info.samplerate < MinSampleRate ||
        info.samplerate > MaxSampleRate) {
        sf_close(sf);
        error = AudioErrorUnsupported;
        return false;
    }

    // The header's frame count sizes the buffer, but is trusted no further: the decoder may yield fewer
    // frames (a truncated file) or more (an estimate), and reading goes on in chunks until it stops.
    const int64_t channelCount = info.channels;
    const int64_t limit = maxSamples / channelCount * channelCount;
    const bool claimed = info.frames > 0 && info.frames < SF_COUNT_MAX;
    if (limit == 0 || (claimed && info.frames > limit / channelCount)) {
        sf_close(sf);
        error = AudioErrorTooLong;
        return false;
    }
    const sf_count_t chunkFrames = 16384;
    int64_t capacity = std::min(limit, (claimed ? info.frames : chunkFrames) * channelCount);
    std::unique_ptr<float, FreeSamples> decoded(static_cast<float*>(std::malloc(sizeof(float) * capacity)));
    int64_t used = 0;
    bool tooLong = !decoded; // no memory for it is no different
    while (!tooLong) {
        // Decoding a long file takes seconds; a stop request should not wait for it.
        if (StopRequested()) {
            sf_close(sf);
            error = AudioErrorStopped;
            return false;
        }
        if (capacity - used < channelCount) {
            // Full: only a frame beyond it makes the buffer grow.
            float frame[MaxChannels];
            if (sf_readf_float(sf, frame, 1) <= 0)
                break;
            const int64_t grown = std::min(limit, std::max(capacity * 2, capacity + chunkFrames * channelCount));
            float* moved =
                grown > capacity ? static_cast<float*>(std::realloc(decoded.get(), sizeof(float) * grown)) : nullptr;
            if (!moved) {
                tooLong = true;
                break;
            }
            decoded.release();
            decoded.reset(moved);
            capacity = grown;
            std::copy(frame, frame + channelCount, decoded.get() + used);
            used += channelCount;
            continue;
        }
        const sf_count_t want = std::min<int64_t>(chunkFrames, (capacity - used) / channelCount);
        const sf_count_t got = sf_readf_float(sf, decoded.get() + used, want);
        if (got <= 0)
            break;
        used += got * channelCount;
    }
    if (tooLong) {
        sf_close(sf);
        error = AudioErrorTooLong;
        return false;
    }
    sf_close(sf);

    if (used == 0) {
        error = AudioErrorEmpty;
        return false;
    }
    // Float formats can hold any value. Output clips to -1..1 anyway, and huge or not-a-number
    // samples would turn the spectrum (and every parameter that follows it) into infinities.
    float* v = decoded.get();
    for (int64_t i = 0; i < used; ++i)
        v[i] = std::isnan(v[i]) ? 0.0f : std::clamp(v[i], -1.0f, 1.0f);
    if (used < capacity) {
        // Giving back the unused end shrinks the block where it lies; where it cannot, it stays.
        if (float* trimmed = static_cast<float*>(std::realloc(decoded.get(), sizeof(float) * used))) {
            decoded.release();
            decoded.reset(trimmed);
        }
    }
    samples = std::move(decoded);
    channels = info.channels;
    sampleRate = info.samplerate;
    frames = used / channels;
    return true;
}
