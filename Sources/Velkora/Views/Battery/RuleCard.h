#pragma once

#include <QWidget>

class QVBoxLayout;

namespace velkora {

// The cards of the charge-control page's rules: the content padded 20 on a
// rounded rectangle (radius 22, continuous corners) of the card colour,
// outlined in the border colour; flat, without the panel's shadow. Main
// thread only.
class RuleCard : public QWidget {
    Q_OBJECT
public:
    explicit RuleCard(QWidget* parent = nullptr);

    QVBoxLayout* contentLayout() const { return content_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* content_;
};

// A recessed area inside a card (the sailing difference, the temperature
// line, the calibration steps): its content on the track colour in a
// rounded rectangle of `cornerRadius`. Main thread only.
class InsetArea : public QWidget {
    Q_OBJECT
public:
    explicit InsetArea(qreal cornerRadius, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal cornerRadius_;
};

}  // namespace velkora
