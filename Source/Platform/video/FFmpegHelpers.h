// What the video module's classes share about FFmpeg's libraries: error texts, frame rates as
// fractions and file names as URLs.
#pragma once

#include "Base/Utf8Path.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/rational.h>
}

#include <cmath>
#include <filesystem>
#include <string>

inline std::string FFmpegErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// The frame rate as a fraction. Rates come from decimal text stored as float, so a fraction with a
// small denominator that matches to float precision (30, 29.97 = 2997/100, 23.976...) is what was
// meant; anything else gets the closest fraction the containers can hold.
inline AVRational FFmpegFrameRate(double fps) {
    for (int den = 1; den <= 1001; ++den) {
        const double num = std::round(fps * den);
        if (num >= 1 && num <= 1e9 && std::fabs(num / den - fps) <= fps * 1e-7)
            return AVRational{static_cast<int>(num), den};
    }
    return av_d2q(fps, 1000000);
}

// FFmpeg reads a name as a URL: "pipe:1.mkv" would be standard output and "take:2.mp4" an unknown
// protocol. The file protocol with the absolute path is the file of that name and nothing else.
inline std::string FFmpegFileUrl(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(PathFromUtf8(path), error);
    return "file:" + (error ? path : Utf8FromPath(absolute));
}
