// The channel list, the subscription, the subscribed channel's pages and the
// images list, with the channels on a real HTTP server on loopback.
#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "compose/Bitmap.h"
#include "support/JpegWriter.h"
#include "support/PublishedChannels.h"
#include "support/TestHttpServer.h"
#include "win32app/Dialogs.h"

using namespace wylo;
using namespace wylo::test;
using Page = win::MainWindow::Page;

namespace {

constexpr Colour kThumbColour = MakeColour(20, 120, 40);

// A channel "flat" whose thumbnails are plain green pictures of the given
// widths, 75 pixels high, so their place in a row can be found by colour.
void PublishFlatThumbnails(TestHttpServer& server, const std::vector<int>& widths,
                           const std::string& news = {}) {
    std::string images;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        Bitmap thumb(widths[i], 75);
        thumb.Fill(kThumbColour);
        const std::string n = std::to_string(i);
        server.Serve("/flat/t" + n + ".jpg", EncodeJpeg(thumb), std::nullopt, "image/jpeg");
        Bitmap image(40, 30);
        image.Fill(kThumbColour);
        server.Serve("/flat/i" + n + ".jpg", EncodeJpeg(image), std::nullopt, "image/jpeg");
        images += "<image><loc>" + server.Url("/flat/i" + n + ".jpg") + "</loc><thumb>" +
                  server.Url("/flat/t" + n + ".jpg") + "</thumb><title>Image " + n +
                  "</title></image>";
    }
    server.Serve("/flat/Channel.xml",
                 "<provider><title>Flat</title><copyright>(c) Flat</copyright>"
                 "<news>" +
                     news + "</news><images>" + images + "</images></provider>");
    server.Serve("/flat.xml", "<wylo><PROVIDERS><p><id>flat</id><url>" +
                                  server.Url("/flat/Channel.xml") +
                                  "</url></p></PROVIDERS></wylo>");
}

// The user picks the channel at entry of the channel list.
void Choose(WindowWorld& world, win::ChannelsPage& page, int entry) {
    SendMessageW(page.cbProviders, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
    world.Command(page.cbProviders, CBN_SELCHANGE);
}

bool NearColour(COLORREF pixel, Colour expected) {
    const auto within = [](int a, int b) { return std::abs(a - b) <= 8; };
    return within(GetRValue(pixel), RedOf(expected)) &&
           within(GetGValue(pixel), GreenOf(expected)) &&
           within(GetBValue(pixel), BlueOf(expected));
}

// Paints one row of the images list into a bitmap and hands back the pixels'
// colours along the row's middle.
std::vector<COLORREF> PaintRow(win::MainWindow& w, int row, int right, bool selected) {
    win::ImagesList& list = *w.tsCurrentChannel->lbImages;
    const int height = list.RowHeight(row);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, right, height);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, right, height};
    HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(dc, &all, magenta);
    DeleteObject(magenta);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_LISTBOX;
    item.CtlID = win::ImagesList::kId;
    item.itemID = static_cast<UINT>(row);
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = selected ? ODS_SELECTED : 0;
    item.hwndItem = list.hwnd();
    item.hDC = dc;
    item.rcItem = all;
    item.itemData = static_cast<ULONG_PTR>(SendMessageW(list.hwnd(), LB_GETITEMDATA, row, 0));
    SendMessageW(GetParent(list.hwnd()), WM_DRAWITEM, win::ImagesList::kId,
                 reinterpret_cast<LPARAM>(&item));
    std::vector<COLORREF> pixels;
    for (int x = 0; x < right; ++x) {
        pixels.push_back(GetPixel(dc, x, 2 + 37));
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

// The first x from the right end where the thumbnail's colour starts.
int ThumbnailStart(const std::vector<COLORREF>& pixels) {
    for (std::size_t x = 0; x < pixels.size(); ++x) {
        if (NearColour(pixels[x], kThumbColour)) {
            return static_cast<int>(x);
        }
    }
    return -1;
}

// Paints one entry of the channel list the way the list asks its parent to,
// into a white bitmap, and hands back the bitmap's pixels row by row.
struct PaintedEntry {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    // Pixels in the columns [left, right) that are not the background.
    int Inked(int left, int right, COLORREF background) const {
        int n = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = left; x < right; ++x) {
                n += at(x, y) != background ? 1 : 0;
            }
        }
        return n;
    }
};

PaintedEntry PaintEntry(win::ChannelsPage& page, int entry, UINT state = 0) {
    PaintedEntry painted;
    painted.width = 200;
    painted.height = 15;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, painted.width, painted.height);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, painted.width, painted.height};
    HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(dc, &all, magenta);
    DeleteObject(magenta);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_COMBOBOX;
    item.CtlID = win::ChannelsPage::kProvidersId;
    item.itemID = static_cast<UINT>(entry);
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = state;
    item.hwndItem = page.cbProviders;
    item.hDC = dc;
    item.rcItem = all;
    if (entry >= 0) {
        item.itemData =
            static_cast<ULONG_PTR>(SendMessageW(page.cbProviders, CB_GETITEMDATA, entry, 0));
    }
    // Through the group box, as the list sends it.
    SendMessageW(GetParent(page.cbProviders), WM_DRAWITEM, win::ChannelsPage::kProvidersId,
                 reinterpret_cast<LPARAM>(&item));
    for (int y = 0; y < painted.height; ++y) {
        for (int x = 0; x < painted.width; ++x) {
            painted.pixels.push_back(GetPixel(dc, x, y));
        }
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return painted;
}

}  // namespace

TEST(ChannelPages, TheSubscribedChannelIsMarkedWithATickAndBoldText) {
    TestHttpServer server;
    // Twin titles, so the marked entry and the plain one differ only in
    // their mark.
    PublishChannels(server,
                    {ChannelSpec("alpha", "Same Title"), ChannelSpec("beta", "Same Title")});
    WindowWorld world;
    win::MainWindow& w = world.Start(server.Url("/wylo/wylo.xml"));
    win::ChannelsPage& c = *w.tsChannels;
    // An owner-drawn list that keeps its strings.
    const auto style = GetWindowLongPtrW(c.cbProviders, GWL_STYLE);
    EXPECT_TRUE(style & CBS_OWNERDRAWFIXED);
    EXPECT_TRUE(style & CBS_HASSTRINGS);
    EXPECT_EQ((style & 3), CBS_DROPDOWNLIST);
    ASSERT_EQ(SendMessageW(c.cbProviders, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(c.cbProviders, CB_GETLBTEXTLEN, 1, 0), 10);
    EXPECT_GE(SendMessageW(c.cbProviders, CB_GETITEMHEIGHT, 0, 0), 13);
    // Nothing subscribed: nothing marked, and every entry is drawn alike.
    EXPECT_EQ(c.MarkedEntry(), std::nullopt);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const PaintedEntry plain0 = PaintEntry(c, 0);
    const PaintedEntry plain1 = PaintEntry(c, 1);
    EXPECT_EQ(plain0.pixels, plain1.pixels);
    EXPECT_EQ(plain0.at(199, 0), window);
    EXPECT_EQ(plain0.Inked(0, 16, window), 0) << "no tick";
    const int plainText = plain1.Inked(16, 200, window);
    EXPECT_GT(plainText, 0);

    // Subscribing to the second marks it, from the session's report.
    Choose(world, c, 1);
    world.Command(c.sbSubscribe, BN_CLICKED);
    ASSERT_EQ(w.session().settings().currentChannel, 1);
    EXPECT_EQ(c.markedChannel(), 1);
    EXPECT_EQ(c.MarkedEntry(), 1);
    const PaintedEntry marked = PaintEntry(c, 1);
    EXPECT_GT(marked.Inked(0, 16, window), 0) << "a tick";
    EXPECT_GT(marked.Inked(16, 200, window), plainText) << "bold text";
    EXPECT_EQ(PaintEntry(c, 0).pixels, plain0.pixels);
    // Selected and focused, in the selection's colours with the focus frame.
    const PaintedEntry selected = PaintEntry(c, 1, ODS_SELECTED | ODS_FOCUS);
    EXPECT_EQ(selected.at(100, 7), GetSysColor(COLOR_HIGHLIGHT));
    int frame = 0;  // the dotted focus frame along the top edge
    for (int x = 0; x < selected.width; ++x) {
        frame += selected.at(x, 0) != GetSysColor(COLOR_HIGHLIGHT) ? 1 : 0;
    }
    EXPECT_GT(frame, 0);
    EXPECT_EQ(PaintEntry(c, 1, ODS_SELECTED).at(100, 0), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_GT(selected.Inked(0, 16, GetSysColor(COLOR_HIGHLIGHT)), 0);
    // The empty selection field is drawn without an entry.
    const PaintedEntry none = PaintEntry(c, -1, ODS_COMBOBOXEDIT);
    EXPECT_EQ(none.Inked(0, 200, window), 0);
    // Really painted by the list, too.
    UpdateWindow(c.cbProviders);

    // The mark follows the channel through a rebuilt list.
    w.SetActivePage(Page::Channels);
    world.Command(c.sbRefresh, BN_CLICKED);
    world.Pump();
    EXPECT_EQ(c.MarkedEntry(), 1);

    // A failed subscription leaves nothing marked.
    server.Stop();
    std::filesystem::remove_all(world.appFolder() / "cache");
    Choose(world, c, 0);
    world.Command(c.sbSubscribe, BN_CLICKED);
    EXPECT_EQ(c.markedChannel(), -1);
    EXPECT_EQ(c.MarkedEntry(), std::nullopt);
    EXPECT_EQ(PaintEntry(c, 1).Inked(0, 16, window), 0);
}

TEST(ChannelPages, AnUnlistedChannelMarksNothing) {
    TestHttpServer server;
    PublishChannels(server, {ChannelSpec("alpha", "Alpha Photos")});
    WindowWorld world;
    win::ChannelsPage& c = *world.Start(server.Url("/wylo/wylo.xml")).tsChannels;
    c.MarkSubscribedChannel(0);
    EXPECT_EQ(c.MarkedEntry(), 0);
    c.MarkSubscribedChannel(5);
    EXPECT_EQ(c.MarkedEntry(), std::nullopt);
    c.MarkSubscribedChannel(-3);
    EXPECT_EQ(c.markedChannel(), -1);
    EXPECT_EQ(c.MarkedEntry(), std::nullopt);
}

TEST(ChannelPages, TheListIsBuiltFromTheDirectoryAndTheFirstChannelIsShown) {
    TestHttpServer server;
    ChannelSpec a("alpha", "Alpha Photos");
    a.description = "Line one\nLine\ttwo";
    a.legal = server.Url("/terms.html");
    ChannelSpec b("beta", "Beta Photos");
    PublishChannels(server, {a, b});
    server.Remove("/c/alpha/Channel.xml");
    server.Serve("/c/alpha/Channel.xml",
                 "<provider><title>Alpha Photos</title><description>Line one\nLine\ttwo"
                 "</description><legal>" +
                     server.Url("/terms.html") + "</legal><preview>" +
                     server.Url("/c/alpha/preview.jpg") + "</preview><images/></provider>");
    WindowWorld world;
    win::MainWindow& w = world.Start(server.Url("/wylo/wylo.xml"));
    win::ChannelsPage& c = *w.tsChannels;
    ASSERT_EQ(SendMessageW(c.cbProviders, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(c.cbProviders, CB_GETITEMDATA, 1, 0), 1);
    Choose(world, c, 0);
    EXPECT_EQ(Text(c.edTitle), "Alpha Photos");
    EXPECT_EQ(Text(c.edDescription), "Line one\r\nLinetwo");
    EXPECT_TRUE(Visible(c.sbSubscribe));
    EXPECT_TRUE(Visible(c.sbTerms));
    EXPECT_TRUE(c.iPreview->hasPicture());
    // Terms open in the user's browser.
    world.Command(c.sbTerms, BN_CLICKED);
    ASSERT_EQ(world.platform.openedUrls.size(), 1u);
    EXPECT_EQ(world.platform.openedUrls[0], server.Url("/terms.html"));

    // Picking the second channel shows it; it names no terms.
    Choose(world, c, 1);
    EXPECT_EQ(Text(c.edTitle), "Beta Photos");
    EXPECT_FALSE(Visible(c.sbTerms));

    // Refresh empties the details.
    world.Command(c.sbRefresh, BN_CLICKED);
    EXPECT_EQ(Text(c.edTitle), "");
    EXPECT_FALSE(Visible(c.sbSubscribe));
}

TEST(ChannelPages, SubscribingShowsTheNewsPageThenTheImages) {
    TestHttpServer server;
    ChannelSpec a("alpha", "Alpha Photos");
    a.news = server.Url("/news.html");
    a.copyright = "(c) Alpha";
    PublishChannels(server, {a}, server.Url("/welcome.html"));
    WindowWorld world;
    win::MainWindow& w = world.Start(server.Url("/wylo/wylo.xml"));
    // The welcome page was asked for.
    EXPECT_EQ(w.tsWelcome->wbWelcome->url(), server.Url("/welcome.html"));

    Choose(world, *w.tsChannels, 0);
    world.Command(w.tsChannels->sbSubscribe, BN_CLICKED);
    EXPECT_EQ(w.ActivePage(), Page::News);
    EXPECT_TRUE(w.IsPageTabVisible(Page::News));
    EXPECT_TRUE(w.IsPageTabVisible(Page::Images));
    EXPECT_EQ(w.tsChannelNews->wbBrowser->url(), server.Url("/news.html"));
    EXPECT_EQ(Text(w.tsChannelNews->lNewsChannelTitle), "Alpha Photos");
    EXPECT_EQ(Text(w.tsCurrentChannel->lCopyright), "(c) Alpha");
    EXPECT_EQ(w.tsCurrentChannel->lbImages->count(), 3);
    // Rows are as tall as their thumbnails and a margin.
    EXPECT_EQ(w.tsCurrentChannel->lbImages->RowHeight(0), 79);
    EXPECT_EQ(w.session().settings().currentChannel, 0);
}

TEST(ChannelPages, AFailedSubscriptionIsReportedInABoxCaptionedError) {
    TestHttpServer server;
    PublishChannels(server, {ChannelSpec("alpha", "Alpha Photos")});
    WindowWorld world;
    win::MainWindow& w = world.Start(server.Url("/wylo/wylo.xml"));
    Choose(world, *w.tsChannels, 0);
    server.Stop();
    std::filesystem::remove_all(world.appFolder() / "cache");
    w.SetActivePage(Page::Settings);
    world.Command(w.tsChannels->sbSubscribe, BN_CLICKED);
    ASSERT_EQ(win::MessageBoxes::Recorded().size(), 1u);
    EXPECT_EQ(win::MessageBoxes::Recorded()[0].caption, "Error");
    EXPECT_EQ(win::MessageBoxes::Recorded()[0].text,
              "There was a problem downloading the channel control file. Sorry, can't continue "
              "with this channel");
    EXPECT_EQ(w.ActivePage(), Page::Channels);
    EXPECT_FALSE(w.IsPageTabVisible(Page::Images));
    EXPECT_FALSE(w.IsPageTabVisible(Page::News));
}

TEST(ImagesList, ThumbnailsAreCentredInTheColumnOfTheWidest) {
    TestHttpServer server;
    PublishFlatThumbnails(server, {120, 80, 100});
    WindowWorld world;
    win::MainWindow& w = world.Start(server.Url("/flat.xml"));
    Choose(world, *w.tsChannels, 0);
    world.Command(w.tsChannels->sbSubscribe, BN_CLICKED);
    ASSERT_EQ(w.ActivePage(), Page::Images);
    ASSERT_EQ(w.session().maxThumbWidth(), 120);
    const int expected[] = {567, 587, 577};
    for (int row = 0; row < 3; ++row) {
        const std::vector<COLORREF> pixels = PaintRow(w, row, 697, false);
        EXPECT_EQ(ThumbnailStart(pixels), expected[row]) << "row " << row;
        // The rest of the row is the list's colour, with the title on the left.
        EXPECT_EQ(pixels[696], GetSysColor(COLOR_BTNFACE));
        EXPECT_EQ(pixels[expected[row] - 1], GetSysColor(COLOR_BTNFACE));
    }
    const std::vector<COLORREF> selected = PaintRow(w, 0, 697, true);
    EXPECT_EQ(selected[696], GetSysColor(COLOR_HIGHLIGHT));
}

TEST(ImagesList, ADoubleClickPutsTheImageOnTheDesktopAndSavesTheSettings) {
    TestHttpServer server;
    PublishFlatThumbnails(server, {60, 60});
    WindowWorld world;
    win::MainWindow& w = world.Start(server.Url("/flat.xml"));
    Choose(world, *w.tsChannels, 0);
    world.Command(w.tsChannels->sbSubscribe, BN_CLICKED);
    win::ImagesList& list = *w.tsCurrentChannel->lbImages;
    list.SelectRow(1);
    world.Command(list.hwnd(), LBN_DBLCLK);
    world.Pump();
    ASSERT_EQ(world.platform.wallpaperCalls.size(), 1u);
    EXPECT_EQ(world.platform.wallpaperCalls[0].path.filename(), "desktop.bmp");
    EXPECT_EQ(w.session().settings().currentImage, 1);
    EXPECT_TRUE(world.PumpUntil([&] { return std::filesystem::exists(world.settingsFile()); }));
    // The row of the picture on the desktop is marked, with a bar along its
    // left edge in the highlight colour.
    EXPECT_EQ(list.MarkText(1), L"On the desktop");
    EXPECT_EQ(list.MarkText(0), L"");
    EXPECT_EQ(PaintRow(w, 1, 400, false)[1], GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(PaintRow(w, 0, 400, false)[1], GetSysColor(COLOR_BTNFACE));

    // A second image; then Previous puts the first back, and Next the second.
    EXPECT_FALSE(Enabled(w.Panel2->sbPrevious));
    list.SelectRow(0);
    world.Command(list.hwnd(), LBN_DBLCLK);
    world.Pump();
    ASSERT_EQ(world.platform.wallpaperCalls.size(), 2u);
    EXPECT_TRUE(Enabled(w.Panel2->sbPrevious));
    EXPECT_FALSE(GetMenuState(w.tray->menu(), win::TrayIcon::kPreviousId, MF_BYCOMMAND) &
                 MF_GRAYED);
    world.Command(w.Panel2->sbPrevious, BN_CLICKED);
    world.Pump();
    EXPECT_EQ(world.platform.wallpaperCalls.size(), 3u);
    EXPECT_TRUE(Enabled(w.Panel2->sbNext));
    SendMessageW(w.hwnd(), WM_COMMAND, win::TrayIcon::kNextId, 0);
    world.Pump();
    EXPECT_EQ(world.platform.wallpaperCalls.size(), 4u);
    EXPECT_FALSE(Enabled(w.Panel2->sbNext));
}

TEST(ImagesList, ItsMenuKeepsOrHidesTheRowItWasOpenedOnAndMarksIt) {
    TestHttpServer server;
    PublishFlatThumbnails(server, {60, 60, 60});
    WindowWorld world;
    win::MainWindow& w = world.Start(server.Url("/flat.xml"));
    Choose(world, *w.tsChannels, 0);
    world.Command(w.tsChannels->sbSubscribe, BN_CLICKED);
    win::ImagesList& list = *w.tsCurrentChannel->lbImages;
    list.SelectRow(0);
    world.Command(list.hwnd(), LBN_DBLCLK);
    world.Pump();
    ASSERT_EQ(list.MarkText(0), L"On the desktop");
    HMENU menu = list.menu();
    ASSERT_EQ(GetMenuItemCount(menu), 2);
    wchar_t text[64];
    GetMenuStringW(menu, win::ImagesList::kKeepImageId, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"&Keep This Picture");
    GetMenuStringW(menu, win::ImagesList::kNeverAgainImageId, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"Ne&ver Show This Picture Again");

    // A row not on the desktop is kept; the desktop stays as it is.
    list.PrepareMenu(2);
    list.RunMenuCommand(win::ImagesList::kKeepImageId);
    EXPECT_TRUE(world.PumpUntil([&] { return list.MarkText(2) == L"Kept in Favourites"; }));
    EXPECT_TRUE(std::filesystem::exists(w.session().FavouritesFolder() / "i2.jpg"));
    EXPECT_EQ(world.platform.wallpaperCalls.size(), 1u);

    // The one on the desktop, hidden: the next goes up.
    list.PrepareMenu(0);
    list.RunMenuCommand(win::ImagesList::kNeverAgainImageId);
    EXPECT_TRUE(world.PumpUntil([&] { return world.platform.wallpaperCalls.size() == 2u; }));
    world.Pump();
    EXPECT_EQ(list.MarkText(0), L"Never shown again");
    EXPECT_EQ(list.MarkText(1), L"On the desktop");
    list.PrepareMenu(0);
    EXPECT_TRUE(GetMenuState(menu, win::ImagesList::kNeverAgainImageId, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(menu, win::ImagesList::kKeepImageId, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_EQ(w.session().hiddenCount(), 1u);
}

TEST(WebPages, OnlyWebAddressesAreShownAndTheLinkOpensTheBrowser) {
    WindowWorld world;
    win::MainWindow& w = world.Start();
    win::WebBrowserHost& page = *w.tsWelcome->wbWelcome;
    page.Navigate("file:///C:/windows/win.ini");
    EXPECT_EQ(page.url(), "");
    page.Navigate("http://127.0.0.1:9/news.html");
    EXPECT_EQ(page.url(), "http://127.0.0.1:9/news.html");
    if (page.showsBrowser()) {
        GTEST_SKIP() << "the browser control shows the page here";
    }
    // Without a browser engine the address is a link to the user's browser.
    ASSERT_NE(page.link(), nullptr);
    EXPECT_TRUE(Visible(page.link()));
    NMHDR click{page.link(), 1, static_cast<UINT>(NM_CLICK)};
    SendMessageW(page.hwnd(), WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&click));
    ASSERT_EQ(world.platform.openedUrls.size(), 1u);
    EXPECT_EQ(world.platform.openedUrls[0], "http://127.0.0.1:9/news.html");
}

TEST(ImagesList, EnterPutsTheSelectedImageOnTheDesktop) {
    TestHttpServer server;
    PublishFlatThumbnails(server, {60, 60});
    WindowWorld world;
    win::MainWindow& w = world.Start(server.Url("/flat.xml"));
    Choose(world, *w.tsChannels, 0);
    world.Command(w.tsChannels->sbSubscribe, BN_CLICKED);
    win::ImagesList& list = *w.tsCurrentChannel->lbImages;
    // Without a selection Enter does nothing.
    list.SelectRow(-1);
    SendMessageW(GetParent(list.hwnd()), WM_VKEYTOITEM, MAKEWPARAM(VK_RETURN, 0),
                 reinterpret_cast<LPARAM>(list.hwnd()));
    world.Pump();
    EXPECT_TRUE(world.platform.wallpaperCalls.empty());
    list.SelectRow(0);
    SendMessageW(GetParent(list.hwnd()), WM_VKEYTOITEM, MAKEWPARAM(VK_RETURN, 0),
                 reinterpret_cast<LPARAM>(list.hwnd()));
    world.Pump();
    EXPECT_EQ(world.platform.wallpaperCalls.size(), 1u);
    EXPECT_EQ(w.session().settings().currentImage, 0);
}
