// Paints the bundled presentation's images: the greets atlas, the logo, the backdrop, the credits,
// sprites, and the two .bmp textures the models name.
// Usage: make-images <output folder>
#include "CImageCanvas.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO_FILE_FOPEN_S
#include <stb_image_write.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

using Colour = CImageCanvas::Colour;

static std::string folder;
static bool ok = true;

static void Save(const CImageCanvas& c, const char* name) {
    const std::string path = folder + "/" + name;
    const std::string file = name;
    const bool bmp = file.size() > 4 && file.substr(file.size() - 4) == ".bmp";
    int written;
    if (bmp) {
        const auto bytes = c.Bytes(3);
        written = stbi_write_bmp(path.c_str(), c.Width(), c.Height(), 3, bytes.data());
    } else {
        const auto bytes = c.Bytes(4);
        written = stbi_write_png(path.c_str(), c.Width(), c.Height(), 4, bytes.data(), c.Width() * 4);
    }
    if (!written) {
        std::fprintf(stderr, "make-images: cannot write '%s'\n", path.c_str());
        ok = false;
    }
}

// A repeatable scatter for stars and sparkles.
static uint32_t seed = 7;
static float Random() {
    seed = seed * 1103515245u + 12345u;
    return ((seed >> 8) & 0xFFFF) / 65535.0f;
}

// Two columns by four rows of names, one per cell, as the greets layer expects.
static void Greets() {
    static const char* names[8] = {"QUARKBYTE",   "MOLTEN HAUS", "VELVET ROM",   "ORBITAL JAM",
                                   "NEON SIRENS", "KILOHERTZ",   "POLYGON OWLS", "TAPE ECHO"};
    static const Colour inks[8] = {{0.3f, 1, 1, 1},    {1, 0.4f, 0.9f, 1}, {1, 0.85f, 0.3f, 1}, {0.5f, 1, 0.5f, 1},
                                   {1, 0.4f, 0.9f, 1}, {0.3f, 1, 1, 1},    {0.5f, 1, 0.5f, 1},  {1, 0.85f, 0.3f, 1}};
    CImageCanvas c(512, 512);
    const float cw = 256, ch = 128;
    for (int k = 0; k < 8; ++k) {
        const float x0 = (k & 1) * cw, y0 = ((k >> 1) & 3) * ch;
        c.Rect(x0 + 6, y0 + 10, x0 + cw - 6, y0 + ch - 10, {0.05f, 0.0f, 0.12f, 0.55f});
        const Colour edge = {inks[k].r, inks[k].g, inks[k].b, 0.9f};
        c.Rect(x0 + 6, y0 + 10, x0 + cw - 6, y0 + 13, edge);
        c.Rect(x0 + 6, y0 + ch - 13, x0 + cw - 6, y0 + ch - 10, edge);
        const float scale = std::min(3.4f, 3.4f * (cw - 36) / CImageCanvas::TextWidth(names[k], 3.4f));
        c.CentredText(x0 + cw / 2, y0 + ch / 2, names[k], scale, inks[k]);
    }
    c.Glow(4, {1, 1, 1, 1}, 1.2f);
    Save(c, "greets.png");
}

static void Logo() {
    CImageCanvas c(1024, 256);
    const std::string title = "NEON DRIFT";
    const float scale = 13.0f;
    CImageCanvas ink(1024, 256);
    ink.CentredText(512, 104, title, scale, {1, 1, 1, 1});
    // Cyan at the top of the letters, magenta at their feet.
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 1024; ++x) {
            const float a = ink.At(x, y).a;
            if (a <= 0)
                continue;
            const float t = std::clamp((y - 58.0f) / 92.0f, 0.0f, 1.0f);
            c.Blend(x, y, {0.2f + 0.8f * t, 1.0f - 0.7f * t, 1.0f, 1.0f}, a);
        }
    c.Glow(10, {0.6f, 0.3f, 1.0f, 1.0f}, 1.6f);
    c.CentredText(512, 205, "a real-time presentation", 3.0f, {0.85f, 0.85f, 1.0f, 0.9f});
    Save(c, "logo.png");
}

// The sky behind the opening: dusk gradient, stars, and a striped sun sinking into the horizon.
static void Sky() {
    CImageCanvas c(480, 300);
    c.VerticalGradient({{0.0f, {0.02f, 0.01f, 0.08f, 1}},
                        {0.45f, {0.18f, 0.03f, 0.30f, 1}},
                        {0.66f, {0.85f, 0.20f, 0.45f, 1}},
                        {0.67f, {0.05f, 0.0f, 0.10f, 1}},
                        {1.0f, {0.0f, 0.0f, 0.02f, 1}}});
    for (int i = 0; i < 90; ++i) {
        const float x = Random() * 480, y = Random() * 150, b = 0.4f + 0.6f * Random();
        c.SoftDisc(x, y, 1.6f + Random() * 1.2f, {1, 1, 1, b}, 1.5f);
    }
    const float sx = 240, sy = 150, r = 78;
    for (int y = int(sy - r); y < 200; ++y) {
        const float t = (y - (sy - r)) / (2 * r);
        // Gaps that widen towards the horizon.
        const float band = std::fmod(y - (sy - r), 14.0f);
        if (t > 0.5f && band < (t - 0.5f) * 20.0f)
            continue;
        for (int x = int(sx - r); x <= int(sx + r); ++x) {
            const float d = std::hypot(x + 0.5f - sx, y + 0.5f - sy);
            if (d < r)
                c.Blend(x, y, {1.0f, 0.85f - 0.6f * t, 0.25f + 0.3f * t, 1}, std::min(1.0f, r - d));
        }
    }
    // Grid lines on the dark ground, converging on the vanishing point at the horizon.
    for (int i = -12; i <= 12; ++i)
        for (int y = 201; y < 300; ++y) {
            const float t = (y - 200.0f) / 100.0f;
            c.Rect(240 + i * 40 * t - 0.7f, float(y), 240 + i * 40 * t + 0.7f, y + 1.0f, {0.9f, 0.2f, 1.0f, 0.8f});
        }
    for (float d = 1; d < 100; d *= 1.5f)
        c.Rect(0, 200 + d, 480, 201.2f + d, {0.9f, 0.2f, 1.0f, 0.8f});
    Save(c, "sky.png");
}

static void Flare() {
    CImageCanvas c(128, 128);
    c.SoftDisc(64, 64, 63, {1, 1, 1, 1}, 2.2f);
    c.SoftDisc(64, 64, 14, {1, 1, 1, 1}, 0.8f);
    Save(c, "flare.png");
}

// A plain white tile: coloured, scaled and faded by the layers that draw it.
static void Block() {
    CImageCanvas c(16, 16);
    c.Fill({1, 1, 1, 1});
    Save(c, "block.png");
}

static void Credits() {
    CImageCanvas c(1024, 512);
    const char* lines[] = {
        "NEON DRIFT",         "", "code, music, pictures and models", "all made by the player's own tools", "",
        "thanks for watching"};
    float y = 70;
    for (const char* line : lines) {
        const bool title = y < 100;
        c.CentredText(512, y, line, title ? 8.0f : 4.0f, title ? Colour{0.3f, 1, 1, 1} : Colour{1, 0.8f, 1, 1});
        y += title ? 100.0f : 62.0f;
    }
    c.Glow(6, {1.0f, 0.3f, 0.9f, 1}, 1.3f);
    Save(c, "credits.png");
}

// The torus's skin: bright chrome bands with a magenta seam, read by the model loader as a .bmp.
static void TorusSkin() {
    CImageCanvas c(256, 128);
    for (int y = 0; y < 128; ++y) {
        const float v = y / 128.0f;
        const float band = 0.5f + 0.5f * std::cos(v * 6.2831853f * 2.0f);
        for (int x = 0; x < 256; ++x) {
            const float u = x / 256.0f;
            const bool seam = std::fmod(u * 8.0f, 1.0f) < 0.06f;
            Colour col{0.25f + 0.75f * band, 0.35f + 0.65f * band * band, 0.9f, 1};
            if (seam)
                col = {1.0f, 0.25f, 0.85f, 1};
            c.At(x, y) = col;
        }
    }
    Save(c, "torusskin.bmp");
}

// The tunnel wall: dark panels framed by cyan lines with magenta studs at the corners.
static void TunnelGrid() {
    CImageCanvas c(128, 128);
    c.VerticalGradient(
        {{0.0f, {0.16f, 0.05f, 0.30f, 1}}, {0.5f, {0.07f, 0.02f, 0.16f, 1}}, {1.0f, {0.16f, 0.05f, 0.30f, 1}}});
    c.Rect(0, 0, 128, 5, {0.2f, 0.95f, 1.0f, 1});
    c.Rect(0, 0, 5, 128, {0.2f, 0.95f, 1.0f, 1});
    c.Rect(0, 62, 128, 64, {0.1f, 0.4f, 0.6f, 1});
    c.Rect(62, 0, 64, 128, {0.1f, 0.4f, 0.6f, 1});
    c.SoftDisc(2.5f, 2.5f, 10, {1.0f, 0.3f, 0.9f, 1}, 1.0f);
    c.SoftDisc(125.5f, 2.5f, 10, {1.0f, 0.3f, 0.9f, 1}, 1.0f);
    c.SoftDisc(2.5f, 125.5f, 10, {1.0f, 0.3f, 0.9f, 1}, 1.0f);
    c.SoftDisc(125.5f, 125.5f, 10, {1.0f, 0.3f, 0.9f, 1}, 1.0f);
    Save(c, "tunnelgrid.bmp");
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    folder = argv[1];
    Greets();
    Logo();
    Sky();
    Flare();
    Block();
    Credits();
    TorusSkin();
    TunnelGrid();
    return ok ? 0 : 1;
}
