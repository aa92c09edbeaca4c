#include "app/ImagesList.h"

#include <QKeyEvent>
#include <QPainter>
#include <system_error>

#include "compose/BmpFile.h"
#include "compose/Jpeg.h"

namespace wylo::app {
namespace {

constexpr int kHeightRole = Qt::UserRole + 1;
constexpr int kImageRole = Qt::UserRole;
// The title is 14-point bold; at 96 dots per inch that is 19 pixels.
constexpr int kTitlePixelSize = 19;
constexpr int kTitlePoints = 14;

QString Key(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

std::string LowerExtension(const std::filesystem::path& p) {
    std::string ext = p.extension().string();
    for (char& c : ext) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return ext;
}

// The size of a thumbnail file, read by the decoder its extension names;
// 0 x 0 when it cannot be read.
QSize MeasureThumbnail(const std::filesystem::path& file) {
    try {
        const std::string ext = LowerExtension(file);
        if (ext == ".jpg" || ext == ".jpeg") {
            const Bitmap b = DecodeJpegFile(file);
            return {b.width(), b.height()};
        }
        if (ext == ".bmp") {
            const Bitmap b = ReadBmpFile(file);
            return {b.width(), b.height()};
        }
    } catch (const std::exception&) {
        // An unreadable thumbnail measures as nothing.
    }
    return {0, 0};
}

QImage ToImage(const Bitmap& bitmap) {
    QImage image(bitmap.width(), bitmap.height(), QImage::Format_ARGB32);
    for (std::int32_t y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t* src = bitmap.Row(y);
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (std::int32_t x = 0; x < bitmap.width(); ++x) {
            const std::uint8_t b = src[3 * x];
            const std::uint8_t g = src[3 * x + 1];
            const std::uint8_t r = src[3 * x + 2];
            // Pure red is the thumbnails' transparent colour.
            dst[x] = (r == 255 && g == 0 && b == 0) ? qRgba(0, 0, 0, 0) : qRgb(r, g, b);
        }
    }
    return image;
}

}  // namespace

ImagesList::ImagesList(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new ImagesListDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The list's colour is the button face, like the pages around it.
    QPalette pal = palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Button));
    setPalette(pal);
}

void ImagesList::AddRow(const QString& caption, int image) {
    int height = kDefaultRowHeight;
    if (thumbnails_.fetch) {
        const std::filesystem::path file = thumbnails_.fetch(image);
        if (!file.empty()) {
            const QSize size = MeasureThumbnail(file);
            height = size.height() + 4;
            maxThumbWidth_ = std::max(maxThumbWidth_, size.width());
        }
    }
    auto* item = new QListWidgetItem(caption, this);
    item->setData(kImageRole, image);
    item->setData(kHeightRole, height);
}

int ImagesList::selectedRow() const {
    const QList<QListWidgetItem*> items = selectedItems();
    return items.isEmpty() ? -1 : row(items.front());
}

void ImagesList::selectRow(int r) {
    if (r >= 0 && r < count()) {
        setCurrentRow(r, QItemSelectionModel::ClearAndSelect);
    } else {
        clearSelection();
    }
}

void ImagesList::ReleasePictures() {
    pictures_.clear();
}

int ImagesList::ThumbnailLeft(int rowRight, int width, int maxThumbWidth) {
    const int h = (width - maxThumbWidth) / 2;
    return rowRight - 10 - (width - h);
}

int ImagesList::TitleTop(int top, int bottom) {
    return (top + bottom) / 2 - kTitlePoints / 2;
}

std::optional<QImage> ImagesList::ThumbnailPicture(const std::filesystem::path& thumbnail) {
    std::error_code ec;
    const auto thumbTime = std::filesystem::last_write_time(thumbnail, ec);
    if (ec) {
        return std::nullopt;
    }
    const QString key = Key(thumbnail);
    if (auto it = pictures_.constFind(key);
        it != pictures_.constEnd() && it->thumbTime == thumbTime) {
        return it->image;
    }
    // Converted again only when the thumbnail is newer than its conversion.
    Picture picture{thumbTime, std::nullopt};
    try {
        const std::filesystem::path bmp = ReplaceExtension(thumbnail, ".bmp");
        const auto bmpTime = std::filesystem::last_write_time(bmp, ec);
        if (bmp == thumbnail || ec || bmpTime < thumbTime) {
            JpegFileToBmpFile(bmp, thumbnail);
        }
        picture.image = ToImage(ReadBmpFile(bmp));
    } catch (const std::exception&) {
        // A thumbnail that does not decode leaves its row unpainted.
    }
    pictures_.insert(key, picture);
    return picture.image;
}

void ImagesList::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    emit activatedByUser();
}

void ImagesList::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        emit activatedByUser();
        return;
    }
    QListWidget::keyPressEvent(event);
}

ImagesListDelegate::ImagesListDelegate(ImagesList* list) : QStyledItemDelegate(list), list_(list) {}

QSize ImagesListDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    return {option.rect.width(), index.data(kHeightRole).toInt()};
}

void ImagesListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    if (!list_->thumbnails_.path) {
        return;
    }
    const std::filesystem::path thumbnail = list_->thumbnails_.path(index.data(kImageRole).toInt());
    std::error_code ec;
    if (thumbnail.empty() || !std::filesystem::exists(thumbnail, ec)) {
        return;
    }
    const std::optional<QImage> picture = list_->ThumbnailPicture(thumbnail);
    if (!picture) {
        return;
    }
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& pal = list_->palette();
    const QColor fill = selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base);
    const QColor text = selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text);
    const QRect& r = option.rect;
    const int right = r.x() + r.width();
    const int bottom = r.y() + r.height();

    painter->save();
    painter->fillRect(r, fill);
    const int x = ImagesList::ThumbnailLeft(right, picture->width(), list_->maxThumbWidth());
    painter->drawImage(QPoint(x, r.y() + 2), *picture);

    QFont font = list_->font();
    font.setPixelSize(kTitlePixelSize);
    font.setBold(true);
    painter->setFont(font);
    painter->setPen(text);
    painter->setBackgroundMode(Qt::OpaqueMode);
    painter->setBackground(fill);
    const QPoint at(r.x() + 10, ImagesList::TitleTop(r.y(), bottom));
    painter->drawText(QRect(at, QSize(r.width(), r.height() + kTitlePixelSize)),
                      Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, index.data().toString());

    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.backgroundColor = fill;
        list_->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, list_);
    }
    painter->restore();
}

}  // namespace wylo::app
