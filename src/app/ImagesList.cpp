#include "app/ImagesList.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <system_error>

#include "app/Pictures.h"
#include "session/ImageRows.h"
#include "session/Session.h"
#include "session/SessionObserver.h"

namespace wylo::app {
namespace {

constexpr int kHeightRole = Qt::UserRole + 1;
constexpr int kImageRole = Qt::UserRole;
// The title is 14-point bold; at 96 dots per inch that is 19 pixels.
constexpr int kTitlePixelSize = 19;
constexpr int kTitlePoints = 14;
// Left of the title, and between it and the thumbnail column.
constexpr int kTitleLeft = 10;
constexpr int kTitleGap = 8;
// The desktop mark: a bar along the row's left edge and a badge under the
// title.
constexpr int kMarkBarWidth = 4;
constexpr int kBadgePixelSize = 11;

}  // namespace

ImagesList::Thumbnails ImagesList::ThumbnailsOf(Session& session) {
    return {[&session](int i) { return session.ThumbnailPath(i); },
            [&session](const std::filesystem::path& thumbnail) -> std::optional<QImage> {
                const std::optional<wylo::ThumbnailPicture> picture =
                    session.ThumbnailBitmap(thumbnail);
                return picture ? std::optional<QImage>(ToQImage(*picture)) : std::nullopt;
            },
            [&session] { session.ReleaseThumbnails(); },
            [&session] { return session.maxThumbWidth(); },
            [&session](int i) { session.ThumbnailWanted(i); }};
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

    imageMenu = new QMenu(this);
    imageMenu->setObjectName(QStringLiteral("imageMenu"));
    KeepImage1 = imageMenu->addAction(QStringLiteral("&Keep This Picture"));
    KeepImage1->setObjectName(QStringLiteral("KeepImage1"));
    NeverAgainImage1 = imageMenu->addAction(QStringLiteral("Ne&ver Show This Picture Again"));
    NeverAgainImage1->setObjectName(QStringLiteral("NeverAgainImage1"));
    connect(KeepImage1, &QAction::triggered, this, [this] { emit keepAsked(menuRow_); });
    connect(NeverAgainImage1, &QAction::triggered, this,
            [this] { emit neverAgainAsked(menuRow_); });
}

void ImagesList::AddRow(const QString& caption, int image, int height) {
    auto* item = new QListWidgetItem(caption, this);
    item->setData(kImageRole, image);
    item->setData(kHeightRole, height);
}

void ImagesList::SetRowHeights(const std::vector<std::pair<int, int>>& heights) {
    for (const auto& [row, height] : heights) {
        if (QListWidgetItem* it = item(row)) {
            it->setData(kHeightRole, height);
        }
    }
    // The rows below move: lay the list out again, once.
    scheduleDelayedItemsLayout();
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

void ImagesList::ShowDesktopImages(const DesktopImages& shown) {
    marks_.clear();
    int first = -1;
    for (const DesktopImages::Image& image : shown.images) {
        if (image.row < 0 || image.row >= count() || marks_.contains(image.row)) {
            continue;
        }
        if (first == -1) {
            first = image.row;
        }
        const QString text = QString::fromStdString(shown.MarkText(image.row));
        marks_.insert(image.row, text);
    }
    ShowMarksAsToolTips();
    if (first != -1) {
        selectRow(first);
    }
    viewport()->update();
}

void ImagesList::ShowImageMarks(const ImageMarks& marks) {
    kept_ = QSet<int>(marks.kept.begin(), marks.kept.end());
    hidden_ = QSet<int>(marks.hidden.begin(), marks.hidden.end());
    ShowMarksAsToolTips();
    viewport()->update();
}

QString ImagesList::markText(int row) const {
    QStringList words;
    if (marks_.contains(row)) {
        words << marks_.value(row);
    }
    if (kept_.contains(row)) {
        words << QStringLiteral("Kept in Favourites");
    }
    if (hidden_.contains(row)) {
        words << QStringLiteral("Never shown again");
    }
    return words.join(QStringLiteral(", "));
}

void ImagesList::ShowMarksAsToolTips() {
    for (int r = 0; r < count(); ++r) {
        item(r)->setToolTip(markText(r));
    }
}

void ImagesList::PrepareImageMenu(int row) {
    menuRow_ = row;
    KeepImage1->setEnabled(row >= 0 && row < count());
    NeverAgainImage1->setEnabled(row >= 0 && row < count() && !hidden_.contains(row));
}

void ImagesList::contextMenuEvent(QContextMenuEvent* event) {
    const QModelIndex index = indexAt(event->pos());
    if (!index.isValid()) {
        return;
    }
    selectRow(index.row());
    PrepareImageMenu(index.row());
    imageMenu->popup(event->globalPos());
}

QString ImagesList::ShownTitle(const QFontMetrics& metrics, const QString& title, int rowLeft,
                               int rowRight, int maxThumbWidth) {
    const int columnLeft = rowRight - 10 - maxThumbWidth;
    const int width = columnLeft - kTitleGap - (rowLeft + kTitleLeft);
    return metrics.elidedText(title, Qt::ElideRight, std::max(width, 0));
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
    const int image = index.data(kImageRole).toInt();
    const std::filesystem::path thumbnail = list_->thumbnails_.path(image);
    std::error_code ec;
    if (thumbnail.empty() || !std::filesystem::exists(thumbnail, ec)) {
        // Fetched beside the window; the row is painted when it has come.
        if (thumbnail.empty() && list_->thumbnails_.wanted) {
            list_->thumbnails_.wanted(image);
        }
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
    const QPoint at(r.x() + kTitleLeft, ImagesList::TitleTop(r.y(), bottom));
    const QString title = ImagesList::ShownTitle(QFontMetrics(font), index.data().toString(), r.x(),
                                                 right, list_->maxThumbWidth());
    painter->drawText(QRect(at, QSize(r.width(), r.height() + kTitlePixelSize)),
                      Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, title);

    const QString mark = list_->markText(index.row());
    if (!mark.isEmpty()) {
        // The highlight colour on a plain row; the row's own colours on the
        // selected one, so the mark never vanishes into the selection.
        const QColor markFill =
            selected ? pal.color(QPalette::Base) : pal.color(QPalette::Highlight);
        const QColor markText =
            selected ? pal.color(QPalette::Text) : pal.color(QPalette::HighlightedText);
        if (list_->isOnDesktop(index.row())) {
            painter->fillRect(QRect(r.x(), r.y(), kMarkBarWidth, r.height()), markFill);
        }
        QFont badgeFont = list_->font();
        badgeFont.setPixelSize(kBadgePixelSize);
        badgeFont.setBold(true);
        const QFontMetrics badgeMetrics(badgeFont);
        const QRect badge(at.x(), at.y() + kTitlePixelSize + 4,
                          badgeMetrics.horizontalAdvance(mark) + 10, badgeMetrics.height() + 2);
        // Only where the row has room for it; the bar alone marks a low row.
        if (badge.bottom() < bottom - 1) {
            painter->setBackgroundMode(Qt::TransparentMode);
            painter->setPen(Qt::NoPen);
            painter->setBrush(markFill);
            painter->setRenderHint(QPainter::Antialiasing);
            painter->drawRoundedRect(badge, 4, 4);
            painter->setFont(badgeFont);
            painter->setPen(markText);
            painter->drawText(badge, Qt::AlignCenter, mark);
        }
    }

    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.backgroundColor = fill;
        list_->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, list_);
    }
    painter->restore();
}

}  // namespace wylo::app
