// The colours at the centre and at a corner of what a device last drew, as 0xRRGGBB: enough to tell
// one presentation's frame from another's.
#pragma once

#include "Platform/CGraphicsDevice.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

inline std::pair<uint32_t, uint32_t> CentreAndCorner(CGraphicsDevice& device) {
    std::vector<uint8_t> rgba;
    int w = 0, h = 0;
    EXPECT_TRUE(device.ReadBackBuffer(rgba, w, h));
    if (w < 2 || h < 2)
        return {0, 0};
    auto at = [&](int x, int y) {
        const uint8_t* p = &rgba[(static_cast<size_t>(y) * w + x) * 4];
        return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    };
    return {at(w / 2, h / 2), at(1, 1)};
}
