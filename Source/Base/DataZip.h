// Mounts the data zip from the very file that was screened: the archive is opened once, without
// waiting on a pipe, checked to be a regular file and screened on that handle, and the data paths
// read it through the same handle. Live reload unmounts it and mounts it again when it changes on
// disk.
#pragma once

#include <string>

// Screens and appends the zip at `path` to the data paths, under the name `path`. False with
// `reason`, a phrase that can follow "Failed to add datapath '…' to physfs: ".
bool MountDataZip(const std::string& path, std::string& reason);

// Takes the zip mounted under `path` off the data paths (true when it was not mounted). False with
// `reason` while a file of it is still open.
bool UnmountDataZip(const std::string& path, std::string& reason);
