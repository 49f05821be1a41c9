#include "Base/CSettings.h"
#include "Base/CommandLine.h"

#include "Support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

const std::vector<DisplayMode> Modes = {
    {640, 480, 60},   {800, 600, 60},   {800, 600, 75},   {1024, 768, 60},
    {1280, 1024, 60}, {1280, 1024, 75}, {1920, 1080, 60},
};

CSettings MakeDialog(const SettingsRecord& record, const CommandLineOptions& options = {},
                     std::vector<int> samples = {2, 4, 8}, int desktopWidth = 1280, int desktopHeight = 1024) {
    CSettings dialog;
    dialog.Initialise(Modes, desktopWidth, desktopHeight, samples, record, options);
    return dialog;
}

int IndexOf(const std::vector<std::string>& list, const std::string& text) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i] == text)
            return static_cast<int>(i);
    return -1;
}

} // namespace

TEST(CSettings, ResolutionListKeepsEnumerationOrderAndDropsRefreshDuplicates) {
    LogCapture log;
    SettingsRecord record;
    CSettings dialog = MakeDialog(record);
    EXPECT_EQ(dialog.resolutions,
              (std::vector<std::string>{"640x480", "800x600", "1024x768", "1280x1024", "1920x1080"}));
    EXPECT_EQ(log.Count("Found unique screen mode 800x600"), 1);
    EXPECT_EQ(log.Count("Found unique screen mode"), 5);
    EXPECT_TRUE(log.Has("] Starting settings dialog.."));
    EXPECT_TRUE(log.Has("CSettings::DialogProc] Found unique screen mode 1920x1080"));
}

TEST(CSettings, DesktopModeIsPreselectedElseTheFirst) {
    SettingsRecord record;
    EXPECT_EQ(MakeDialog(record).resolutionIndex, 3); // 1280x1024
    EXPECT_EQ(MakeDialog(record, {}, {}, 1366, 768).resolutionIndex, 0);

    CSettings empty;
    empty.Initialise({}, 1280, 1024, {}, record, {});
    EXPECT_TRUE(empty.resolutions.empty());
    EXPECT_EQ(empty.resolutionIndex, -1);
}

TEST(CSettings, ModesWithoutAreaAreNotOffered) {
    SettingsRecord record;
    CSettings dialog;
    dialog.Initialise({{0, 0, 60}, {800, 0, 60}, {800, 600, 60}}, 1280, 1024, {}, record, {});
    EXPECT_EQ(dialog.resolutions, (std::vector<std::string>{"800x600"}));
}

TEST(CSettings, FixedListsAndTheirPreselection) {
    SettingsRecord record;
    CSettings dialog = MakeDialog(record);
    EXPECT_EQ(dialog.displayModes, (std::vector<std::string>{"Fullscreen", "Windowed"}));
    EXPECT_EQ(dialog.displayModeIndex, 0);
    EXPECT_EQ(dialog.aspects, (std::vector<std::string>{"Automatic"}));
    EXPECT_EQ(dialog.aspectIndex, 0);
    EXPECT_EQ(dialog.antiAliasLevels, (std::vector<std::string>{"None", "2x", "4x", "8x"}));
    EXPECT_EQ(dialog.antiAliasIndex, 1);
    EXPECT_EQ(dialog.volumePosition, 1000);

    record.fullscreen = false;
    record.volume = 0.75f;
    dialog = MakeDialog(record);
    EXPECT_EQ(dialog.displayModeIndex, 1);
    EXPECT_EQ(dialog.volumePosition, 750);
}

TEST(CSettings, OnlyNoneWithoutMultisamplingAndAcceptKeepsTheType) {
    SettingsRecord record;
    CSettings dialog = MakeDialog(record, {}, {});
    EXPECT_EQ(dialog.antiAliasLevels, (std::vector<std::string>{"None"}));
    EXPECT_EQ(dialog.antiAliasIndex, -1);
    dialog.Accept(record);
    EXPECT_EQ(record.AAType, 4);
}

TEST(CSettings, AcceptReadsEveryChoiceAndLogsIt) {
    LogCapture log;
    SettingsRecord record;
    CSettings dialog = MakeDialog(record);
    dialog.resolutionIndex = IndexOf(dialog.resolutions, "1920x1080");
    dialog.displayModeIndex = 1;
    dialog.antiAliasIndex = IndexOf(dialog.antiAliasLevels, "8x");
    dialog.volumePosition = 750;
    record.accepted = false;
    dialog.Accept(record);

    EXPECT_TRUE(record.accepted);
    EXPECT_EQ(record.width, 1920.0f);
    EXPECT_EQ(record.height, 1080.0f);
    EXPECT_FALSE(record.fullscreen);
    EXPECT_FLOAT_EQ(record.aspect, 1.7777778f);
    EXPECT_EQ(record.AAType, 8);
    EXPECT_EQ(record.renderTargetSize, 2048);
    EXPECT_FLOAT_EQ(record.volume, 0.75f);

    const char* lines[] = {
        "Finished settings dialog with OK button",
        "Video res: 1920x1080",
        "Fullscreen: No",
        "Automatic screen aspect of 1920x1080 is 1.78",
        "Aspect: 1.777778",
        "AAType: 8",
        "Render target size: 2048x2048",
        "Volume: 0.75",
    };
    std::string text = log.Text();
    size_t at = 0;
    for (const char* line : lines) {
        size_t found = text.find(std::string("CSettings::DialogProc] ") + line, at);
        ASSERT_NE(found, std::string::npos) << line;
        at = found;
    }
}

TEST(CSettings, RenderTargetSizeAndAspectFollowTheResolution) {
    struct Row {
        const char* mode;
        float aspect;
        int size;
    };
    const Row rows[] = {
        {"1920x1080", 1.7777778f, 2048}, {"1024x768", 1.3333334f, 1024}, {"800x600", 1.3333334f, 1024},
        {"320x240", 1.3333334f, 512},    {"256x192", 1.3333334f, 256},
    };
    for (const Row& row : rows) {
        SettingsRecord record;
        CSettings dialog;
        dialog.resolutions = {row.mode};
        dialog.resolutionIndex = 0;
        dialog.displayModes = {"Fullscreen", "Windowed"};
        dialog.displayModeIndex = 0;
        dialog.aspects = {"Automatic"};
        dialog.aspectIndex = 0;
        dialog.volumePosition = 0;
        dialog.Accept(record);
        EXPECT_FLOAT_EQ(record.aspect, row.aspect) << row.mode;
        EXPECT_EQ(record.renderTargetSize, row.size) << row.mode;
        EXPECT_TRUE(record.fullscreen);
        EXPECT_EQ(record.volume, 0.0f);
    }
}

TEST(CSettings, UnreadableResolutionKeepsTheSize) {
    SettingsRecord record;
    record.width = 640;
    record.height = 480;
    CSettings dialog;
    dialog.aspects = {"Automatic"};
    dialog.aspectIndex = 0;
    dialog.Accept(record); // no resolution entry at all
    EXPECT_EQ(record.width, 640.0f);
    EXPECT_EQ(record.height, 480.0f);
    EXPECT_FLOAT_EQ(record.aspect, 640.0f / 480.0f);

    dialog.resolutions = {"0x0"};
    dialog.resolutionIndex = 0;
    dialog.Accept(record);
    EXPECT_EQ(record.width, 640.0f);
    EXPECT_EQ(record.height, 480.0f);
}

TEST(CSettings, CancelChangesOnlyAccepted) {
    LogCapture log;
    SettingsRecord record;
    record.width = 800;
    record.volume = 0.25f;
    CSettings dialog = MakeDialog(record);
    dialog.resolutionIndex = 4;
    dialog.volumePosition = 900;
    dialog.Cancel(record);
    EXPECT_FALSE(record.accepted);
    EXPECT_EQ(record.width, 800.0f);
    EXPECT_EQ(record.height, 768.0f);
    EXPECT_TRUE(record.fullscreen);
    EXPECT_FLOAT_EQ(record.aspect, 4.0f / 3.0f);
    EXPECT_EQ(record.AAType, 4);
    EXPECT_EQ(record.renderTargetSize, 1024);
    EXPECT_EQ(record.volume, 0.25f);
    EXPECT_TRUE(log.Has("CSettings::DialogProc] Finished settings dialog with CANCEL button"));
    EXPECT_FALSE(log.Has("Video res"));
}

TEST(CSettings, CommandLinePresetsFillTheRecord) {
    CommandLineOptions options;
    SettingsRecord record;
    ApplyCommandLinePresets(options, record);
    EXPECT_EQ(record.width, 1024.0f);
    EXPECT_FLOAT_EQ(record.aspect, 4.0f / 3.0f);
    EXPECT_TRUE(record.fullscreen);

    options.Width = 1920;
    options.Height = 1080;
    options.Windowed = true;
    options.AntiAlias = 0;
    options.Volume = 0.5f;
    ApplyCommandLinePresets(options, record);
    EXPECT_FLOAT_EQ(record.aspect, 1920.0f / 1080.0f);
    EXPECT_FALSE(record.fullscreen);
    EXPECT_EQ(record.AAType, 0);
    EXPECT_EQ(record.volume, 0.5f);
    EXPECT_EQ(record.renderTargetSize, 2048);

    options.Aspect = 1.6f;
    ApplyCommandLinePresets(options, record);
    EXPECT_FLOAT_EQ(record.aspect, 1.6f);
}

TEST(CSettings, CommandLinePresetsAreTheDialogsPreselection) {
    CommandLineOptions options;
    options.Width = 800;
    options.Height = 600;
    options.Windowed = true;
    options.AntiAlias = 4;
    options.Volume = 0.3f;
    SettingsRecord record;
    ApplyCommandLinePresets(options, record);
    CSettings dialog = MakeDialog(record, options);
    EXPECT_EQ(CSettings::Selected(dialog.resolutions, dialog.resolutionIndex), "800x600");
    EXPECT_EQ(CSettings::Selected(dialog.displayModes, dialog.displayModeIndex), "Windowed");
    EXPECT_EQ(CSettings::Selected(dialog.antiAliasLevels, dialog.antiAliasIndex), "4x");
    EXPECT_EQ(dialog.volumePosition, 300);

    // A size the display does not list is still offered, for a windowed run.
    options.Width = 1000;
    options.Height = 500;
    options.Aspect = 1.6f;
    ApplyCommandLinePresets(options, record);
    dialog = MakeDialog(record, options);
    EXPECT_EQ(dialog.resolutions.size(), 6u);
    EXPECT_EQ(CSettings::Selected(dialog.resolutions, dialog.resolutionIndex), "1000x500");
    dialog.Accept(record);
    EXPECT_EQ(record.width, 1000.0f);
    EXPECT_FLOAT_EQ(record.aspect, 1.6f); // the aspect asked for, not the size's
}
