#pragma once

#include <QHash>
#include <QImage>
#include <QListWidget>
#include <QSet>
#include <QStyledItemDelegate>
#include <filesystem>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QFontMetrics;
class QMenu;

namespace wylo {
class Session;
struct DesktopImages;
struct ImageMarks;
}  // namespace wylo

namespace wylo::app {

// The subscribed channel's images, one row per image: the title on the left
// in large bold type, the thumbnail on the right, each row as tall as its
// thumbnail. Rows carry their image index as item data.
class ImagesList : public QListWidget {
    Q_OBJECT
public:
    // Where the thumbnail of an image is kept (empty when there is none), the
    // picture of a thumbnail file, dropping the decoded pictures, and the
    // widest thumbnail measured so far, which sets the thumbnail column.
    struct Thumbnails {
        std::function<std::filesystem::path(int image)> path;
        std::function<std::optional<QImage>(const std::filesystem::path& thumbnail)> picture;
        std::function<void()> release;
        std::function<int()> maxWidth;
        // A row without its thumbnail is about to be painted.
        std::function<void(int image)> wanted;
    };

    // The thumbnails of the session's subscribed channel.
    static Thumbnails ThumbnailsOf(Session& session);

    explicit ImagesList(QWidget* parent = nullptr);

    void setThumbnails(Thumbnails thumbnails) { thumbnails_ = std::move(thumbnails); }

    // Adds a row for image index, height pixels tall.
    void AddRow(const QString& caption, int image, int height);
    // Rows whose thumbnails arrived: each (row, height) takes its height.
    void SetRowHeights(const std::vector<std::pair<int, int>>& heights);

    int maxThumbWidth() const { return thumbnails_.maxWidth ? thumbnails_.maxWidth() : 0; }

    // The selected row, or -1.
    int selectedRow() const;
    // Selects row and scrolls it into view, or selects nothing when the list
    // has no such row.
    void selectRow(int row);

    // Marks the rows of the pictures now on the desktop, selects the first
    // of them and scrolls it into view; the other rows lose their mark.
    void ShowDesktopImages(const DesktopImages& shown);
    // Marks the rows kept in Favourites and those never to be shown again.
    void ShowImageMarks(const ImageMarks& marks);
    // The words of row's mark ("On the desktop", "On monitors 1, 2", then
    // "Kept in Favourites" or "Never shown again"); empty when there are none.
    QString markText(int row) const;
    bool isOnDesktop(int row) const { return marks_.contains(row); }

    // The menu a right-click on a row opens; its actions ask for the row
    // clicked (menuRow).
    QMenu* imageMenu;
    QAction* KeepImage1;
    QAction* NeverAgainImage1;
    // Readies the menu for row as a right-click on it does.
    void PrepareImageMenu(int row);
    int menuRow() const { return menuRow_; }

    // The title as drawn on a row from rowLeft to rowRight (exclusive): cut
    // with an ellipsis so it ends before the thumbnail column.
    static QString ShownTitle(const QFontMetrics& metrics, const QString& title, int rowLeft,
                              int rowRight, int maxThumbWidth);

    // Drops the pictures decoded for painting; they are decoded again from
    // the cache when next painted.
    void ReleasePictures();

    // Where a thumbnail of the given width starts in a row whose right edge
    // (exclusive) is rowRight: the widest ends 10 pixels inside the edge and
    // narrower ones are centred in the column of the widest.
    static int ThumbnailLeft(int rowRight, int width, int maxThumbWidth);
    // Where the title's top lies in a row from top to bottom (exclusive).
    static int TitleTop(int top, int bottom);
    // The picture painted for a thumbnail file; nothing when it cannot be
    // decoded.
    std::optional<QImage> ThumbnailPicture(const std::filesystem::path& thumbnail) const;

signals:
    // A double-click anywhere in the list, or Enter on a row.
    void activatedByUser();
    // The menu's "Keep This Picture" and "Never Show This Picture Again".
    void keepAsked(int row);
    void neverAgainAsked(int row);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    friend class ImagesListDelegate;

    Thumbnails thumbnails_;
    void ShowMarksAsToolTips();

    // Mark words by row, for the rows on the desktop.
    QHash<int, QString> marks_;
    QSet<int> kept_;
    QSet<int> hidden_;
    int menuRow_ = -1;
};

class ImagesListDelegate : public QStyledItemDelegate {
public:
    explicit ImagesListDelegate(ImagesList* list);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    ImagesList* list_;
};

}  // namespace wylo::app
