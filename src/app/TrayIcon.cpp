#include "app/TrayIcon.h"

#include <QAction>
#include <QMenu>

namespace wylo::app {

TrayIcon::TrayIcon(const QIcon& icon, QObject* parent)
    : QObject(parent), tiTray(new QSystemTrayIcon(icon, this)), PopupMenu1(new QMenu) {
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    NextChange = PopupMenu1->addAction(QStringLiteral("moo"));
    NextChange->setObjectName(QStringLiteral("NextChange"));
    NextChange->setEnabled(false);
    PopupMenu1->addSeparator();
    ChangeNow1 = PopupMenu1->addAction(QStringLiteral("&Change Now"));
    ChangeNow1->setObjectName(QStringLiteral("ChangeNow1"));
    Previous1 = PopupMenu1->addAction(QStringLiteral("&Previous"));
    Previous1->setObjectName(QStringLiteral("Previous1"));
    Previous1->setEnabled(false);
    Next1 = PopupMenu1->addAction(QStringLiteral("&Next"));
    Next1->setObjectName(QStringLiteral("Next1"));
    Next1->setEnabled(false);
    Keep1 = PopupMenu1->addAction(QStringLiteral("&Keep This Picture"));
    Keep1->setObjectName(QStringLiteral("Keep1"));
    Keep1->setEnabled(false);
    NeverAgain1 = PopupMenu1->addAction(QStringLiteral("Ne&ver Show This Picture Again"));
    NeverAgain1->setObjectName(QStringLiteral("NeverAgain1"));
    NeverAgain1->setEnabled(false);
    PopupMenu1->addSeparator();
    Exit2 = PopupMenu1->addAction(QStringLiteral("E&xit"));
    Exit2->setObjectName(QStringLiteral("Exit2"));
    Exit2->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));

    tiTray->setObjectName(QStringLiteral("tiTray"));
    tiTray->setContextMenu(PopupMenu1);
    connect(tiTray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::DoubleClick) {
            emit restoreRequested();
        }
    });
    tiTray->show();
}

TrayIcon::~TrayIcon() {
    delete PopupMenu1;
}

void TrayIcon::setHint(const QString& hint) {
    tiTray->setToolTip(hint);
}
QString TrayIcon::hint() const {
    return tiTray->toolTip();
}

bool TrayIcon::IsAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

}  // namespace wylo::app
