// Effect text read by the engine's parser, for tests that hand a device an effect themselves rather
// than through a shader resource. The text must be a well-formed effect file.
#pragma once

#include "Resources/Effect/CEffectParser.h"

#include <gtest/gtest.h>

#include <string>

inline EffectDescription ParsedEffect(const std::string& text) {
    EffectDescription effect;
    std::string error;
    EXPECT_TRUE(CEffectParser::Parse(text, effect, error)) << error;
    return effect;
}
