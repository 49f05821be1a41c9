#include "CApplication.h"

#include "Base/EscapeControlCharacters.h"
#include "Base/ZipScreen.h"
#include "CPresentation.h"
#include "CommandLine.h"
#include "Log.h"
#include "Platform/MessageBox.h"
#include "System/CSystem.h"

#include <physfs.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <strings.h>
#include <vector>

namespace {

constexpr PHYSFS_sint64 MaxScriptBytes = PHYSFS_sint64(64) << 20;

// PhysicsFS may have no error text; printf must never see a null string.
const char* PhysfsError() {
    const char* text = PHYSFS_getErrorByCode(PHYSFS_getLastErrorCode());
    return text ? text : "unknown error";
}

// A missing zip keeps PhysicsFS's own message, and a folder named like a zip is mounted as a folder.
bool IsFileToScreen(const std::string& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    return std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

} // namespace

int RunApplication(int argc, char** argv) {
    CApplication application;
    return application.Run(argc, argv);
}

int CApplication::Run(int argc, char** argv) {
    if (HandleInformationArguments(argc, argv))
        return 0;

    if (!ParseArguments(argc, argv))
        return 1;
    LogVersion();
    if (!InitFileSystem() || !MountDataPath() || !LoadScript())
        return 1;

    // Settings, window, device, resources, scenes, music, then the main loop, a capture or (for
    // Check) nothing more.
    CPresentation presentation;
    return presentation.Run();
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
    // A wrong command line may fail before Check or Capture is read; they still mean unattended.
    for (int i = 1; i < argc; ++i)
        if (strcasecmp(argv[i], "Check") == 0 || strcasecmp(argv[i], "Capture") == 0)
            quietFromArguments = true;

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
    // "demo/" from shell completion names the same data as "demo"; the candidates add "/" and ".zip".
    std::string& path = Options.DataPath;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return true;
}

void CApplication::LogVersion() { LOG("WinMain", "Running system version: %s ( %s build )", Version, BuildLabel); }

bool CApplication::InitFileSystem() {
    if (!PHYSFS_init(nullptr)) {
        LOG("WinMain", "Failed to initialise physfs: %s", PhysfsError());
        return Fail("Failed to initialise physfs");
    }
    return true;
}

bool CApplication::MountDataPath() {
    const std::string candidates[2] = {Options.DataPath + "/", Options.DataPath + ".zip"};
    int mounted = 0;
    for (const std::string& candidate : candidates) {
        // A zip from someone else could cost PhysicsFS minutes and gigabytes before the script is read.
        std::string refusal;
        if (&candidate == &candidates[1] && IsFileToScreen(candidate) && !ScreenZipArchive(candidate, refusal)) {
            LOG("WinMain", "Failed to add datapath '%s' to physfs: %s", candidate.c_str(), refusal.c_str());
            continue;
        }
        if (PHYSFS_mount(candidate.c_str(), nullptr, 1)) {
            LOG("WinMain", "Added datapath '%s' to physfs", candidate.c_str());
            ++mounted;
        } else {
            LOG("WinMain", "Failed to add datapath '%s' to physfs: %s", candidate.c_str(), PhysfsError());
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
    const char* name = Options.Config.c_str();
    LOG("WinMain", "Loading config file '%s'", name);
    if (!PHYSFS_exists(name)) {
        LOG("WinMain", "Couldn't find config file: %s", PhysfsError());
        return Fail("Couldn't find config file");
    }

    // A directory of that name, or a read that stops short, is not a script: parsing whatever was
    // read would report a misleading syntax error, or none.
    PHYSFS_File* file = PHYSFS_openRead(name);
    if (!file) {
        LOG("WinMain", "Couldn't read config file '%s': %s", name, PhysfsError());
        return Fail("Couldn't read config file");
    }
    // The length comes from the file system, or from an archive's own claim: bound it before
    // allocating (the tokeniser keeps a second copy).
    PHYSFS_sint64 length = PHYSFS_fileLength(file);
    if (length > MaxScriptBytes) {
        PHYSFS_close(file);
        LOG("WinMain", "Couldn't read config file '%s': it is larger than %d MiB", name,
            static_cast<int>(MaxScriptBytes >> 20));
        return Fail("Couldn't read config file");
    }
    std::vector<char> buffer(length > 0 ? static_cast<size_t>(length) : 0);
    PHYSFS_sint64 read = buffer.empty() ? 0 : PHYSFS_readBytes(file, buffer.data(), buffer.size());
    PHYSFS_close(file);
    if (length < 0 || read != length) {
        LOG("WinMain", "Couldn't read config file '%s': %s", name, PhysfsError());
        return Fail("Couldn't read config file");
    }

    script = std::make_unique<CMemoryTokeniser>(buffer.data(), buffer.size());
    if (!System.LoadFromTokeniser(*script)) {
        LOG("WinMain", "Failed to parse config file!");
        return Fail("Failed to parse config file!");
    }
    LOG("WinMain", "Config file loaded ok!");
    return true;
}

bool CApplication::Unattended() const { return quietFromArguments || Options.Check || !Options.Capture.empty(); }

bool CApplication::Fail(const std::string& boxText) {
    ShowErrorBox(boxText, !Unattended());
    return false;
}
