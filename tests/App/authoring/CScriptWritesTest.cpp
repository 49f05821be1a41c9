// Writes into the script and their undo: the file is replaced whole, keeps its permissions, and is
// never overwritten where someone else changed it since.
#include "App/authoring/CScriptWrites.h"

#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::string Original = "system { Bpm = 120 }\r\n// the camera\r\nscene S 0:0:0 4:0:0 { }\r\nend\r\n";
const std::string Edited = "system { Bpm = 120 }\r\n// the camera\r\nscene S 0:0:0 8:0:0 { }\r\nend\r\n";

} // namespace

TEST(ScriptWrites, AWriteReplacesTheFileWholeAndUndoAndRedoStepThroughItByteForByte) {
    TempFolder dir;
    ASSERT_TRUE(dir.Write("Config.txt", Original));
    const std::string path = dir.PathOf("Config.txt");
#ifndef _WIN32
    std::filesystem::permissions(dir / "Config.txt", std::filesystem::perms(0640));
#endif
    CScriptWrites writes;
    std::string message;
    ASSERT_TRUE(writes.Write(path, Original, Edited, message)) << message;
    EXPECT_EQ(TempFolder::Read(dir / "Config.txt"), Edited);
#ifndef _WIN32
    EXPECT_EQ(std::filesystem::status(dir / "Config.txt").permissions(), std::filesystem::perms(0640));
#endif
    // Nothing is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);

    ASSERT_TRUE(writes.Undo(message)) << message;
    EXPECT_EQ(TempFolder::Read(dir / "Config.txt"), Original);
    EXPECT_FALSE(writes.Undo(message));
    EXPECT_EQ(message, "Nothing to undo");
    ASSERT_TRUE(writes.Redo(message)) << message;
    EXPECT_EQ(TempFolder::Read(dir / "Config.txt"), Edited);
    EXPECT_FALSE(writes.Redo(message));
}

TEST(ScriptWrites, AFileChangedOutsideIsNeverOverwritten) {
    TempFolder dir;
    ASSERT_TRUE(dir.Write("Config.txt", Original));
    const std::string path = dir.PathOf("Config.txt");
    CScriptWrites writes;
    std::string message;
    // Read before an editor saved: the write is refused.
    ASSERT_TRUE(dir.Write("Config.txt", Original + "// saved in the editor\n"));
    EXPECT_FALSE(writes.Write(path, Original, Edited, message));
    EXPECT_NE(message.find("was changed outside the overlay"), std::string::npos) << message;
    EXPECT_EQ(writes.DoneCount(), 0u);

    ASSERT_TRUE(dir.Write("Config.txt", Original));
    ASSERT_TRUE(writes.Write(path, Original, Edited, message)) << message;
    ASSERT_TRUE(dir.Write("Config.txt", Edited + "// the author's own change\n"));
    EXPECT_FALSE(writes.Undo(message));
    EXPECT_EQ(TempFolder::Read(dir / "Config.txt"), Edited + "// the author's own change\n");
    EXPECT_EQ(writes.DoneCount(), 1u); // still there, should the author take the change back

    ASSERT_TRUE(dir.Write("Config.txt", Edited));
    EXPECT_TRUE(writes.Undo(message)) << message;
    EXPECT_FALSE(writes.Write(dir.PathOf("missing.txt"), "", "x", message));
}

TEST(ScriptWrites, TheOldestStepsGoOnceTheHistoryIsFullAndANewWriteForgetsTheUndone) {
    TempFolder dir;
    ASSERT_TRUE(dir.Write("Config.txt", "0"));
    const std::string path = dir.PathOf("Config.txt");
    CScriptWrites writes;
    std::string message;
    const size_t steps = CScriptWrites::MaxSteps + 5;
    for (size_t i = 0; i < steps; ++i)
        ASSERT_TRUE(writes.Write(path, std::to_string(i), std::to_string(i + 1), message)) << message;
    EXPECT_EQ(writes.DoneCount(), CScriptWrites::MaxSteps);
    while (writes.Undo(message)) {
    }
    EXPECT_EQ(TempFolder::Read(dir / "Config.txt"), "5");
    ASSERT_TRUE(writes.Redo(message));
    ASSERT_TRUE(writes.Write(path, "6", "new", message));
    EXPECT_EQ(writes.UndoneCount(), 0u);
}
