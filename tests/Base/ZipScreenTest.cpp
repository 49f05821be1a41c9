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
    for (size_t i = names.size() + MaxZipFolderDepth; i < MaxZipFilesAndFolders; ++i)
        names.push_back("file" + std::to_string(i));
    WriteZip(dir / "full.zip", names);
    EXPECT_EQ(Screened(dir / "full.zip"), "passes");
}

TEST(ZipScreen, ArchivesBeyondTheLimitsAreRefused) {
    TempFolder dir;
    std::vector<std::string> rootFiles, ownFolders;
    for (size_t i = 0; i <= MaxZipFilesAndFolders; ++i)
        rootFiles.push_back("file" + std::to_string(i));
    // Half as many entries, but each implies a folder of its own.
    for (size_t i = 0; i <= MaxZipFilesAndFolders / 2; ++i)
        ownFolders.push_back("folder" + std::to_string(i) + "/f");

    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"Config.txt", Deep(MaxZipFolderDepth + 1)}, "entry 1's name is 33 folders deep, more than 32"},
        {{std::string(MaxZipNameBytes + 1, 'n')}, "entry 0's name is 1025 bytes long, more than 1024"},
        {rootFiles, "it holds more than 8192 files and folders"},
        {ownFolders, "it holds more than 8192 files and folders"},
    };
    for (const auto& [names, reason] : cases) {
        WriteZip(dir / "hostile.zip", names);
        EXPECT_EQ(Screened(dir / "hostile.zip"), reason);
    }
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
