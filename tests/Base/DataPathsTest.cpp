// The data paths, run against every implementation this build has (PhysicsFS and the folder one on
// Linux): the folder is searched before the zip, names are spelled one way and keep their letter
// case, links and what is not a regular file are refused, the limits hold, and both implementations
// give the same answers in the same words.
#include "Base/DataPaths.h"
#include "Base/CDataFileReader.h"
#include "Base/DataFile.h"
#include "Base/DataZip.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#include <zip.h>

#include <numeric>
#include <sstream>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

// A Unix symbolic link's mode as zips store it.
constexpr zip_uint32_t UnixSymlinkMode = 0120777;

// Links in a folder need privileges on Windows, and there is no named pipe in a folder there: the
// folder's links and pipe are Unix cases.
#ifdef _WIN32
constexpr bool FolderLinksAndPipes = false;
#else
constexpr bool FolderLinksAndPipes = true;
#endif

struct ZipEntry {
    std::string name, content;
    bool link = false; // stored as a Unix symlink whose target is `content`
};

void WriteZip(const std::filesystem::path& file, const std::vector<ZipEntry>& entries) {
    int error = 0;
    zip_t* archive = zip_open(file.string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr) << error;
    for (const ZipEntry& entry : entries) {
        zip_int64_t index = -1;
        if (entry.name.back() == '/') {
            index = zip_dir_add(archive, entry.name.c_str(), ZIP_FL_ENC_RAW);
        } else {
            zip_source_t* source = zip_source_buffer(archive, entry.content.data(), entry.content.size(), 0);
            index = zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_RAW);
        }
        ASSERT_GE(index, 0) << entry.name;
        if (entry.link) {
            ASSERT_EQ(zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX,
                                                       UnixSymlinkMode << 16),
                      0);
        }
    }
    ASSERT_EQ(zip_close(archive), 0);
}

std::string Text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A presentation's data: a folder "data" and a zip "data.zip" beside it, each holding names the other
// has too, links, a pipe, folders, and a large compressible file.
void WriteData(const TempFolder& dir) {
    ASSERT_TRUE(dir.Write("data/both.txt", "from the folder"));
    ASSERT_TRUE(dir.Write("data/sub/f.txt", "sub file"));
    ASSERT_TRUE(dir.Write("data/big.bin", std::string(100000, 'b')));
#ifndef _WIN32
    std::filesystem::create_symlink("both.txt", dir / "data/link.txt");
    std::filesystem::create_symlink("sub", dir / "data/ldir");
    std::filesystem::create_symlink("both.txt", dir / "data/hidden.txt");
    ASSERT_EQ(mkfifo((dir / "data/pipe").c_str(), 0600), 0);
#endif
    std::string counting(300000, ' ');
    std::iota(counting.begin(), counting.end(), 'a');
    WriteZip(dir / "data.zip", {{"both.txt", "from the zip"},
                                {"hidden.txt", "found in the zip"},
                                {"zip.txt", "zip only"},
                                {"zd/", ""},
                                {"zd/q.txt", "in a zip folder"},
                                {"zl.txt", "zip.txt", true},
                                {"implied/x.txt", "x"},
                                {"implied", "a file's entry for a folder already implied"},
                                {"counting.bin", counting}});
}

class DataPathsTest : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        paths = CreateDataPaths(GetParam());
        ASSERT_TRUE(paths);
        wasStarted = paths->Started();
        ASSERT_TRUE(paths->Start()) << paths->LastError();
        previous = UseDataPaths(paths.get());
        WriteData(dir);
    }
    void TearDown() override {
        for (const std::string& path : mounted)
            paths->Unmount(path);
        UseDataPaths(previous);
        if (!wasStarted)
            paths->Stop();
    }
    void MountFolder() {
        ASSERT_TRUE(paths->MountFolder(Folder())) << paths->LastError();
        mounted.push_back(Folder());
    }
    void MountZip() {
        std::string reason;
        ASSERT_TRUE(MountDataZip(Zip(), reason)) << reason;
        mounted.push_back(Zip());
    }
    std::string Folder() const { return dir.PathOf("data"); }
    std::string Zip() const { return dir.PathOf("data.zip"); }
    std::string Read(const std::string& name) {
        std::vector<uint8_t> bytes;
        const DataFileResult result = ReadDataFile(name, bytes);
        return result == DataFileResult::Ok ? Text(bytes) : "refused " + std::to_string(int(result));
    }

    TempFolder dir;
    std::unique_ptr<CDataPaths> paths;
    CDataPaths* previous = nullptr;
    bool wasStarted = false;
    std::vector<std::string> mounted;
};

TEST_P(DataPathsTest, TheFolderIsSearchedBeforeTheZip) {
    MountFolder();
    MountZip();
    EXPECT_EQ(Read("both.txt"), "from the folder");
    EXPECT_EQ(Read("zip.txt"), "zip only");
    EXPECT_FALSE(IsInDataArchive("both.txt"));
    EXPECT_TRUE(IsInDataArchive("zip.txt"));
    // A link in the folder hides nothing: the zip's file of that name is read.
    EXPECT_EQ(Read("hidden.txt"), "found in the zip");

    // Mounting again changes nothing; without the folder, the zip answers.
    EXPECT_TRUE(paths->MountFolder(Folder()));
    ASSERT_TRUE(paths->Unmount(Folder()));
    mounted.erase(mounted.begin());
    EXPECT_EQ(Read("both.txt"), "from the zip");
    EXPECT_FALSE(paths->Unmount(Folder()));
    EXPECT_STREQ(paths->LastError(), "not mounted");

    // A folder mounted first comes before the zip.
    ASSERT_TRUE(paths->MountFolder(Folder(), CDataPaths::Place::First));
    mounted.push_back(Folder());
    EXPECT_EQ(Read("both.txt"), "from the folder");
}

TEST_P(DataPathsTest, NamesAreSpelledOneWayAndKeepTheirCase) {
    MountFolder();
    MountZip();
    for (const char* name : {"sub/f.txt", "/sub/f.txt", "sub//f.txt", "sub/f.txt/"})
        EXPECT_EQ(Read(name), "sub file") << name;
    EXPECT_EQ(Read("//zd/q.txt"), "in a zip folder");
    for (const char* name : {"SUB/f.txt", "Both.txt", "ZIP.TXT", "zd/Q.txt"}) {
        EXPECT_EQ(StatDataFile(name), DataFileResult::NotFound) << name;
        EXPECT_FALSE(DataFileExists(name)) << name;
    }
    for (const char* name : {"sub/./f.txt", "../data/both.txt", "sub/..", "sub/.", ".", "a:b", "sub\\f.txt"}) {
        EXPECT_EQ(StatDataFile(name), DataFileResult::NotFound) << name;
        EXPECT_STREQ(LastDataError(), "filename is illegal or insecure") << name;
        EXPECT_FALSE(DataFileExists(name)) << name;
    }
    EXPECT_EQ(StatDataFile(""), DataFileResult::Folder);
    EXPECT_EQ(StatDataFile("sub"), DataFileResult::Folder);
    EXPECT_EQ(StatDataFile("zd/"), DataFileResult::Folder);
    // A file's entry named like a folder that earlier names implied leaves it a folder.
    EXPECT_EQ(StatDataFile("implied"), DataFileResult::Folder);
    EXPECT_EQ(Read("implied/x.txt"), "x");
    EXPECT_EQ(StatDataFile("missing"), DataFileResult::NotFound);
    EXPECT_STREQ(LastDataError(), "not found");
}

TEST_P(DataPathsTest, LinksAndWhatIsNotARegularFileAreRefused) {
    MountFolder();
    if (FolderLinksAndPipes) {
        for (const char* name : {"link.txt", "ldir", "ldir/f.txt"}) {
            EXPECT_EQ(StatDataFile(name), DataFileResult::Symlink) << name;
            EXPECT_STREQ(LastDataError(), "symlinks are forbidden") << name;
            EXPECT_FALSE(DataFileExists(name)) << name;
            CDataFileReader reader;
            EXPECT_EQ(reader.Open(name), DataFileResult::Symlink) << name;
        }
        // A pipe is refused without waiting for a writer.
        EXPECT_EQ(Read("pipe"), "refused " + std::to_string(int(DataFileResult::NotRegular)));
    }
    EXPECT_EQ(Read("sub"), "refused " + std::to_string(int(DataFileResult::Folder)));

    // With the zip searched after the folder, the last place looked at decides the words.
    MountZip();
    EXPECT_EQ(StatDataFile("link.txt"), DataFileResult::NotFound);
    EXPECT_STREQ(LastDataError(), "not found");
    EXPECT_EQ(StatDataFile("zl.txt"), DataFileResult::Symlink);
    EXPECT_STREQ(LastDataError(), "symlinks are forbidden");
    EXPECT_EQ(Read("zd"), "refused " + std::to_string(int(DataFileResult::Folder)));
    CDataFileReader reader;
    EXPECT_EQ(reader.Open("zd"), DataFileResult::Folder);
}

TEST_P(DataPathsTest, TheLimitAndTheAdmissionHoldInBothPlaces) {
    MountFolder();
    MountZip();
    for (const auto& [name, size] : {std::pair<std::string, int64_t>{"big.bin", 100000}, {"counting.bin", 300000}}) {
        std::vector<uint8_t> bytes;
        EXPECT_EQ(ReadDataFile(name, bytes, size - 1), DataFileResult::TooLarge) << name;
        int64_t asked = 0;
        EXPECT_EQ(ReadDataFile(name, bytes, size,
                               [&](int64_t bytes) {
                                   asked = bytes;
                                   return false;
                               }),
                  DataFileResult::Refused)
            << name;
        EXPECT_EQ(asked, size) << name;
        EXPECT_EQ(bytes.capacity(), 0u) << name;
        EXPECT_EQ(ReadDataFile(name, bytes, size), DataFileResult::Ok) << name;
        EXPECT_EQ(int64_t(bytes.size()), size) << name;
    }
}

TEST_P(DataPathsTest, AReaderSeeksInAFolderFileAndACompressedEntry) {
    MountFolder();
    MountZip();
    for (const char* name : {"big.bin", "counting.bin"}) {
        CDataFileReader reader;
        ASSERT_EQ(reader.Open(name), DataFileResult::Ok) << name;
        const int64_t length = reader.Length();
        char first[100], again[10];
        ASSERT_EQ(reader.Read(first, sizeof first), int64_t(sizeof first)) << name;
        EXPECT_EQ(reader.Tell(), 100);
        // Back, forward, and to the very end.
        ASSERT_TRUE(reader.Seek(10)) << name;
        ASSERT_EQ(reader.Read(again, sizeof again), int64_t(sizeof again));
        EXPECT_EQ(std::string(again, sizeof again), std::string(first + 10, sizeof again)) << name;
        ASSERT_TRUE(reader.Seek(length - 4)) << name;
        EXPECT_EQ(reader.Read(again, sizeof again), 4) << name;
        EXPECT_TRUE(reader.Seek(length)) << name;
        EXPECT_EQ(reader.Read(again, sizeof again), 0) << name;
    }
    // Past the end of an archive's file there is nothing to read from.
    CDataFileReader reader;
    ASSERT_EQ(reader.Open("counting.bin"), DataFileResult::Ok);
    EXPECT_FALSE(reader.Seek(300001));
}

TEST_P(DataPathsTest, AZipStaysMountedWhileAFileOfItIsOpen) {
    MountZip();
    auto reader = std::make_unique<CDataFileReader>();
    ASSERT_EQ(reader->Open("zip.txt"), DataFileResult::Ok);
    std::string reason;
    EXPECT_FALSE(UnmountDataZip(Zip(), reason));
    EXPECT_EQ(reason, "files still open");
    reader.reset();
    EXPECT_TRUE(UnmountDataZip(Zip(), reason)) << reason;
    EXPECT_TRUE(UnmountDataZip(Zip(), reason)) << "not mounted is no failure";
    mounted.clear();
    EXPECT_FALSE(DataFileExists("zip.txt"));
}

TEST_P(DataPathsTest, OnlyAFolderIsMountedAsOne) {
    EXPECT_FALSE(paths->MountFolder(dir.PathOf("nowhere/")));
    EXPECT_STREQ(paths->LastError(), "not found");
    EXPECT_FALSE(paths->MountFolder(Zip()));
    EXPECT_STREQ(paths->LastError(), "unsupported");
    EXPECT_FALSE(paths->IsMounted(Zip()));
}

INSTANTIATE_TEST_SUITE_P(Backends, DataPathsTest, testing::ValuesIn(DataPathsBackends()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

// Everything one implementation says about a list of names, in words, with the folder and the zip
// mounted in that order.
std::vector<std::string> Answers(const std::string& backend, const TempFolder& dir) {
    std::unique_ptr<CDataPaths> paths = CreateDataPaths(backend);
    const bool wasStarted = paths->Started();
    paths->Start();
    CDataPaths* previous = UseDataPaths(paths.get());
    std::string reason;
    paths->MountFolder(dir.PathOf("data"));
    MountDataZip(dir.PathOf("data.zip"), reason);
    std::vector<std::string> answers;
    for (const char* name : {"both.txt",   "Both.txt",    "/both.txt",
                             "both.txt/",  "sub",         "sub/",
                             "sub/f.txt",  "sub//f.txt",  "sub/./f.txt",
                             "sub/..",     "..",          ".",
                             "",           "/",           "link.txt",
                             "ldir",       "ldir/f.txt",  "pipe",
                             "hidden.txt", "zip.txt",     "zd",
                             "zd/q.txt",   "ZD/q.txt",    "zd/q.txt/x",
                             "zl.txt",     "implied",     "implied/x.txt",
                             "missing",    "sub/missing", "both.txt/x",
                             "a:b",        "sub\\f.txt",  "counting.bin"}) {
        std::ostringstream said;
        const DataFileResult stat = StatDataFile(name);
        said << "'" << name << "': stat " << int(stat);
        if (stat != DataFileResult::Ok && stat != DataFileResult::Folder)
            said << " (" << LastDataError() << ")";
        const bool exists = DataFileExists(name);
        said << ", exists " << exists;
        if (!exists)
            said << " (" << LastDataError() << ")";
        std::vector<uint8_t> bytes;
        const DataFileResult read = ReadDataFile(name, bytes);
        said << ", read " << int(read) << " " << bytes.size() << " bytes, archive " << IsInDataArchive(name);
        answers.push_back(said.str());
    }
    for (const char* folder : {"", "zd", "sub", "ldir"}) {
        std::string listed = std::string("list '") + folder + "':";
        for (const std::string& name : paths->List(folder))
            listed += " " + name;
        answers.push_back(listed);
    }
    paths->Unmount(dir.PathOf("data.zip"));
    paths->Unmount(dir.PathOf("data"));
    UseDataPaths(previous);
    if (!wasStarted)
        paths->Stop();
    return answers;
}

TEST(DataPathsBackends, GiveTheSameAnswersInTheSameWords) {
    const std::vector<std::string> backends = DataPathsBackends();
    if (backends.size() < 2)
        GTEST_SKIP() << "this build has one implementation of the data paths";
    TempFolder dir;
    WriteData(dir);
    const std::vector<std::string> first = Answers(backends[0], dir);
    for (size_t i = 1; i < backends.size(); ++i) {
        const std::vector<std::string> other = Answers(backends[i], dir);
        ASSERT_EQ(first.size(), other.size());
        for (size_t line = 0; line < first.size(); ++line)
            EXPECT_EQ(first[line], other[line]) << backends[0] << " and " << backends[i];
    }
}

} // namespace
