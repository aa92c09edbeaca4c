#include "app/PageControl.h"

#include <QStyleOptionTab>
#include <QStylePainter>

namespace wylo::app {
namespace {

// Captions wider than this are broken onto two lines.
constexpr int kOneLineWidth = 90;
constexpr int kPadding = 8;
constexpr int kGap = 5;

}  // namespace

PageTabBar::PageTabBar(QWidget* parent) : QTabBar(parent) {
    setExpanding(false);
    setUsesScrollButtons(true);
}

QStringList PageTabBar::CaptionLines(const QString& text, const QFontMetrics& metrics) {
    QString plain = text;
    plain.remove(QLatin1Char('&'));
    if (metrics.horizontalAdvance(plain) <= kOneLineWidth || !plain.contains(QLatin1Char(' '))) {
        return {plain};
    }
    QStringList best = {plain};
    int bestWidth = metrics.horizontalAdvance(plain);
    for (int i = plain.indexOf(QLatin1Char(' ')); i >= 0;
         i = plain.indexOf(QLatin1Char(' '), i + 1)) {
        const QStringList lines = {plain.left(i), plain.mid(i + 1)};
        const int width =
            std::max(metrics.horizontalAdvance(lines[0]), metrics.horizontalAdvance(lines[1]));
        if (width < bestWidth) {
            best = lines;
            bestWidth = width;
        }
    }
    return best;
}

QSize PageTabBar::tabSizeHint(int index) const {
    const QFontMetrics fm = fontMetrics();
    int textWidth = 0;
    for (const QString& line : CaptionLines(tabText(index), fm)) {
        textWidth = std::max(textWidth, fm.horizontalAdvance(line));
    }
    const QSize icon = iconSize();
    return {kPadding + icon.width() + kGap + textWidth + kPadding,
            std::max(icon.height(), 2 * fm.height()) + 2 * kPadding - 4};
}

void PageTabBar::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    for (int i = 0; i < count(); ++i) {
        if (!isTabVisible(i)) {
            continue;
        }
        QStyleOptionTab option;
        initStyleOption(&option, i);
        const QString text = option.text;
        const QIcon icon = option.icon;
        option.text.clear();
        option.icon = QIcon();
        p.drawControl(QStyle::CE_TabBarTabShape, option);

        const QRect r = option.rect;
        const QSize iconSz = iconSize();
        const QRect iconRect(r.left() + kPadding, r.center().y() - iconSz.height() / 2 + 1,
                             iconSz.width(), iconSz.height());
        icon.paint(&p, iconRect, Qt::AlignCenter,
                   isTabEnabled(i) ? QIcon::Normal : QIcon::Disabled);

        const QFontMetrics fm = fontMetrics();
        const QStringList lines = CaptionLines(text, fm);
        const int textHeight = static_cast<int>(lines.size()) * fm.height();
        const QRect textRect(iconRect.right() + 1 + kGap, r.center().y() - textHeight / 2 + 1,
                             r.right() - iconRect.right() - kGap - kPadding + 1, textHeight);
        p.setPen(palette().color(isTabEnabled(i) ? QPalette::Active : QPalette::Disabled,
                                 QPalette::WindowText));
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, lines.join(QLatin1Char('\n')));

        if (hasFocus() && i == currentIndex()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = textRect.adjusted(-2, -1, 2, 1);
            p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
        }
    }
}

PageControl::PageControl(QWidget* parent) : QTabWidget(parent) {
    setTabBar(new PageTabBar(this));
}

}  // namespace wylo::app
