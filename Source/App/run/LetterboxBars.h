// The black bars that hide what lies outside the 1.6 picture on a screen of another aspect: twelve
// clip-space vertices (two rectangles reaching past the screen edges) drawn last in every frame.
#pragma once

#include <cstdint>
#include <memory>

class CGraphicsDevice;
class CRenderState;
class CVertexBuffer;

struct LetterboxVertex {
    float x, y, z;
    uint32_t colour; // packed ARGB
};
static_assert(sizeof(LetterboxVertex) == 16);

constexpr int LetterboxVertexCount = 12;

// Bars above and below for aspect <= 1.6, left and right otherwise; their thickness comes from the
// screen's width and height, so an aspect that disagrees with them still gets a positive size.
void BuildLetterboxBars(float aspect, float width, float height, LetterboxVertex out[LetterboxVertexCount]);

// A vertex buffer holding the bars, or null when the device cannot make one.
std::unique_ptr<CVertexBuffer> CreateLetterboxBars(CGraphicsDevice& device, float aspect, float width, float height);

// Draws the bars in 2D mode with no effect and no culling.
void DrawLetterboxBars(CRenderState& state, CVertexBuffer* bars);
