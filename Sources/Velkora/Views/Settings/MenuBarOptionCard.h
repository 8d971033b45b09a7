#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QAbstractButton>
#include <QColor>
#include <QMargins>

class QVBoxLayout;

namespace velkora {

// One selectable card of a row on the menu-bar settings page: a button
// whose content (added by the maker) sits in a stack stretched over the
// width the row gives it, on a rounded rectangle filled with the track
// colour and outlined in the border colour, or, while selected, filled and
// outlined in the card's selection colours. The highlight moves with
// VelkoraMotion::feedback (at once with reduced motion); the card shrinks
// while pressed. A click selects; the page writes the value and then tells
// every card of the row which one is selected. Main thread only.
class MenuBarOptionCard : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(qreal selectedProgress READ selectedProgress WRITE setSelectedProgress)
public:
    struct Metrics {
        qreal cornerRadius = 16;
        QMargins padding;
        int spacing = 10;
        Qt::Alignment alignment = Qt::AlignHCenter;
        QColor selectedFill;
        QColor selectedStroke;
    };

    MenuBarOptionCard(const ViewEnvironment& environment, const Metrics& metrics, QWidget* parent = nullptr);

    // The content's stack, inside the padding.
    QVBoxLayout* contentLayout() const { return content_; }

    // Moves the highlight, at once when not `animated`.
    void setSelected(bool selected, bool animated = true);
    bool isSelected() const { return selected_; }
    // Colours of the selection, for cards whose colour follows a setting.
    void setSelectionColors(const QColor& fill, const QColor& stroke);
    const Metrics& metrics() const { return metrics_; }

    // 0 plain, 1 selected; between while the highlight moves.
    qreal selectedProgress() const { return selectedProgress_; }
    void setSelectedProgress(qreal progress);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Tells the card's content that the selection changed.
    void selectedChanged(bool selected);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ViewEnvironment environment_;
    Metrics metrics_;
    QVBoxLayout* content_;
    bool selected_ = false;
    qreal selectedProgress_ = 0.0;
};

}  // namespace velkora
