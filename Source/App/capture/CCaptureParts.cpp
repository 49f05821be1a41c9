#include "App/capture/CCaptureParts.h"

#include "Base/DataFile.h"
#include "Base/FileContent.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* PartTag = "quorin_vanto_part";                 // "i n"
constexpr const char* FramesTag = "quorin_vanto_frames";             // "first frames total"
constexpr const char* RangeTag = "quorin_vanto_range";               // "start end fps", exact decimals
constexpr const char* SizeTag = "quorin_vanto_size";                 // "width height"
constexpr const char* QualityTag = "quorin_vanto_quality";           // "crf"
constexpr const char* PresentationTag = "quorin_vanto_presentation"; // the script's fingerprint

const std::string* Find(const VideoTags& tags, const char* name) {
    for (const auto& [key, value] : tags)
        if (key == name)
            return &value;
    return nullptr;
}

std::string Describe(const CapturePart& p) {
    char text[160];
    std::snprintf(text, sizeof text, "%g to %g s at %g frames/s in %d parts", p.start, p.end, p.fps, p.count);
    return text;
}

} // namespace

void CCaptureParts::Frames(int total, int index, int count, int& first, int& frames) {
    const auto at = [&](int i) { return static_cast<int>(int64_t(i) * total / count); };
    first = at(index - 1);
    frames = at(index) - first;
}

VideoTags CCaptureParts::Tags(const CapturePart& p) {
    char text[3][160];
    std::snprintf(text[0], sizeof text[0], "%d %d", p.index, p.count);
    std::snprintf(text[1], sizeof text[1], "%d %d %d", p.first, p.frames, p.total);
    std::snprintf(text[2], sizeof text[2], "%.17g %.17g %.17g", p.start, p.end, p.fps);
    return {{PartTag, text[0]},
            {FramesTag, text[1]},
            {RangeTag, text[2]},
            {SizeTag, std::to_string(p.width) + " " + std::to_string(p.height)},
            {QualityTag, std::to_string(p.quality)},
            {PresentationTag, p.presentation}};
}

bool CCaptureParts::FromTags(const VideoTags& tags, CapturePart& p) {
    const std::string *part = Find(tags, PartTag), *frames = Find(tags, FramesTag), *range = Find(tags, RangeTag),
                      *size = Find(tags, SizeTag), *quality = Find(tags, QualityTag),
                      *presentation = Find(tags, PresentationTag);
    if (!part || !frames || !range || !size || !quality || !presentation)
        return false;
    char end = 0;
    const bool read = std::sscanf(part->c_str(), "%d %d %c", &p.index, &p.count, &end) == 2 &&
                      std::sscanf(frames->c_str(), "%d %d %d %c", &p.first, &p.frames, &p.total, &end) == 3 &&
                      std::sscanf(range->c_str(), "%lf %lf %lf %c", &p.start, &p.end, &p.fps, &end) == 3 &&
                      std::sscanf(size->c_str(), "%d %d %c", &p.width, &p.height, &end) == 2 &&
                      std::sscanf(quality->c_str(), "%d %c", &p.quality, &end) == 1;
    p.presentation = *presentation;
    // The numbers must describe a part as Frames cuts it, or the file was not written by an export.
    int first = 0, count = 0;
    if (!read || p.count < 1 || p.index < 1 || p.index > p.count || p.total < p.count || !(p.fps > 0))
        return false;
    Frames(p.total, p.index, p.count, first, count);
    return first == p.first && count == p.frames;
}

bool CCaptureParts::Plan(const std::vector<JoinCandidate>& files, const std::string& presentation, JoinPlan& plan,
                         std::string& error) {
    struct Entry {
        CapturePart part;
        const JoinCandidate* file;
    };
    std::vector<Entry> entries;
    for (const JoinCandidate& file : files) {
        CapturePart part;
        if (!CCaptureParts::FromTags(file.tags, part)) {
            error = "'" + file.path + "' is not a part of an export (made with CapturePart): it has no part tags";
            return false;
        }
        if (file.width != part.width || file.height != part.height || file.pictures != part.frames) {
            error = "'" + file.path + "' holds " + std::to_string(file.pictures) + " pictures of " +
                    std::to_string(file.width) + " x " + std::to_string(file.height) + ", not the " +
                    std::to_string(part.frames) + " of " + std::to_string(part.width) + " x " +
                    std::to_string(part.height) + " its part was exported with: it is damaged or incomplete";
            return false;
        }
        entries.push_back({part, &file});
    }
    if (entries.empty()) {
        error = "no parts to join";
        return false;
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.part.index < b.part.index; });
    const CapturePart& model = entries[0].part;
    const std::string& modelPath = entries[0].file->path;
    for (const Entry& entry : entries) {
        const CapturePart& p = entry.part;
        const std::string& path = entry.file->path;
        if (p.presentation != model.presentation) {
            error = "'" + path + "' was exported from another presentation, or another version of its script, than '" +
                    modelPath + "'";
            return false;
        }
        if (p.start != model.start || p.end != model.end || p.fps != model.fps || p.count != model.count ||
            p.total != model.total) {
            error = "'" + path + "' is part " + std::to_string(p.index) + " of another range (" + Describe(p) +
                    ") than '" + modelPath + "' (" + Describe(model) + ")";
            return false;
        }
        if (p.width != model.width || p.height != model.height) {
            error = "'" + path + "' is " + std::to_string(p.width) + " x " + std::to_string(p.height) + ", '" +
                    modelPath + "' " + std::to_string(model.width) + " x " + std::to_string(model.height);
            return false;
        }
        if (p.quality != model.quality) {
            error = "'" + path + "' was exported at CaptureQuality " + std::to_string(p.quality) + ", '" + modelPath +
                    "' at " + std::to_string(model.quality);
            return false;
        }
    }
    plan.parts.clear();
    int next = 1;
    for (const Entry& entry : entries) {
        if (entry.part.index < next) {
            error = "'" + plan.parts.back() + "' and '" + entry.file->path + "' are both part " +
                    std::to_string(entry.part.index) + " of " + std::to_string(model.count);
            return false;
        }
        if (entry.part.index > next)
            break;
        plan.parts.push_back(entry.file->path);
        ++next;
    }
    if (next <= model.count) {
        int first = 0, frames = 0;
        Frames(model.total, next, model.count, first, frames);
        char text[200];
        std::snprintf(text, sizeof text, "part %d of %d is missing (frames %d to %d of the range, from %g s)", next,
                      model.count, first, first + frames - 1, model.start + first / model.fps);
        error = text;
        return false;
    }
    if (model.presentation != presentation) {
        error = "the parts were exported from another presentation, or another version of its script, than the one "
                "the data holds now";
        return false;
    }
    plan.whole = model;
    plan.whole.index = plan.whole.count = 0;
    plan.whole.first = 0;
    plan.whole.frames = model.total;
    return true;
}

std::string CCaptureParts::ScriptFingerprint(const std::string& name) {
    std::vector<uint8_t> bytes;
    if (ReadDataFile(name, bytes) != DataFileResult::Ok)
        return std::string();
    char text[20];
    std::snprintf(text, sizeof text, "%016" PRIx64, FileContent::Of(bytes).hash);
    return text;
}
