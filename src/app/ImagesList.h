#pragma once

#include <QHash>
#include <QImage>
#include <QListWidget>
#include <QStyledItemDelegate>
#include <filesystem>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QFontMetrics;

namespace wylo {
class Session;
struct DesktopImages;
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
    // The words of row's mark ("On the desktop", "On monitors 1, 2"); empty
    // when the row is not on the desktop.
    QString markText(int row) const { return marks_.value(row); }

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

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class ImagesListDelegate;

    Thumbnails thumbnails_;
    // Mark words by row.
    QHash<int, QString> marks_;
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
