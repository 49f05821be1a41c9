#include "System/CSystem.h"
#include "Resources/CResourceManager.h"
#include "Scenes/CSceneManager.h"

#include "Base/CTokeniser.h"
#include "Support/LogCapture.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class SystemScript : public testing::Test {
protected:
    bool Load(const std::string& text) {
        CMemoryTokeniser t(text.data(), text.size());
        return system->LoadFromTokeniser(t);
    }
    void Reset() { system = std::make_unique<CSystem>(); }

    LogCapture log;
    std::unique_ptr<CSystem> system = std::make_unique<CSystem>();
};

} // namespace

TEST_F(SystemScript, EndAloneKeepsEveryDefaultAndNothingAfterItIsRead) {
    EXPECT_TRUE(Load("end"));
    EXPECT_TRUE(Load("END { } \" unterminated"));
    EXPECT_EQ(system->AppName, "Test");
    EXPECT_EQ(system->Music, "");
    EXPECT_FALSE(system->SpectrumEnabled);
    EXPECT_EQ(system->tempo.Bpm(), 120.0f);
    EXPECT_EQ(system->tempo.Beats(), 4);
    EXPECT_EQ(system->tempo.Ticks(), 96);
    EXPECT_EQ(system->DebugStartTime, 0.0f);
    EXPECT_TRUE(log.Messages().empty());
}

TEST_F(SystemScript, MissingEndFailsSilently) {
    EXPECT_FALSE(Load(""));
    EXPECT_FALSE(Load("system { Bpm = 130 }\n"));
    EXPECT_FALSE(Load("system { } 12 end"));
    EXPECT_TRUE(log.Messages().empty());
}

TEST_F(SystemScript, UnknownBlockIsReportedWithItsLine) {
    EXPECT_FALSE(Load("system {\n}\n\nsytem { }\nend\n"));
    std::vector<std::string> messages = log.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Unknown block 'sytem' in system config on line 4");
}

TEST_F(SystemScript, SystemBlockStoresEveryKey) {
    EXPECT_TRUE(Load("# a demo\nSystem {\n"
                     "  appname = \"My Demo\"  SettingsTitle = \"Pick one\" SettingsOk = Go SettingsCancel = Stop\n"
                     "  Music = \"./music/track one.ogg\" SpectrumEnabled = TRUE\n"
                     "  Bpm = 140.5 Beats = 3.9 Ticks = 48\n"
                     "  DebugStartTime = 1:2:24\n"
                     "}\nend\n"));
    EXPECT_EQ(system->AppName, "My Demo");
    EXPECT_EQ(system->SettingsTitle, "Pick one");
    EXPECT_EQ(system->SettingsOk, "Go");
    EXPECT_EQ(system->SettingsCancel, "Stop");
    EXPECT_EQ(system->Music, "./music/track one.ogg");
    EXPECT_TRUE(system->SpectrumEnabled);
    EXPECT_EQ(system->tempo.Bpm(), 140.5f);
    EXPECT_EQ(system->tempo.Beats(), 3);
    EXPECT_EQ(system->tempo.Ticks(), 48);
    // Converted with the tempo in force when it was read: (1 * 3 + 2 + 24 / 48) * 60 / 140.5.
    EXPECT_FLOAT_EQ(system->DebugStartTime, static_cast<float>(5.5 * 60.0 / 140.5));
}

TEST_F(SystemScript, LaterBlocksOverrideKeyByKeyAndEmptyBlocksChangeNothing) {
    EXPECT_TRUE(
        Load("system { AppName = First Bpm = 100 } system { } system { Bpm = 90 SpectrumEnabled = false } end"));
    EXPECT_EQ(system->AppName, "First");
    EXPECT_EQ(system->tempo.Bpm(), 90.0f);
    EXPECT_FALSE(system->SpectrumEnabled);
}

TEST_F(SystemScript, MalformedBlocksFailWithoutAMessage) {
    const char* scripts[] = {
        "system AppName = x } end",    // no brace
        "system { AppName= x } end",   // key against its '=' is one word
        "system { AppName = x; } end", // no ';' between pairs
        "system { Colour = red } end", // unknown key
        "system { Bpm = fast } end",   // wrong value type
        "system { AppName = 12 } end", // a number is not a word
        "system { SpectrumEnabled = yes } end",
        "system { DebugStartTime = 12 } end",
        "system { DebugStartTime = 0:4:0 } end", // beat outside the bar
        "system { AppName = x ",                 // block never closed
    };
    for (const char* script : scripts) {
        Reset();
        EXPECT_FALSE(Load(script)) << script;
    }
    EXPECT_TRUE(log.Messages().empty());
}

TEST_F(SystemScript, TempoOfZeroOrBelowIsRefusedNamingKeyAndLine) {
    const char* scripts[] = {"system {\n Bpm = 0 }\nend", "system {\n Beats = -4 }\nend",
                             "system {\n Ticks = 0.5 }\nend",
                             "system {\n Bpm = 9999999999999999999999999999999999999999999999 }\nend"};
    const char* keys[] = {"Bpm", "Beats", "Ticks", "Bpm"};
    for (int i = 0; i < 4; ++i) {
        Reset();
        EXPECT_FALSE(Load(scripts[i])) << scripts[i];
        EXPECT_EQ(system->tempo.Bpm(), 120.0f);
        EXPECT_EQ(system->tempo.Beats(), 4);
        EXPECT_EQ(system->tempo.Ticks(), 96);
    }
    std::vector<std::string> messages = log.Messages();
    ASSERT_EQ(messages.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(messages[i],
                  std::string("Invalid value for '") + keys[i] + "' on line 2: it must be " +
                      (i == 1 || i == 2 ? "a whole number from 1 to 2147483647" : "a number greater than zero"));
}

TEST_F(SystemScript, ResourcesAndScenesAreDispatchedAsBlocks) {
    EXPECT_TRUE(Load("RESOURCES { Texture Sky sky.png } Scene x 0:0:0 1:0:0 { } end"));
    EXPECT_TRUE(system->resources.FindTexture("sky"));
    EXPECT_EQ(system->scenes.GetScenes().size(), 1u);
    // A malformed block fails the script, and is not taken for an unknown one.
    EXPECT_FALSE(Load("scene y { } end"));
    for (const std::string& message : log.Messages())
        EXPECT_EQ(message.find("Unknown block"), std::string::npos) << message;
}

TEST_F(SystemScript, TimesFollowTheTempoInForceWhereTheyAreRead) {
    ASSERT_TRUE(Load("scene A 1:0:0 2:0:0 { }\nsystem { Bpm = 60 Beats = 3 }\nscene B 1:0:0 2:0:0 { }\nend"));
    const std::vector<Scene>& scenes = system->scenes.GetScenes();
    ASSERT_EQ(scenes.size(), 2u);
    EXPECT_FLOAT_EQ(scenes[0].startTime, 2.0f);
    EXPECT_FLOAT_EQ(scenes[1].startTime, 3.0f);
    // A second presentation starts from the default tempo, whatever the first one set.
    Reset();
    ASSERT_TRUE(Load("scene C 1:0:0 2:0:0 { }\nend"));
    EXPECT_FLOAT_EQ(system->scenes.GetScenes()[0].startTime, 2.0f);
}
