#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QAbstractButton>

namespace velkora {

// One row of the sidebar, 42 points tall with a rounded (radius 12) shape
// that takes clicks anywhere in it: a symbol (15 pt semibold in a 22-point
// frame) and a label (13 pt). A route row is tinted with the energy colour
// and carries a marker on its leading edge while selected, and lightens
// while the pointer is over it; the quit row only lightens. Selection fades
// with the quick curve (the 0.14 s ease-out under reduced motion, the marker
// then no longer scaling); hover changes with the feedback motion. The row
// never selects itself: pressing it emits clicked() and its owner decides.
// Main thread only.
class SidebarButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(qreal selectionLevel READ selectionLevel WRITE setSelectionLevel)
    Q_PROPERTY(qreal hoverLevel READ hoverLevel WRITE setHoverLevel)
public:
    enum class Kind { route, quit };

    static constexpr int rowHeight = 42;

    SidebarButton(const ViewEnvironment& environment, Kind kind, const QString& symbol, const QString& label,
                  QWidget* parent = nullptr);

    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    bool isHovered() const { return hovered_; }

    // 0 to 1 while the selection or hover fades in.
    qreal selectionLevel() const { return selectionLevel_; }
    void setSelectionLevel(qreal level);
    qreal hoverLevel() const { return hoverLevel_; }
    void setHoverLevel(qreal level);

    // The label's colour now (selection over hover over rest).
    QColor foreground() const;
    // The row's fill now.
    QColor background() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void nextCheckState() override;

private:
    void setHovered(bool hovered);
    QFont labelFont() const;

    ViewEnvironment environment_;
    Kind kind_;
    QString symbol_;
    bool selected_ = false;
    bool hovered_ = false;
    qreal selectionLevel_ = 0;
    qreal hoverLevel_ = 0;
};

}  // namespace velkora
