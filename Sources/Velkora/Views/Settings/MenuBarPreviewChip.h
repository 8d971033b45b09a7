#pragma once

#include "VisualKit/VelkoraMotion.h"
#include "VisualKit/ViewEnvironment.h"

#include <QPixmap>
#include <QWidget>

namespace velkora {

// The live preview of the menu-bar status item on the menu-bar settings
// page, drawn with the status item's own images and text, on a capsule.
//   battery  the status item of a Mac with a battery at a sample level:
//            with the power figure the power badge (the glyph at the level
//            and the system load), else the style's glyph in the scheme's
//            healthy colour (a bolt for the energy style) or, for the
//            compact style, "bolt.fill", followed by the percentage when
//            the status item shows it; in the scheme's healthy colour, with
//            a hairline border; 14 pt semibold
//   desktop  the badge with a plug and the live desktop watts, or
//            "bolt.fill" without the figure; 15 pt semibold, no border
// It follows the settings and each reading at once; the switch of the power
// figure cross-fades with VelkoraMotion::panelChange, a new colour scheme
// with VelkoraMotion::opacityChange. Needs the environment's model,
// telemetry and settings. Main thread only.
class MenuBarPreviewChip : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal fade READ fade WRITE setFade)
public:
    enum class Kind { battery, desktop };
    enum class Content { powerBadge, batteryGlyph, boltSymbol };

    MenuBarPreviewChip(const ViewEnvironment& environment, Kind kind, int sampleLevel, QWidget* parent = nullptr);

    Content content() const;
    // The battery glyph carries a bolt (the energy style).
    bool glyphShowsBolt() const;
    // The text after the icon; empty for none.
    QString text() const;
    // The colour of the symbol, the text and a template badge.
    QColor foreground() const;

    // 1 when the content shown is the current one; from 0 while it fades in.
    qreal fade() const { return fade_; }
    void setFade(qreal fade);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Draws the content again; fades from the old drawing with `animation`.
    void refresh(const std::optional<Animation>& animation);
    QPixmap drawContent() const;
    QFont font() const;

    ViewEnvironment environment_;
    Kind kind_;
    int sampleLevel_;
    QPixmap current_;
    QPixmap previous_;
    qreal fade_ = 1.0;
};

}  // namespace velkora
