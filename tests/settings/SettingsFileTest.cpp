#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include "base/Error.h"
#include "platform/AppFolder.h"
#include "platform/fake/FakePlatform.h"
#include "settings/SettingsFile.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

const DateTime kNow = EncodeDateTime({2026, 3, 14, 15, 9, 26});

class SettingsFileTest : public testing::Test {
protected:
    SettingsFileTest() : platform_(dir_.path()), clock_(kNow), file_(SettingsFilePath(platform_)) {
        EnsureAppFolder(platform_);
    }

    // Settings as a fresh start holds them, then loaded from a file with the
    // given section body ("Key=Value" lines).
    Settings LoadFrom(const std::string& body, int singleMonitorEntries = 2) {
        WriteFile(file_, "[Settings]\n" + body);
        return Load(singleMonitorEntries);
    }
    Settings Load(int singleMonitorEntries = 2) {
        Settings settings;
        LoadSettings(file_, settings, platform_, clock_, singleMonitorEntries);
        return settings;
    }

    TempDir dir_;
    FakePlatform platform_;
    ManualClock clock_;
    std::filesystem::path file_;
};

TEST(SettingsFilePath, IsWyloIniInTheAppFolder) {
    const FakePlatform platform("/shared");
    EXPECT_EQ(SettingsFilePath(platform), std::filesystem::path("/shared/Wylo/Wylo.ini"));
}

TEST(ParseIntegerSetting, DecimalAndHexadecimalRules) {
    EXPECT_EQ(ParseIntegerSetting("0"), 0);
    EXPECT_EQ(ParseIntegerSetting("42"), 42);
    EXPECT_EQ(ParseIntegerSetting("-5"), -5);
    EXPECT_EQ(ParseIntegerSetting("+5"), 5);
    EXPECT_EQ(ParseIntegerSetting("007"), 7);
    EXPECT_EQ(ParseIntegerSetting("2147483647"), 2147483647);
    EXPECT_EQ(ParseIntegerSetting("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseIntegerSetting("0xFF"), 255);
    EXPECT_EQ(ParseIntegerSetting("0XfF"), 255);
    EXPECT_EQ(ParseIntegerSetting("0x0"), 0);
    EXPECT_EQ(ParseIntegerSetting("0x0000000000FF"), 255);
    EXPECT_EQ(ParseIntegerSetting("0x7FFFFFFF"), 2147483647);
    EXPECT_EQ(ParseIntegerSetting("0x000000007FFFFFFF"), 2147483647);
}

TEST(ParseIntegerSetting, HexadecimalBeyondTheSignedRangeIsNotANumber) {
    // Wrapping these would turn them into negative numbers such as -1.
    for (const char* text : {"0x80000000", "0x80000001", "0xFFFFFFFE", "0xFFFFFFFF", "0X0FFFFFFFF",
                             "0x100000000", "0xFFFFFFFFFFFFFFFFFFFF"}) {
        EXPECT_EQ(ParseIntegerSetting(text), std::nullopt) << '"' << text << '"';
    }
}

TEST(ParseIntegerSetting, AnythingElseIsNotANumber) {
    for (const char* text : {"",
                             "-",
                             "+",
                             "0x",
                             "0X",
                             "x10",
                             "0x-1",
                             "0x+1",
                             "0xG",
                             "0x 1",
                             "12a",
                             "1.5",
                             "1e3",
                             " 5",
                             "5 ",
                             "--5",
                             "true",
                             "2147483648",
                             "-2147483649",
                             "99999999999999999999",
                             "0x100000000",
                             "$FF"}) {
        EXPECT_EQ(ParseIntegerSetting(text), std::nullopt) << '"' << text << '"';
    }
}

TEST(ParseBooleanAndColourSettings, FollowTheIntegerRule) {
    EXPECT_EQ(ParseBooleanSetting("0"), false);
    EXPECT_EQ(ParseBooleanSetting("0x0"), false);
    EXPECT_EQ(ParseBooleanSetting("1"), true);
    EXPECT_EQ(ParseBooleanSetting("-7"), true);
    EXPECT_EQ(ParseBooleanSetting("true"), std::nullopt);
    EXPECT_EQ(ParseColourSetting("0xFF"), 255u);
    EXPECT_EQ(ParseColourSetting("16777215"), 0xFFFFFFu);
    EXPECT_EQ(ParseColourSetting("16777216"), std::nullopt);
    EXPECT_EQ(ParseColourSetting("-1"), std::nullopt);
    EXPECT_EQ(ParseColourSetting("0xFFFFFFFF"), std::nullopt);
}

TEST_F(SettingsFileTest, FirstStartWithoutAFileGivesTheDefaults) {
    const Settings s = Load();
    EXPECT_EQ(s.currentChannel, -1);
    EXPECT_EQ(s.currentImage, 0);
    EXPECT_EQ(s.multiScreenOpt, MultiScreen::Same);
    EXPECT_TRUE(s.iconTransparency);
    EXPECT_TRUE(s.randomOrder);
    EXPECT_EQ(s.activeSingleMonitor, 0);
    EXPECT_EQ(s.lastChange, kNow);
    EXPECT_TRUE(s.enableScheduler);
    EXPECT_EQ(s.scheduleType, ScheduleUnit::Minutes);  // minutes, not the list's initial hours
    EXPECT_EQ(s.scheduleFrequency, 1);
    EXPECT_EQ(s.bgColour, kBlack);
    EXPECT_EQ(s.fgColour, kWhite);
    EXPECT_FALSE(std::filesystem::exists(file_));
}

TEST_F(SettingsFileTest, ReadsEveryKeyWhateverTheCaseAndBlanks) {
    const Settings s = LoadFrom(
        "currentchannel = 2\n"
        "CURRENTIMAGE=7\n"
        "MultiScreenOpt=1\n"
        "IconTransparancy=0\n"
        "RandomOrder=0\n"
        "ActiveSingleMonitor=1\n"
        "LastChange=01/02/2003 04:05:06\n"
        "EnableScheduler=0\n"
        "ScheduleType=3\n"
        "ScheduleFrequency=2\n"
        "BGColour=255\n"
        "FGColour=65280\n");
    EXPECT_EQ(s.currentChannel, 2);
    EXPECT_EQ(s.currentImage, 7);
    EXPECT_EQ(s.multiScreenOpt, MultiScreen::Different);
    EXPECT_FALSE(s.iconTransparency);
    EXPECT_FALSE(s.randomOrder);
    EXPECT_EQ(s.activeSingleMonitor, 1);
    EXPECT_EQ(s.lastChange, EncodeDateTime({2003, 2, 1, 4, 5, 6}));
    EXPECT_FALSE(s.enableScheduler);
    EXPECT_EQ(s.scheduleType, ScheduleUnit::Weeks);
    EXPECT_EQ(s.scheduleFrequency, 2);
    EXPECT_EQ(s.bgColour, MakeColour(255, 0, 0));
    EXPECT_EQ(s.fgColour, MakeColour(0, 255, 0));
}

TEST_F(SettingsFileTest, ValuesAreBroughtIntoTheRangesOfTheirControls) {
    EXPECT_EQ(LoadFrom("ScheduleFrequency=0\n").scheduleFrequency, 1);
    EXPECT_EQ(LoadFrom("ScheduleFrequency=20000\n").scheduleFrequency, 9999);
    EXPECT_EQ(LoadFrom("ScheduleFrequency=-3\n").scheduleFrequency, 1);
    EXPECT_EQ(LoadFrom("MultiScreenOpt=7\n").multiScreenOpt, MultiScreen::Single);
    EXPECT_EQ(LoadFrom("MultiScreenOpt=-5\n").multiScreenOpt, MultiScreen::None);
    EXPECT_EQ(LoadFrom("ScheduleType=9\n").scheduleType, ScheduleUnit::None);
    EXPECT_EQ(LoadFrom("ScheduleType=-1\n").scheduleType, ScheduleUnit::None);
    EXPECT_EQ(LoadFrom("ScheduleType=5\n").scheduleType, ScheduleUnit::Years);
    EXPECT_EQ(LoadFrom("ActiveSingleMonitor=2\n", 3).activeSingleMonitor, 2);
    EXPECT_EQ(LoadFrom("ActiveSingleMonitor=3\n", 3).activeSingleMonitor, -1);
}

TEST_F(SettingsFileTest, FrequencyFollowsTheRangeTheBoxHasAtLoading) {
    WriteFile(file_, "[Settings]\nScheduleFrequency=70\n");
    Settings s;
    s.frequencyMin = 5;
    s.frequencyMax = 59;
    LoadSettings(file_, s, platform_, clock_, 2);
    EXPECT_EQ(s.scheduleFrequency, 59);
}

TEST_F(SettingsFileTest, OneMonitorMeansNoSingleMonitorSelectionAndSavesMinusOne) {
    Settings s = LoadFrom("ActiveSingleMonitor=0\n", 0);
    EXPECT_EQ(s.activeSingleMonitor, -1);
    SaveSettings(file_, s, platform_);
    EXPECT_NE(ReadFile(file_).find("\nActiveSingleMonitor=-1\n"), std::string::npos);
}

TEST_F(SettingsFileTest, UnreadableTextsGiveTheirDefaults) {
    const Settings s = LoadFrom(
        "CurrentChannel=none\n"
        "CurrentImage=2147483648\n"
        "MultiScreenOpt=1.0\n"
        "IconTransparancy=yes\n"
        "RandomOrder=true\n"
        "ActiveSingleMonitor=\n"
        "EnableScheduler=false\n"
        "ScheduleType=hours\n"
        "ScheduleFrequency=0x\n"
        "BGColour=#FF0000\n"
        "FGColour=-1\n");
    EXPECT_EQ(s.currentChannel, -1);
    EXPECT_EQ(s.currentImage, 0);
    EXPECT_EQ(s.multiScreenOpt, MultiScreen::Same);
    EXPECT_TRUE(s.iconTransparency);
    EXPECT_TRUE(s.randomOrder);
    EXPECT_EQ(s.activeSingleMonitor, 0);
    EXPECT_TRUE(s.enableScheduler);
    EXPECT_EQ(s.scheduleType, ScheduleUnit::Minutes);
    EXPECT_EQ(s.scheduleFrequency, 1);
    EXPECT_EQ(s.bgColour, kBlack);
    EXPECT_EQ(s.fgColour, kWhite);
}

TEST_F(SettingsFileTest, HexadecimalTextsAreNumbers) {
    EXPECT_FALSE(LoadFrom("RandomOrder=0x0\n").randomOrder);
    EXPECT_EQ(LoadFrom("BGColour=0xFF\n").bgColour, MakeColour(255, 0, 0));
    EXPECT_EQ(LoadFrom("CurrentChannel=0x7FFFFFFF\n").currentChannel, 2147483647);
    EXPECT_EQ(LoadFrom("CurrentImage=\"12\"\n").currentImage, 12);
}

TEST_F(SettingsFileTest, HexadecimalOutsideTheSignedRangeGivesEachKeysDefault) {
    const Settings s = LoadFrom(
        "CurrentChannel=0x80000000\nCurrentImage=0xFFFFFFFF\nMultiScreenOpt=0xFFFFFFFF\n"
        "ActiveSingleMonitor=0xFFFFFFFF\nScheduleType=0xFFFFFFFF\nScheduleFrequency=0x80000000\n"
        "RandomOrder=0xFFFFFFFF\nBGColour=0xFFFFFFFF\nFGColour=0x80000000\n");
    EXPECT_EQ(s.currentChannel, -1);
    EXPECT_EQ(s.currentImage, 0);
    EXPECT_EQ(s.multiScreenOpt, MultiScreen::Same);
    EXPECT_EQ(s.activeSingleMonitor, 0);
    EXPECT_EQ(s.scheduleType, ScheduleUnit::Minutes);  // minutes, so the schedule still falls due
    EXPECT_EQ(s.scheduleFrequency, 1);
    EXPECT_TRUE(s.randomOrder);
    EXPECT_EQ(s.bgColour, kBlack);
    EXPECT_EQ(s.fgColour, kWhite);
}

TEST_F(SettingsFileTest, LastChangeIsReadInTheUsersFormatOrAsIso8601) {
    EXPECT_EQ(LoadFrom("LastChange=08/12/2026 17:21:25\n").lastChange,
              EncodeDateTime({2026, 12, 8, 17, 21, 25}));
    EXPECT_EQ(LoadFrom("LastChange=08/12/2026\n").lastChange, EncodeDateTime({2026, 12, 8}));
    EXPECT_EQ(LoadFrom("LastChange=2001-01-01T00:00:00\n").lastChange,
              EncodeDateTime({2001, 1, 1}));
    // Written under other regional settings: counts from the moment of loading.
    EXPECT_EQ(LoadFrom("LastChange=12/31/2026 5:21:25 PM\n").lastChange, kNow);
    EXPECT_EQ(LoadFrom("LastChange=\n").lastChange, kNow);
}

TEST_F(SettingsFileTest, AFileCreatedByASaveListsTheKeysInWritingOrder) {
    Settings s;
    s.currentChannel = 3;
    s.currentImage = 12;
    s.multiScreenOpt = MultiScreen::Different;
    s.iconTransparency = false;
    s.randomOrder = true;
    s.activeSingleMonitor = -1;
    s.enableScheduler = true;
    s.lastChange = EncodeDateTime({2026, 12, 8, 17, 21, 25});
    s.scheduleType = ScheduleUnit::Days;
    s.scheduleFrequency = 4;
    s.bgColour = MakeColour(255, 0, 0);
    s.fgColour = kWhite;
    SaveSettings(file_, s, platform_);
    EXPECT_EQ(ReadFile(file_), test::NativeLines("[Settings]\n"
                                                 "CurrentChannel=3\n"
                                                 "CurrentImage=12\n"
                                                 "MultiScreenOpt=1\n"
                                                 "IconTransparancy=0\n"
                                                 "RandomOrder=1\n"
                                                 "ActiveSingleMonitor=-1\n"
                                                 "EnableScheduler=1\n"
                                                 "LastChange=08/12/2026 17:21:25\n"
                                                 "ScheduleType=2\n"
                                                 "ScheduleFrequency=4\n"
                                                 "BGColour=255\n"
                                                 "FGColour=16777215\n"
                                                 "PlacementSame=0\n"
                                                 "ZoomSame=100\n"
                                                 "PlacementDifferent=0\n"
                                                 "ZoomDifferent=100\n"
                                                 "PlacementSingle=0\n"
                                                 "ZoomSingle=100\n"
                                                 "SmoothScaling=0\n"));
}

TEST_F(SettingsFileTest, LastChangeAtMidnightIsSavedAsADateAlone) {
    Settings s;
    s.lastChange = EncodeDateTime({2026, 12, 8});
    SaveSettings(file_, s, platform_);
    EXPECT_NE(ReadFile(file_).find(test::NativeLines("\nLastChange=08/12/2026\n")),
              std::string::npos);
    EXPECT_EQ(Load().lastChange, s.lastChange);
}

TEST_F(SettingsFileTest, SaveThenLoadGivesTheSameSettings) {
    Settings saved;
    saved.currentChannel = 0;
    saved.currentImage = 41;
    saved.multiScreenOpt = MultiScreen::Single;
    saved.iconTransparency = false;
    saved.randomOrder = false;
    saved.activeSingleMonitor = 1;
    saved.enableScheduler = false;
    saved.lastChange = EncodeDateTime({1999, 12, 31, 23, 59, 59});
    saved.scheduleType = ScheduleUnit::Months;
    saved.scheduleFrequency = 11;
    saved.bgColour = MakeColour(1, 2, 3);
    saved.fgColour = MakeColour(250, 251, 252);
    SaveSettings(file_, saved, platform_);

    const Settings loaded = Load();
    EXPECT_EQ(loaded.currentChannel, saved.currentChannel);
    EXPECT_EQ(loaded.currentImage, saved.currentImage);
    EXPECT_EQ(loaded.multiScreenOpt, saved.multiScreenOpt);
    EXPECT_EQ(loaded.iconTransparency, saved.iconTransparency);
    EXPECT_EQ(loaded.randomOrder, saved.randomOrder);
    EXPECT_EQ(loaded.activeSingleMonitor, saved.activeSingleMonitor);
    EXPECT_EQ(loaded.enableScheduler, saved.enableScheduler);
    EXPECT_EQ(loaded.lastChange, saved.lastChange);
    EXPECT_EQ(loaded.scheduleType, saved.scheduleType);
    EXPECT_EQ(loaded.scheduleFrequency, saved.scheduleFrequency);
    EXPECT_EQ(loaded.bgColour, saved.bgColour);
    EXPECT_EQ(loaded.fgColour, saved.fgColour);
}

TEST_F(SettingsFileTest, PlacementsRoundTripPerMultiScreenPage) {
    Settings saved;
    saved.placementSame = {PlacementMode::Zoom, 150};
    saved.placementDifferent = {PlacementMode::Tile, 100};
    saved.placementSingle = {PlacementMode::Stretch, 20};
    saved.smoothScaling = true;
    SaveSettings(file_, saved, platform_);
    const Settings loaded = Load();
    EXPECT_EQ(loaded.placementSame, saved.placementSame);
    EXPECT_EQ(loaded.placementDifferent, saved.placementDifferent);
    EXPECT_EQ(loaded.placementSingle, saved.placementSingle);
    EXPECT_TRUE(loaded.smoothScaling);
    // Each mode reads its own page's choice; one monitor uses "Same".
    EXPECT_EQ(loaded.PlacementFor(MultiScreen::Different).mode, PlacementMode::Tile);
    EXPECT_EQ(loaded.PlacementFor(MultiScreen::Single).zoom, 20);
    EXPECT_EQ(loaded.PlacementFor(MultiScreen::One).zoom, 150);
    EXPECT_EQ(loaded.PlacementFor(MultiScreen::None).mode, PlacementMode::Zoom);
}

TEST_F(SettingsFileTest, SpanIsTheFourthMultiScreenValueWithPlacementKeysOnlyOnceUsed) {
    EXPECT_EQ(LoadFrom("MultiScreenOpt=3\n").multiScreenOpt, MultiScreen::Span);
    Settings saved = LoadFrom("MultiScreenOpt=2\n");
    SaveSettings(file_, saved, platform_);
    // A user who never chose a placement for it finds the file as it was.
    EXPECT_EQ(ReadFile(file_).find("Span"), std::string::npos) << ReadFile(file_);

    saved.multiScreenOpt = MultiScreen::Span;
    saved.placementSpan = {PlacementMode::Zoom, 120};
    SaveSettings(file_, saved, platform_);
    Settings loaded = Load();
    EXPECT_EQ(loaded.multiScreenOpt, MultiScreen::Span);
    EXPECT_EQ(loaded.placementSpan, saved.placementSpan);
    EXPECT_EQ(loaded.PlacementFor(MultiScreen::Span).zoom, 120);
    // Back to the default, the keys stay and say so.
    saved.placementSpan = {};
    SaveSettings(file_, saved, platform_);
    EXPECT_NE(ReadFile(file_).find("PlacementSpan=0"), std::string::npos);
    EXPECT_EQ(Load().placementSpan, ImagePlacement{});
}

TEST_F(SettingsFileTest, TheCacheLimitIsKeptInMegabytesOnceChanged) {
    Settings saved = LoadFrom("CurrentChannel=1\n");
    EXPECT_EQ(saved.cacheLimit, 1024u * 1024 * 1024);
    SaveSettings(file_, saved, platform_);
    EXPECT_EQ(ReadFile(file_).find("CacheLimit"), std::string::npos);
    saved.cacheLimit = 300u * 1024 * 1024;
    SaveSettings(file_, saved, platform_);
    EXPECT_NE(ReadFile(file_).find("CacheLimit=300"), std::string::npos);
    EXPECT_EQ(Load().cacheLimit, 300u * 1024 * 1024);
    // Nothing sensible: the default.
    EXPECT_EQ(LoadFrom("CacheLimit=0\n").cacheLimit, 1024u * 1024 * 1024);
    EXPECT_EQ(LoadFrom("CacheLimit=lots\n").cacheLimit, 1024u * 1024 * 1024);
}

TEST_F(SettingsFileTest, MonitorsOwnChannelsAreKeptOnlyOnceChosen) {
    Settings saved = LoadFrom("CurrentChannel=1\n");
    EXPECT_TRUE(saved.monitorChannels.empty());
    SaveSettings(file_, saved, platform_);
    EXPECT_EQ(ReadFile(file_).find("MonitorChannel"), std::string::npos);

    saved.monitorChannels = {{}, {}, {"/home/me/Pictures/Sunsets", 4}};
    SaveSettings(file_, saved, platform_);
    const std::string text = ReadFile(file_);
    EXPECT_NE(text.find("MonitorChannel3=/home/me/Pictures/Sunsets\nMonitorImage3=4\n"),
              std::string::npos);
    EXPECT_EQ(text.find("MonitorChannel1"), std::string::npos);
    Settings loaded = Load();
    ASSERT_EQ(loaded.monitorChannels.size(), 3u);
    EXPECT_EQ(loaded.monitorChannels[2],
              (Settings::MonitorChannel{"/home/me/Pictures/Sunsets", 4}));
    EXPECT_EQ(loaded.MonitorChannelOf(0), "");
    EXPECT_EQ(loaded.MonitorChannelOf(7), "");

    // Back to the subscribed channel: the key stays, empty, and reads as none.
    loaded.monitorChannels[2] = {};
    SaveSettings(file_, loaded, platform_);
    EXPECT_NE(ReadFile(file_).find("MonitorChannel3=\n"), std::string::npos);
    EXPECT_EQ(Load().MonitorChannelOf(2), "");
    // An image without its channel, or a name no channel has, means nothing.
    EXPECT_TRUE(LoadFrom("MonitorImage1=3\n").monitorChannels.empty());
    EXPECT_TRUE(
        LoadFrom("MonitorChannel1=" + std::string(5000, 'x') + "\n").monitorChannels.empty());
    EXPECT_EQ(LoadFrom("MonitorChannel2=sea\nMonitorImage2=many\n").monitorChannels[1],
              (Settings::MonitorChannel{"sea", -1}));
}

TEST_F(SettingsFileTest, AFileWithoutPlacementKeysKeepsFitAndCentre) {
    const Settings s = LoadFrom("CurrentChannel=1\nFGColour=0\n");
    for (const ImagePlacement& p : {s.placementSame, s.placementDifferent, s.placementSingle}) {
        EXPECT_EQ(p.mode, PlacementMode::Center);
        EXPECT_EQ(p.zoom, 100);
    }
    EXPECT_FALSE(s.smoothScaling);
}

TEST_F(SettingsFileTest, PlacementTextsOutsideTheChoicesGiveTheDefaults) {
    const Settings s = LoadFrom(
        "PlacementSame=4\nZoomSame=0\n"
        "PlacementDifferent=-1\nZoomDifferent=99\n"
        "PlacementSingle=0x3\nZoomSingle=0xC8\n"
        "SmoothScaling=yes\n");
    EXPECT_EQ(s.placementSame, (ImagePlacement{PlacementMode::Center, 100}));
    EXPECT_EQ(s.placementDifferent, (ImagePlacement{PlacementMode::Center, 100}));
    EXPECT_EQ(s.placementSingle, (ImagePlacement{PlacementMode::Zoom, 200}));
    EXPECT_FALSE(s.smoothScaling);
}

TEST_F(SettingsFileTest, ASaveKeepsCommentsUnknownKeysAndOtherSections) {
    WriteFile(file_,
              "; edited by hand\r\n"
              "[Channels]\r\n"
              "DirectoryUrl=http://example.test/wylo/wylo.xml\r\n"
              "\r\n"
              "[settings]\r\n"
              "scheduletype = 1\r\n"
              "Favourite=kept\r\n"
              "\r\n"
              "[Zzz]\r\n"
              "A=1\r\n");
    Settings s = Load();
    s.scheduleType = ScheduleUnit::Days;
    SaveSettings(file_, s, platform_);
    EXPECT_EQ(ReadFile(file_),
              "; edited by hand\r\n"
              "[Channels]\r\n"
              "DirectoryUrl=http://example.test/wylo/wylo.xml\r\n"
              "\r\n"
              "[settings]\r\n"
              "scheduletype = 2\r\n"
              "Favourite=kept\r\n"
              "CurrentChannel=-1\r\n"
              "CurrentImage=0\r\n"
              "MultiScreenOpt=0\r\n"
              "IconTransparancy=1\r\n"
              "RandomOrder=1\r\n"
              "ActiveSingleMonitor=0\r\n"
              "EnableScheduler=1\r\n"
              "LastChange=14/03/2026 15:09:26\r\n"
              "ScheduleFrequency=1\r\n"
              "BGColour=0\r\n"
              "FGColour=16777215\r\n"
              "PlacementSame=0\r\n"
              "ZoomSame=100\r\n"
              "PlacementDifferent=0\r\n"
              "ZoomDifferent=100\r\n"
              "PlacementSingle=0\r\n"
              "ZoomSingle=100\r\n"
              "SmoothScaling=0\r\n"
              "\r\n"
              "[Zzz]\r\n"
              "A=1\r\n");
}

TEST_F(SettingsFileTest, ASaveIntoAMissingFolderFailsWithTheFullPath) {
    const std::filesystem::path file = dir_ / "gone" / "Wylo.ini";
    try {
        SaveSettings(file, Settings{}, platform_);
        FAIL() << "saved into a missing folder";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + file.string());
    }
    EXPECT_FALSE(std::filesystem::exists(dir_ / "gone"));
}

TEST_F(SettingsFileTest, AFolderInPlaceOfTheFileIsReportedAndKept) {
    std::filesystem::create_directory(file_);
    Settings s = Load();  // unreadable: the defaults, no error
    EXPECT_EQ(s.currentChannel, -1);
    try {
        SaveSettings(file_, s, platform_);
        FAIL() << "saved over a folder";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + file_.string());
    }
    EXPECT_TRUE(std::filesystem::is_directory(file_));
}

#ifndef _WIN32
// Lowers the largest file this process may write, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = previous_;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        ::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    sighandler_t previousHandler_{};
};

TEST_F(SettingsFileTest, ASaveThatRunsOutOfSpaceLeavesTheOldFileIntact) {
    const std::string old = "; mine\n[Settings]\nCurrentChannel=4\n";
    WriteFile(file_, old);
    {
        const FileSizeLimit limit(old.size() + 8);
        try {
            SaveSettings(file_, Settings{}, platform_);
            FAIL() << "a save larger than the limit succeeded";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + file_.string());
        }
    }
    EXPECT_EQ(ReadFile(file_), old);
    // Nothing but the settings file lies in the folder: the temporary is gone.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(file_.parent_path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}
#endif  // _WIN32

TEST_F(SettingsFileTest, DirectoryUrlIsReadButOnlyForWebAddresses) {
    EXPECT_EQ(ReadDirectoryUrl(file_), std::nullopt);  // no file
    const auto urlOf = [this](const std::string& value) {
        WriteFile(file_,
                  "[Settings]\nCurrentChannel=1\n[channels]\ndirectoryurl = " + value + "\n");
        return ReadDirectoryUrl(file_);
    };
    EXPECT_EQ(urlOf("http://127.0.0.1:8080/wylo/wylo.xml"), "http://127.0.0.1:8080/wylo/wylo.xml");
    EXPECT_EQ(urlOf("https://example.test/wylo.xml"), "https://example.test/wylo.xml");
    EXPECT_EQ(urlOf("file:///etc/passwd"), std::nullopt);
    EXPECT_EQ(urlOf("ftp://example.test/wylo.xml"), std::nullopt);
    EXPECT_EQ(urlOf("http://"), std::nullopt);
    EXPECT_EQ(urlOf("http://example.test/a b.xml"), std::nullopt);
    EXPECT_EQ(urlOf(""), std::nullopt);

    WriteFile(file_, "[Settings]\nDirectoryUrl=http://example.test/wylo.xml\n");
    EXPECT_EQ(ReadDirectoryUrl(file_), std::nullopt);  // wrong section
}

TEST_F(SettingsFileTest, ASaveNeitherWritesNorDropsTheDirectoryUrl) {
    SaveSettings(file_, Settings{}, platform_);
    EXPECT_EQ(ReadFile(file_).find("DirectoryUrl"), std::string::npos);

    WriteFile(file_, "[Channels]\nDirectoryUrl=https://example.test/wylo.xml\n");
    SaveSettings(file_, Settings{}, platform_);
    EXPECT_EQ(ReadDirectoryUrl(file_), "https://example.test/wylo.xml");
}

}  // namespace
}  // namespace wylo
