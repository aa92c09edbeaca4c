// Renders Wylo's artwork, which is drawn in code, into the Windows icon files
// the native Windows program carries as resources: the program icon, the page
// tab pictures and the channel page's buttons. Each .ico holds the picture at
// several sizes as 32-bit bitmaps with an alpha channel, so the Windows
// program shows the very same pictures as the Linux one, sharp at every
// display scaling. Run by data/win32/make-icons; the results are committed.
#include <QByteArray>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <cstdio>
#include <functional>
#include <vector>

#include "app/Icons.h"

namespace {

// One ICO image: a BITMAPINFOHEADER, bottom-up BGRA rows and the 1-bit AND
// mask (all zero: the alpha channel decides).
QByteArray IconImage(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int size = image.width();
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint32(40) << qint32(size) << qint32(size * 2) << quint16(1) << quint16(32)
        << quint32(0) << quint32(0) << qint32(0) << qint32(0) << quint32(0) << quint32(0);
    for (int y = size - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < size; ++x) {
            out << quint8(qBlue(row[x])) << quint8(qGreen(row[x])) << quint8(qRed(row[x]))
                << quint8(qAlpha(row[x]));
        }
    }
    const int maskStride = ((size + 31) / 32) * 4;
    for (int i = 0; i < maskStride * size; ++i) {
        out << quint8(0);
    }
    return data;
}

bool WriteIcon(const QString& file, const QIcon& icon, const std::vector<int>& sizes) {
    std::vector<QByteArray> images;
    for (int size : sizes) {
        images.push_back(IconImage(icon.pixmap(size, size).toImage()));
    }
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(images.size());
    quint32 offset = 6 + 16 * static_cast<quint32>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const int size = sizes[i];
        out << quint8(size >= 256 ? 0 : size) << quint8(size >= 256 ? 0 : size) << quint8(0)
            << quint8(0) << quint16(1) << quint16(32) << quint32(images[i].size()) << offset;
        offset += images[i].size();
    }
    for (const QByteArray& image : images) {
        data.append(image);
    }
    QFile f(file);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: wylo-render-windows-icons <folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    using namespace wylo::app;
    const std::vector<int> program = {16, 20, 24, 32, 40, 48, 64, 256};
    // Tab pictures are 32 pixels at 100 %; the larger sizes serve 150 % and 200 %.
    const std::vector<int> picture = {32, 48, 64};
    const std::vector<int> small = {16, 24, 32};
    bool ok = WriteIcon(folder + "/wylo.ico", ProgramIcon(), program);
    for (int i = 0; i < kTabIconCount; ++i) {
        ok = WriteIcon(folder + QStringLiteral("/tab%1.ico").arg(i), TabIcon(i), picture) && ok;
    }
    ok = WriteIcon(folder + "/refresh.ico", RefreshIcon(), small) && ok;
    ok = WriteIcon(folder + "/subscribe.ico", SubscribeIcon(), picture) && ok;
    ok = WriteIcon(folder + "/terms.ico", TermsIcon(), picture) && ok;
    if (!ok) {
        std::fprintf(stderr, "wylo-render-windows-icons: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
