#include "App/run/LoadPresentation.h"

#include "Base/CSettings.h"
#include "Base/CTokeniser.h"
#include "Base/CommandLine.h"
#include "Base/DataFile.h"
#include "Base/Log.h"
#include "Render/CRenderState.h"
#include "System/CSystem.h"

namespace {

constexpr int64_t MaxScriptBytes = int64_t(64) << 20;

} // namespace

PresentationLimits LimitsFrom(const CommandLineOptions& options) {
    return PresentationLimits{options.MemoryLimit, options.IgnoreResourceErrors};
}

ScreenSetup ScreenFrom(const SettingsRecord& record) {
    return ScreenSetup{record.width, record.height, record.aspect, record.renderTargetSize};
}

std::unique_ptr<CSystem> LoadPresentation(const std::string& name, std::string& failure, int* stoppedAt) {
    if (stoppedAt)
        *stoppedAt = 0;
    LOG("WinMain", "Loading config file '%s'", name.c_str());
    if (!DataFileExists(name)) {
        LOG("WinMain", "Couldn't find config file: %s", LastDataError());
        failure = "Couldn't find config file";
        return nullptr;
    }
    // A folder, a FIFO of that name, or a read that stops short, is not a script: parsing whatever was
    // read would report a misleading syntax error, or none. The size is bounded before anything is
    // allocated (the tokeniser keeps a second copy).
    // The script is held twice while it is read (the bytes and the tokeniser's copy), before the
    // presentation's budget exists: it may take at most half the memory limit.
    std::vector<uint8_t> bytes;
    const int64_t halfLimit = (int64_t(Options.MemoryLimit) << 20) / 2;
    const DataFileResult read =
        ReadDataFile(name, bytes, MaxScriptBytes, [&](int64_t size) { return size <= halfLimit; });
    switch (read) {
    case DataFileResult::Ok:
        break;
    case DataFileResult::TooLarge:
        LOG("WinMain", "Couldn't read config file '%s': it is larger than %d MiB", name.c_str(),
            static_cast<int>(MaxScriptBytes >> 20));
        failure = "Couldn't read config file";
        return nullptr;
    case DataFileResult::Refused:
        LOG("WinMain", "Couldn't read config file '%s': it is larger than half the memory limit of %d MiB",
            name.c_str(), Options.MemoryLimit);
        failure = "Couldn't read config file";
        return nullptr;
    default:
        LOG("WinMain", "Couldn't read config file '%s': %s", name.c_str(),
            NotAFileReason(read) ? NotAFileReason(read) : LastDataError());
        failure = "Couldn't read config file";
        return nullptr;
    }

    auto system = std::make_unique<CSystem>(LimitsFrom(Options));
    CMemoryTokeniser script(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!system->LoadFromTokeniser(script)) {
        LOG("WinMain", "Failed to parse config file!");
        if (stoppedAt)
            *stoppedAt = script.line;
        // Its layers alone may need more memory than the presentation may take: that is what to say.
        failure = system->budget.Exceeded() ? system->budget.Failure() : "Failed to parse config file!";
        return nullptr;
    }
    LOG("WinMain", "Config file loaded ok!");
    return system;
}
