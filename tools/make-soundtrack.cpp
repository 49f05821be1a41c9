// Renders the bundled presentation's soundtrack and writes it as Ogg Vorbis.
// Usage: make-soundtrack <output.ogg>
#include "CSoundtrack.h"
#include "OggPages.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdio>

// Any fixed value will do; it only has to be the same on every build.
static const uint32_t SoundtrackSerial = 0x51564E44;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.ogg>\n", argv[0]);
        return 2;
    }
    CSoundtrack track;
    const std::vector<float> samples = track.Render();

    SF_INFO info{};
    info.samplerate = CSoundtrack::SampleRate;
    info.channels = 2;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE* file = sf_open(argv[1], SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "make-soundtrack: cannot write '%s': %s\n", argv[1], sf_strerror(nullptr));
        return 1;
    }
    double quality = 0.35; // plenty for a synthetic mix, and keeps the file small
    sf_command(file, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof(quality));
    const sf_count_t frames = static_cast<sf_count_t>(samples.size() / 2);
    // In blocks: the encoder stages each write on the stack.
    const sf_count_t block = 4096;
    bool ok = true;
    for (sf_count_t at = 0; at < frames && ok; at += block) {
        const sf_count_t count = std::min(block, frames - at);
        ok = sf_writef_float(file, samples.data() + at * 2, count) == count;
    }
    if (!ok)
        std::fprintf(stderr, "make-soundtrack: short write to '%s': %s\n", argv[1], sf_strerror(file));
    sf_close(file);
    if (!ok)
        return 1;

    std::vector<unsigned char> bytes;
    if (FILE* in = std::fopen(argv[1], "rb")) {
        unsigned char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof(buffer), in)) > 0)
            bytes.insert(bytes.end(), buffer, buffer + n);
        std::fclose(in);
    }
    if (!OggPages::SetSerial(bytes, SoundtrackSerial)) {
        std::fprintf(stderr, "make-soundtrack: '%s' is not a sequence of Ogg pages\n", argv[1]);
        return 1;
    }
    FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "make-soundtrack: cannot rewrite '%s'\n", argv[1]);
        return 1;
    }
    return 0;
}
