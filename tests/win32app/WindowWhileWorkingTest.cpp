// The window while the session works beside it: the tray menu, a close, the
// pointer and error boxes during a change whose picture the host holds back.
#include <algorithm>
#include <chrono>
#include <memory>

#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "channels/DownloadGate.h"
#include "compose/Bitmap.h"
#include "support/JpegWriter.h"
#include "support/PublishedChannels.h"
#include "win32app/Dialogs.h"

using namespace wylo;
using namespace wylo::test;

namespace {

constexpr char kHeldPicture[] = "/c/alpha/images/i1.jpg";

// The host keeps the next picture of the rotation (image 1 of "alpha") until
// the gate opens.
void HoldNextPicture(WindowWorld& world, std::shared_ptr<Gate> gate) {
    Bitmap picture(64, 48);
    picture.Fill(MakeColour(200, 100, 40));
    const std::string body = EncodeJpeg(picture);
    world.server->Route(kHeldPicture,
                        [gate, body](const httplib::Request& req, httplib::Response& res) {
                            if (req.method != "HEAD") {
                                gate->Wait(std::chrono::seconds(30));
                            }
                            res.set_content(body, "image/jpeg");
                        });
}

// "Change Now" from the tray's menu, and its change is held at the picture.
void StartHeldChange(WindowWorld& world) {
    SendMessageW(world.window->hwnd(), WM_COMMAND, win::TrayIcon::kChangeNowId, 0);
    ASSERT_TRUE(world.PumpUntil([&] { return world.server->Count("GET", kHeldPicture) > 0; }));
    // What was posted before the request has arrived; run it.
    world.PumpUntil([] { return true; });
    ASSERT_TRUE(world.window->session().busy());
}

// What a visit of the tray menu saw while it was open.
struct MenuVisit {
    bool opened = false;
    std::wstring nextChange;
    bool changeNowEnabled = false;
    bool exitEnabled = false;
    wchar_t key = 0;
};
MenuVisit visit;

// Runs inside the menu's own loop: looks at the menu and types the key of
// the item to choose.
void CALLBACK InsideTheMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND popup = FindWindowW(L"#32768", nullptr);
    visit.opened = popup != nullptr && IsWindowVisible(popup);
    PostMessageW(popup, WM_CHAR, visit.key, 0);
}

// A right-click on the icon; the user opens the menu and types key.
MenuVisit ChooseInTrayMenu(win::MainWindow& w, wchar_t key) {
    visit = {};
    visit.key = key;
    HMENU menu = w.tray->menu();
    visit.nextChange = w.tray->nextChange();
    visit.changeNowEnabled =
        !(GetMenuState(menu, win::TrayIcon::kChangeNowId, MF_BYCOMMAND) & MF_GRAYED);
    visit.exitEnabled = !(GetMenuState(menu, win::TrayIcon::kExitId, MF_BYCOMMAND) & MF_GRAYED);
    SetTimer(nullptr, 0, 50, &InsideTheMenu);
    SendMessageW(w.hwnd(), win::TrayIcon::kCallbackMessage, 1, WM_RBUTTONUP);
    return visit;
}

std::string SavedSettings(WindowWorld& world) {
    return ReadFile(world.settingsFile());
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(WindowWhileWorking, TheTrayMenuOpensDuringAChangeAndChangeNowAndExitWork) {
    WindowWorld world;
    win::MainWindow& w = world.StartSubscribed();
    GateOpener opener;
    HoldNextPicture(world, opener.gate);
    // The window is hidden in the notification area.
    ShowWindow(w.hwnd(), SW_SHOW);
    ShowWindow(w.hwnd(), SW_MINIMIZE);
    world.Pump();
    ASSERT_FALSE(IsWindowVisible(w.hwnd()));
    StartHeldChange(world);

    // "Change Now" again: the next change waits for the one that runs.
    MenuVisit seen = ChooseInTrayMenu(w, L'c');
    EXPECT_TRUE(seen.opened);
    EXPECT_TRUE(seen.changeNowEnabled);
    EXPECT_TRUE(seen.exitEnabled);
    // The menu's first line says what the change does.
    EXPECT_TRUE(Has(win::Narrow(seen.nextChange), "Downloading")) << win::Narrow(seen.nextChange);
    EXPECT_TRUE(world.PumpUntil([&] { return w.session().changeAsked(); }));

    // "Exit": the window goes while the picture is still held back.
    seen = ChooseInTrayMenu(w, L'x');
    EXPECT_TRUE(seen.opened);
    EXPECT_TRUE(world.PumpUntil([&] { return w.hwnd() == nullptr; }));
    EXPECT_FALSE(w.workLeftBehind());
    EXPECT_TRUE(world.platform.wallpaperCalls.empty());
    EXPECT_TRUE(Has(SavedSettings(world), "CurrentImage=0"));
}

TEST(WindowWhileWorking, ACloseDuringAHangingDownloadGoesAtOnceAndRecordsNoChange) {
    WindowWorld world;
    win::MainWindow& w = world.StartSubscribed();
    GateOpener opener;
    HoldNextPicture(world, opener.gate);
    StartHeldChange(world);
    // A setting the user changed before closing.
    SendMessageW(w.tsSettings->cbRandomOrder, BM_CLICK, 0, 0);

    const auto before = std::chrono::steady_clock::now();
    SendMessageW(w.hwnd(), WM_CLOSE, 0, 0);
    // Cancelled, not left to the host or the read timeout.
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
    EXPECT_EQ(w.hwnd(), nullptr);
    EXPECT_FALSE(w.workLeftBehind());
    EXPECT_FALSE(world.trayCalls.empty());
    EXPECT_EQ(world.trayCalls.back().message, static_cast<DWORD>(NIM_DELETE));

    // Saved, without the change that never reached the desktop.
    const std::string saved = SavedSettings(world);
    EXPECT_TRUE(Has(saved, "RandomOrder=1")) << saved;
    EXPECT_TRUE(Has(saved, "CurrentImage=0")) << saved;
    EXPECT_TRUE(Has(saved, "LastChange=08/12/2026 09:59:00")) << saved;
    EXPECT_TRUE(world.platform.wallpaperCalls.empty());
    EXPECT_TRUE(w.session().history().empty());
    EXPECT_TRUE(win::MessageBoxes::Recorded().empty());
}

TEST(WindowWhileWorking, AFailedSaveAtTheCloseOpensNoBox) {
    WindowWorld world;
    win::MainWindow& w = world.Start();
    std::filesystem::remove(world.settingsFile());
    std::filesystem::create_directory(world.settingsFile());
    world.Close();
    EXPECT_EQ(w.hwnd(), nullptr);
    EXPECT_TRUE(win::MessageBoxes::Recorded().empty());
}

TEST(WindowWhileWorking, ThePointerShowsWorkInTheBackgroundAndTheWindowAnswers) {
    WindowWorld world;
    win::MainWindow& w = world.StartSubscribed();
    const auto pointerOver = [&](HWND window) {
        SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    HCURSOR working = LoadCursorW(nullptr, IDC_APPSTARTING);
    EXPECT_FALSE(w.showsWorking());
    EXPECT_NE(pointerOver(w.tsSettings->cbRandomOrder), working);
    {
        GateOpener opener;
        HoldNextPicture(world, opener.gate);
        StartHeldChange(world);
        EXPECT_TRUE(w.showsWorking());
        // Over any control, not the hourglass alone: the window takes clicks.
        EXPECT_EQ(pointerOver(w.tsSettings->cbRandomOrder), working);
        EXPECT_EQ(pointerOver(w.Panel2->sbChangeNow), working);
        EXPECT_NE(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
        // The frame keeps its sizing arrows.
        SendMessageW(w.hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(w.hwnd()),
                     MAKELPARAM(HTRIGHT, WM_MOUSEMOVE));
        EXPECT_NE(GetCursor(), working);
        // A click goes through at once.
        SendMessageW(w.tsSettings->cbRandomOrder, BM_CLICK, 0, 0);
        EXPECT_TRUE(w.session().settings().randomOrder);
        opener.gate->Open();
        world.Pump();
    }
    EXPECT_FALSE(w.showsWorking());
    EXPECT_EQ(world.platform.wallpaperCalls.size(), 1u);
    EXPECT_NE(pointerOver(w.tsSettings->cbRandomOrder), working);
}

TEST(WindowErrors, AnErrorWhileABoxIsOpenGoesToTheStatusLineNotASecondBox) {
    TestHttpServer server;
    PublishChannels(server, {ChannelSpec("alpha", "Alpha Photos")});
    WindowWorld world;
    win::MainWindow& w = world.Start(server.Url("/wylo/wylo.xml"));
    SendMessageW(w.tsChannels->cbProviders, CB_SETCURSEL, 0, 0);
    world.Command(w.tsChannels->cbProviders, CBN_SELCHANGE);
    server.Stop();
    std::filesystem::remove_all(world.appFolder() / "cache");
    const std::string failed =
        "There was a problem downloading the channel control file. Sorry, can't continue with "
        "this channel";
    // Two subscriptions asked for at once; each fails.
    world.Send(w.tsChannels->sbSubscribe, BN_CLICKED);
    world.Send(w.tsChannels->sbSubscribe, BN_CLICKED);
    // While the first failure's box is open, the user asks for a change from
    // the tray; the work starts, and the second failure arrives in the box's
    // own loop.
    int boxes = 0;
    win::MessageBoxes::SetWhileOpenForTests([&] {
        ++boxes;
        SendMessageW(w.hwnd(), WM_COMMAND, win::TrayIcon::kChangeNowId, 0);
        world.Pump();
    });
    world.Pump();
    win::MessageBoxes::SetWhileOpenForTests({});

    EXPECT_EQ(boxes, 1);
    ASSERT_EQ(win::MessageBoxes::Recorded().size(), 1u);
    EXPECT_EQ(win::MessageBoxes::Recorded()[0].caption, "Error");
    // The second one was said in the status line (and so in the tray's tip).
    const std::wstring tip = L"Wylo - " + win::Wide(failed);
    EXPECT_TRUE(std::any_of(world.trayCalls.begin(), world.trayCalls.end(),
                            [&](const TrayCall& call) { return call.tip == tip; }));
    // Once the box is closed, the next error has a box of its own.
    world.Command(w.tsChannels->sbSubscribe, BN_CLICKED);
    ASSERT_EQ(win::MessageBoxes::Recorded().size(), 2u);
    EXPECT_EQ(win::MessageBoxes::Recorded()[1].text, failed);
}
