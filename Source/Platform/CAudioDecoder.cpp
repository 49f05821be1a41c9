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
    std::string data;
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

void CAudioDecoder::DecodeAhead(std::string data) {
    std::unique_ptr<DecodeAheadSlot>& slot = Ahead();
    if (slot)
        slot->Wait();
    slot = std::make_unique<DecodeAheadSlot>();
    slot->data = std::move(data);
    DecodeAheadSlot* s = slot.get();
    s->thread = std::thread([s] { s->decoded = s->result.DecodeHere(s->data.data(), s->data.size(), s->error); });
}

bool CAudioDecoder::Decode(const void* data, size_t size, int& error) {
    if (std::unique_ptr<DecodeAheadSlot>& slot = Ahead()) {
        slot->Wait();
        const bool same = data && slot->data.size() == size && std::memcmp(slot->data.data(), data, size) == 0;
        if (same) {
            *this = std::move(slot->result);
            error = slot->error;
            const bool decoded = slot->decoded;
            slot.reset();
            return decoded;
        }
        slot.reset();
    }
    return DecodeHere(data, size, error);
}

bool CAudioDecoder::DecodeHere(const void* data, size_t size, int& error) {
    samples.clear();
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

    // Read in chunks until the decoder stops: a truncated file yields what it holds, and a header
    // that claims more frames than there are allocates nothing for them.
    const sf_count_t chunkFrames = 16384;
    std::vector<float> decoded;
    for (;;) {
        // Decoding a long file takes seconds; a stop request should not wait for it.
        if (StopRequested()) {
            sf_close(sf);
            error = AudioErrorStopped;
            return false;
        }
        size_t used = decoded.size();
        if (static_cast<int64_t>(used) + chunkFrames * info.channels > MaxSamples) {
            sf_close(sf);
            error = AudioErrorTooLong;
            return false;
        }
        decoded.resize(used + static_cast<size_t>(chunkFrames * info.channels));
        sf_count_t got = sf_readf_float(sf, decoded.data() + used, chunkFrames);
        if (got <= 0) {
            decoded.resize(used);
            break;
        }
        decoded.resize(used + static_cast<size_t>(got * info.channels));
    }
    sf_close(sf);

    if (decoded.empty()) {
        error = AudioErrorEmpty;
        return false;
    }
    // Float formats can hold any value. Output clips to -1..1 anyway, and huge or not-a-number
    // samples would turn the spectrum (and every parameter that follows it) into infinities.
    for (float& v : decoded)
        v = std::isnan(v) ? 0.0f : std::clamp(v, -1.0f, 1.0f);
    decoded.shrink_to_fit();
    samples = std::move(decoded);
    channels = info.channels;
    sampleRate = info.samplerate;
    frames = static_cast<int64_t>(samples.size()) / channels;
    return true;
}
