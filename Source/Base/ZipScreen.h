// Screens a data zip before PhysicsFS mounts it. PhysicsFS builds a node for every file and every
// folder an archive's names imply, in a table whose cost grows with the square of their number and
// with the depth and length of each name, so an archive no real presentation needs can cost minutes
// and gigabytes. Only the central directory is read here.
#pragma once

#include <cstddef>
#include <string>

// Limits on what an archive may hold (docs/bad-input.md lists them).
constexpr size_t MaxZipNameBytes = 1024;       // bytes in one entry's name
constexpr int MaxZipFolderDepth = 32;          // folder levels above one entry
constexpr size_t MaxZipFilesAndFolders = 8192; // entries plus the folders their names imply

// True when `path` is a zip archive within the limits; otherwise false with `reason`, a phrase that
// can follow "Failed to add datapath '…' to physfs: ".
bool ScreenZipArchive(const std::string& path, std::string& reason);
