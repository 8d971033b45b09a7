#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

class QHBoxLayout;

namespace velkora {

// The floating capsule of the root view's banners: its content in a row
// (10 apart, vertically centred, padded 14 across and 10 up and down) on a
// capsule of the ultra-thin material with a 1-point outline, over a soft
// shadow (radius 12, black at 0.33, no offset). The widget reserves room for the shadow
// around the capsule. Main thread only.
class BannerCapsule : public QWidget {
    Q_OBJECT
public:
    // The room the shadow takes on every side of the capsule.
    static constexpr int shadowMargin = 12;

    explicit BannerCapsule(const QColor& outline, QWidget* parent = nullptr);

    QHBoxLayout* row() const { return row_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor outline_;
    QHBoxLayout* row_;
    QImage shadow_;
};

}  // namespace velkora
