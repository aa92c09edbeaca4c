// Renders the program icon, which is drawn in code, to the PNG files that the
// freedesktop icon theme wants: <folder>/<size>/wylo.png for each size given.
#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <cstdio>

#include "app/Icons.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: wylo-render-icon <folder> <size>...\n");
        return 2;
    }
    const QIcon icon = wylo::app::ProgramIcon();
    for (int i = 2; i < args.size(); ++i) {
        bool ok = false;
        const int size = args[i].toInt(&ok);
        if (!ok || size <= 0 || size > 1024) {
            std::fprintf(stderr, "wylo-render-icon: bad size %s\n", qPrintable(args[i]));
            return 2;
        }
        const QString folder = args[1] + "/" + QString::number(size);
        const QString file = folder + "/wylo.png";
        if (!QDir().mkpath(folder) || !icon.pixmap(size, size).save(file, "PNG")) {
            std::fprintf(stderr, "wylo-render-icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
