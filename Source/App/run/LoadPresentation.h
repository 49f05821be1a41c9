// Reads the script from the mounted data and parses it into a new presentation, logging each step
// and failure the way start-up reports them. Start-up uses it once; live reload again on a change.
#pragma once

#include <memory>
#include <string>

class CSystem;

// The presentation parsed from the script `name`, or null when the script cannot be found, read or
// parsed; `failure` then holds the short text for the error box, and `stoppedAt`, when given, the
// script's line where parsing stopped (0 when it was not parsed), for an author to look at when the
// parser gave no message of its own.
std::unique_ptr<CSystem> LoadPresentation(const std::string& name, std::string& failure, int* stoppedAt = nullptr);
