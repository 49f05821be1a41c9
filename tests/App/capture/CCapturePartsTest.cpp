#include "App/capture/CCaptureParts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

CapturePart PartOf(int index, int count, int total = 301) {
    CapturePart part;
    part.index = index;
    part.count = count;
    part.total = total;
    part.start = 16;
    part.end = 26.0333;
    part.fps = 30;
    part.width = 1280;
    part.height = 720;
    part.quality = 18;
    part.presentation = "0123456789abcdef";
    CCaptureParts::Frames(total, index, count, part.first, part.frames);
    return part;
}

JoinCandidate FileOf(const CapturePart& part, const std::string& path) {
    return JoinCandidate{path, CCaptureParts::Tags(part), part.width, part.height, part.frames};
}

std::vector<JoinCandidate> AllParts(int count) {
    std::vector<JoinCandidate> files;
    for (int i = 1; i <= count; ++i)
        files.push_back(FileOf(PartOf(i, count), "part-" + std::to_string(i) + ".mp4"));
    return files;
}

std::string Refusal(const std::vector<JoinCandidate>& files) {
    JoinPlan plan;
    std::string error;
    EXPECT_FALSE(CCaptureParts::Plan(files, "0123456789abcdef", plan, error));
    return error;
}

} // namespace

TEST(CCaptureParts, PartsOfARangeOfOddLengthHoldEveryFrameOnce) {
    for (int total : {1, 7, 301}) {
        for (int count : {1, 2, 3, 7}) {
            if (count > total)
                continue;
            std::vector<int> seen(static_cast<size_t>(total), 0);
            int shortest = total, longest = 0;
            for (int i = 1; i <= count; ++i) {
                int first = -1, frames = -1;
                CCaptureParts::Frames(total, i, count, first, frames);
                for (int f = first; f < first + frames; ++f)
                    ++seen[static_cast<size_t>(f)];
                shortest = std::min(shortest, frames);
                longest = std::max(longest, frames);
            }
            EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), total) << total << " frames in " << count;
            EXPECT_LE(longest - shortest, 1) << total << " frames in " << count;
        }
    }
}

TEST(CCaptureParts, TagsSayExactlyWhichPartOfWhichRangeAFileIs) {
    const CapturePart part = PartOf(3, 7);
    CapturePart read;
    ASSERT_TRUE(CCaptureParts::FromTags(CCaptureParts::Tags(part), read));
    EXPECT_EQ(read.index, 3);
    EXPECT_EQ(read.first, part.first);
    EXPECT_EQ(read.frames, part.frames);
    EXPECT_EQ(read.end, 26.0333); // exactly, so that ranges compare equal
    EXPECT_EQ(read.presentation, part.presentation);
    // A file whose numbers do not describe a part as the export cuts it was not made by one.
    VideoTags tags = CCaptureParts::Tags(part);
    for (auto& [name, value] : tags)
        if (name == "quorin_vanto_frames")
            value = "0 43 301";
    EXPECT_FALSE(CCaptureParts::FromTags(tags, read));
    EXPECT_FALSE(CCaptureParts::FromTags({{"encoder", "Lavf"}}, read));
}

TEST(CCaptureParts, PartsNamedInAnyOrderJoinInTheirOwnOrder) {
    std::vector<JoinCandidate> files = AllParts(7);
    std::reverse(files.begin(), files.end());
    std::swap(files[2], files[5]);
    JoinPlan plan;
    std::string error;
    ASSERT_TRUE(CCaptureParts::Plan(files, "0123456789abcdef", plan, error)) << error;
    ASSERT_EQ(plan.parts.size(), 7u);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(plan.parts[static_cast<size_t>(i)], "part-" + std::to_string(i + 1) + ".mp4");
    EXPECT_EQ(plan.whole.total, 301);
    EXPECT_EQ(plan.whole.start, 16);
}

TEST(CCaptureParts, AJoinIsRefusedForAGapATwinAnotherSizeOrAnotherRange) {
    std::vector<JoinCandidate> files = AllParts(4);
    files.erase(files.begin() + 2);
    EXPECT_EQ(Refusal(files), "part 3 of 4 is missing (frames 150 to 224 of the range, from 21 s)");

    files = AllParts(4);
    files.push_back(FileOf(PartOf(2, 4), "again/part-2.mp4"));
    EXPECT_EQ(Refusal(files), "'part-2.mp4' and 'again/part-2.mp4' are both part 2 of 4");

    files = AllParts(4);
    CapturePart small = PartOf(4, 4);
    small.width = 640;
    small.height = 360;
    files[3] = FileOf(small, "small.mp4");
    EXPECT_EQ(Refusal(files), "'small.mp4' is 640 x 360, 'part-1.mp4' 1280 x 720");

    files = AllParts(4);
    files[1] = FileOf(PartOf(2, 4, 300), "other.mp4");
    EXPECT_EQ(Refusal(files), "'other.mp4' is part 2 of another range (16 to 26.0333 s at 30 frames/s in 4 parts) "
                              "than 'part-1.mp4' (16 to 26.0333 s at 30 frames/s in 4 parts)");
    files = AllParts(4);
    CapturePart edited = PartOf(3, 4);
    edited.presentation = "fedcba9876543210";
    files[2] = FileOf(edited, "edited.mp4");
    EXPECT_NE(Refusal(files).find("'edited.mp4' was exported from another presentation"), std::string::npos);

    // A part cut short (a copy that stopped, a disk that filled up).
    files = AllParts(4);
    files[0].pictures -= 1;
    EXPECT_NE(Refusal(files).find("'part-1.mp4' holds 74 pictures of 1280 x 720, not the 75"), std::string::npos);
    files = AllParts(4);
    files[0].tags = {{"encoder", "Lavf"}};
    EXPECT_EQ(Refusal(files), "'part-1.mp4' is not a part of an export (made with CapturePart): it has no part tags");
    // All the parts, but of what the data held before the script was changed.
    JoinPlan plan;
    std::string error;
    EXPECT_FALSE(CCaptureParts::Plan(AllParts(4), "another", plan, error));
    EXPECT_NE(error.find("than the one the data holds now"), std::string::npos) << error;
}
