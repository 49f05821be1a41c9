#include "Params/CParamManager.h"

#include "Base/CTokeniser.h"
#include "Base/Log.h"
#include "Base/Names.h"

void CParamManager::AdviseNearest(const std::string &name) const {
    std::vector<std::string> names;
    for (const ParamEntry &entry : entries)
        names.push_back(entry.name);
    const std::string nearest = NearestName(name, names);
    if (!nearest.empty())
        AdviseAuthor("Did you mean %s?", nearest.c_str());
}

CParam *CParamManager::FindParam(const std::string &name) const {
    for (const ParamEntry &entry : entries)
        if (SameName(entry.name, name))
            return entry.param.get();
    return nullptr;
}

bool CParamManager::SetValueFromTokeniser(CTokeniser &tokeniser, const std::string &name) {
    if (tokeniser.NextToken() != TokenType::Equals)
        return false;
    CParam *param = FindParam(name);
    if (!param) {
        LOG("CParamManager::SetValueFromTokeniser", "Failed to find variable '%s' on line %d", name.c_str(),
            tokeniser.line);
        AdviseNearest(name);
        return false;
    }
    if (param->SetValueFromTokeniser(tokeniser))
        return true;
    LOG("CParamManager::SetValueFromTokeniser", "Failed to set value from tokeniser for '%s' on line %d", name.c_str(),
        tokeniser.line);
    return false;
}

bool CParamManager::AddKeyframeFromTokeniser(float time, CTokeniser &tokeniser) {
    if (tokeniser.NextToken() != TokenType::Word)
        return false;
    // Kept before the payload is read, which overwrites the tokeniser's text.
    const std::string name = tokeniser.GetString();
    const int line = tokeniser.line;
    CParam *param = FindParam(name);
    if (!param) {
        AdviseAuthor("Line %d: the layer has no parameter '%s'.", line, name.c_str());
        AdviseNearest(name);
        return false;
    }
    if (param->AddKeyframeFromTokeniser(time, tokeniser)) {
        if (param->firstKeyframeLine == 0)
            param->firstKeyframeLine = line;
        return true;
    }
    LOG("CParamManager::AddKeyframeFromTokeniser", "Failed to add a keyframe from tokeniser for '%s' on line %d",
        name.c_str(), tokeniser.line);
    return false;
}
