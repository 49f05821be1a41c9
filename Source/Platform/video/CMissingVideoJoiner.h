// Stands in for the joiner when the video module cannot be loaded, so that a join fails with the
// reason through the usual path. Used by each system's loader of the module.
#pragma once

#include "Platform/CVideoJoiner.h"

#include <string>
#include <utility>

class CMissingVideoJoiner : public CVideoJoiner {
public:
    explicit CMissingVideoJoiner(std::string reason) : reason(std::move(reason)) {}
    bool Inspect(const std::string&, VideoFileInfo&, std::string& error) override {
        error = reason;
        return false;
    }
    bool Join(const VideoJoinSettings&, std::string& error) override {
        error = reason;
        return false;
    }

private:
    std::string reason;
};
