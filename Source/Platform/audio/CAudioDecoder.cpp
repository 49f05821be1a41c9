#include "Platform/audio/CAudioDecoder.h"

#include "Base/CMemoryByteSource.h"
#include "Base/StopRequest.h"
#include "Platform/CAudioOutput.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

sf_count_t SourceLength(void* user) { return static_cast<CByteSource*>(user)->Length(); }

sf_count_t SourceSeek(sf_count_t offset, int whence, void* user) {
    CByteSource* s = static_cast<CByteSource*>(user);
    sf_count_t target = offset;
    if (whence == SEEK_CUR)
        target = s->Tell() + offset;
    else if (whence == SEEK_END)
        target = s->Length() + offset;
    const int64_t length = s->Length();
    if (target < 0 || (length >= 0 && target > length) || !s->Seek(target))
        return -1;
    return target;
}

sf_count_t SourceRead(void* buffer, sf_count_t count, void* user) {
    return static_cast<CByteSource*>(user)->Read(buffer, count);
}

sf_count_t SourceWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t SourceTell(void* user) { return static_cast<CByteSource*>(user)->Tell(); }

SF_VIRTUAL_IO SourceIo{SourceLength, SourceSeek, SourceRead, SourceWrite, SourceTell};

} // namespace

CAudioDecoder::~CAudioDecoder() { Close(); }

void CAudioDecoder::Close() {
    if (sf)
        sf_close(sf);
    sf = nullptr;
    source.reset();
    chunk.clear();
    chunk.shrink_to_fit();
    frames = position = 0;
    channels = sampleRate = 0;
}

bool CAudioDecoder::Open(const void* data, size_t size, int& error) {
    if (!data || size == 0) {
        Close();
        error = AudioErrorFormat;
        return false;
    }
    return Open(std::make_unique<CMemoryByteSource>(data, size), error);
}

DecodedMusicOpener CAudioDecoder::ReaderOf(const MusicOpener& open) {
    if (!open)
        return {};
    return [open](DecodedMusic& music) {
        auto reader = std::make_shared<CAudioDecoder>();
        int error = AudioErrorNone;
        if (!reader->Open(open(), error))
            return false;
        music.frames = reader->Frames();
        music.channels = reader->Channels();
        music.sampleRate = reader->SampleRate();
        music.read = [reader](int64_t first, int64_t count, float* out) { reader->ReadAt(first, count, out); };
        return true;
    };
}

bool CAudioDecoder::Open(std::unique_ptr<CByteSource> from, int& error) {
    Close();
    error = AudioErrorNone;
    source = std::move(from);
    if (!source || source->Length() == 0 || !Reopen()) {
        Close();
        error = AudioErrorFormat;
        return false;
    }
    SF_INFO info{};
    sf_command(sf, SFC_GET_CURRENT_SF_INFO, &info, sizeof info);
    if (info.channels < 1 || info.channels > MaxChannels || info.samplerate < MinSampleRate ||
        info.samplerate > MaxSampleRate) {
        Close();
        error = AudioErrorUnsupported;
        return false;
    }
    channels = info.channels;
    sampleRate = info.samplerate;
    chunk.resize(static_cast<size_t>(ChunkFrames * channels));
    const int64_t claimed = info.frames > 0 && info.frames < SF_COUNT_MAX ? info.frames : 0;
    if (!MeasureLength(claimed, error)) {
        Close();
        return false;
    }
    return true;
}

bool CAudioDecoder::Reopen() {
    if (sf)
        sf_close(sf);
    sf = nullptr;
    position = 0;
    if (!source->Seek(0))
        return false;
    SF_INFO info{};
    sf = sf_open_virtual(&SourceIo, SFM_READ, &info, source.get());
    return sf != nullptr;
}

bool CAudioDecoder::MeasureLength(int64_t claimed, int& error) {
    const int64_t limit = MaxSeconds * sampleRate;
    if (claimed > limit) {
        error = AudioErrorTooLong;
        return false;
    }
    // The header's count holds where its last frame can be read; one frame more means it
    // understates, and the rest is counted from there.
    int64_t counted = 0;
    if (claimed > 0 && sf_seek(sf, claimed - 1, SEEK_SET) == claimed - 1 && sf_readf_float(sf, chunk.data(), 1) == 1)
        counted = claimed;
    else if (!Reopen()) {
        error = AudioErrorFormat;
        return false;
    }
    for (;;) {
        // Counting a long file takes seconds; a stop request should not wait for it.
        if (StopRequested()) {
            error = AudioErrorStopped;
            return false;
        }
        const sf_count_t got = sf_readf_float(sf, chunk.data(), ChunkFrames);
        if (got <= 0)
            break;
        counted += got;
        if (counted > limit) {
            error = AudioErrorTooLong;
            return false;
        }
    }
    if (counted == 0) {
        error = AudioErrorEmpty;
        return false;
    }
    frames = counted;
    if (sf_seek(sf, 0, SEEK_SET) != 0 && !Reopen()) {
        error = AudioErrorFormat;
        return false;
    }
    position = 0;
    return true;
}

int64_t CAudioDecoder::Discard(int64_t count) {
    int64_t done = 0;
    while (done < count) {
        const sf_count_t got = sf_readf_float(sf, chunk.data(), std::min(ChunkFrames, count - done));
        if (got <= 0)
            break;
        done += got;
    }
    position += done;
    return done;
}

bool CAudioDecoder::SeekTo(int64_t frame) {
    if (!sf)
        return false;
    frame = std::clamp<int64_t>(frame, 0, frames);
    if (frame == position)
        return true;
    const int64_t gap = frame - position;
    if (gap > 0 && gap <= SkipSeconds * sampleRate)
        return Discard(gap) == gap;
    // An Ogg Vorbis seek into the last page lands on the wrong samples; a seek to some seconds before
    // the end, read on from there, gives those that reading from the start gives.
    const int64_t landing = std::max<int64_t>(0, std::min(frame, frames - TailSeconds * sampleRate));
    if (landing > 0 && sf_seek(sf, landing, SEEK_SET) == landing) {
        position = landing;
        return Discard(frame - landing) == frame - landing;
    }
    // The start, or a decoder that cannot seek there: from the start, frame by frame.
    if (!Reopen())
        return false;
    return Discard(frame) == frame;
}

int64_t CAudioDecoder::Read(float* out, int64_t count) {
    if (!sf)
        return 0;
    count = std::min(count, frames - position);
    int64_t done = 0;
    while (done < count) {
        const sf_count_t got = sf_readf_float(sf, out + done * channels, count - done);
        if (got <= 0)
            break;
        done += got;
    }
    // Float formats can hold any value. Output clips to -1..1 anyway, and huge or not-a-number
    // samples would turn the spectrum (and every parameter that follows it) into infinities.
    for (int64_t i = 0; i < done * channels; ++i)
        out[i] = std::isnan(out[i]) ? 0.0f : std::clamp(out[i], -1.0f, 1.0f);
    position += done;
    return done;
}

void CAudioDecoder::ReadAt(int64_t first, int64_t count, float* out) {
    if (count <= 0)
        return;
    const int64_t from = std::clamp<int64_t>(first, 0, frames);
    const int64_t to = std::clamp<int64_t>(first + count, 0, frames);
    if (to <= from) {
        std::fill(out, out + count * channels, 0.0f);
        return;
    }
    const int64_t lead = from - first;
    const int64_t got = SeekTo(from) ? Read(out + lead * channels, to - from) : 0;
    std::fill(out, out + lead * channels, 0.0f);
    std::fill(out + (lead + got) * channels, out + count * channels, 0.0f);
}
