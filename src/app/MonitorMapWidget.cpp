#include "app/MonitorMapWidget.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace wylo::app {
namespace {

QRect ToQRect(const Rect& r) {
    return QRect(r.left, r.top, std::max(0, r.Width()), std::max(0, r.Height()));
}

}  // namespace

MonitorPanel::MonitorPanel(const wylo::MonitorPanel& monitor, QWidget* parent)
    : QFrame(parent), caption_(QString::fromStdString(monitor.caption)) {
    setObjectName(QStringLiteral("Monitor") + caption_);
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    setGeometry(ToQRect(monitor.bounds));
    setToolTip(QString::fromStdString(monitor.hint));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 255));
    setPalette(pal);
}

void MonitorPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter p(this);
    QFont font = this->font();
    // 32 points at 96 dots per inch.
    font.setPixelSize(43);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(rect(), Qt::AlignCenter, caption_);
}

void MonitorPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit clicked();
    }
    QFrame::mousePressEvent(event);
}

MonitorMap::MonitorMap(const MonitorMapLayout& layout, QWidget* host) : QWidget(host) {
    setObjectName(QStringLiteral("MonitorMap"));
    setGeometry(ToQRect(layout.map));
    for (const wylo::MonitorPanel& monitor : layout.monitors) {
        auto* panel = new MonitorPanel(monitor, this);
        const int index = static_cast<int>(panels_.size());
        connect(panel, &MonitorPanel::clicked, this, [this, index] { emit monitorClicked(index); });
        panels_.append(panel);
    }
}

}  // namespace wylo::app
