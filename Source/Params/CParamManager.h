// The name table of one layer's parameters: owns them, finds them by name (ASCII case ignored, first
// registration wins) and routes the script's Name = value lines and keyframe lines to them.
#pragma once

#include "Params/CParam.h"

#include <memory>
#include <string>
#include <vector>

class CTokeniser;

struct ParamEntry {
    std::string name;
    std::unique_ptr<CParam> param;
};

class CParamManager {
public:
    // Takes ownership of `param` and registers it under `name`; returns `param` so the layer can keep
    // the typed pointer. A null parameter registers nothing.
    template <class T> T *AddParam(T *param, const std::string &name) {
        if (param)
            entries.push_back(ParamEntry{name, std::unique_ptr<CParam>(param)});
        return param;
    }

    CParam *FindParam(const std::string &name) const;

    // After the parameter's name (already read as a Word): '=' and the value.
    bool SetValueFromTokeniser(CTokeniser &tokeniser, const std::string &name);
    // After the layer name of a keyframe line: the parameter name, interpolation word and payload.
    bool AddKeyframeFromTokeniser(float time, CTokeniser &tokeniser);

    // Registered parameters in registration order.
    const std::vector<ParamEntry> &GetEntries() const { return entries; }

private:
    // Tells the author the registered name nearest to a name not found, where one is near.
    void AdviseNearest(const std::string &name) const;

    std::vector<ParamEntry> entries;
};
