#include "Base/FileContent.h"

#include <cstring>

namespace {

// MurmurHash64A (public domain): eight bytes a step, so that a data folder's worth of files is hashed
// in well under a millisecond. It tells accidental changes apart; nothing here defends against a
// file made to collide, which only its own author could write.
uint64_t Hash64(const uint8_t* data, size_t size) {
    constexpr uint64_t m = 0xc6a4a7935bd1e995ull;
    constexpr int r = 47;
    uint64_t h = 0x5157a0d1f11ec0deull ^ (size * m);
    const uint8_t* end = data + (size & ~size_t(7));
    for (; data != end; data += 8) {
        uint64_t k;
        std::memcpy(&k, data, 8);
        k *= m;
        k ^= k >> r;
        k *= m;
        h ^= k;
        h *= m;
    }
    const size_t rest = size & 7;
    if (rest) {
        for (size_t i = rest; i-- > 0;)
            h ^= uint64_t(data[i]) << (8 * i);
        h *= m;
    }
    h ^= h >> r;
    h *= m;
    h ^= h >> r;
    return h;
}

} // namespace

FileContent FileContent::Of(const void* bytes, size_t size) {
    return FileContent{size, Hash64(static_cast<const uint8_t*>(bytes), size), true};
}
