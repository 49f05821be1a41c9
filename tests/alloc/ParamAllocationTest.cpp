#include "AllocationCounter.h"

#include "Base/AudioReactions.h"
#include "Base/CTokeniser.h"
#include "Music/CMusicStream.h"
#include "Params/CParamBool.h"
#include "Params/CParamFloat.h"
#include "Params/CParamInt.h"
#include "Params/CParamRgba.h"
#include "Params/CParamString.h"
#include "Params/CParamVector2.h"
#include "Params/CParamVector3.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

template <class Param> void Key(Param &param, float time, const std::string &line) {
    const std::string text = line + "\n";
    CMemoryTokeniser tokeniser(text.data(), text.size());
    ASSERT_TRUE(param.AddKeyframeFromTokeniser(time, tokeniser)) << line;
}

// Times before, inside every segment, at the keyframes and after them.
constexpr float Times[] = {-1.0f, 0.0f, 0.3f, 1.0f, 1.5f, 2.0f, 2.7f, 3.0f, 3.5f, 4.0f, 9.0f};

} // namespace

TEST(ParamAllocation, CounterSeesAnAllocation) {
    const std::size_t before = AllocationCount();
    std::string *s = new std::string("long enough to leave the small-string buffer");
    delete s;
    EXPECT_GE(AllocationCount() - before, 2u);
}

TEST(ParamAllocation, EvaluatingAnyKindAllocatesNothing) {
    SpectrumBuffer[5] = 0.5f;
    CParamBool b(false);
    CParamFloat f(0.0f);
    CParamInt i(0);
    CParamRgba c(glm::vec4(0));
    CParamString s("base value long enough to live on the heap");
    CParamVector2 v2(glm::vec2(0));
    CParamVector3 v3(glm::vec3(0));
    Key(b, 0, "hold true");
    Key(b, 2, "hold false");
    Key(f, 0, "smooth 1");
    Key(f, 1, "linear 2");
    Key(f, 2, "spectrum 0 5 1");
    Key(f, 3, "square 0 1 0:1:0");
    Key(f, 4, "hold 5");
    Key(i, 1, "linear 10");
    Key(i, 2, "spectrum 3 5 10");
    Key(i, 3, "hold 4");
    Key(c, 0, "smooth 0 0 0 0");
    Key(c, 2, "linear 1 1 1 1");
    Key(c, 4, "hold 0 1 0 1");
    Key(s, 1, "hold \"a keyframe text long enough to live on the heap\"");
    Key(s, 3, "hold short");
    Key(v2, 0, "spectrum 1 1 5 2 3");
    Key(v2, 2, "smooth 0 0");
    Key(v2, 4, "linear 1 1");
    Key(v3, 0, "linear 0 0 0");
    Key(v3, 2, "smooth 1 2 3");
    Key(v3, 4, "hold 0 0 0");

    float sink = 0.0f;
    std::size_t characters = 0;
    const std::size_t before = AllocationCount();
    for (float t : Times) {
        sink += b.GetValue(t) ? 1.0f : 0.0f;
        sink += f.GetValue(t);
        sink += static_cast<float>(i.GetValue(t));
        sink += c.GetValue(t).w;
        sink += v2.GetValue(t).y;
        sink += v3.GetValue(t).z;
        characters += s.GetValue(t).size();
    }
    EXPECT_EQ(AllocationCount() - before, 0u);
    EXPECT_GT(sink, 0.0f);
    EXPECT_GT(characters, 0u);
    SpectrumBuffer[5] = 0.0f;
}

TEST(ParamAllocation, FollowingTheMusicAllocatesNothing) {
    CReactionSet set;
    auto key = [&set](auto &param, float time, const std::string &line) {
        const std::string text = line + "\n";
        CMemoryTokeniser tokeniser(text.data(), text.size());
        tokeniser.reactions = &set;
        ASSERT_TRUE(param.AddKeyframeFromTokeniser(time, tokeniser)) << line;
    };
    CParamFloat f(0.0f);
    CParamInt i(0);
    CParamVector2 v2(glm::vec2(0));
    key(f, 0, "level 0 40 130 1 0:0:4 0:1:0");
    key(f, 1, "peak 0 40 130 1 0:1:0");
    key(f, 2, "onset 0 40 130 1 0:0:24");
    key(f, 3, "accumulate 0 40 130 1");
    key(f, 4, "hold 0");
    key(i, 2, "onset 1 40 130 10 0:0:24");
    key(v2, 0, "level 0 0 40 130 1 1 0:0:4 0:1:0");
    key(v2, 4, "hold 0 0");
    const std::vector<float> series(4 * 1000, 0.5f);
    const CReactionTable table(0.005, 1000, series, series);
    ActiveReactions = ReactionFrame{&table, 0.5f};

    float sink = 0.0f;
    const std::size_t before = AllocationCount();
    for (float t : Times)
        sink += f.GetValue(t) + static_cast<float>(i.GetValue(t)) + v2.GetValue(t).x;
    EXPECT_EQ(AllocationCount() - before, 0u);
    EXPECT_GT(sink, 0.0f);
    ActiveReactions = ReactionFrame{};
}
