#pragma once

#include <QObject>
#include <QSystemTrayIcon>

class QAction;
class QMenu;

namespace wylo::app {

// The icon in the notification area with its menu: the latest status text
// (a label), "Change Now", "Previous" and "Next", "Never Show This Picture
// Again", and "Exit".
class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(const QIcon& icon, QObject* parent = nullptr);
    ~TrayIcon() override;

    // The hint shown when the pointer rests on the icon.
    void setHint(const QString& hint);
    QString hint() const;

    // True while the desktop has a notification area to show the icon in;
    // without one the window must stay reachable.
    static bool IsAvailable();

    QSystemTrayIcon* tiTray;
    QMenu* PopupMenu1;
    QAction* NextChange;
    QAction* ChangeNow1;
    QAction* Previous1;
    QAction* Next1;
    QAction* Keep1;
    QAction* NeverAgain1;
    QAction* Exit2;

signals:
    void restoreRequested();
};

}  // namespace wylo::app
