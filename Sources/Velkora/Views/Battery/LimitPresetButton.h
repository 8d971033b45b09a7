#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QAbstractButton>

namespace velkora {

// One preset of the charge-limit control: its value in a capsule that takes
// an equal share of the row. Selected (the value the control shows) it is
// tinted in the energy colour, else it lies on the track colour in the
// secondary text colour. It shrinks when pressed. Main thread only.
class LimitPresetButton : public QAbstractButton {
    Q_OBJECT
public:
    LimitPresetButton(const ViewEnvironment& environment, int value, bool compact, QWidget* parent = nullptr);

    int value() const { return value_; }
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int value_;
    bool compact_;
    bool selected_ = false;
};

}  // namespace velkora
