// Stands in for the encoder when the video module cannot be loaded, so that an export fails with the
// reason through the usual path. Used by each system's loader of the module.
#pragma once

#include "Platform/CVideoEncoder.h"

#include <string>
#include <utility>

class CMissingVideoEncoder : public CVideoEncoder {
public:
    explicit CMissingVideoEncoder(std::string reason) : reason(std::move(reason)) {}
    bool Open(const VideoEncoderSettings&, std::string& error) override {
        error = reason;
        return false;
    }
    bool WriteFrame(const uint8_t*, std::string& error) override {
        error = reason;
        return false;
    }
    bool Finish(std::string& error) override {
        error = reason;
        return false;
    }

private:
    std::string reason;
};
