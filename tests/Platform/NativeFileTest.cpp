// The machine's file calls keep the same rules on every system: a data name is found only as spelled
// on disk, never climbs out of its folder, and never reaches a device; files the program makes are
// new ones under their UTF-8 names.
#include "Platform/NativeFile.h"
#include "Base/Utf8Path.h"
#include "Platform/NewFile.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

DataFileResult OpenIn(const TempFolder& dir, const std::string& name) {
    CNativeFile file;
    const DataFileResult result = OpenNativeFileInFolder(dir.PathOf("data"), name, file);
    EXPECT_EQ(file.IsOpen(), result == DataFileResult::Ok) << name;
    return result;
}

// A name in the folder, in UTF-8 (the folder's own name is plain ASCII).
std::string Utf8In(const TempFolder& dir, const std::string& name) { return Utf8FromPath(dir.path) + "/" + name; }

} // namespace

TEST(NativeFile, ADataNameIsFoundOnlyAsSpelledAndInsideItsFolder) {
    TempFolder dir;
    ASSERT_TRUE(dir.Write("data/Sub/File.txt", "inside"));
    ASSERT_TRUE(dir.Write("outside.txt", "outside"));
    EXPECT_EQ(OpenIn(dir, "Sub/File.txt"), DataFileResult::Ok);
    // A case-insensitive file system would open these; the data paths answer alike everywhere.
    for (const char* name : {"sub/File.txt", "Sub/file.txt", "SUB/FILE.TXT"})
        EXPECT_EQ(OpenIn(dir, name), DataFileResult::NotFound) << name;
    for (const char* name : {"../outside.txt", "Sub/../../outside.txt", "./Sub/File.txt", "Sub/./File.txt"})
        EXPECT_EQ(OpenIn(dir, name), DataFileResult::NotFound) << name;
    EXPECT_EQ(OpenIn(dir, "Sub"), DataFileResult::Folder);
    EXPECT_EQ(OpenIn(dir, "Sub/File.txt/more"), DataFileResult::NotFound);

#ifdef _WIN32
    // Names Windows gives another meaning: devices, alternate streams, trailing dots and spaces.
    ASSERT_TRUE(dir.Write("data/nul.txt.real", "x"));
    for (const char* name : {"CON", "nul", "nul.txt", "Sub/com1.png", "LPT9", "aux .txt", "Sub/File.txt:stream",
                             "Sub/File.txt::$DATA", "Sub/File.txt.", "Sub/File.txt ", "Sub\\File.txt"})
        EXPECT_EQ(OpenIn(dir, name), DataFileResult::NotFound) << name;
#endif
}

TEST(NativeFile, ReadingAtAnOffsetLeavesThePositionAlone) {
    TempFolder dir;
    ASSERT_TRUE(dir.Write("data/f.bin", "0123456789"));
    CNativeFile file;
    ASSERT_EQ(OpenNativeFileInFolder(dir.PathOf("data"), "f.bin", file), DataFileResult::Ok);
    char bytes[8] = {};
    ASSERT_EQ(file.Read(bytes, 3), 3);
    EXPECT_EQ(file.ReadAt(6, bytes, 8), 4); // short only at the end
    EXPECT_EQ(std::string(bytes, 4), "6789");
    EXPECT_EQ(file.Tell(), 3);
    EXPECT_EQ(file.ReadAt(20, bytes, 1), 0);
    EXPECT_EQ(file.Length(), 10);
}

TEST(NativeFile, NewFilesAreMadeOnceUnderTheirUtf8Names) {
    TempFolder dir;
    const std::string name = Utf8In(dir, "Bild_\xc3\xbc_\xe6\x97\xa5.png");
    std::string error;
    EXPECT_EQ(WriteNewFile(name, "first", 5, error), NewFileResult::Created) << error;
    EXPECT_EQ(WriteNewFile(name, "second", 6, error), NewFileResult::Taken);
    EXPECT_EQ(TempFolder::Read(PathFromUtf8(name)), "first");
    EXPECT_EQ(WriteNewFile(dir.PathOf("missing/x.png"), "x", 1, error), NewFileResult::Failed);
    EXPECT_NE(error.find("cannot create '"), std::string::npos) << error;

    const std::string written = Utf8In(dir, "Kopie_\xc3\xa9.txt");
    std::FILE* file = OpenNativeStdioFile(written, "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("bytes", file);
    std::fclose(file);
    EXPECT_TRUE(std::filesystem::is_regular_file(PathFromUtf8(written)));
    EXPECT_EQ(Utf8FromPath(PathFromUtf8(written).filename()), "Kopie_\xc3\xa9.txt");
}
