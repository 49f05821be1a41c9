#include "Resources/CResourceManager.h"
#include "Scenes/CSceneManager.h"
#include "System/CSystem.h"

#include "Base/CSettings.h"
#include "Base/CTokeniser.h"
#include "Support/LogCapture.h"
#include "TestDirectory.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class SystemScript : public testing::Test {
protected:
    void SetUp() override {
        System.Reset();
        Settings = SettingsRecord{};
    }
    void TearDown() override {
        System.Reset();
        Settings = SettingsRecord{};
    }

    bool Load(const std::string& text) {
        CMemoryTokeniser t(text.data(), text.size());
        return System.LoadFromTokeniser(t);
    }

    LogCapture log;
};

float Seconds(int bar, int beat, int tick) {
    float seconds = -1.0f;
    EXPECT_TRUE(MusicalTimeToSeconds(bar, beat, tick, seconds)) << bar << ":" << beat << ":" << tick;
    return seconds;
}

} // namespace

TEST_F(SystemScript, EndAloneKeepsEveryDefaultAndNothingAfterItIsRead) {
    EXPECT_TRUE(Load("end"));
    EXPECT_TRUE(Load("END { } \" unterminated"));
    EXPECT_EQ(System.AppName, "Test");
    EXPECT_EQ(System.Music, "");
    EXPECT_FALSE(System.SpectrumEnabled);
    EXPECT_EQ(System.Bpm, 120.0f);
    EXPECT_EQ(System.Beats, 4);
    EXPECT_EQ(System.Ticks, 96);
    EXPECT_EQ(System.DebugStartTime, 0.0f);
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
    EXPECT_EQ(System.AppName, "My Demo");
    EXPECT_EQ(Settings.title, "Pick one");
    EXPECT_EQ(Settings.okText, "Go");
    EXPECT_EQ(Settings.cancelText, "Stop");
    EXPECT_EQ(System.Music, "./music/track one.ogg");
    EXPECT_TRUE(System.SpectrumEnabled);
    EXPECT_EQ(System.Bpm, 140.5f);
    EXPECT_EQ(System.Beats, 3);
    EXPECT_EQ(System.Ticks, 48);
    // Converted with the tempo in force when it was read: (1 * 3 + 2 + 24 / 48) * 60 / 140.5.
    EXPECT_FLOAT_EQ(System.DebugStartTime, static_cast<float>(5.5 * 60.0 / 140.5));
}

TEST_F(SystemScript, LaterBlocksOverrideKeyByKeyAndEmptyBlocksChangeNothing) {
    EXPECT_TRUE(Load("system { AppName = First Bpm = 100 } system { } system { Bpm = 90 SpectrumEnabled = false } end"));
    EXPECT_EQ(System.AppName, "First");
    EXPECT_EQ(System.Bpm, 90.0f);
    EXPECT_FALSE(System.SpectrumEnabled);
}

TEST_F(SystemScript, MalformedBlocksFailWithoutAMessage) {
    const char* scripts[] = {
        "system AppName = x } end",          // no brace
        "system { AppName= x } end",         // key against its '=' is one word
        "system { AppName = x; } end",       // no ';' between pairs
        "system { Colour = red } end",       // unknown key
        "system { Bpm = fast } end",         // wrong value type
        "system { AppName = 12 } end",       // a number is not a word
        "system { SpectrumEnabled = yes } end",
        "system { DebugStartTime = 12 } end",
        "system { DebugStartTime = 0:4:0 } end", // beat outside the bar
        "system { AppName = x ",             // block never closed
    };
    for (const char* script : scripts) {
        System.Reset();
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
        System.Reset();
        EXPECT_FALSE(Load(scripts[i])) << scripts[i];
        EXPECT_EQ(System.Bpm, 120.0f);
        EXPECT_EQ(System.Beats, 4);
        EXPECT_EQ(System.Ticks, 96);
    }
    std::vector<std::string> messages = log.Messages();
    ASSERT_EQ(messages.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(messages[i], std::string("Invalid value for '") + keys[i] + "' on line 2: it must be " +
                                   (i == 1 || i == 2 ? "a whole number from 1 to 2147483647"
                                                     : "a number greater than zero"));
}

TEST_F(SystemScript, ResourcesAndScenesAreDispatchedAsBlocks) {
    CResourceManager::Clear();
    CSceneManager::Clear();
    EXPECT_TRUE(Load("RESOURCES { Texture Sky sky.png } Scene x 0:0:0 1:0:0 { } end"));
    EXPECT_TRUE(FindTexture("sky"));
    EXPECT_EQ(CSceneManager::GetScenes().size(), 1u);
    // A malformed block fails the script, and is not taken for an unknown one.
    EXPECT_FALSE(Load("scene y { } end"));
    for (const std::string& message : log.Messages())
        EXPECT_EQ(message.find("Unknown block"), std::string::npos) << message;
    CResourceManager::Clear();
    CSceneManager::Clear();
}

TEST(MusicalTime, DefaultTempoGivesTheWorkedValues) {
    System.Reset();
    EXPECT_FLOAT_EQ(Seconds(0, 0, 0), 0.0f);
    EXPECT_FLOAT_EQ(Seconds(1, 0, 0), 2.0f);
    EXPECT_FLOAT_EQ(Seconds(0, 1, 0), 0.5f);
    EXPECT_FLOAT_EQ(Seconds(0, 0, 48), 0.25f);
    EXPECT_EQ(Seconds(2, 3, 95), static_cast<float>(5.994791666666667));
    // Negative parts pass the range check.
    EXPECT_FLOAT_EQ(Seconds(-1, 0, 0), -2.0f);
    EXPECT_FLOAT_EQ(Seconds(0, -1, 0), -0.5f);
}

TEST(MusicalTime, BeatOrTickOutsideItsRangeIsRefused) {
    System.Reset();
    float seconds = 7.0f;
    EXPECT_FALSE(MusicalTimeToSeconds(0, 4, 0, seconds));
    EXPECT_FALSE(MusicalTimeToSeconds(0, 0, 96, seconds));
    EXPECT_EQ(seconds, 7.0f);
    EXPECT_TRUE(MusicalTimeToSeconds(0, 3, 95, seconds));
}

TEST(MusicalTime, FollowsTheTempoInForce) {
    System.Reset();
    System.Bpm = 60.0f;
    System.Beats = 3;
    System.Ticks = 10;
    EXPECT_FLOAT_EQ(Seconds(1, 0, 0), 3.0f);
    EXPECT_FLOAT_EQ(Seconds(0, 2, 5), 2.5f);
    float seconds;
    EXPECT_FALSE(MusicalTimeToSeconds(0, 3, 0, seconds));
    System.Reset();
}
