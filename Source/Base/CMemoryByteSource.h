// A block of memory read as a byte source: for music already in memory (tests, fuzzing). The bytes
// are borrowed and must outlive the source.
#pragma once

#include "Base/CByteSource.h"

#include <algorithm>
#include <cstring>

class CMemoryByteSource : public CByteSource {
public:
    CMemoryByteSource(const void* data, size_t size) : data(static_cast<const unsigned char*>(data)), size(size) {}

    int64_t Length() override { return static_cast<int64_t>(size); }
    int64_t Read(void* buffer, int64_t count) override {
        if (count <= 0 || position >= size)
            return 0;
        const size_t n = std::min(static_cast<size_t>(count), size - position);
        std::memcpy(buffer, data + position, n);
        position += n;
        return static_cast<int64_t>(n);
    }
    bool Seek(int64_t offset) override {
        if (offset < 0 || static_cast<uint64_t>(offset) > size)
            return false;
        position = static_cast<size_t>(offset);
        return true;
    }
    int64_t Tell() override { return static_cast<int64_t>(position); }

private:
    const unsigned char* data;
    size_t size;
    size_t position = 0;
};
