#pragma once

#include <QFrame>
#include <QGroupBox>
#include <QList>
#include <QSpinBox>
#include <QStringList>

#include "base/Colour.h"

class QButtonGroup;
class QRadioButton;

namespace wylo::app {

// A titled group of radio buttons with one index: -1 for none. It reports
// clicked() whenever its index changes, by the user or by the program, but
// not when it is given the index it already has.
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& title, const QStringList& items, QWidget* parent = nullptr);

    int itemIndex() const { return index_; }
    // Indexes below -1 become -1, those past the last item the last item.
    void setItemIndex(int index);
    int count() const { return buttons_.size(); }
    QRadioButton* button(int i) const { return buttons_.value(i); }

signals:
    void clicked();

private:
    void onToggled(int id, bool checked);

    QButtonGroup* group_;
    QList<QRadioButton*> buttons_;
    int index_ = -1;
};

// A panel showing one colour. A double-click (or Enter or Space while it has
// the focus) asks to change it.
class ColourPanel : public QFrame {
    Q_OBJECT
public:
    explicit ColourPanel(QWidget* parent = nullptr);

    Colour colour() const { return colour_; }
    void setColour(Colour colour);

signals:
    void doubleClicked();
    // It shows another colour now.
    void colourChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Colour colour_ = kBlack;
};

QColor ToQColor(Colour colour);
Colour FromQColor(const QColor& colour);

// A spin box whose allowed range can narrow without touching the value shown:
// the value comes into the range when the user steps it or leaves the box.
class SpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit SpinEdit(QWidget* parent = nullptr);

    void setAllowedRange(int minimum, int maximum);
    int allowedMinimum() const { return min_; }
    int allowedMaximum() const { return max_; }
    // Sets the value brought into the allowed range.
    void setClampedValue(int value);

    void stepBy(int steps) override;

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void BringIntoRange();

    int min_ = 1;
    int max_ = 9999;
};

}  // namespace wylo::app
