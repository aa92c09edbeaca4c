// One call binds a control to its setting: the setting shows in the control,
// the user's change goes straight back, and showing is no change.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/Choices.h"
#include "settings/PlacementChoice.h"
#include "settings/Settings.h"
#include "win32app/Controls.h"
#include "win32app/SettingsBinding.h"

using namespace wylo;

namespace {

bool Ticked(HWND box) {
    return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// A hidden window holding the controls; their commands go to the binding as
// the settings page's do.
class Host : public win::Panel {
public:
    Host() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&controls);
        owner_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        CreatePanel(owner_, 1, WS_VISIBLE);
    }
    ~Host() override { DestroyWindow(owner_); }

    win::SettingsBinding* binding = nullptr;
    std::vector<win::RadioGroup*> groups;

    HWND CheckBox(int id) {
        return win::MakeControl(hwnd(), L"BUTTON", L"Box", WS_VISIBLE | BS_AUTOCHECKBOX, id);
    }
    HWND List(int id, const std::vector<std::wstring>& entries) {
        HWND list = win::MakeControl(hwnd(), L"COMBOBOX", L"", WS_VISIBLE | CBS_DROPDOWNLIST, id);
        for (const std::wstring& entry : entries) {
            SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
        }
        return list;
    }
    // The command a control sends its parent; a hidden button takes no
    // click, so the tests set the control and send it.
    void Command(HWND control, int code) {
        SendMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                     reinterpret_cast<LPARAM>(control));
    }
    // The user ticks or clears box.
    void Toggle(HWND box) {
        SendMessageW(box, BM_SETCHECK, Ticked(box) ? BST_UNCHECKED : BST_CHECKED, 0);
        Command(box, BN_CLICKED);
    }
    // The user picks entry index of list.
    void Pick(HWND list, int index) {
        SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        Command(list, CBN_SELCHANGE);
    }

protected:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COMMAND) {
            for (win::RadioGroup* group : groups) {
                if (group->OnCommand(LOWORD(wParam), HIWORD(wParam))) {
                    return 0;
                }
            }
            if (binding != nullptr) {
                binding->OnCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
            }
            return 0;
        }
        return Default(message, wParam, lParam);
    }

private:
    HWND owner_;
};

int Selected(HWND list) {
    return static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
}

TEST(Win32SettingsBinding, ShowingIsNoChangeAndTheUsersChangeGoesStraightBack) {
    Settings settings;
    settings.randomOrder = false;
    settings.bgColour = 0x123456;
    Host host;
    win::SettingsBinding binding(settings);
    host.binding = &binding;
    HWND box = host.CheckBox(10);
    SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
    HWND other = host.CheckBox(11);
    win::ColourPanel panel(host.hwnd(), 12);
    binding.Bind(box, &Settings::randomOrder);
    binding.Bind(panel, &Settings::bgColour);
    int changes = 0;
    int shown = 0;
    binding.onChanged = [&changes] { ++changes; };
    binding.onShown = [&shown] { ++shown; };

    binding.ShowAll();
    EXPECT_FALSE(Ticked(box));
    EXPECT_EQ(panel.colour(), Colour{0x123456});
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(shown, 1);

    host.Toggle(box);
    EXPECT_TRUE(settings.randomOrder);
    panel.SetColour(0xABCDEF);
    EXPECT_EQ(settings.bgColour, Colour{0xABCDEF});
    EXPECT_EQ(changes, 2);
    // A control that shows no setting changes none.
    host.Toggle(other);
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(binding.OnCommand(other, BN_CLICKED));
}

TEST(Win32SettingsBinding, ShowingTakesBackWhatTheControlsAllow) {
    Settings settings;
    settings.activeSingleMonitor = 3;
    settings.scheduleFrequency = 50;
    settings.frequencyMin = 5;
    settings.frequencyMax = 59;
    settings.scheduleType = ScheduleUnit::Hours;
    Host host;
    win::SettingsBinding binding(settings);
    host.binding = &binding;
    HWND monitors = host.List(20, {L"Monitor 1", L"Monitor 2"});
    HWND units = host.List(21, {L"Minute(s)", L"Hour(s)", L"Day(s)"});
    win::SpinEdit frequency(host.hwnd(), 22, 23);
    binding.Bind(monitors, &Settings::activeSingleMonitor);
    binding.Bind(units, &Settings::scheduleType);
    binding.Bind(frequency, &Settings::scheduleFrequency);

    binding.ShowAll();
    // The list has no fourth entry: nothing is chosen, and the settings say so.
    EXPECT_EQ(Selected(monitors), -1);
    EXPECT_EQ(settings.activeSingleMonitor, -1);
    EXPECT_EQ(Selected(units), 1);
    EXPECT_EQ(frequency.value(), 50);
    EXPECT_EQ(frequency.allowedMinimum(), 5);

    settings.scheduleFrequency = 70;
    binding.ShowAll();
    EXPECT_EQ(settings.scheduleFrequency, 59);

    host.Pick(monitors, 1);
    EXPECT_EQ(settings.activeSingleMonitor, 1);
    host.Pick(units, 2);
    EXPECT_EQ(settings.scheduleType, ScheduleUnit::Days);
    // Typing a number is a change of the frequency at once.
    SetWindowTextW(frequency.edit(), L"12");
    EXPECT_EQ(settings.scheduleFrequency, 12);
}

TEST(Win32SettingsBinding, AChoiceKeepsWhatItsGroupDoesAndAPlacementIsItsModeAndZoom) {
    Settings settings;
    settings.multiScreenOpt = MultiScreen::Different;
    Host host;
    win::SettingsBinding binding(settings);
    host.binding = &binding;
    win::RadioGroup screens(host.hwnd(), 100, L"Screens", {L"Same", L"Different", L"Single"});
    win::RadioGroup placement(host.hwnd(), 110, L"Placement",
                              {L"Center", L"Tile", L"Stretch", L"Zoom"});
    host.groups = {&screens, &placement};
    std::vector<std::wstring> percents;
    for (const std::int32_t percent : kZoomPercentages) {
        percents.push_back(std::to_wstring(percent));
    }
    HWND zoom = host.List(120, percents);
    int groupClicks = 0;
    screens.onClick = [&groupClicks] { ++groupClicks; };
    binding.Bind(screens, &Settings::multiScreenOpt);
    binding.Bind(placement, zoom, &Settings::placementDifferent);

    binding.ShowAll();
    EXPECT_EQ(screens.itemIndex(), MultiScreenChoicePosition(MultiScreen::Different));
    EXPECT_EQ(groupClicks, 1);
    EXPECT_EQ(Selected(zoom), ZoomPosition(kDefaultZoom));

    host.Command(screens.button(2), BN_CLICKED);
    EXPECT_EQ(settings.multiScreenOpt, MultiScreenChoice(2));
    EXPECT_EQ(groupClicks, 2);

    host.Command(placement.button(3), BN_CLICKED);
    EXPECT_EQ(settings.placementDifferent, PlacementAt(3, ZoomPosition(kDefaultZoom)));
    host.Pick(zoom, 2);
    EXPECT_EQ(settings.placementDifferent, PlacementAt(3, 2));
    // The other pages' placements are their own.
    EXPECT_EQ(settings.placementSame, ImagePlacement{});
}

}  // namespace
