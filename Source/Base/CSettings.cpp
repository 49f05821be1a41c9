#include "Base/CSettings.h"

#include "Base/CommandLine.h"
#include "Base/Log.h"
#include "Base/Names.h"

#include <algorithm>
#include <cstdio>

SettingsRecord Settings;

int RenderTargetSizeFor(float width, float height) {
    int m = static_cast<int>(width > height ? width : height);
    int size = 256;
    while (size < m && size < (1 << 30))
        size *= 2;
    return size;
}

namespace {

struct AntiAliasChoice {
    const char* name;
    int type;
};

constexpr AntiAliasChoice AntiAliasTable[] = {
    {"None", 0}, {"2x", 2}, {"4x", 4}, {"8x", 8}, {"16x", 16},
};

constexpr const char* AutomaticAspect = "Automatic";

std::string ModeText(int width, int height) {
    char text[64];
    std::snprintf(text, sizeof text, "%dx%d", width, height);
    return text;
}

bool EqualsIgnoringCase(const std::string& a, const char* b) { return SameName(a, b); }

} // namespace

void ApplyCommandLinePresets(const CommandLineOptions& options, SettingsRecord& record) {
    bool sizeGiven = false;
    if (options.Width > 0) {
        record.width = options.Width;
        sizeGiven = true;
    }
    if (options.Height > 0) {
        record.height = options.Height;
        sizeGiven = true;
    }
    if (options.Windowed)
        record.fullscreen = false;
    if (options.Aspect > 0)
        record.aspect = options.Aspect;
    else if (sizeGiven)
        record.aspect = record.width / record.height;
    if (options.AntiAlias >= 0)
        record.AAType = options.AntiAlias;
    if (options.Volume >= 0)
        record.volume = options.Volume;
    record.renderTargetSize = RenderTargetSizeFor(record.width, record.height);
}

const std::string& CSettings::Selected(const std::vector<std::string>& list, int index) {
    static const std::string none;
    if (index < 0 || index >= static_cast<int>(list.size()))
        return none;
    return list[static_cast<size_t>(index)];
}

void CSettings::Initialise(const std::vector<DisplayMode>& modes, int desktopWidth, int desktopHeight,
                           const std::vector<int>& supportedSampleCounts, const SettingsRecord& record,
                           const CommandLineOptions& options) {
    LOG("CSettings::DialogProc", "Starting settings dialog..");

    // A size from the command line is preselected instead of the desktop's.
    const bool presetSize = options.Width > 0 || options.Height > 0;
    const std::string wanted = presetSize ? ModeText(static_cast<int>(record.width), static_cast<int>(record.height))
                                          : ModeText(desktopWidth, desktopHeight);

    resolutions.clear();
    resolutionIndex = -1;
    for (const DisplayMode& mode : modes) {
        // A mode without an area would give an infinite automatic aspect.
        if (mode.width <= 0 || mode.height <= 0)
            continue;
        std::string text = ModeText(mode.width, mode.height);
        if (std::find(resolutions.begin(), resolutions.end(), text) != resolutions.end())
            continue;
        LOG("CSettings::DialogProc", "Found unique screen mode %dx%d", mode.width, mode.height);
        if (text == wanted && resolutionIndex < 0)
            resolutionIndex = static_cast<int>(resolutions.size());
        resolutions.push_back(std::move(text));
    }
    if (resolutionIndex < 0 && presetSize) {
        // A windowed presentation may use any size, so the one asked for is offered too.
        resolutionIndex = static_cast<int>(resolutions.size());
        resolutions.push_back(wanted);
    }
    if (resolutionIndex < 0 && !resolutions.empty())
        resolutionIndex = 0;

    displayModes = {"Fullscreen", "Windowed"};
    displayModeIndex = record.fullscreen ? 0 : 1;

    aspects = {AutomaticAspect};
    aspectIndex = 0;
    if (options.Aspect > 0) {
        // Not in the aspect table, so accepting it keeps the record's aspect as it is.
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", static_cast<double>(record.aspect));
        aspects.push_back(text);
        aspectIndex = 1;
    }

    antiAliasLevels.clear();
    antiAliasIndex = -1;
    int presetIndex = -1;
    for (const AntiAliasChoice& choice : AntiAliasTable) {
        bool supported = choice.type == 0 || std::find(supportedSampleCounts.begin(), supportedSampleCounts.end(),
                                                       choice.type) != supportedSampleCounts.end();
        if (!supported)
            continue;
        if (options.AntiAlias >= 0 && choice.type == record.AAType)
            presetIndex = static_cast<int>(antiAliasLevels.size());
        antiAliasLevels.push_back(choice.name);
    }
    if (presetIndex >= 0)
        antiAliasIndex = presetIndex;
    else if (antiAliasLevels.size() > 1)
        antiAliasIndex = 1;

    float volume = std::clamp(record.volume, 0.0f, 1.0f);
    volumePosition = static_cast<int>(volume * VolumeSliderMax);
}

void CSettings::Accept(SettingsRecord& record) const {
    LOG("CSettings::DialogProc", "Finished settings dialog with OK button");

    // A text that does not parse keeps what it could not read.
    float width = record.width, height = record.height;
    std::sscanf(Selected(resolutions, resolutionIndex).c_str(), "%fx%f", &width, &height);
    if (width > 0)
        record.width = width;
    if (height > 0)
        record.height = height;
    LOG("CSettings::DialogProc", "Video res: %dx%d", static_cast<int>(record.width), static_cast<int>(record.height));

    record.fullscreen = EqualsIgnoringCase(Selected(displayModes, displayModeIndex), "fullscreen");
    LOG("CSettings::DialogProc", "Fullscreen: %s", record.fullscreen ? "Yes" : "No");

    if (EqualsIgnoringCase(Selected(aspects, aspectIndex), AutomaticAspect)) {
        record.aspect = record.width / record.height;
        LOG("CSettings::DialogProc", "Automatic screen aspect of %dx%d is %0.2f", static_cast<int>(record.width),
            static_cast<int>(record.height), static_cast<double>(record.aspect));
    }
    LOG("CSettings::DialogProc", "Aspect: %f", static_cast<double>(record.aspect));

    const std::string& antiAlias = Selected(antiAliasLevels, antiAliasIndex);
    for (const AntiAliasChoice& choice : AntiAliasTable)
        if (EqualsIgnoringCase(antiAlias, choice.name))
            record.AAType = choice.type;
    LOG("CSettings::DialogProc", "AAType: %d", record.AAType);

    record.renderTargetSize = RenderTargetSizeFor(record.width, record.height);
    LOG("CSettings::DialogProc", "Render target size: %dx%d", record.renderTargetSize, record.renderTargetSize);

    record.volume = static_cast<float>(std::clamp(volumePosition, 0, VolumeSliderMax)) / VolumeSliderMax;
    LOG("CSettings::DialogProc", "Volume: %0.2f", static_cast<double>(record.volume));

    record.accepted = true;
}

void CSettings::Cancel(SettingsRecord& record) const {
    LOG("CSettings::DialogProc", "Finished settings dialog with CANCEL button");
    record.accepted = false;
}
