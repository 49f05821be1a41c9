#include "App/capture/JoinParts.h"

#include "App/capture/CCaptureOutput.h"
#include "App/capture/CCaptureParts.h"
#include "App/capture/CCaptureProgress.h"
#include "App/capture/CVideoWriter.h"
#include "App/run/Interruption.h"
#include "Base/CommandLine.h"
#include "Base/Log.h"
#include "Base/Names.h"
#include "Base/StopRequest.h"
#include "Base/Utf8Path.h"
#include "Music/CMusicStreamBass.h"
#include "Platform/Platform.h"
#include "System/CSystem.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string_view>

namespace {

int Failed(const std::string& message) {
    const std::string text = "Failed to join the parts into '" + Options.Join + "': " + message;
    LOG("JoinParts", "%s", text.c_str());
    if (!IsLogEnabled())
        std::fprintf(stderr, "%s\n", text.c_str());
    return 1;
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(PathFromUtf8(a), PathFromUtf8(b), error);
}

} // namespace

int JoinParts(CSystem& presentation) {
    const auto began = std::chrono::steady_clock::now();
    const std::unique_ptr<CVideoJoiner> joiner = CreateVideoJoiner();
    std::vector<JoinCandidate> files;
    for (const std::string& path : Options.JoinParts) {
        if (SameFile(path, Options.Join))
            return Failed("'" + path + "' is one of the parts");
        VideoFileInfo info;
        std::string error;
        if (!joiner->Inspect(path, info, error))
            return Failed(error);
        files.push_back(JoinCandidate{path, info.tags, info.width, info.height, info.pictures});
    }
    JoinPlan plan;
    std::string error;
    if (!CCaptureParts::Plan(files, CCaptureParts::ScriptFingerprint(Options.Config), plan, error))
        return Failed(error);

    // The music as an export reads it: decoded as it is written, from the range's start.
    std::unique_ptr<CMusicStreamBass> music;
    VideoJoinSettings settings;
    if (!presentation.Music.empty()) {
        music = std::make_unique<CMusicStreamBass>(presentation.Music, 1.0f, CreateCaptureAudioOutput());
        music->SetAdmission(
            [&](int64_t bytes) { return presentation.budget.Charge(bytes, "music", presentation.Music); });
        if (!music->Init(0.0f) || !music->GetDecodedMusic(settings.music))
            return Failed("cannot read the music '" + presentation.Music + "'");
    }
    settings.container =
        SameName(std::string_view(Options.Join).substr(Options.Join.size() - 4), ".mkv") ? "matroska" : "mp4";
    settings.parts = plan.parts;
    settings.fps = plan.whole.fps;
    settings.frames = plan.whole.total;
    settings.musicStart = plan.whole.start;

    const std::filesystem::path file = PathFromUtf8(Options.Join);
    if (file.has_parent_path() && !CCaptureSchedule::PrepareFolder(Utf8FromPath(file.parent_path()), error))
        return Failed(error);
    // Written under a temporary name, renamed when complete: the final name holds a whole video or
    // what it held before.
    std::string temporary;
    if (!CVideoWriter::CreateTemporary(Options.Join, temporary, error))
        return Failed(error);
    settings.path = temporary;
    settings.stopRequested = [] { return StopRequested(); };
    std::error_code ignored;
    if (!joiner->Join(settings, error)) {
        std::filesystem::remove(PathFromUtf8(temporary), ignored);
        return ReportIfInterrupted() ? 1 : Failed(error);
    }
    std::error_code renameError;
    std::filesystem::rename(PathFromUtf8(temporary), file, renameError);
    if (renameError) {
        std::filesystem::remove(PathFromUtf8(temporary), ignored);
        return Failed("cannot rename '" + temporary + "' to '" + Options.Join + "': " + renameError.message());
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    const auto size = std::filesystem::file_size(file, ignored);
    LOG("JoinParts", "Joined %zu parts into '%s'", plan.parts.size(), Options.Join.c_str());
    const std::string summary =
        CCaptureProgress::Summary(Options.Join, ignored ? 0 : size, plan.whole.total, plan.whole.fps, seconds);
    LOG("JoinParts", "%s", summary.c_str());
    if (!IsLogEnabled())
        std::fprintf(stderr, "%s\n", summary.c_str());
    return 0;
}
