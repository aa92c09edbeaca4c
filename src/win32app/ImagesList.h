#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>

#include "win32app/Controls.h"

namespace wylo {
class Session;
struct DesktopImages;
struct ImageMarks;
}  // namespace wylo

namespace wylo::win {

// The subscribed channel's images: an owner-drawn list whose rows are as tall
// as their thumbnails, each showing the image's title on the left and its
// thumbnail on the right. A double-click (or Enter) puts the image on the
// desktop. Its parent hands it the list's drawing messages.
class ImagesList {
public:
    static constexpr int kId = 230;

    ImagesList(HWND parent, Session& session);
    ~ImagesList();
    ImagesList(const ImagesList&) = delete;
    ImagesList& operator=(const ImagesList&) = delete;
    HWND hwnd() const { return list_; }

    void Clear();
    // A row with its caption, image index and height at 100 %.
    void AddRow(const std::string& caption, int image, int height);
    // A row whose thumbnail arrived takes its height (at 100 %).
    void SetRowHeight(int row, int height);
    int count() const;
    // -1 when no row is selected.
    int selectedRow() const;
    // Selects row and scrolls it into view; an index the list does not hold
    // leaves no row selected.
    void SelectRow(int row);
    // Marks the rows whose pictures are on the desktop, and selects the
    // first of them.
    void ShowDesktopImages(const DesktopImages& shown);
    // Marks the rows kept in Favourites and those never to be shown again.
    void ShowImageMarks(const ImageMarks& marks);
    // The words of row's mark ("On the desktop", then "Kept in Favourites"
    // or "Never shown again"); empty when there are none.
    std::wstring MarkText(int row) const;
    // The height of row in the window's pixels.
    int RowHeight(int row) const;

    void SetDpi(UINT dpi, const Fonts& fonts);

    // The parent's messages for the list; true when handled.
    bool OnDrawItem(const DRAWITEMSTRUCT& item);
    bool OnCommand(int id, int code);
    bool OnVKeyToItem(WPARAM wParam, LPARAM lParam, LRESULT& result);

    // A right-click on a row (or the menu key) opens this menu for it.
    bool OnContextMenu(HWND from, LPARAM lParam);
    static constexpr UINT kKeepImageId = 251;
    static constexpr UINT kNeverAgainImageId = 252;
    HMENU menu() const { return menu_; }
    // Readies the menu for row, as opening it does, and carries out one of
    // its commands for that row.
    void PrepareMenu(int row);
    void RunMenuCommand(UINT id);

    // The user asked for the selected image.
    std::function<void(int row)> onPick;
    // The menu's "Keep This Picture" and "Never Show This Picture Again".
    std::function<void(int row)> onKeep;
    std::function<void(int row)> onNeverAgain;

private:
    HWND list_;
    Session& session_;
    UINT dpi_ = 96;
    HFONT rowFont_ = nullptr;
    HFONT badgeFont_ = nullptr;
    std::map<int, std::wstring> marks_;
    std::set<int> kept_;
    std::set<int> hidden_;
    HMENU menu_;
    int menuRow_ = -1;
};

}  // namespace wylo::win
