// An effect file split into its parts: GLSL sections for the vertex and fragment stages, shared
// text, techniques made of passes that pair a vertex and a fragment section, and sampler lines.
// Plain text processing with no graphics calls, so it is tested and fuzzed on its own.
#pragma once

#include "Platform/CGraphicsDevice.h"

#include <string>
#include <vector>

struct EffectSection {
    std::string name; // empty for shared text
    std::string text;
    int firstLine = 1; // line of the file where the text starts, for the compiler's messages
};

struct EffectPass {
    std::string vertex;
    std::string fragment;
    int line = 0;
};

struct EffectTechnique {
    std::string name;
    std::vector<EffectPass> passes;
};

struct EffectSampler {
    std::string uniform;
    bool hasFilter = false;
    TextureFilter filter = TextureFilter::Point;
    bool hasAddress = false;
    TextureAddress address = TextureAddress::Clamp;
};

class CEffectSource {
public:
    // Splits `text` by its directive lines. On failure returns false with a message naming the line
    // (also for a technique of more than CEffect::MaxPasses passes).
    static bool Parse(const std::string& text, CEffectSource& out, std::string& error);

    const EffectSection* FindVertex(const std::string& name) const;
    const EffectSection* FindFragment(const std::string& name) const;
    const EffectTechnique* FindTechnique(const std::string& name) const;

    std::vector<EffectSection> common; // in file order; every stage starts with all of it
    std::vector<EffectSection> vertexShaders;
    std::vector<EffectSection> fragmentShaders;
    std::vector<EffectTechnique> techniques;
    std::vector<EffectSampler> samplers;
};
