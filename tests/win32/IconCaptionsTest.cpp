#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

// windows.h comes before the other Windows headers.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "platform/win32/WindowsDesktop.h"
#include "platform/win32/WindowsPlatform.h"

namespace wylo {
namespace {

using testing::ElementsAre;

// Window handles the recorder hands out; never dereferenced.
HWND FakeWindow(std::uintptr_t n) {
    return reinterpret_cast<HWND>(n);
}
const HWND kProgman = FakeWindow(0x10);
const HWND kShellView = FakeWindow(0x20);
const HWND kListView = FakeWindow(0x30);

// Records every call as a line of text and answers from a small desktop whose
// windows can be taken away.
struct RecordedDesktop {
    bool hasProgman = true;
    bool hasShellView = true;
    bool hasListView = true;
    LRESULT iconCount = 5;
    std::vector<std::string> calls;

    static std::string Text(const wchar_t* text) {
        return text ? std::string(text, text + std::wcslen(text)) : "(any)";
    }
    static std::string Hex(std::uintptr_t value) {
        char text[32];
        std::snprintf(text, sizeof text, "%#llx", static_cast<unsigned long long>(value));
        return text;
    }

    IconListCalls Calls() {
        IconListCalls c;
        c.findWindow = [this](const wchar_t* className, const wchar_t* title) {
            calls.push_back("FindWindow " + Text(className) + " / " + Text(title));
            return hasProgman ? kProgman : nullptr;
        };
        c.findChild = [this](HWND parent, const wchar_t* className) {
            calls.push_back("FindChild " + Hex(reinterpret_cast<std::uintptr_t>(parent)) + " " +
                            Text(className));
            if (parent == kProgman && Text(className) == "SHELLDLL_DefView" && hasShellView) {
                return kShellView;
            }
            if (parent == kShellView && Text(className) == "SysListView32" && hasListView) {
                return kListView;
            }
            return HWND{};
        };
        c.send = [this](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            calls.push_back("Send " + Hex(reinterpret_cast<std::uintptr_t>(window)) + " " +
                            Hex(message) + " " + std::to_string(wParam) + " " +
                            std::to_string(lParam));
            return message == LVM_GETITEMCOUNT ? iconCount : 1;
        };
        c.update = [this](HWND window) {
            calls.push_back("Update " + Hex(reinterpret_cast<std::uintptr_t>(window)));
        };
        return c;
    }
};

TEST(IconCaptionCalls, FindTheListViewThenSetColoursCountRedrawAndUpdate) {
    RecordedDesktop desktop;
    RecolourIconCaptions(desktop.Calls(), 0xABCDEF, 0x123456, false);
    EXPECT_THAT(desktop.calls,
                ElementsAre("FindWindow Progman / Program Manager",
                            "FindChild 0x10 SHELLDLL_DefView",  //
                            "FindChild 0x20 SysListView32",
                            "Send 0x30 0x1026 0 " + std::to_string(0x123456),  // text background
                            "Send 0x30 0x1024 0 " + std::to_string(0xABCDEF),  // text colour
                            "Send 0x30 0x1004 0 0",                            // item count
                            "Send 0x30 0x1015 0 4",                            // redraw 0..4
                            "Update 0x30"));
}

TEST(IconCaptionCalls, TransparentSendsNoColourWhateverTheBackground) {
    RecordedDesktop desktop;
    RecolourIconCaptions(desktop.Calls(), 0xFFFFFF, 0x123456, true);
    ASSERT_GE(desktop.calls.size(), 4u);
    EXPECT_EQ(desktop.calls[3], "Send 0x30 0x1026 0 4294967295");
}

TEST(IconCaptionCalls, DesktopWithoutIconsAsksToRedrawZeroToMinusOne) {
    RecordedDesktop desktop;
    desktop.iconCount = 0;
    RecolourIconCaptions(desktop.Calls(), 0, 0, true);
    ASSERT_EQ(desktop.calls.size(), 8u);
    EXPECT_EQ(desktop.calls[6], "Send 0x30 0x1015 0 -1");
    EXPECT_EQ(desktop.calls[7], "Update 0x30");
}

TEST(IconCaptionCalls, StopQuietlyAtTheFirstMissingWindow) {
    {
        RecordedDesktop desktop;
        desktop.hasProgman = false;
        RecolourIconCaptions(desktop.Calls(), 0, 0, true);
        // Never a search with a null parent, which would look among every
        // top-level window.
        EXPECT_THAT(desktop.calls, ElementsAre("FindWindow Progman / Program Manager"));
    }
    {
        RecordedDesktop desktop;
        desktop.hasShellView = false;
        RecolourIconCaptions(desktop.Calls(), 0, 0, true);
        EXPECT_THAT(desktop.calls, ElementsAre("FindWindow Progman / Program Manager",
                                               "FindChild 0x10 SHELLDLL_DefView"));
    }
    {
        RecordedDesktop desktop;
        desktop.hasListView = false;
        RecolourIconCaptions(desktop.Calls(), 0, 0, true);
        EXPECT_THAT(desktop.calls,
                    ElementsAre("FindWindow Progman / Program Manager",
                                "FindChild 0x10 SHELLDLL_DefView", "FindChild 0x20 SysListView32"));
    }
}

// Real windows of this process, destroyed at the end of the test.
struct WindowDeleter {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using Window = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterPlainClass(const wchar_t* name) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = PlainWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = name;
    RegisterClassW(&windowClass);  // already registered by an earlier test: fine
}

Window MakeWindow(const wchar_t* className, const wchar_t* title, HWND parent) {
    return Window(CreateWindowExW(0, className, title, parent ? WS_CHILD : WS_OVERLAPPED, 0, 0, 200,
                                  200, parent, nullptr, GetModuleHandleW(nullptr), nullptr));
}

Window MakeListView(HWND parent, int items) {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&init);
    Window list = MakeWindow(WC_LISTVIEWW, L"", parent);
    for (int i = 0; i < items; ++i) {
        wchar_t caption[] = L"icon";
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = caption;
        SendMessageW(list.get(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(list.get(), LVM_SETTEXTCOLOR, 0, 0x010101);
    SendMessageW(list.get(), LVM_SETTEXTBKCOLOR, 0, 0x020202);
    return list;
}

TEST(IconCaptions, WineHasNoShellListViewSoNothingChangesAndNothingFails) {
    ASSERT_EQ(FindWindowW(L"Progman", L"Program Manager"), nullptr);
    // A list view that some other program shows at the top level, under the
    // shell view's class name: it must not be mistaken for the desktop's.
    RegisterPlainClass(L"SHELLDLL_DefView");
    const Window decoyView = MakeWindow(L"SHELLDLL_DefView", L"", nullptr);
    ASSERT_TRUE(decoyView);
    const Window decoyList = MakeListView(decoyView.get(), 2);
    ASSERT_TRUE(decoyList);

    WindowsPlatform platform;
    EXPECT_NO_THROW(platform.SetDesktopIconColours(0xABCDEF, 0x123456, false));

    EXPECT_EQ(SendMessageW(decoyList.get(), LVM_GETTEXTCOLOR, 0, 0), 0x010101);
    EXPECT_EQ(SendMessageW(decoyList.get(), LVM_GETTEXTBKCOLOR, 0, 0), 0x020202);
}

TEST(IconCaptions, RecolourAShellShapedDesktopOfThisProcess) {
    // The shell's window layout, built here, so the real calls have something
    // to find: Progman "Program Manager" > SHELLDLL_DefView > SysListView32.
    RegisterPlainClass(L"Progman");
    RegisterPlainClass(L"SHELLDLL_DefView");
    const Window progman = MakeWindow(L"Progman", L"Program Manager", nullptr);
    ASSERT_TRUE(progman);
    const Window view = MakeWindow(L"SHELLDLL_DefView", L"", progman.get());
    const Window list = MakeListView(view.get(), 3);
    ASSERT_TRUE(list);
    ASSERT_EQ(SendMessageW(list.get(), LVM_GETITEMCOUNT, 0, 0), 3);

    WindowsPlatform platform;
    platform.SetDesktopIconColours(0xABCDEF, 0x123456, false);
    EXPECT_EQ(SendMessageW(list.get(), LVM_GETTEXTCOLOR, 0, 0), 0xABCDEF);
    EXPECT_EQ(SendMessageW(list.get(), LVM_GETTEXTBKCOLOR, 0, 0), 0x123456);

    platform.SetDesktopIconColours(0x00FF00, 0x123456, true);
    EXPECT_EQ(SendMessageW(list.get(), LVM_GETTEXTCOLOR, 0, 0), 0x00FF00);
    EXPECT_EQ(static_cast<COLORREF>(SendMessageW(list.get(), LVM_GETTEXTBKCOLOR, 0, 0)), CLR_NONE);
}

}  // namespace
}  // namespace wylo
