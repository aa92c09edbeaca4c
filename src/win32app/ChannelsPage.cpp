#include "win32app/ChannelsPage.h"

#include <algorithm>

#include "base/ChannelIndex.h"
#include "win32app/Resources.h"

namespace wylo::win {
namespace {

HICON LoadIconSized(int resource, int size) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource),
                                         IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

}  // namespace

PreviewImage::PreviewImage(HWND parent, int id) {
    CreatePanel(parent, id, WS_VISIBLE);
}

void PreviewImage::SetPicture(PreviewPicture picture) {
    picture_ = std::move(picture);
    InvalidateRect(hwnd(), nullptr, TRUE);
}

LRESULT PreviewImage::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PRINTCLIENT) {
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    }
    if (message != WM_PAINT) {
        return Default(message, wParam, lParam);
    }
    PAINTSTRUCT ps;
    Paint(BeginPaint(hwnd(), &ps));
    EndPaint(hwnd(), &ps);
    return 0;
}

void PreviewImage::Paint(HDC dc) {
    RECT area;
    GetClientRect(hwnd(), &area);
    FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
    if (picture_.width > 0 && picture_.height > 0 && area.right > 0 && area.bottom > 0) {
        // Fitted into the area, its aspect ratio kept, centred.
        const double scale = std::min(static_cast<double>(area.right) / picture_.width,
                                      static_cast<double>(area.bottom) / picture_.height);
        const int w = std::max(1, static_cast<int>(picture_.width * scale));
        const int h = std::max(1, static_cast<int>(picture_.height * scale));
        const int x = (area.right - w) / 2;
        const int y = (area.bottom - h) / 2;
        if (picture_.icon != nullptr) {
            DrawIconEx(dc, x, y, picture_.icon, w, h, 0, nullptr, DI_NORMAL);
        } else {
            HDC source = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(source, picture_.bitmap.get());
            SetStretchBltMode(dc, HALFTONE);
            SetBrushOrgEx(dc, 0, 0, nullptr);
            StretchBlt(dc, x, y, w, h, source, 0, 0, picture_.width, picture_.height, SRCCOPY);
            SelectObject(source, old);
            DeleteDC(source);
        }
    }
}

WelcomePage::WelcomePage(HWND parent, int id, WebBrowserHost::OpenExternally open) {
    CreatePanel(parent, id);
    wbWelcome = std::make_unique<WebBrowserHost>(hwnd(), 201, std::move(open));
}

void WelcomePage::Layout(const Fonts& fonts) {
    RECT area;
    GetClientRect(hwnd(), &area);
    MoveWindow(wbWelcome->hwnd(), 0, 0, area.right, area.bottom, TRUE);
    wbWelcome->SetFont(fonts.window);
}

LRESULT WelcomePage::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

ChannelsPage::ChannelsPage(HWND parent, int id) {
    CreatePanel(parent, id);
    HWND page = hwnd();
    // The two groups hold their controls, as the form's group boxes do.
    gbChannels = MakeControl(page, L"BUTTON", L"Channels",
                             WS_VISIBLE | BS_GROUPBOX | WS_CLIPCHILDREN, 0, WS_EX_CONTROLPARENT);
    gbDetails = MakeControl(page, L"BUTTON", L"Details", WS_VISIBLE | BS_GROUPBOX | WS_CLIPCHILDREN,
                            0, WS_EX_CONTROLPARENT);
    MakeContainer(gbChannels);
    MakeContainer(gbDetails);
    // Owner-drawn, so the subscribed channel can carry its tick and bold
    // text; it keeps its strings, so the keys and the texts work as before.
    cbProviders = MakeControl(gbChannels, L"COMBOBOX", L"",
                              WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST |
                                  CBS_OWNERDRAWFIXED | CBS_HASSTRINGS,
                              kProvidersId);
    sbRefresh = MakeControl(gbChannels, L"BUTTON", L"Refresh",
                            WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kRefreshId);
    sbAdd = MakeControl(gbChannels, L"BUTTON", L"Add...", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                        kAddId);
    sbRemove = MakeControl(gbChannels, L"BUTTON", L"Remove", WS_TABSTOP | BS_PUSHBUTTON, kRemoveId);
    lChannelName = MakeControl(gbDetails, L"STATIC", L"Channel Name", WS_VISIBLE | SS_NOPREFIX);
    edTitle =
        MakeControl(gbDetails, L"EDIT", L"", WS_VISIBLE | WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL,
                    212, WS_EX_CLIENTEDGE);
    lDescription =
        MakeControl(gbDetails, L"STATIC", L"Channel Description", WS_VISIBLE | SS_NOPREFIX);
    edDescription = MakeControl(
        gbDetails, L"EDIT", L"",
        WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 213,
        WS_EX_CLIENTEDGE);
    iPreview = std::make_unique<PreviewImage>(gbDetails, 214);
    sbSubscribe =
        MakeControl(gbDetails, L"BUTTON", L"Subscribe", WS_TABSTOP | BS_OWNERDRAW, kSubscribeId);
    sbTerms = MakeControl(gbDetails, L"BUTTON", L"Terms", WS_TABSTOP | BS_OWNERDRAW, kTermsId);
    cbSubscription =
        MakeControl(gbDetails, L"BUTTON", L"Subscription Required", BS_CHECKBOX | WS_DISABLED, 217);
}

void ChannelsPage::ShowRemoveButton() {
    const std::optional<int> channel = SelectedChannel();
    ShowWindow(sbRemove, channel && *channel >= kOwnChannelBase ? SW_SHOW : SW_HIDE);
}

std::optional<int> ChannelsPage::SelectedChannel() const {
    const LRESULT entry = SendMessageW(cbProviders, CB_GETCURSEL, 0, 0);
    if (entry == CB_ERR) {
        return std::nullopt;
    }
    return static_cast<int>(
        SendMessageW(cbProviders, CB_GETITEMDATA, static_cast<WPARAM>(entry), 0));
}

void ChannelsPage::MarkSubscribedChannel(int channel) {
    markedChannel_ = channel < 0 ? -1 : channel;
    InvalidateRect(cbProviders, nullptr, TRUE);
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (GetComboBoxInfo(cbProviders, &info) && info.hwndList != nullptr) {
        InvalidateRect(info.hwndList, nullptr, TRUE);
    }
}

bool ChannelsPage::IsMarkedEntry(int entry) const {
    if (markedChannel_ < 0 || entry < 0) {
        return false;
    }
    const LRESULT data = SendMessageW(cbProviders, CB_GETITEMDATA, static_cast<WPARAM>(entry), 0);
    return data != CB_ERR && data == markedChannel_;
}

std::optional<int> ChannelsPage::MarkedEntry() const {
    const auto count = static_cast<int>(SendMessageW(cbProviders, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        if (IsMarkedEntry(i)) {
            return i;
        }
    }
    return std::nullopt;
}

int ChannelsPage::EntryHeight() const {
    // As tall as a plain list's entries in the window's font.
    HDC dc = GetDC(cbProviders);
    HGDIOBJ old = SelectObject(dc, font_ != nullptr ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(cbProviders, dc);
    return std::max<int>(metrics.tmHeight + Scaled(2, dpi_), Scaled(13, dpi_));
}

void ChannelsPage::DrawChannelEntry(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const RECT& r = item.rcItem;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    const COLORREF fill = GetSysColor(selected && !disabled ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    const COLORREF ink = GetSysColor(disabled   ? COLOR_GRAYTEXT
                                     : selected ? COLOR_HIGHLIGHTTEXT
                                                : COLOR_WINDOWTEXT);
    HBRUSH brush = CreateSolidBrush(fill);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    const int entry = static_cast<int>(item.itemID);
    if (item.itemID != static_cast<UINT>(-1)) {
        const LRESULT length =
            SendMessageW(cbProviders, CB_GETLBTEXTLEN, static_cast<WPARAM>(entry), 0);
        std::wstring text;
        if (length > 0) {
            text.assign(static_cast<std::size_t>(length) + 1, L'\0');
            SendMessageW(cbProviders, CB_GETLBTEXT, static_cast<WPARAM>(entry),
                         reinterpret_cast<LPARAM>(text.data()));
            text.resize(static_cast<std::size_t>(length));
        }
        const bool marked = IsMarkedEntry(entry);
        // Every entry leaves the tick's column, so the names line up.
        const int column = Scaled(14, dpi_);
        const int left = r.left + Scaled(2, dpi_);
        if (marked) {
            // A drawn check mark: no font is needed to have the glyph.
            const int size = std::min(Scaled(9, dpi_), std::max(3, int(r.bottom - r.top) - 4));
            const int x = left + (column - size) / 2;
            const int y = (r.top + r.bottom - size) / 2;
            HPEN pen = CreatePen(PS_SOLID, std::max(1, Scaled(2, dpi_)), ink);
            HGDIOBJ oldPen = SelectObject(dc, pen);
            const POINT tick[] = {{x, y + size / 2}, {x + size / 3, y + size - 1}, {x + size, y}};
            Polyline(dc, tick, 3);
            SelectObject(dc, oldPen);
            DeleteObject(pen);
        }
        HGDIOBJ oldFont = SelectObject(dc, marked && boldFont_ != nullptr ? boldFont_ : font_);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ink);
        RECT area = {left + column, r.top, r.right - Scaled(2, dpi_), r.bottom};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        SelectObject(dc, oldFont);
    }
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
        DrawFocusRect(dc, &r);
    }
}

void ChannelsPage::Layout(const Fonts& fonts) {
    const UINT dpi = fonts.dpi;
    dpi_ = dpi;
    font_ = fonts.window.get();
    boldFont_ = fonts.bold.get();
    auto s = [dpi](int v) { return Scaled(v, dpi); };
    for (HICON* icon : {&refreshIcon_, &subscribeIcon_, &termsIcon_}) {
        if (*icon != nullptr) {
            DestroyIcon(*icon);
        }
    }
    refreshIcon_ = LoadIconSized(kRefreshIconId, s(16));
    subscribeIcon_ = LoadIconSized(kSubscribeIconId, s(32));
    termsIcon_ = LoadIconSized(kTermsIconId, s(32));
    SendMessageW(sbRefresh, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(refreshIcon_));

    RECT area;
    GetClientRect(hwnd(), &area);
    const int width = area.right;
    const int height = area.bottom;
    const int margin = s(6);
    const int inner = width - 2 * margin;

    // "Channels": the list, Refresh, Add and Remove on one row.
    MoveWindow(gbChannels, margin, margin, inner, s(52), TRUE);
    const int refreshWidth = s(84);
    const int buttonWidth = s(70);
    const int buttonsLeft = inner - refreshWidth - 2 * buttonWidth - s(18);
    MoveWindow(cbProviders, s(10), s(20), buttonsLeft - s(18), s(300), TRUE);
    MoveWindow(sbRefresh, buttonsLeft, s(18), refreshWidth, s(26), TRUE);
    MoveWindow(sbAdd, buttonsLeft + refreshWidth + s(4), s(18), buttonWidth, s(26), TRUE);
    MoveWindow(sbRemove, buttonsLeft + refreshWidth + buttonWidth + s(8), s(18), buttonWidth, s(26),
               TRUE);

    // "Details": name and description on the left, the preview and the
    // buttons on the right.
    const int top = margin + s(58);
    const int detailsHeight = std::max(s(100), height - top - margin);
    MoveWindow(gbDetails, margin, top, inner, detailsHeight, TRUE);
    const int previewWidth = std::max(s(240), inner / 2 - s(20));
    const int leftWidth = inner - previewWidth - s(40);
    const int left = s(10);
    int y = s(20);
    MoveWindow(lChannelName, left, y, leftWidth, s(14), TRUE);
    y += s(16);
    MoveWindow(edTitle, left, y, leftWidth, s(21), TRUE);
    y += s(29);
    MoveWindow(lDescription, left, y, leftWidth, s(14), TRUE);
    y += s(16);
    MoveWindow(edDescription, left, y, leftWidth, detailsHeight - s(10) - y, TRUE);
    const int right = inner - s(10);
    const int previewLeft = right - previewWidth;
    const int buttonsTop = detailsHeight - s(10) - s(70);
    MoveWindow(iPreview->hwnd(), previewLeft, s(20), previewWidth,
               std::max(s(40), buttonsTop - s(8) - s(20)), TRUE);
    MoveWindow(sbTerms, right - s(70), buttonsTop, s(70), s(70), TRUE);
    MoveWindow(sbSubscribe, right - s(146), buttonsTop, s(70), s(70), TRUE);
    MoveWindow(cbSubscription, left, buttonsTop, s(150), s(17), TRUE);

    for (HWND w : {gbChannels, cbProviders, sbRefresh, sbAdd, sbRemove, gbDetails, lChannelName,
                   edTitle, lDescription, edDescription, sbSubscribe, sbTerms, cbSubscription}) {
        SetFont(w, fonts.window);
    }
    // An owner-drawn list keeps the height it measured at its creation.
    const int entryHeight = EntryHeight();
    SendMessageW(cbProviders, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), entryHeight);
    SendMessageW(cbProviders, CB_SETITEMHEIGHT, 0, entryHeight);
}

void ChannelsPage::DrawPictureButton(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const bool pushed = (item.itemState & ODS_SELECTED) != 0;
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    const int shift = pushed ? 1 : 0;
    const int icon = Scaled(32, dpi_);
    const HICON picture = item.hwndItem == sbSubscribe ? subscribeIcon_ : termsIcon_;
    const int x = (r.left + r.right - icon) / 2 + shift;
    const int y = r.top + Scaled(8, dpi_) + shift;
    if (picture != nullptr) {
        DrawIconEx(dc, x, y, picture, icon, icon, 0, nullptr, DI_NORMAL);
    }
    wchar_t text[64] = {};
    GetWindowTextW(item.hwndItem, text, 64);
    RECT caption = {r.left, y + icon + Scaled(2, dpi_), r.right, r.bottom - Scaled(4, dpi_)};
    OffsetRect(&caption, shift, shift);
    HGDIOBJ old = SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(dc, text, -1, &caption, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    if (item.itemState & ODS_FOCUS) {
        RECT focus = r;
        InflateRect(&focus, -Scaled(4, dpi_), -Scaled(4, dpi_));
        DrawFocusRect(dc, &focus);
    }
}

LRESULT ChannelsPage::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const int code = HIWORD(wParam);
            const auto run = [](const std::function<void()>& f) {
                if (f) {
                    f();
                }
            };
            if (id == kProvidersId && code == CBN_SELCHANGE) {
                ShowRemoveButton();
                run(onProvidersChange);
            } else if (id == kRefreshId && code == BN_CLICKED) {
                run(onRefresh);
            } else if (id == kAddId && code == BN_CLICKED) {
                // The menu opens under the button; the choice comes back here.
                RECT button;
                GetWindowRect(sbAdd, &button);
                HMENU menu = CreatePopupMenu();
                AppendMenuW(menu, MF_STRING, kAddAddressId, L"Add Address...");
                AppendMenuW(menu, MF_STRING, kAddFolderId, L"Add Folder...");
                const int chosen =
                    TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, button.left,
                                   button.bottom, 0, hwnd(), nullptr);
                DestroyMenu(menu);
                if (chosen == kAddAddressId) {
                    run(onAddAddress);
                } else if (chosen == kAddFolderId) {
                    run(onAddFolder);
                }
            } else if (id == kRemoveId && code == BN_CLICKED) {
                run(onRemove);
            } else if (id == kTermsId && code == BN_CLICKED) {
                run(onTerms);
            } else if (id == kSubscribeId && code == BN_CLICKED) {
                run(onSubscribe);
            }
            return 0;
        }
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item.CtlType == ODT_BUTTON) {
                DrawPictureButton(item);
                return TRUE;
            }
            if (item.CtlType == ODT_COMBOBOX && item.hwndItem == cbProviders) {
                DrawChannelEntry(item);
                return TRUE;
            }
            break;
        }
        case WM_MEASUREITEM: {
            auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            if (item.CtlType == ODT_COMBOBOX && item.CtlID == kProvidersId) {
                // Sent while the list is made, before its font is set;
                // Layout sets the heights for the font.
                item.itemHeight = static_cast<UINT>(Scaled(15, dpi_));
                return TRUE;
            }
            break;
        }
        case WM_DESTROY:
            for (HICON icon : {refreshIcon_, subscribeIcon_, termsIcon_}) {
                if (icon != nullptr) {
                    DestroyIcon(icon);
                }
            }
            refreshIcon_ = subscribeIcon_ = termsIcon_ = nullptr;
            break;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}

}  // namespace wylo::win
