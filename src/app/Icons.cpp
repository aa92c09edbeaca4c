#include "app/Icons.h"

#include <QIconEngine>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>
#include <QtMath>
#include <functional>

namespace wylo::app {
namespace {

// Draws into a 32 x 32 design square; the engine scales it to the size asked.
using Artwork = std::function<void(QPainter&)>;

class PaintedIconEngine : public QIconEngine {
public:
    explicit PaintedIconEngine(Artwork art) : art_(std::move(art)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const qreal side = qMin(rect.width(), rect.height());
        painter->translate(rect.x() + (rect.width() - side) / 2.0,
                           rect.y() + (rect.height() - side) / 2.0);
        painter->scale(side / 32.0, side / 32.0);
        if (mode == QIcon::Disabled) {
            painter->setOpacity(0.35);
        }
        art_(*painter);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        QPixmap pm(size * scale);
        pm.fill(Qt::transparent);
        {
            QPainter p(&pm);
            paint(&p, QRect(QPoint(0, 0), size * scale), mode, state);
        }
        pm.setDevicePixelRatio(scale);
        return pm;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}};
    }

    QIconEngine* clone() const override { return new PaintedIconEngine(art_); }

private:
    Artwork art_;
};

QIcon Painted(Artwork art) {
    return QIcon(new PaintedIconEngine(std::move(art)));
}

const QColor kInk(0x2b, 0x3a, 0x4a);
const QColor kSky(0x3d, 0x8b, 0xd9);
const QColor kSkyLight(0x9f, 0xd4, 0xfa);
const QColor kSun(0xff, 0xc8, 0x3a);
const QColor kHill(0x3f, 0x9e, 0x5a);
const QColor kHillDark(0x2a, 0x6f, 0x45);
const QColor kPaper(0xfb, 0xfb, 0xf8);

void Landscape(QPainter& p, const QRectF& r) {
    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0, kSky);
    sky.setColorAt(1, kSkyLight);
    p.fillRect(r, sky);
    const qreal w = r.width();
    const qreal h = r.height();
    p.setPen(Qt::NoPen);
    p.setBrush(kSun);
    p.drawEllipse(QPointF(r.left() + w * 0.72, r.top() + h * 0.30), w * 0.13, w * 0.13);
    QPainterPath back;
    back.moveTo(r.left(), r.bottom());
    back.lineTo(r.left(), r.top() + h * 0.70);
    back.lineTo(r.left() + w * 0.35, r.top() + h * 0.38);
    back.lineTo(r.left() + w * 0.62, r.top() + h * 0.66);
    back.lineTo(r.left() + w * 0.78, r.top() + h * 0.52);
    back.lineTo(r.right(), r.top() + h * 0.72);
    back.lineTo(r.right(), r.bottom());
    back.closeSubpath();
    p.setBrush(kHill);
    p.drawPath(back);
    QPainterPath front;
    front.moveTo(r.left(), r.bottom());
    front.lineTo(r.left(), r.top() + h * 0.86);
    front.quadTo(r.left() + w * 0.45, r.top() + h * 0.70, r.right(), r.top() + h * 0.88);
    front.lineTo(r.right(), r.bottom());
    front.closeSubpath();
    p.setBrush(kHillDark);
    p.drawPath(front);
}

void DrawProgram(QPainter& p) {
    // A white-framed photograph with a soft shadow.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRoundedRect(QRectF(2.5, 3.5, 28, 26), 3, 3);
    p.setBrush(kPaper);
    p.setPen(QPen(QColor(0x8a, 0x94, 0x9e), 0.8));
    p.drawRoundedRect(QRectF(1.5, 2, 28, 26), 3, 3);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(4, 4.5, 23, 21), 1.5, 1.5);
    p.save();
    p.setClipPath(clip);
    Landscape(p, QRectF(4, 4.5, 23, 21));
    p.restore();
}

void DrawGlobe(QPainter& p) {
    QRadialGradient sea(QPointF(12, 11), 16);
    sea.setColorAt(0, QColor(0x7c, 0xc4, 0xff));
    sea.setColorAt(1, QColor(0x1f, 0x6f, 0xc4));
    p.setBrush(sea);
    p.setPen(QPen(QColor(0x17, 0x4f, 0x8c), 1.2));
    p.drawEllipse(QPointF(16, 16), 13.5, 13.5);
    p.setPen(QPen(QColor(255, 255, 255, 190), 1.1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(16, 16), 6, 13.5);
    p.drawLine(QPointF(16, 2.5), QPointF(16, 29.5));
    p.drawLine(QPointF(2.5, 16), QPointF(29.5, 16));
    p.drawArc(QRectF(4, 4, 24, 10), 200 * 16, 140 * 16);
    p.drawArc(QRectF(4, 18, 24, 10), 20 * 16, 140 * 16);
}

void DrawChannelList(QPainter& p) {
    // Three stacked photo cards, each with a caption line.
    for (int i = 0; i < 3; ++i) {
        const qreal y = 3 + i * 9.5;
        p.setPen(QPen(QColor(0x8a, 0x94, 0x9e), 0.8));
        p.setBrush(kPaper);
        p.drawRoundedRect(QRectF(2, y, 28, 8), 1.5, 1.5);
        p.save();
        QPainterPath clip;
        clip.addRect(QRectF(3.2, y + 1.2, 8.5, 5.6));
        p.setClipPath(clip);
        Landscape(p, QRectF(3.2, y + 1.2, 8.5, 5.6));
        p.restore();
        p.setPen(QPen(kInk, 1.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(14, y + 3), QPointF(26.5 - i * 2, y + 3));
        p.setPen(QPen(QColor(0x9a, 0xa6, 0xb2), 1.1, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(14, y + 5.6), QPointF(22 + i, y + 5.6));
    }
}

void DrawPicture(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x8b, 0x5a, 0x2b));
    p.drawRoundedRect(QRectF(1.5, 4, 29, 24), 1.5, 1.5);
    p.setBrush(QColor(0xc8, 0x92, 0x55));
    p.drawRect(QRectF(3, 5.5, 26, 21));
    Landscape(p, QRectF(5, 7.5, 22, 17));
}

void DrawNews(QPainter& p) {
    p.setPen(QPen(QColor(0x7a, 0x84, 0x8e), 0.9));
    p.setBrush(QColor(0xe9, 0xec, 0xef));
    p.drawRoundedRect(QRectF(6, 3, 24, 27), 1.5, 1.5);
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(2, 2, 24, 27), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawRect(QRectF(4.5, 5, 19, 4));
    p.save();
    QPainterPath clip;
    clip.addRect(QRectF(4.5, 11.5, 8.5, 7));
    p.setClipPath(clip);
    Landscape(p, QRectF(4.5, 11.5, 8.5, 7));
    p.restore();
    p.setPen(QPen(QColor(0x7a, 0x84, 0x8e), 1.1, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) {
        p.drawLine(QPointF(15, 12.5 + i * 2.6), QPointF(23.5, 12.5 + i * 2.6));
    }
    for (int i = 0; i < 3; ++i) {
        p.drawLine(QPointF(5, 21 + i * 2.6), QPointF(23.5, 21 + i * 2.6));
    }
}

void DrawGear(QPainter& p) {
    QPainterPath gear;
    const QPointF c(16, 16);
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const qreal a0 = (i - 0.5) * M_PI / teeth;
        const qreal a1 = (i + 0.5) * M_PI / teeth;
        const qreal r = (i % 2 == 0) ? 14.0 : 10.5;
        const QPointF p0 = c + QPointF(qCos(a0) * r, qSin(a0) * r);
        const QPointF p1 = c + QPointF(qCos(a1) * r, qSin(a1) * r);
        if (i == 0) {
            gear.moveTo(p0);
        } else {
            gear.lineTo(p0);
        }
        gear.lineTo(p1);
    }
    gear.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(c, 4.5, 4.5);
    gear = gear.subtracted(hole);
    QLinearGradient metal(QPointF(0, 2), QPointF(0, 30));
    metal.setColorAt(0, QColor(0x9b, 0xa8, 0xb5));
    metal.setColorAt(1, QColor(0x56, 0x63, 0x70));
    p.setPen(QPen(QColor(0x3a, 0x44, 0x4e), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(metal);
    p.drawPath(gear);
}

void DrawRefresh(QPainter& p) {
    const QColor green(0x2e, 0x8b, 0x57);
    p.setPen(QPen(green, 3.2, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(6, 6, 20, 20), 40 * 16, 280 * 16);
    // Arrow head at the arc's start, pointing along the turn.
    p.setPen(Qt::NoPen);
    p.setBrush(green);
    QPainterPath head;
    head.moveTo(29, 4);
    head.lineTo(29, 14.5);
    head.lineTo(18.5, 14.5);
    head.closeSubpath();
    p.drawPath(head);
}

void DrawSubscribe(QPainter& p) {
    // A photo with a green plus badge.
    p.setPen(QPen(QColor(0x8a, 0x94, 0x9e), 0.8));
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(1.5, 3, 24, 20), 2, 2);
    p.save();
    QPainterPath clip;
    clip.addRect(QRectF(3.5, 5, 20, 16));
    p.setClipPath(clip);
    Landscape(p, QRectF(3.5, 5, 20, 16));
    p.restore();
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(QColor(0x2e, 0x9d, 0x4f));
    p.drawEllipse(QPointF(23, 23), 7.5, 7.5);
    p.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(23, 19), QPointF(23, 27));
    p.drawLine(QPointF(19, 23), QPointF(27, 23));
}

void DrawSubscribedMark(QPainter& p) {
    // A green disc with a white tick.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2e, 0x9d, 0x4f));
    p.drawEllipse(QPointF(16, 16), 14, 14);
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath tick;
    tick.moveTo(9, 16.5);
    tick.lineTo(14, 21.5);
    tick.lineTo(23, 11);
    p.drawPath(tick);
}

void DrawTerms(QPainter& p) {
    p.setPen(QPen(QColor(0x7a, 0x84, 0x8e), 0.9));
    p.setBrush(kPaper);
    QPainterPath page;
    page.moveTo(5, 2);
    page.lineTo(21, 2);
    page.lineTo(27, 8);
    page.lineTo(27, 30);
    page.lineTo(5, 30);
    page.closeSubpath();
    p.drawPath(page);
    p.drawLine(QPointF(21, 2), QPointF(21, 8));
    p.drawLine(QPointF(21, 8), QPointF(27, 8));
    p.setPen(QPen(QColor(0x7a, 0x84, 0x8e), 1.1, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 4; ++i) {
        p.drawLine(QPointF(8.5, 8 + i * 3), QPointF(i == 0 ? 18 : 23.5, 8 + i * 3));
    }
    // A red seal.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc0, 0x39, 0x2b));
    p.drawEllipse(QPointF(20, 23.5), 5, 5);
    p.setBrush(QColor(0xe7, 0x6f, 0x5f));
    p.drawEllipse(QPointF(20, 23.5), 2.6, 2.6);
}

}  // namespace

QIcon ProgramIcon() {
    return Painted(DrawProgram);
}

QIcon TabIcon(int picture) {
    switch (picture) {
        case 0:
            return Painted(DrawGlobe);
        case 1:
            return Painted(DrawChannelList);
        case 2:
            return Painted(DrawPicture);
        case 3:
            return Painted(DrawNews);
        case 4:
            return Painted(DrawGear);
        default:
            return {};
    }
}

QIcon RefreshIcon() {
    return Painted(DrawRefresh);
}
QIcon SubscribeIcon() {
    return Painted(DrawSubscribe);
}
QIcon SubscribedMarkIcon() {
    return Painted(DrawSubscribedMark);
}
QIcon TermsIcon() {
    return Painted(DrawTerms);
}

}  // namespace wylo::app
