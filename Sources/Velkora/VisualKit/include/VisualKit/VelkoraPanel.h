#pragma once

#include "VisualKit/ColorAppearance.h"
#include "VisualKit/ViewEnvironment.h"

#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <optional>

class QVBoxLayout;

namespace velkora {

// The card every page and the popover group their content in: the content,
// padded on all sides, on a rounded rectangle with continuous corners,
// filled with the palette's card colour (the opaque control background while
// the settings ask to reduce transparency), outlined in the border colour,
// over a soft shadow of the card's shape (black at 0.24 of the fill's
// opacity, radius 22, 12 down, drawn under the panel by the widget it lies
// on). The panel is as tall as its content unless
// it fills the height its container offers, its content then centred; it
// spans the width when its content does. Main thread only.
class VelkoraPanel : public QWidget {
    Q_OBJECT
public:
    struct Metrics {
        qreal cornerRadius = 22;
        int padding = 18;
        bool fillHeight = false;
    };

    explicit VelkoraPanel(const ViewEnvironment& environment, QWidget* parent = nullptr);
    VelkoraPanel(const ViewEnvironment& environment, const Metrics& metrics, QWidget* parent = nullptr);

    const Metrics& metrics() const { return metrics_; }

    // Draws in `appearance` instead of the one in force (a sheet that stays
    // dark in the light appearance).
    void setAppearance(ColorAppearance appearance);

    // The content's layout, inside the padding; add widgets and layouts here.
    QVBoxLayout* contentLayout() const { return content_; }
    // Adds `row` to the content, parted from the row before by a Divider.
    void addRow(QWidget* row);

    // The fill now: card, or the control background under reduced transparency.
    QColor fillColor() const;

    // The shadow: where it lies, in the panel's coordinates, and its image.
    QRect shadowRect() const;
    const QImage& shadowImage();

    // As tall as the content needs at the panel's width, text that wraps
    // included: a panel that keeps its content's height would otherwise be
    // held to the height the content asks for at its preferred width.
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Joins the holder that paints the shadow now and repaints where the
    // shadow was and is.
    void placeShadow();

    QPointer<AppSettings> settings_;
    Metrics metrics_;
    std::optional<ColorAppearance> appearance_;
    QVBoxLayout* content_;
    int rows_ = 0;
    QPointer<QWidget> shadowHolder_;
    QRect shadowArea_;
    QImage shadow_;
    QSize shadowSize_;
    // The card as last drawn, and what for.
    QPixmap card_;
    QSize cardSize_;
    QColor cardFill_;
    QColor cardBorder_;
    // The width the height was last worked out for.
    int hintedWidth_ = -1;
    QColor shadowColor_;
};

}  // namespace velkora
