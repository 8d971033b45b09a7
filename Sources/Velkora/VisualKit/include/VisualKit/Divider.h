#pragma once

#include <QWidget>

namespace velkora {

// A hairline across its parent's width (or height, when vertical) in the
// appearance's separator colour at `opacity`. Rows of one panel are parted
// at 0.35. Main thread only.
class Divider : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal rowOpacity = 0.35;

    explicit Divider(qreal opacity = rowOpacity, Qt::Orientation orientation = Qt::Horizontal,
                     QWidget* parent = nullptr);

    qreal opacity() const { return opacity_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal opacity_;
    Qt::Orientation orientation_;
};

}  // namespace velkora
