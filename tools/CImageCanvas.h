// A floating-point RGBA picture that the image generator paints on: fills, gradients, soft discs,
// lines, text from stb_easy_font's block glyphs (rasterised with exact pixel coverage) and glows.
// Pixels are premultiplied while painting and written straight (unpremultiplied) by the caller.
#pragma once

// The glyph header defines every function static; not all of them are called here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_easy_font.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class CImageCanvas {
public:
    struct Colour {
        float r = 0, g = 0, b = 0, a = 0;
    };

    CImageCanvas(int w, int h) : width(w), height(h), pixels(size_t(w) * h) {}

    int Width() const { return width; }
    int Height() const { return height; }
    Colour& At(int x, int y) { return pixels[size_t(y) * width + x]; }
    const Colour& At(int x, int y) const { return pixels[size_t(y) * width + x]; }

    // Source-over blend of `c` with coverage `k` (0..1) onto one pixel; outside the canvas nothing.
    void Blend(int x, int y, Colour c, float k) {
        if (x < 0 || y < 0 || x >= width || y >= height || k <= 0.0f)
            return;
        const float a = std::min(1.0f, c.a * k);
        Colour& d = At(x, y);
        d.r = c.r * a + d.r * (1 - a);
        d.g = c.g * a + d.g * (1 - a);
        d.b = c.b * a + d.b * (1 - a);
        d.a = a + d.a * (1 - a);
    }

    void Fill(Colour c) {
        for (Colour& p : pixels)
            p = {c.r * c.a, c.g * c.a, c.b * c.a, c.a};
    }

    // Vertical gradient through colour stops at the given heights (0 top, 1 bottom).
    void VerticalGradient(const std::vector<std::pair<float, Colour>>& stops) {
        for (int y = 0; y < height; ++y) {
            const float t = (y + 0.5f) / height;
            size_t i = 0;
            while (i + 2 < stops.size() && t > stops[i + 1].first)
                ++i;
            const auto& [t0, c0] = stops[i];
            const auto& [t1, c1] = stops[std::min(i + 1, stops.size() - 1)];
            const float u = t1 > t0 ? std::clamp((t - t0) / (t1 - t0), 0.0f, 1.0f) : 0.0f;
            const Colour c{c0.r + (c1.r - c0.r) * u, c0.g + (c1.g - c0.g) * u, c0.b + (c1.b - c0.b) * u,
                           c0.a + (c1.a - c0.a) * u};
            for (int x = 0; x < width; ++x)
                At(x, y) = {c.r * c.a, c.g * c.a, c.b * c.a, c.a};
        }
    }

    // An axis-aligned rectangle in pixel units, anti-aliased by the exact area it covers.
    void Rect(float x0, float y0, float x1, float y1, Colour c) {
        const int ix0 = std::max(0, int(std::floor(x0))), iy0 = std::max(0, int(std::floor(y0)));
        const int ix1 = std::min(width, int(std::ceil(x1))), iy1 = std::min(height, int(std::ceil(y1)));
        for (int y = iy0; y < iy1; ++y) {
            const float cy = std::min(y + 1.0f, y1) - std::max(float(y), y0);
            for (int x = ix0; x < ix1; ++x) {
                const float cx = std::min(x + 1.0f, x1) - std::max(float(x), x0);
                Blend(x, y, c, cx * cy);
            }
        }
    }

    // A disc whose alpha falls off as (1 - r/radius)^falloff: a soft light at falloff > 1.
    void SoftDisc(float cx, float cy, float radius, Colour c, float falloff) {
        for (int y = std::max(0, int(cy - radius)); y < std::min(height, int(cy + radius) + 1); ++y)
            for (int x = std::max(0, int(cx - radius)); x < std::min(width, int(cx + radius) + 1); ++x) {
                const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy) / radius;
                if (d < 1.0f)
                    Blend(x, y, c, std::pow(1.0f - d, falloff));
            }
    }

    // Width, in pixels, of `text` drawn at `scale` pixels per glyph unit.
    static float TextWidth(std::string text, float scale) {
        for (char& ch : text)
            if (ch != '\n' && (ch < 32 || ch > 126))
                ch = '?';
        return stb_easy_font_width(text.data()) * scale;
    }

    // Text with its top-left corner at (x, y). Returns the number of glyph rectangles drawn.
    int Text(float x, float y, const std::string& text, float scale, Colour c) {
        const std::vector<Quad> quads = Glyphs(text);
        for (const Quad& q : quads)
            Rect(x + q.x0 * scale, y + q.y0 * scale, x + q.x1 * scale, y + q.y1 * scale, c);
        return static_cast<int>(quads.size());
    }

    // One line of text whose inked part is centred on (cx, cy) across, and whose capitals are
    // centred on it up and down (they span glyph units 0 to 7 of a 12-unit line).
    int CentredText(float cx, float cy, const std::string& text, float scale, Colour c) {
        float left = 0, right = 0;
        const std::vector<Quad> quads = Glyphs(text);
        for (size_t i = 0; i < quads.size(); ++i) {
            left = i ? std::min(left, quads[i].x0) : quads[i].x0;
            right = i ? std::max(right, quads[i].x1) : quads[i].x1;
        }
        return Text(cx - (left + right) * scale / 2, cy - 3.5f * scale, text, scale, c);
    }

    // A halo: blurs this canvas's alpha with three box passes, tints it and puts it beneath.
    void Glow(int radius, Colour tint, float strength) {
        std::vector<float> a(pixels.size());
        for (size_t i = 0; i < pixels.size(); ++i)
            a[i] = pixels[i].a;
        for (int pass = 0; pass < 3; ++pass) {
            BoxBlur(a, width, height, radius, true);
            BoxBlur(a, width, height, radius, false);
        }
        for (size_t i = 0; i < pixels.size(); ++i) {
            const float g = std::min(1.0f, a[i] * strength) * tint.a;
            Colour& d = pixels[i];
            // Under the existing paint: what is there keeps its coverage.
            const float k = g * (1 - d.a);
            d.r += tint.r * k;
            d.g += tint.g * k;
            d.b += tint.b * k;
            d.a += k;
        }
    }

    // Straight RGBA8, ready for the image writer; `channels` 3 drops alpha over `background`.
    std::vector<uint8_t> Bytes(int channels, Colour background = {0, 0, 0, 1}) const {
        std::vector<uint8_t> out(pixels.size() * channels);
        for (size_t i = 0; i < pixels.size(); ++i) {
            const Colour& p = pixels[i];
            float r, g, b;
            if (channels == 3) {
                r = p.r + background.r * (1 - p.a);
                g = p.g + background.g * (1 - p.a);
                b = p.b + background.b * (1 - p.a);
            } else {
                const float k = p.a > 0 ? 1.0f / p.a : 0.0f;
                r = p.r * k;
                g = p.g * k;
                b = p.b * k;
            }
            const float v[4] = {r, g, b, p.a};
            for (int c = 0; c < channels; ++c)
                out[i * channels + c] = static_cast<uint8_t>(std::lround(std::clamp(v[c], 0.0f, 1.0f) * 255.0f));
        }
        return out;
    }

private:
    struct Quad {
        float x0, y0, x1, y1;
    };

    // The glyph rectangles of `text` in glyph units, top-left origin.
    static std::vector<Quad> Glyphs(std::string text) {
        for (char& ch : text)
            if (ch != '\n' && (ch < 32 || ch > 126))
                ch = '?'; // the glyph table covers printable ASCII only
        std::vector<char> buffer(text.size() * 2048 + 64);
        const int count =
            stb_easy_font_print(0.0f, 0.0f, text.data(), nullptr, buffer.data(), static_cast<int>(buffer.size()));
        // Each rectangle is four vertices of 16 bytes: x, y, z as floats, then a colour.
        std::vector<Quad> quads(std::max(count, 0));
        for (int q = 0; q < count; ++q) {
            float v0[3], v2[3];
            std::memcpy(v0, buffer.data() + q * 64, sizeof(v0));
            std::memcpy(v2, buffer.data() + q * 64 + 32, sizeof(v2));
            quads[q] = {v0[0], v0[1], v2[0], v2[1]};
        }
        return quads;
    }

    int width, height;
    std::vector<Colour> pixels;

    static void BoxBlur(std::vector<float>& a, int w, int h, int r, bool horizontal) {
        std::vector<float> line(std::max(w, h)), out(std::max(w, h));
        const int lines = horizontal ? h : w, length = horizontal ? w : h;
        for (int l = 0; l < lines; ++l) {
            for (int i = 0; i < length; ++i)
                line[i] = horizontal ? a[size_t(l) * w + i] : a[size_t(i) * w + l];
            float sum = 0;
            for (int i = -r; i <= r; ++i)
                sum += (i >= 0 && i < length) ? line[i] : 0.0f;
            for (int i = 0; i < length; ++i) {
                out[i] = sum / (2 * r + 1);
                const int add = i + r + 1, drop = i - r;
                sum += (add < length ? line[add] : 0.0f) - (drop >= 0 ? line[drop] : 0.0f);
            }
            for (int i = 0; i < length; ++i)
                (horizontal ? a[size_t(l) * w + i] : a[size_t(i) * w + l]) = out[i];
        }
    }
};
