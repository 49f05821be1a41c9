// The zip screen: archives within the limits pass, archives beyond them and files that are not zip
// archives are refused, and the program refuses them before PhysicsFS reads them.
#include "Base/ZipScreen.h"
#include "Support/ProgramRun.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#include <zip.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

// Names ending in '/' are folder entries; every file holds one byte.
void WriteZip(const std::filesystem::path& file, const std::vector<std::string>& names) {
    int error = 0;
    zip_t* archive = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr) << error;
    for (const std::string& name : names) {
        zip_int64_t added = -1;
        if (!name.empty() && name.back() == '/') {
            added = zip_dir_add(archive, name.c_str(), ZIP_FL_ENC_RAW);
        } else {
            zip_source_t* source = zip_source_buffer(archive, "x", 1, 0);
            added = zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_RAW);
            // Compressing thousands of one-byte files would take libzip many seconds.
            if (added >= 0)
                zip_set_file_compression(archive, zip_uint64_t(added), ZIP_CM_STORE, 0);
            else
                zip_source_free(source);
        }
        ASSERT_GE(added, 0) << name.substr(0, 40) << ": " << zip_strerror(archive);
    }
    ASSERT_EQ(zip_close(archive), 0);
}

std::string Deep(int levels) {
    std::string name;
    for (int i = 0; i < levels; ++i)
        name += "d/";
    return name + "f.txt";
}

void Put16(std::string& out, uint32_t value) { out += char(value & 0xFF), out += char((value >> 8) & 0xFF); }
void Put32(std::string& out, uint32_t value) { Put16(out, value & 0xFFFF), Put16(out, value >> 16); }
void Put64(std::string& out, uint64_t value) { Put32(out, uint32_t(value)), Put32(out, uint32_t(value >> 32)); }

// A directory record of an empty stored file, written by hand: thousands of them take no time.
std::string CentralRecord(const std::string& name, uint32_t crc = 0, uint32_t size = 0, uint32_t offset = 0) {
    std::string out;
    Put32(out, 0x02014b50);
    Put16(out, 0x031e), Put16(out, 20), Put16(out, 0), Put16(out, 0), Put32(out, 0);
    Put32(out, crc), Put32(out, size), Put32(out, size);
    Put16(out, uint32_t(name.size())), Put16(out, 0), Put16(out, 0), Put16(out, 0), Put16(out, 0);
    Put32(out, 0), Put32(out, offset);
    return out + name;
}

void PutEnd(std::string& out, uint32_t count, uint32_t size, uint32_t offset) {
    Put32(out, 0x06054b50), Put16(out, 0), Put16(out, 0), Put16(out, count), Put16(out, count);
    Put32(out, size), Put32(out, offset), Put16(out, 0);
}

// An archive of empty files with the given names.
std::string HandMadeZip(const std::vector<std::string>& names) {
    std::string directory;
    for (const std::string& name : names)
        directory += CentralRecord(name);
    std::string out = directory;
    if (names.size() < 0xFFFF) {
        PutEnd(out, uint32_t(names.size()), uint32_t(directory.size()), 0);
        return out;
    }
    // The count does not fit the end record: the Zip64 records hold it, as zip tools write them.
    const uint64_t zip64At = out.size();
    Put32(out, 0x06064b50), Put64(out, 44), Put16(out, 45), Put16(out, 45), Put32(out, 0), Put32(out, 0);
    Put64(out, names.size()), Put64(out, names.size()), Put64(out, directory.size()), Put64(out, 0);
    Put32(out, 0x07064b50), Put32(out, 0), Put64(out, zip64At), Put32(out, 1);
    PutEnd(out, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF);
    return out;
}

// One stored file the way every reader sees it, then a second directory of `hidden` names that
// only a reader following the Zip64 records from the last end record finds.
std::string TwoDirectoryZip(const std::vector<std::string>& hidden) {
    const std::string text = "end\n";
    const uint32_t crc = 0x8eb179ba; // of "end\n"
    std::string out;
    Put32(out, 0x04034b50), Put16(out, 20), Put16(out, 0), Put16(out, 0), Put32(out, 0);
    Put32(out, crc), Put32(out, 4), Put32(out, 4), Put16(out, 10), Put16(out, 0);
    out += "Config.txt" + text;
    const std::string first = CentralRecord("Config.txt", crc, 4, 0);
    const uint32_t firstAt = uint32_t(out.size());
    out += first;
    PutEnd(out, 1, uint32_t(first.size()), firstAt);
    std::string second;
    for (const std::string& name : hidden)
        second += CentralRecord(name);
    const uint64_t secondAt = out.size();
    out += second;
    const uint64_t zip64At = out.size();
    Put32(out, 0x06064b50), Put64(out, 44), Put16(out, 45), Put16(out, 45), Put32(out, 0), Put32(out, 0);
    Put64(out, hidden.size()), Put64(out, hidden.size()), Put64(out, second.size()), Put64(out, secondAt);
    Put32(out, 0x07064b50), Put32(out, 0), Put64(out, zip64At), Put32(out, 1);
    Put32(out, 0x06054b50), Put16(out, 0), Put16(out, 0), Put16(out, 0xFFFF), Put16(out, 0xFFFF);
    Put32(out, 0xFFFFFFFF), Put32(out, 0xFFFFFFFF), Put16(out, 0);
    return out;
}

std::vector<std::string> Numbered(const std::string& prefix, size_t count) {
    std::vector<std::string> names;
    for (size_t i = 0; i < count; ++i)
        names.push_back(prefix + std::to_string(i));
    return names;
}

std::string Screened(const std::filesystem::path& file) {
    std::string reason;
    return ScreenZipArchive(file.string(), reason) ? "passes" : reason;
}

} // namespace

TEST(ZipScreen, ArchiveAtTheLimitsPasses) {
    TempFolder dir;
    // 33 nodes for the deep entry (32 folders and the file), one for the long name, one for the folder
    // entry "fx/" and one for the file in it: the folder counts once. The rest are files.
    std::vector<std::string> names = {Deep(MaxZipFolderDepth), std::string(MaxZipNameBytes, 'n'), "fx/", "fx/s.fx"};
    for (size_t i = names.size() + MaxZipFolderDepth; i < 8192; ++i)
        names.push_back("file" + std::to_string(i));
    WriteZip(dir / "full.zip", names);
    EXPECT_EQ(Screened(dir / "full.zip"), "passes");

    // As many entries as the directory may hold, and as many folders beside them as the nodes allow.
    std::vector<std::string> frames = Numbered("frames/frame", MaxZipEntries - 4095);
    for (const std::string& folder : Numbered("f", 4095))
        frames.push_back(folder + "/");
    ASSERT_EQ(frames.size(), MaxZipEntries);
    ASSERT_TRUE(dir.Write("frames.zip", HandMadeZip(frames)));
    EXPECT_EQ(Screened(dir / "frames.zip"), "passes");
}

TEST(ZipScreen, ArchivesBeyondTheLimitsAreRefused) {
    TempFolder dir;
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"Config.txt", Deep(MaxZipFolderDepth + 1)}, "entry 1's name is 33 folders deep, more than 32"},
        {{std::string(MaxZipNameBytes + 1, 'n')}, "entry 0's name is 1025 bytes long, more than 1024"},
        {Numbered("file", MaxZipEntries + 1), "its directory claims 65537 entries, more than 65536"},
        // Fewer entries, but each implies a folder of its own.
        {Numbered("folder", MaxZipFilesAndFolders / 2 + 1), ""},
        // Names the file system would compare with every other in its table.
        {Numbered(std::string(1000, 'n'), MaxZipNameBytesInAll / 1000), "its names take more than 4194304 bytes"},
    };
    for (auto [names, reason] : cases) {
        if (reason.empty()) {
            for (std::string& name : names)
                name += "/f";
            reason = "it holds more than 69632 files and folders";
        }
        ASSERT_TRUE(dir.Write("hostile.zip", HandMadeZip(names)));
        EXPECT_EQ(Screened(dir / "hostile.zip"), reason);
    }
}

TEST(ZipScreen, ArchiveWithTwoDirectoriesIsRefused) {
    TempFolder dir;
    // One reader finds the directory of Config.txt, the file system the other: counts or names differ.
    ASSERT_TRUE(dir.Write("counts.zip", TwoDirectoryZip(Numbered("f", 3))));
    EXPECT_EQ(Screened(dir / "counts.zip"), "it holds two directories that disagree (3 entries and 1)");
    ASSERT_TRUE(dir.Write("names.zip", TwoDirectoryZip({"Other.txt"})));
    EXPECT_EQ(Screened(dir / "names.zip"), "it holds two directories that disagree about entry 0");
    // An empty name would be read before its first byte.
    ASSERT_TRUE(dir.Write("empty.zip", HandMadeZip({""})));
    EXPECT_EQ(Screened(dir / "empty.zip"), "entry 0 has no name");

    // The program refuses what it would otherwise mount, and the hidden directory costs nothing.
    ASSERT_TRUE(dir.Write("data.zip", TwoDirectoryZip(Numbered("a/b/c/d/e/f/g/h/", 500))));
    ProgramResult run = RunProgram(dir, {"Log", "Check", "DataPath", (dir / "data").string()}, 30);
    EXPECT_EQ(run.status, 1) << run.Said();
    EXPECT_TRUE(run.LoggedStart("Failed to add datapath '" + (dir / "data").string() +
                                ".zip' to physfs: it holds two directories that disagree (500 entries and 1)"))
        << run.Said();
}

TEST(ZipScreen, NamesThatAreNotOneTreeAreRefused) {
    TempFolder dir;
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"Config.txt", "fx/", "Config.txt"}, "entry 2 repeats entry 0's name"},
        {{"fx/", "fx/"}, "entry 1 repeats entry 0's name"},
        {{"fx/s.fx", "fx", "fx"}, "entry 2 repeats entry 1's name"},
        {{"fx", "fx/s.fx"}, "entry 1 lies inside entry 0, a file"},
        {{"a/b", "a/b/c/d.txt"}, "entry 1 lies inside entry 0, a file"},
        // A folder's entry after the files in it, and a file's entry for a folder already implied.
        {{"fx/s.fx", "fx/", "img/a.png", "img"}, "passes"},
    };
    for (const auto& [names, reason] : cases) {
        ASSERT_TRUE(dir.Write("tree.zip", HandMadeZip(names)));
        EXPECT_EQ(Screened(dir / "tree.zip"), reason) << names.size();
    }
}

TEST(ZipScreen, ProgramMountsASequenceOfFrames) {
    TempFolder dir;
    // A presentation's frame images, one file each, as many as the directory may hold.
    std::vector<std::string> names = Numbered("frames/frame", MaxZipEntries - 1);
    names.push_back("Config.txt");
    std::string zip = HandMadeZip(names);
    ASSERT_TRUE(dir.Write("data.zip", zip));
    // Config.txt is empty here: the run gets as far as reading it, past the mount.
    ProgramResult run = RunProgram(dir, {"Log", "Check", "DataPath", (dir / "data").string()}, 60);
    EXPECT_TRUE(run.Logged("Added datapath '" + (dir / "data").string() + ".zip' to physfs")) << run.Said();
}

TEST(ZipScreen, WhatIsNotAZipArchiveIsRefused) {
    TempFolder dir;
    dir.Write("text.zip", "PK\x03\x04 this is not an archive");
    std::filesystem::create_directory(dir / "folder.zip");
    // Opening a pipe for reading would wait for a writer for ever.
    ASSERT_EQ(mkfifo((dir / "pipe.zip").c_str(), 0600), 0);
    EXPECT_EQ(Screened(dir / "text.zip"), "Not a zip archive");
    EXPECT_EQ(Screened(dir / "folder.zip"), "it is not a regular file");
    EXPECT_EQ(Screened(dir / "pipe.zip"), "it is not a regular file");
    EXPECT_EQ(Screened(dir / "missing.zip"), "No such file or directory");
}

TEST(ZipScreen, ProgramRefusesADeepArchiveBeforeMountingIt) {
    TempFolder dir;
    // Three names 32000 folders deep: minutes and gigabytes inside PhysicsFS.
    std::vector<std::string> names;
    for (char top : {'a', 'b', 'c'})
        names.push_back(std::string(1, top) + "/" + Deep(32000).substr(2));
    WriteZip(dir / "deep.zip", names);
    const std::string data = (dir / "deep").string();
    ProgramResult run = RunProgram(dir, {"Log", "Check", "DataPath", data}, 30);
    EXPECT_EQ(run.status, 1) << run.Said();
    EXPECT_TRUE(run.Logged("Failed to add datapath '" + data +
                           ".zip' to physfs: entry 0's name is 64005 bytes "
                           "long, more than 1024"))
        << run.Said();
    EXPECT_TRUE(run.ErrLine("Failed to add any datapaths to physfs!")) << run.err;

    // The folder beside the refused zip is still used.
    std::filesystem::copy(std::filesystem::path(QV_SOURCE_DIR) / "tests/data/startup/valid", data);
    ProgramResult withFolder = RunProgram(dir, {"Log", "Check", "DataPath", data}, 30);
    EXPECT_EQ(withFolder.status, 0) << withFolder.Said();
}
