#include "app/Controls.h"

#include <QButtonGroup>
#include <QKeyEvent>
#include <QPainter>
#include <QRadioButton>
#include <QStyleOptionFocusRect>
#include <QVBoxLayout>
#include <algorithm>

namespace wylo::app {

RadioGroup::RadioGroup(const QString& title, const QStringList& items, QWidget* parent)
    : QGroupBox(title, parent), group_(new QButtonGroup(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 2, 4, 2);
    layout->setSpacing(0);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        group_->addButton(button, i);
        buttons_.append(button);
        layout->addWidget(button);
    }
    connect(group_, &QButtonGroup::idToggled, this, &RadioGroup::onToggled);
    setItemIndex(-1);
}

void RadioGroup::setItemIndex(int index) {
    index = std::clamp(index, -1, static_cast<int>(buttons_.size()) - 1);
    if (index == index_) {
        return;
    }
    if (index < 0) {
        // An exclusive group cannot clear its last button by itself.
        group_->setExclusive(false);
        for (QRadioButton* b : buttons_) {
            b->setChecked(false);
        }
        group_->setExclusive(true);
        index_ = -1;
        emit clicked();
        return;
    }
    buttons_[index]->setChecked(true);
}

void RadioGroup::onToggled(int id, bool checked) {
    if (!checked || id == index_) {
        return;
    }
    index_ = id;
    emit clicked();
}

ColourPanel::ColourPanel(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    setFocusPolicy(Qt::StrongFocus);
}

void ColourPanel::setColour(Colour colour) {
    const Colour before = colour_;
    colour_ = colour & 0xFFFFFF;
    update();
    if (colour_ != before) {
        emit colourChanged();
    }
}

void ColourPanel::paintEvent(QPaintEvent* event) {
    {
        QPainter p(this);
        p.fillRect(rect(), ToQColor(colour_));
        if (hasFocus()) {
            QStyleOptionFocusRect option;
            option.initFrom(this);
            option.rect = rect().adjusted(4, 4, -4, -4);
            option.backgroundColor = ToQColor(colour_);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, this);
        }
    }
    QFrame::paintEvent(event);
}

void ColourPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit doubleClicked();
    }
}

void ColourPanel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            emit doubleClicked();
            return;
        default:
            QFrame::keyPressEvent(event);
    }
}

QColor ToQColor(Colour colour) {
    return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

Colour FromQColor(const QColor& colour) {
    return MakeColour(static_cast<std::uint8_t>(colour.red()),
                      static_cast<std::uint8_t>(colour.green()),
                      static_cast<std::uint8_t>(colour.blue()));
}

SpinEdit::SpinEdit(QWidget* parent) : QSpinBox(parent) {
    setRange(min_, max_);
    setAccelerated(true);
}

void SpinEdit::setAllowedRange(int minimum, int maximum) {
    min_ = minimum;
    max_ = std::max(minimum, maximum);
    // The box's own range still holds the value shown, so narrowing the
    // allowed range does not change it yet.
    setRange(std::min(min_, value()), std::max(max_, value()));
}

void SpinEdit::setClampedValue(int v) {
    setRange(min_, max_);
    setValue(std::clamp(v, min_, max_));
}

void SpinEdit::stepBy(int steps) {
    const long long next = static_cast<long long>(value()) + steps;
    setRange(min_, max_);
    setValue(static_cast<int>(std::clamp<long long>(next, min_, max_)));
    selectAll();
}

void SpinEdit::focusOutEvent(QFocusEvent* event) {
    QSpinBox::focusOutEvent(event);
    BringIntoRange();
}

void SpinEdit::BringIntoRange() {
    const int v = value();
    setRange(min_, max_);
    setValue(std::clamp(v, min_, max_));
}

}  // namespace wylo::app
