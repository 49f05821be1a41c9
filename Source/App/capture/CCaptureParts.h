// A long export cut into parts that are captured apart, on one machine or many, and joined into one
// video: which frames each part holds, the tags that a part's file carries to say so, and the checks
// that the files handed to a join are every part of one range, once each, alike in size and rate.
#pragma once

#include <string>
#include <utility>
#include <vector>

using VideoTags = std::vector<std::pair<std::string, std::string>>;

struct CapturePart {
    int index = 0, count = 0;  // part `index` of `count`, counted from 1
    int first = 0, frames = 0; // its frames of the range: first .. first + frames - 1
    int total = 0;             // frames of the whole range
    double start = 0, end = 0; // the range in seconds, as the export computed it
    double fps = 0;            // frames per second
    int width = 0, height = 0; // the pictures' size
    int quality = 0;           // the encoder's constant rate factor
    std::string presentation;  // ScriptFingerprint of the script the part was captured from
};

// A file handed to a join, as the video module read it.
struct JoinCandidate {
    std::string path;
    VideoTags tags;
    int width = 0, height = 0;
    long long pictures = 0;
};

struct JoinPlan {
    std::vector<std::string> parts; // in order
    CapturePart whole;              // the range: first 0, frames = total, index and count 0
};

class CCaptureParts {
public:
    // Part `index` (from 1) of `count`: frames first .. first + frames - 1 of `total`. Every frame
    // belongs to exactly one part; parts differ in length by one frame at most.
    static void Frames(int total, int index, int count, int& first, int& frames);

    // The tags of a part's file, and the part read back from them; false for a file without them.
    static VideoTags Tags(const CapturePart& part);
    static bool FromTags(const VideoTags& tags, CapturePart& part);

    // Orders the files as the parts they are and checks that they are all the parts of one range of
    // the presentation whose fingerprint is `presentation`, each once, alike and complete. False
    // with the message naming the first file (or part) that does not fit.
    static bool Plan(const std::vector<JoinCandidate>& files, const std::string& presentation, JoinPlan& plan,
                     std::string& error);

    // A short fingerprint of the script `name` in the mounted data (16 hexadecimal digits of its
    // FNV-1a hash): parts of another script, or another version of it, differ. Empty when unreadable.
    static std::string ScriptFingerprint(const std::string& name);
};
