// Reads a whole file of the data paths (folder or archive) into memory through PhysicsFS, telling
// a file that is missing apart from one that could not be read whole or is larger than the limit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class DataFileResult { Ok, NotFound, ReadError, TooLarge };

// Files above this size are refused before anything is allocated for them.
constexpr int64_t MaxDataFileBytes = int64_t(512) << 20;

DataFileResult ReadDataFile(const std::string& name, std::vector<uint8_t>& bytes, int64_t limit = MaxDataFileBytes);

// The virtual file system's text for its last error (never null).
const char* LastDataError();
