#pragma once

#include <QHash>
#include <QImage>
#include <QListWidget>
#include <QStyledItemDelegate>
#include <filesystem>
#include <functional>
#include <optional>

namespace wylo::app {

// The subscribed channel's images, one row per image: the title on the left
// in large bold type, the thumbnail on the right, each row as tall as its
// thumbnail. Rows carry their image index as item data.
class ImagesList : public QListWidget {
    Q_OBJECT
public:
    // Where the thumbnail of an image is kept, and fetching it there; both
    // give an empty path when there is none.
    struct Thumbnails {
        std::function<std::filesystem::path(int image)> path;
        std::function<std::filesystem::path(int image)> fetch;
    };

    explicit ImagesList(QWidget* parent = nullptr);

    void setThumbnails(Thumbnails thumbnails) { thumbnails_ = std::move(thumbnails); }

    // Adds a row for image index and measures it, which fetches its thumbnail.
    void AddRow(const QString& caption, int image);

    // The widest thumbnail measured so far; it sets the thumbnail column.
    int maxThumbWidth() const { return maxThumbWidth_; }
    void setMaxThumbWidth(int width) { maxThumbWidth_ = width; }

    // The selected row, or -1.
    int selectedRow() const;
    // Selects row, or nothing when the list has no such row.
    void selectRow(int row);

    // Drops the pictures decoded for painting; they are decoded again from
    // the cache when next painted.
    void ReleasePictures();

    // Where a thumbnail of the given width starts in a row whose right edge
    // (exclusive) is rowRight: the widest ends 10 pixels inside the edge and
    // narrower ones are centred in the column of the widest.
    static int ThumbnailLeft(int rowRight, int width, int maxThumbWidth);
    // Where the title's top lies in a row from top to bottom (exclusive).
    static int TitleTop(int top, int bottom);
    // Row height for the default when no thumbnail could be fetched.
    static constexpr int kDefaultRowHeight = 16;

    // The picture painted for a thumbnail file: its conversion to a bitmap,
    // pure red made transparent; nothing when it cannot be decoded.
    std::optional<QImage> ThumbnailPicture(const std::filesystem::path& thumbnail);

signals:
    // A double-click anywhere in the list, or Enter on a row.
    void activatedByUser();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class ImagesListDelegate;

    struct Picture {
        std::filesystem::file_time_type thumbTime;
        std::optional<QImage> image;
    };

    Thumbnails thumbnails_;
    int maxThumbWidth_ = 0;
    QHash<QString, Picture> pictures_;
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
