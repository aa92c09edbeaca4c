#pragma once

#include <QFrame>

#include "desktop/MonitorMap.h"

namespace wylo::app {

// One monitor on the map: a blue raised panel with the monitor's number in
// large white type and its resolution as the hint.
class MonitorPanel : public QFrame {
    Q_OBJECT
public:
    MonitorPanel(const wylo::MonitorPanel& monitor, QWidget* parent);
    QString caption() const { return caption_; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QString caption_;
};

// The map panel: the virtual desktop scaled into its host, with a panel per
// monitor. Built once from a layout.
class MonitorMap : public QWidget {
    Q_OBJECT
public:
    MonitorMap(const MonitorMapLayout& layout, QWidget* host);
    QList<MonitorPanel*> monitorPanels() const { return panels_; }

signals:
    // The user clicked the panel of monitor (its place in the monitor list).
    void monitorClicked(int monitor);

private:
    QList<MonitorPanel*> panels_;
};

}  // namespace wylo::app
