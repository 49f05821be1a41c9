// Reads a whole file of the data paths (folder or archive) into memory through PhysicsFS, telling
// a file that is missing apart from one that could not be read whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class DataFileResult { Ok, NotFound, ReadError };

// Files above this size are refused as unreadable rather than allocated.
constexpr int64_t MaxDataFileBytes = int64_t(512) << 20;

DataFileResult ReadDataFile(const std::string& name, std::vector<uint8_t>& bytes);
