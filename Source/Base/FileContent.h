// What a file held when it was read, small enough to keep beside what was made of it: its size and a
// 64-bit hash of its bytes. Live reload compares it with what the file holds now to tell a file saved
// unchanged (whose compiled or decoded form can be kept) from one with other bytes, whatever the
// file's times say.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

struct FileContent {
    uint64_t size = 0;
    uint64_t hash = 0;
    // Whether anything was read: a resource made from no file has no content to compare.
    bool known = false;

    static FileContent Of(const void* bytes, size_t size);
    static FileContent Of(const std::vector<uint8_t>& bytes) { return Of(bytes.data(), bytes.size()); }
    static FileContent Of(std::string_view text) { return Of(text.data(), text.size()); }

    bool operator==(const FileContent& other) const = default;
};
