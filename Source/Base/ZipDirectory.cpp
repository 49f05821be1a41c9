#include "Base/ZipDirectory.h"

#include "Platform/NativeFile.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

constexpr uint32_t EndSignature = 0x06054b50;
constexpr uint32_t Zip64LocatorSignature = 0x07064b50;
constexpr uint32_t Zip64EndSignature = 0x06064b50;
constexpr uint32_t CentralSignature = 0x02014b50;
constexpr uint16_t Zip64ExtraField = 0x0001;
// The end record's comment is at most 65535 bytes: the record lies within this distance of the end.
constexpr int64_t EndSearchBytes = 65557;

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return uint32_t(U16(p)) | (uint32_t(U16(p + 2)) << 16); }
uint64_t U64(const uint8_t* p) { return uint64_t(U32(p)) | (uint64_t(U32(p + 4)) << 32); }

// Reads exactly `size` bytes at `offset`; false at the end of the file or on an error.
bool ReadAt(const CNativeFile& file, int64_t offset, void* buffer, size_t size) {
    return file.ReadAt(offset, buffer, int64_t(size)) == int64_t(size);
}

bool SignatureAt(const CNativeFile& file, int64_t offset, uint32_t signature) {
    uint8_t bytes[4];
    return offset >= 0 && ReadAt(file, offset, bytes, 4) && U32(bytes) == signature;
}

// The last end-record signature in the final EndSearchBytes of the file, found the way the file system
// scans: backwards through the tail, never at the file's first byte. -1 when there is none.
int64_t FindEndRecord(const CNativeFile& file, int64_t length) {
    const int64_t start = std::max<int64_t>(0, length - EndSearchBytes - 256);
    std::vector<uint8_t> tail(size_t(length - start));
    if (tail.empty() || !ReadAt(file, start, tail.data(), tail.size()))
        return -1;
    // The scan reads 256 bytes, then 252 more before each step back, until it has read 65557 bytes or
    // the whole file; what it has read is where it looks.
    int64_t covered = std::min<int64_t>(length, 256);
    while (covered < length && covered < EndSearchBytes)
        covered += std::min<int64_t>(252, length - covered);
    // The lowest byte read is never where the scan looks (it reads from there, and looks above it).
    const int64_t first = std::max<int64_t>(1, length - covered + 1);
    for (int64_t at = length - 4; at >= first; --at) {
        const uint8_t* p = tail.data() + (at - start);
        if (U32(p) == EndSignature)
            return at;
    }
    return -1;
}

// Where the Zip64 end record is: at the offset the locator gives, else right before the locator (a
// record of version 1 or 2), else the last signature in the 256 KiB before the locator.
int64_t FindZip64End(const CNativeFile& file, int64_t locator, uint64_t offset) {
    if (offset <= uint64_t(INT64_MAX) && SignatureAt(file, int64_t(offset), Zip64EndSignature))
        return int64_t(offset);
    for (int64_t before : {56, 84})
        if (locator > before && SignatureAt(file, locator - before, Zip64EndSignature))
            return locator - before;
    if (offset < uint64_t(locator) && locator > 4) {
        const int64_t span = std::min<int64_t>(locator - int64_t(offset), 256 * 1024);
        std::vector<uint8_t> bytes(static_cast<size_t>(span));
        if (!ReadAt(file, locator - span, bytes.data(), bytes.size()))
            return -1;
        for (int64_t i = span - 4; i >= 0; --i)
            if (U32(bytes.data() + i) == Zip64EndSignature)
                return locator - (span - i);
    }
    return -1;
}

struct DirectoryPlace {
    uint64_t dataStart = 0; // bytes before the archive's first record (a self-extracting stub)
    uint64_t offset = 0;    // of the first directory entry, from the start of the file
    uint64_t count = 0;
    bool zip64 = false;
};

bool FindDirectory(const CNativeFile& file, int64_t length, DirectoryPlace& place, std::string& reason) {
    const int64_t end = FindEndRecord(file, length);
    if (end < 0) {
        reason = "Not a zip archive";
        return false;
    }
    uint8_t locator[20];
    if (end >= 20 && ReadAt(file, end - 20, locator, sizeof locator) && U32(locator) == Zip64LocatorSignature) {
        place.zip64 = true;
        if (U32(locator + 4) != 0 || U32(locator + 16) != 1) {
            reason = "its Zip64 locator names another disk";
            return false;
        }
        const uint64_t claimed = U64(locator + 8);
        const int64_t at = FindZip64End(file, end - 20, claimed);
        uint8_t record[56];
        if (at < 0 || uint64_t(at) < claimed || !ReadAt(file, at, record, sizeof record)) {
            reason = "its Zip64 end record is missing";
            return false;
        }
        place.dataStart = uint64_t(at) - claimed;
        place.count = U64(record + 32);
        if (U32(record + 16) != 0 || U32(record + 20) != 0 || U64(record + 24) != place.count) {
            reason = "its Zip64 end record names another disk";
            return false;
        }
        place.offset = U64(record + 48) + place.dataStart;
        return true;
    }
    uint8_t record[22];
    if (!ReadAt(file, end, record, sizeof record)) {
        reason = "its end record is cut short";
        return false;
    }
    const uint32_t size = U32(record + 12), offset = U32(record + 16);
    if (U16(record + 4) != 0 || U16(record + 6) != 0 || U16(record + 8) != U16(record + 10) ||
        uint64_t(end) < uint64_t(offset) + size || end + 22 + U16(record + 20) != length) {
        reason = "its end record does not fit the file";
        return false;
    }
    place.count = U16(record + 10);
    place.dataStart = uint64_t(end) - (uint64_t(offset) + size);
    place.offset = offset + place.dataStart;
    return true;
}

// Reads the directory in blocks rather than a record at a time.
class DirectoryReader {
public:
    DirectoryReader(const CNativeFile& file, uint64_t offset) : file(file), position(offset) {}
    bool Read(void* out, size_t size) {
        auto* bytes = static_cast<uint8_t*>(out);
        while (size > 0) {
            if (next == filled) {
                const int64_t got = file.ReadAt(int64_t(position), block, int64_t(sizeof block));
                if (got <= 0)
                    return false;
                position += uint64_t(got);
                next = 0;
                filled = size_t(got);
            }
            const size_t take = std::min(size, filled - next);
            std::memcpy(bytes, block + next, take);
            bytes += take;
            next += take;
            size -= take;
        }
        return true;
    }
    bool Skip(size_t size) {
        uint8_t sink[256];
        while (size > 0) {
            const size_t take = std::min(size, sizeof sink);
            if (!Read(sink, take))
                return false;
            size -= take;
        }
        return true;
    }

private:
    const CNativeFile& file;
    uint64_t position;
    uint8_t block[65536];
    size_t next = 0, filled = 0;
};

} // namespace

bool ReadZipDirectory(const CNativeFile& file, uint64_t maxEntries, size_t maxNameBytes, uint64_t maxNameBytesInAll,
                      std::vector<ZipDirectoryEntry>& entries, std::string& reason) {
    entries.clear();
    NativeKind kind;
    int64_t length = 0;
    if (!file.Describe(kind, length, reason))
        return false;
    DirectoryPlace place;
    if (!FindDirectory(file, length, place, reason))
        return false;
    if (place.count > maxEntries) {
        reason =
            "its directory claims " + std::to_string(place.count) + " entries, more than " + std::to_string(maxEntries);
        return false;
    }
    auto reader = std::make_unique<DirectoryReader>(file, place.offset);
    entries.reserve(size_t(place.count));
    uint64_t nameBytes = 0;
    for (uint64_t i = 0; i < place.count; ++i) {
        const std::string which = "entry " + std::to_string(i);
        uint8_t record[46];
        if (!reader->Read(record, sizeof record) || U32(record) != CentralSignature) {
            reason = which + " of its directory is missing";
            return false;
        }
        const uint16_t nameLength = U16(record + 28), extraLength = U16(record + 30), commentLength = U16(record + 32);
        if (nameLength > maxNameBytes) {
            reason = which + "'s name is " + std::to_string(nameLength) + " bytes long, more than " +
                     std::to_string(maxNameBytes);
            return false;
        }
        nameBytes += nameLength;
        if (nameBytes > maxNameBytesInAll) {
            reason = "its names take more than " + std::to_string(maxNameBytesInAll) + " bytes";
            return false;
        }
        ZipDirectoryEntry entry;
        entry.madeBy = U16(record + 4);
        entry.method = U16(record + 10);
        entry.externalAttributes = U32(record + 38);
        entry.crc = U32(record + 16);
        entry.compressedSize = U32(record + 20);
        entry.size = U32(record + 24);
        entry.offset = U32(record + 42);
        if (nameLength == 0) {
            reason = which + " has no name";
            return false;
        }
        if (U16(record + 34) != 0) {
            reason = which + " lies on another disk";
            return false;
        }
        entry.name.resize(nameLength);
        std::vector<uint8_t> extra(extraLength);
        if (!reader->Read(entry.name.data(), nameLength) || !reader->Read(extra.data(), extraLength) ||
            !reader->Skip(commentLength)) {
            reason = which + " of its directory is cut short";
            return false;
        }
        // Sizes and the offset that do not fit 32 bits are in the Zip64 extra field, in this order.
        if (place.zip64 &&
            (entry.offset == 0xFFFFFFFF || entry.compressedSize == 0xFFFFFFFF || entry.size == 0xFFFFFFFF)) {
            bool found = false;
            for (size_t at = 0; at + 4 <= extra.size();) {
                const uint16_t id = U16(&extra[at]), length = U16(&extra[at + 2]);
                if (id != Zip64ExtraField || at + 4 + length > extra.size()) {
                    at += 4 + size_t(length);
                    continue;
                }
                const uint8_t* field = &extra[at + 4];
                const uint8_t* fieldEnd = field + length;
                for (uint64_t* value : {&entry.size, &entry.compressedSize, &entry.offset})
                    if (*value == 0xFFFFFFFF && field + 8 <= fieldEnd) {
                        *value = U64(field);
                        field += 8;
                    }
                found = true;
                break;
            }
            if (!found) {
                reason = which + " lacks its Zip64 sizes";
                return false;
            }
        }
        // Archives made on FAT file systems may separate folders with '\\': the mount reads them as '/'.
        if ((U16(record + 4) >> 8) == 0)
            std::replace(entry.name.begin(), entry.name.end(), '\\', '/');
        entry.offset += place.dataStart;
        entries.push_back(std::move(entry));
    }
    return true;
}
