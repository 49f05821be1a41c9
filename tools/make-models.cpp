// Writes the bundled presentation's models in the system's model format.
// Usage: make-models <output folder>
#include "CMeshBuilder.h"

#include <cstdio>
#include <string>

static bool WriteModel(const std::string& folder, const char* name, const CMeshBuilder& mesh) {
    const std::string path = folder + "/" + name;
    const std::string text = mesh.Write();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "make-models: cannot write '%s'\n", path.c_str());
        return false;
    }
    return true;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    // The torus and the tunnel name textures that no script declares: the model loader creates
    // them from torusskin.bmp and tunnelgrid.bmp.
    bool ok = WriteModel(folder, "torus.model", CMeshBuilder::Torus(60.0f, 22.0f, 48, 20, "torusskin"));
    ok = WriteModel(folder, "tunnel.model", CMeshBuilder::TunnelSegment(120.0f, 60.0f, 24, "tunnelgrid")) && ok;
    ok = WriteModel(folder, "cube.model", CMeshBuilder::Cube(30.0f, {0.3f, 0.8f, 1.0f}, "nomap")) && ok;
    ok = WriteModel(folder, "crystal.model", CMeshBuilder::Crystal(30.0f, {1.0f, 0.55f, 0.2f})) && ok;
    return ok ? 0 : 1;
}
