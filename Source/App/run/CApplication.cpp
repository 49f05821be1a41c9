#include "App/run/CApplication.h"

#include "App/capture/JoinParts.h"
#include "App/run/CPresentationRun.h"
#include "App/run/Interruption.h"
#include "App/run/LoadPresentation.h"
#include "Base/CommandLine.h"
#include "Base/DataFile.h"
#include "Base/DataPaths.h"
#include "Base/DataZip.h"
#include "Base/EscapeControlCharacters.h"
#include "Base/Log.h"
#include "Base/Utf8Path.h"
#include "Platform/Console.h"
#include "Platform/Desktop.h"
#include "Platform/MessageBox.h"
#include "Platform/StopSignals.h"
#include "System/CSystem.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// A missing zip keeps the data paths' own message, and a folder named like a zip is mounted as a folder.
bool IsFileToScreen(const std::string& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(PathFromUtf8(path), error);
    return std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

} // namespace

int RunApplication(int argc, char** argv) {
    ConnectConsole();
    std::vector<std::string> arguments = ProgramArguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    int status = 0;
    {
        CApplication application;
        status = application.Run(static_cast<int>(arguments.size()), pointers.data());
    }
    // Everything is cleaned up: a stop signal now ends the process as that signal, not as a status.
    EndByStopSignal();
    return status;
}

int CApplication::Run(int argc, char** argv) {
    if (HandleInformationArguments(argc, argv))
        return 0;

    InstallStopSignalHandlers();
    if (!ParseArguments(argc, argv))
        return 1;
    LogVersion();
    if (!InitFileSystem() || !MountDataPath() || !LoadScript() || !ResolveCaptureRange() || ReportIfInterrupted())
        return 1;
    if (!Options.Join.empty())
        return JoinParts(*presentation);

    // Settings, window, device, resources, scenes, music, then the main loop, a capture or (for
    // Check) nothing more.
    CPresentationRun run(std::move(presentation), std::move(scriptFailure));
    return run.Run();
}

bool CApplication::HandleInformationArguments(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(CommandLineUsage(), stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quorin-vanto %s ( %s build )\n", Version, BuildLabel);
            return true;
        }
    }
    return false;
}

bool CApplication::ParseArguments(int argc, char** argv) {
    std::string text, error;
    if (!BuildCommandLineText(argc, argv, text, error)) {
        std::fprintf(stderr, "%s\n", EscapeControlCharacters(error).c_str());
        LOG("WinMain", "Failed to parse the command line");
        return Fail("Failed to parse the command line");
    }
    if (!ParseCommandLine(text.data(), text.size())) {
        LOG("WinMain", "Failed to parse the command line");
        return Fail("Failed to parse the command line");
    }
    if (Options.Watch && Unattended()) {
        LOG("WinMain", "Watch is ignored with %s: it renders without a window to watch in",
            Options.Check             ? "Check"
            : Options.Capture.empty() ? "Join"
                                      : "Capture");
        Options.Watch = false;
    }
    // "demo/" from shell completion names the same data as "demo"; the candidates add "/" and ".zip".
    std::string& path = Options.DataPath;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return true;
}

void CApplication::LogVersion() { LOG("WinMain", "Running system version: %s ( %s build )", Version, BuildLabel); }

bool CApplication::InitFileSystem() {
    if (!DataPaths().Start()) {
        LOG("WinMain", "Failed to initialise physfs: %s", LastDataError());
        return Fail("Failed to initialise physfs");
    }
    return true;
}

bool CApplication::MountDataPath() {
    // A relative data path names the working folder's data; where that has none, the data beside the
    // program (a release folder started from elsewhere, or from a desktop that starts it anywhere).
    const std::filesystem::path relative = PathFromUtf8(Options.DataPath);
    if (relative.is_relative()) {
        std::error_code error;
        const auto exists = [&](const std::filesystem::path& path) { return std::filesystem::exists(path, error); };
        const std::filesystem::path beside = PathFromUtf8(ProgramFolder()) / relative;
        if (!ProgramFolder().empty() && !exists(relative) && !exists(PathFromUtf8(Options.DataPath + ".zip")) &&
            (exists(beside) || exists(PathFromUtf8(Utf8FromPath(beside) + ".zip")))) {
            LOG("WinMain", "No data in the working folder: using the data beside the program, '%s'",
                Utf8FromPath(beside).c_str());
            Options.DataPath = Utf8FromPath(beside);
        }
    }
    const std::string candidates[2] = {Options.DataPath + "/", Options.DataPath + ".zip"};
    int mounted = 0;
    for (const std::string& candidate : candidates) {
        // A zip from someone else could cost the file system minutes and gigabytes before the script is
        // read: it is screened, and mounted from the handle that was screened.
        if (&candidate == &candidates[1] && IsFileToScreen(candidate)) {
            std::string refusal;
            if (MountDataZip(candidate, refusal)) {
                LOG("WinMain", "Added datapath '%s' to physfs", candidate.c_str());
                ++mounted;
            } else {
                LOG("WinMain", "Failed to add datapath '%s' to physfs: %s", candidate.c_str(), refusal.c_str());
            }
            continue;
        }
        if (DataPaths().MountFolder(candidate)) {
            LOG("WinMain", "Added datapath '%s' to physfs", candidate.c_str());
            ++mounted;
        } else {
            LOG("WinMain", "Failed to add datapath '%s' to physfs: %s", candidate.c_str(), LastDataError());
        }
    }
    if (mounted == 0) {
        LOG("WinMain", "Failed to add any datapaths to physfs (tried '%s' and '%s')", candidates[0].c_str(),
            candidates[1].c_str());
        return Fail("Failed to add any datapaths to physfs!");
    }
    return true;
}

bool CApplication::LoadScript() {
    std::string failure;
    if (!Options.Watch) {
        presentation = LoadPresentation(Options.Config, failure);
        return presentation ? true : Fail(failure);
    }
    // With Watch the window opens all the same and shows what went wrong until a save fixes it.
    CFailureCapture capture;
    int stoppedAt = 0;
    presentation = LoadPresentation(Options.Config, failure, &stoppedAt);
    if (!presentation)
        scriptFailure = capture.Failure(Options.Config, stoppedAt);
    return true;
}

bool CApplication::ResolveCaptureRange() {
    std::string error;
    if (presentation && !ResolveCaptureTimes(presentation->tempo, error))
        return Fail(error);
    return true;
}

// What the command line has said so far: a folder named Capture is not the Capture option.
bool CApplication::Unattended() const { return Options.Check || !Options.Capture.empty() || !Options.Join.empty(); }

bool CApplication::Fail(const std::string& boxText) {
    ShowErrorBox(boxText, !Unattended());
    return false;
}
