#pragma once

#include <QColor>
#include <QWidget>

namespace velkora {

class VelkoraLabel;

// The popover's charge ring, 54 points square: the full circle in the track
// colour, the arc of the charge from the top clockwise in the level colour
// (round caps; none at 0 %, closed at 100 %), both 6 wide, and the
// percentage without a unit in the middle (14 pt bold, even digits, the
// level colour). Main thread only.
class MenuChargeRing : public QWidget {
    Q_OBJECT
public:
    static constexpr int side = 54;

    explicit MenuChargeRing(QWidget* parent = nullptr);

    void setLevel(int percentage, const QColor& color);
    int percentage() const { return percentage_; }
    VelkoraLabel* numberLabel() const { return number_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int percentage_ = 0;
    QColor color_;
    VelkoraLabel* number_;
};

}  // namespace velkora
