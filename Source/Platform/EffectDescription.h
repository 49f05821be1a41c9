// An effect file as the engine's parser hands it to a device to compile: the stage sections with
// the file line each starts at (so that compiler messages name the author's lines), the shared text,
// the techniques made of passes that pair a vertex and a fragment section, and the sampler lines.
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

// Every pass of a parsed description names sections it holds, so a device may look them up unchecked.
struct EffectDescription {
    std::vector<EffectSection> common; // in file order; every stage starts with all of it
    std::vector<EffectSection> vertexShaders;
    std::vector<EffectSection> fragmentShaders;
    std::vector<EffectTechnique> techniques;
    std::vector<EffectSampler> samplers;

    const EffectSection* FindVertex(const std::string& name) const { return Find(vertexShaders, name); }
    const EffectSection* FindFragment(const std::string& name) const { return Find(fragmentShaders, name); }
    const EffectTechnique* FindTechnique(const std::string& name) const {
        for (const auto& t : techniques)
            if (t.name == name)
                return &t;
        return nullptr;
    }

private:
    static const EffectSection* Find(const std::vector<EffectSection>& list, const std::string& name) {
        for (const auto& s : list)
            if (s.name == name)
                return &s;
        return nullptr;
    }
};
