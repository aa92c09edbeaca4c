#include "win32app/ImagesList.h"

#include <algorithm>
#include <system_error>

#include <windowsx.h>

#include "session/ImageRows.h"
#include "session/Session.h"
#include "session/SessionObserver.h"
#include "win32app/Pictures.h"

namespace wylo::win {
namespace {

// A list box row can be at most 255 pixels high.
constexpr int kMaxRowHeight = 255;
// Left of the title, and between it and the thumbnail column.
constexpr int kTitleLeft = 10;
constexpr int kTitleGap = 8;
constexpr int kTitlePixelSize = 19;
// The desktop mark: a bar along the row's left edge and a badge under the
// title.
constexpr int kMarkBarWidth = 4;

}  // namespace

ImagesList::ImagesList(HWND parent, Session& session) : session_(session) {
    list_ =
        MakeControl(parent, L"LISTBOX", L"",
                    WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS |
                        LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_WANTKEYBOARDINPUT,
                    kId, WS_EX_CLIENTEDGE);
    menu_ = CreatePopupMenu();
    AppendMenuW(menu_, MF_STRING, kKeepImageId, L"&Keep This Picture");
    AppendMenuW(menu_, MF_STRING, kNeverAgainImageId, L"Ne&ver Show This Picture Again");
}

ImagesList::~ImagesList() {
    DestroyMenu(menu_);
}

void ImagesList::Clear() {
    SendMessageW(list_, LB_RESETCONTENT, 0, 0);
    marks_.clear();
    kept_.clear();
    hidden_.clear();
}

void ImagesList::ShowImageMarks(const ImageMarks& marks) {
    kept_ = std::set<int>(marks.kept.begin(), marks.kept.end());
    hidden_ = std::set<int>(marks.hidden.begin(), marks.hidden.end());
    InvalidateRect(list_, nullptr, TRUE);
}

bool ImagesList::OnContextMenu(HWND from, LPARAM lParam) {
    if (from != list_) {
        return false;
    }
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    int row = selectedRow();
    if (at.x == -1 && at.y == -1) {
        // From the keyboard: the selected row, below its top left corner.
        RECT r{};
        if (row < 0 || SendMessageW(list_, LB_GETITEMRECT, static_cast<WPARAM>(row),
                                    reinterpret_cast<LPARAM>(&r)) == LB_ERR) {
            return true;
        }
        at = {r.left + Scaled(kTitleLeft, dpi_), r.top + Scaled(kTitlePixelSize, dpi_)};
        ClientToScreen(list_, &at);
    } else {
        POINT client = at;
        ScreenToClient(list_, &client);
        const LRESULT hit =
            SendMessageW(list_, LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y));
        if (HIWORD(hit) != 0) {
            return true;  // below the last row
        }
        row = LOWORD(hit);
        SelectRow(row);
    }
    PrepareMenu(row);
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(
        menu_, TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, list_, nullptr));
    RunMenuCommand(chosen);
    return true;
}

void ImagesList::PrepareMenu(int row) {
    menuRow_ = row;
    const bool listed = row >= 0 && row < count();
    EnableMenuItem(menu_, kKeepImageId, MF_BYCOMMAND | (listed ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(menu_, kNeverAgainImageId,
                   MF_BYCOMMAND | (listed && hidden_.count(row) == 0 ? MF_ENABLED : MF_GRAYED));
}

void ImagesList::RunMenuCommand(UINT id) {
    if (menuRow_ < 0 || menuRow_ >= count() ||
        (GetMenuState(menu_, id, MF_BYCOMMAND) & MF_GRAYED) != 0) {
        return;
    }
    if (id == kKeepImageId && onKeep) {
        onKeep(menuRow_);
    } else if (id == kNeverAgainImageId && onNeverAgain) {
        onNeverAgain(menuRow_);
    }
}

void ImagesList::ShowDesktopImages(const DesktopImages& shown) {
    marks_.clear();
    int first = -1;
    for (const DesktopImages::Image& image : shown.images) {
        if (image.row < 0 || image.row >= count() || marks_.count(image.row) != 0) {
            continue;
        }
        if (first == -1) {
            first = image.row;
        }
        marks_[image.row] = Wide(shown.MarkText(image.row));
    }
    if (first != -1) {
        SelectRow(first);
    }
    InvalidateRect(list_, nullptr, TRUE);
}

std::wstring ImagesList::MarkText(int row) const {
    std::wstring words;
    const auto add = [&words](const std::wstring& word) {
        words += (words.empty() ? L"" : L", ") + word;
    };
    if (const auto mark = marks_.find(row); mark != marks_.end()) {
        add(mark->second);
    }
    if (kept_.count(row) != 0) {
        add(L"Kept in Favourites");
    }
    if (hidden_.count(row) != 0) {
        add(L"Never shown again");
    }
    return words;
}

void ImagesList::AddRow(const std::string& caption, int image, int height) {
    const std::wstring text = Wide(caption);
    const LRESULT row =
        SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (row < 0) {
        return;
    }
    SendMessageW(list_, LB_SETITEMDATA, static_cast<WPARAM>(row), image);
    const int shown = std::clamp(Scaled(height, dpi_), 1, kMaxRowHeight);
    SendMessageW(list_, LB_SETITEMHEIGHT, static_cast<WPARAM>(row), shown);
}

void ImagesList::SetRowHeight(int row, int height) {
    if (row < 0 || row >= count()) {
        return;
    }
    SendMessageW(list_, LB_SETITEMHEIGHT, static_cast<WPARAM>(row),
                 std::clamp(Scaled(height, dpi_), 1, kMaxRowHeight));
}

int ImagesList::count() const {
    return static_cast<int>(SendMessageW(list_, LB_GETCOUNT, 0, 0));
}

int ImagesList::selectedRow() const {
    const LRESULT row = SendMessageW(list_, LB_GETCURSEL, 0, 0);
    return row == LB_ERR ? -1 : static_cast<int>(row);
}

void ImagesList::SelectRow(int row) {
    if (row >= 0 && row < count()) {
        SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    } else {
        SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    }
}

int ImagesList::RowHeight(int row) const {
    return static_cast<int>(SendMessageW(list_, LB_GETITEMHEIGHT, static_cast<WPARAM>(row), 0));
}

void ImagesList::SetDpi(UINT dpi, const Fonts& fonts) {
    if (dpi != dpi_) {
        // Rows keep their size at 100 %; their heights follow the scaling.
        for (int row = 0; row < count(); ++row) {
            const int height =
                MulDiv(RowHeight(row), static_cast<int>(dpi), static_cast<int>(dpi_));
            SendMessageW(list_, LB_SETITEMHEIGHT, static_cast<WPARAM>(row),
                         std::clamp(height, 1, kMaxRowHeight));
        }
    }
    dpi_ = dpi;
    rowFont_ = fonts.rowTitle.get();
    badgeFont_ = fonts.badge.get();
    SetFont(list_, fonts.window);
    InvalidateRect(list_, nullptr, TRUE);
}

bool ImagesList::OnDrawItem(const DRAWITEMSTRUCT& item) {
    if (item.hwndItem != list_) {
        return false;
    }
    if (item.itemID == static_cast<UINT>(-1)) {
        return true;
    }
    const int image = static_cast<int>(item.itemData);
    const std::filesystem::path thumbnail = session_.ThumbnailPath(image);
    std::error_code ec;
    // Without its thumbnail a row is not painted at all; it is fetched beside
    // the window and the row painted when it has come.
    if (thumbnail.empty()) {
        session_.ThumbnailWanted(image);
        return true;
    }
    if (!std::filesystem::exists(thumbnail, ec)) {
        return true;
    }
    const std::optional<ThumbnailPicture> picture = session_.ThumbnailBitmap(thumbnail);
    if (!picture) {
        return true;
    }
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const COLORREF fill = GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
    const COLORREF text = GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    HDC dc = item.hDC;
    const RECT& r = item.rcItem;
    HBRUSH brush = CreateSolidBrush(fill);
    FillRect(dc, &r, brush);
    DeleteObject(brush);

    const int width = Scaled(picture->width, dpi_);
    const int height = Scaled(picture->height, dpi_);
    const int x =
        ThumbnailLeft(r.right, width, Scaled(session_.maxThumbWidth(), dpi_), Scaled(10, dpi_));
    DrawThumbnail(dc, *picture, x, ThumbnailTop(r.top, Scaled(2, dpi_)), width, height, fill);

    const LRESULT length = SendMessageW(list_, LB_GETTEXTLEN, item.itemID, 0);
    std::wstring title(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
    SendMessageW(list_, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(title.data()));
    title.resize(static_cast<std::size_t>(std::max<LRESULT>(length, 0)));
    HGDIOBJ oldFont = SelectObject(dc, rowFont_);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, fill);
    SetTextColor(dc, text);
    // A long title ends before the thumbnail column.
    const int titleLeft = r.left + Scaled(kTitleLeft, dpi_);
    const int titleTop = TitleTop(r.top, r.bottom, Scaled(14, dpi_));
    const int columnLeft = r.right - Scaled(10, dpi_) - Scaled(session_.maxThumbWidth(), dpi_) -
                           Scaled(kTitleGap, dpi_);
    RECT titleArea = {titleLeft, titleTop, std::max(titleLeft, columnLeft),
                      titleTop + Scaled(kTitlePixelSize, dpi_) + Scaled(6, dpi_)};
    DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &titleArea,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | DT_NOCLIP);

    const std::wstring mark = MarkText(static_cast<int>(item.itemID));
    if (!mark.empty()) {
        // The highlight colour on a plain row; the row's own colours on the
        // selected one, so the mark never vanishes into the selection.
        const COLORREF markFill = GetSysColor(selected ? COLOR_BTNFACE : COLOR_HIGHLIGHT);
        const COLORREF markText = GetSysColor(selected ? COLOR_WINDOWTEXT : COLOR_HIGHLIGHTTEXT);
        HBRUSH markBrush = CreateSolidBrush(markFill);
        if (marks_.count(static_cast<int>(item.itemID)) != 0) {
            const RECT bar = {r.left, r.top, r.left + Scaled(kMarkBarWidth, dpi_), r.bottom};
            FillRect(dc, &bar, markBrush);
        }
        SelectObject(dc, badgeFont_);
        SIZE size{};
        GetTextExtentPoint32W(dc, mark.c_str(), static_cast<int>(mark.size()), &size);
        RECT badge = {titleLeft, titleTop + Scaled(kTitlePixelSize + 4, dpi_), 0, 0};
        badge.right = badge.left + size.cx + Scaled(10, dpi_);
        badge.bottom = badge.top + size.cy + Scaled(2, dpi_);
        // Only where the row has room for it; the bar alone marks a low row.
        if (badge.bottom < r.bottom - 1) {
            HGDIOBJ oldBrush = SelectObject(dc, markBrush);
            HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
            RoundRect(dc, badge.left, badge.top, badge.right + 1, badge.bottom + 1, Scaled(8, dpi_),
                      Scaled(8, dpi_));
            SelectObject(dc, oldPen);
            SelectObject(dc, oldBrush);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, markText);
            DrawTextW(dc, mark.c_str(), static_cast<int>(mark.size()), &badge,
                      DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
        DeleteObject(markBrush);
    }
    SelectObject(dc, oldFont);
    if (item.itemState & ODS_FOCUS) {
        DrawFocusRect(dc, &r);
    }
    return true;
}

bool ImagesList::OnCommand(int id, int code) {
    if (id != kId) {
        return false;
    }
    if (code == LBN_DBLCLK && onPick) {
        onPick(selectedRow());
    }
    return true;
}

bool ImagesList::OnVKeyToItem(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (reinterpret_cast<HWND>(lParam) != list_) {
        return false;
    }
    if (LOWORD(wParam) == VK_RETURN && selectedRow() >= 0 && onPick) {
        onPick(selectedRow());
        result = -2;
        return true;
    }
    result = -1;
    return true;
}

}  // namespace wylo::win
