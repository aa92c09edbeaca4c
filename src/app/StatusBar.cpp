#include "app/StatusBar.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QToolButton>

namespace wylo::app {
namespace {

// The status text, centred; a text wider than the label ends with "..."
// rather than being cut off at both edges (its tooltip holds all of it).
class StatusText : public QLabel {
public:
    explicit StatusText(QWidget* parent) : QLabel(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect area = contentsRect();
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
        painter.setPen(palette().color(foregroundRole()));
        painter.drawText(area, Qt::AlignCenter | Qt::TextSingleLine, shown);
    }
};

}  // namespace

QFont WindowFont() {
    for (const char* family : {"Tahoma", "DejaVu Sans Condensed"}) {
        QFont font(QString::fromLatin1(family));
        font.setPixelSize(11);
        if (QFontInfo(font).family().compare(QLatin1String(family), Qt::CaseInsensitive) == 0) {
            return font;
        }
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(11);
    return font;
}

StatusBar::StatusBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("Panel2"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setFixedHeight(20);
    auto* status = new QHBoxLayout(this);
    status->setContentsMargins(1, 1, 1, 1);
    status->setSpacing(2);
    sbChangeNow = new QToolButton(this);
    sbChangeNow->setObjectName(QStringLiteral("sbChangeNow"));
    sbChangeNow->setText(QStringLiteral("Change Now"));
    sbChangeNow->setToolTip(QStringLiteral("Put the next picture on the desktop now"));
    sbChangeNow->setFocusPolicy(Qt::NoFocus);
    sbChangeNow->setAutoRaise(true);
    sbChangeNow->setFixedWidth(72);
    sbChangeNow->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    const auto historyButton = [this](const char* name, const char* text, const char* tip,
                                      int width) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setText(QString::fromLatin1(text));
        button->setToolTip(QString::fromLatin1(tip));
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRaise(true);
        button->setFixedWidth(width);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        // Nothing to go to until Wylo has put a wallpaper on the desktop.
        button->setEnabled(false);
        return button;
    };
    sbPrevious = historyButton("sbPrevious", "Previous",
                               "Put the wallpaper before this one back on the desktop", 56);
    sbNext = historyButton("sbNext", "Next", "Go forward again to the wallpaper that followed", 40);
    lStatus = new StatusText(this);
    lStatus->setObjectName(QStringLiteral("lStatus"));
    lStatus->setAlignment(Qt::AlignCenter);
    lStatus->setTextFormat(Qt::PlainText);
    lStatus->setMinimumWidth(1);
    pbHTTPProgress = new QProgressBar(this);
    pbHTTPProgress->setObjectName(QStringLiteral("pbHTTPProgress"));
    pbHTTPProgress->setFixedWidth(368);
    pbHTTPProgress->setTextVisible(false);
    pbHTTPProgress->setRange(0, 100);
    pbHTTPProgress->setValue(0);
    status->addWidget(sbChangeNow);
    status->addWidget(sbPrevious);
    status->addWidget(sbNext);
    status->addWidget(lStatus, 1);
    status->addWidget(pbHTTPProgress);
}

}  // namespace wylo::app
