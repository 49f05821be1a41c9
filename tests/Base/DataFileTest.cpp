// Reading a whole data file: a name swapped for a pipe while it is being opened never blocks the
// reader, and a file's size is asked about before any memory is taken for it.
#include "Base/DataFile.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

// Named pipes in a folder and an atomic exchange of two names are Unix's.
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(DataFile, ANameExchangedWithAPipeNeverBlocksTheReader) {
    TempFolder data(TempFolder::Mounted);
    ASSERT_TRUE(data.Write("Config.txt", "end\n"));
    ASSERT_EQ(mkfifo((data / "pipe").c_str(), 0600), 0);
    const std::string config = (data / "Config.txt").string(), pipe = (data / "pipe").string();

    std::atomic<bool> stop = false, giveUp = false;
    std::thread exchanger([&] {
        // A pause between exchanges lets reads land on either file also when the cores are busy
        // with other tests: without it a reader that shares a core with this thread can find the
        // pipe every time.
        while (!stop) {
            renameat2(AT_FDCWD, config.c_str(), AT_FDCWD, pipe.c_str(), RENAME_EXCHANGE);
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
    });
    auto reader = std::async(std::launch::async, [&] {
        int ok = 0, refused = 0, other = 0;
        for (int i = 0; i < 3000 && !giveUp; ++i) {
            std::vector<uint8_t> bytes;
            const DataFileResult result = ReadDataFile("Config.txt", bytes);
            if (result == DataFileResult::Ok && bytes.size() == 4)
                ++ok;
            else if (result == DataFileResult::NotRegular)
                ++refused;
            else
                ++other;
        }
        return std::make_tuple(ok, refused, other);
    });
    // A reader stuck in open on the pipe is let go by a writer, and the test fails instead of hanging.
    const bool finished = reader.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    stop = true;
    exchanger.join();
    giveUp = true;
    while (reader.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        for (const std::string& name : {config, pipe}) {
            const int fd = open(name.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                close(fd);
        }
    }
    EXPECT_TRUE(finished) << "a read waited on the pipe";
    const auto [ok, refused, other] = reader.get();
    EXPECT_GT(ok, 0);
    EXPECT_EQ(other, 0) << ok << " read, " << refused << " refused as not regular";
}
#endif

TEST(DataFile, TheSizeIsAskedAboutBeforeAnythingIsRead) {
    TempFolder data(TempFolder::Mounted);
    ASSERT_TRUE(data.Write("big.bin", std::string(100000, 'x')));
    std::vector<uint8_t> bytes;
    int64_t asked = 0;
    EXPECT_EQ(ReadDataFile("big.bin", bytes, MaxDataFileBytes,
                           [&](int64_t size) {
                               asked = size;
                               return false;
                           }),
              DataFileResult::Refused);
    EXPECT_EQ(asked, 100000);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(bytes.capacity(), 0u);
    EXPECT_EQ(ReadDataFile("big.bin", bytes, MaxDataFileBytes, [](int64_t) { return true; }), DataFileResult::Ok);
    EXPECT_EQ(bytes.size(), 100000u);
}
