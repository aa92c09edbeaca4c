#include "app/ImagesList.h"

#include <QKeyEvent>
#include <QPainter>
#include <system_error>

#include "app/Pictures.h"
#include "session/ImageRows.h"
#include "session/Session.h"

namespace wylo::app {
namespace {

constexpr int kHeightRole = Qt::UserRole + 1;
constexpr int kImageRole = Qt::UserRole;
// The title is 14-point bold; at 96 dots per inch that is 19 pixels.
constexpr int kTitlePixelSize = 19;
constexpr int kTitlePoints = 14;

}  // namespace

ImagesList::Thumbnails ImagesList::ThumbnailsOf(Session& session) {
    return {[&session](int i) { return session.ThumbnailPath(i); },
            [&session](const std::filesystem::path& thumbnail) -> std::optional<QImage> {
                const std::optional<wylo::ThumbnailPicture> picture =
                    session.ThumbnailBitmap(thumbnail);
                return picture ? std::optional<QImage>(ToQImage(*picture)) : std::nullopt;
            },
            [&session] { session.ReleaseThumbnails(); },
            [&session] { return session.maxThumbWidth(); }};
}

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

void ImagesList::AddRow(const QString& caption, int image, int height) {
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
        scrollToItem(item(r));
    } else {
        clearSelection();
    }
}

void ImagesList::ReleasePictures() {
    if (thumbnails_.release) {
        thumbnails_.release();
    }
}

int ImagesList::ThumbnailLeft(int rowRight, int width, int maxThumbWidth) {
    return wylo::ThumbnailLeft(rowRight, width, maxThumbWidth);
}

int ImagesList::TitleTop(int top, int bottom) {
    return wylo::TitleTop(top, bottom, kTitlePoints);
}

std::optional<QImage> ImagesList::ThumbnailPicture(const std::filesystem::path& thumbnail) const {
    return thumbnails_.picture ? thumbnails_.picture(thumbnail) : std::nullopt;
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
    if (!list_->thumbnails_.path || !list_->thumbnails_.picture) {
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
    painter->drawImage(QPoint(x, ThumbnailTop(r.y())), *picture);

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
