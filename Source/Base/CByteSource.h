// A readable, seekable run of bytes: what a streaming decoder reads a music file through, so that
// the file is never held whole in memory. A data file and a block of memory are the two kinds.
#pragma once

#include <cstdint>

class CByteSource {
public:
    virtual ~CByteSource() = default;
    // The length in bytes; -1 where it cannot be told.
    virtual int64_t Length() = 0;
    // Up to `count` bytes at the position; how many were read (0 at the end or on an error).
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Moves to byte `offset` from the start; false (the position unchanged) where it cannot.
    virtual bool Seek(int64_t offset) = 0;
    virtual int64_t Tell() = 0;
};
