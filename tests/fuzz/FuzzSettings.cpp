// The settings loader: any file gives settings within the ranges their
// controls allow.

#include "base/Clock.h"
#include "platform/fake/FakePlatform.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace wylo;
    const std::filesystem::path file = fuzz::InputFile(data, size, ".ini");
    static const FakePlatform platform(file.parent_path());
    static const ManualClock clock(46000.5);
    Settings s;
    LoadSettings(file, s, platform, clock, 2);
    fuzz::Require(s.multiScreenOpt != MultiScreen::One);
    fuzz::Require(s.activeSingleMonitor >= -1 && s.activeSingleMonitor < 2);
    fuzz::Require(ScheduleUnitPosition(s.scheduleType) >= -1 &&
                  ScheduleUnitPosition(s.scheduleType) < kScheduleUnitCount);
    fuzz::Require(s.scheduleFrequency >= s.frequencyMin && s.scheduleFrequency <= s.frequencyMax);
    fuzz::Require(s.bgColour <= 0xFFFFFFu && s.fgColour <= 0xFFFFFFu);

    const auto number = ParseIntegerSetting(fuzz::Text(data, size));
    const auto colour = ParseColourSetting(fuzz::Text(data, size));
    fuzz::Require(!colour || (number && *colour == static_cast<Colour>(*number)));
    return 0;
}
