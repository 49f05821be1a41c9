// Screens an image file before the decoder sees it. The decoder reads many formats, and some of its
// readers write past their buffers on hostile input; only the formats textures use get through,
// and JPEG files whose Huffman tables would overflow the decoder's tables are turned away.
#pragma once

#include <cstdint>
#include <vector>

enum class ImageScreenResult { Accepted, UnsupportedFormat, CorruptJpeg };

ImageScreenResult ScreenImage(const std::vector<uint8_t>& bytes);
