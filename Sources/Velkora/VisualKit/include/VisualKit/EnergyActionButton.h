#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QAbstractButton>
#include <QColor>

namespace velkora {

class SymbolView;
class VelkoraLabel;
class VelkoraPressableButtonStyle;

// A one-click action tile of the dashboard: the symbol (16 pt semibold, in
// `tint`), then the title (13 pt bold) over the subtitle (caption 2,
// secondary), both shown verbatim, 9 points apart; padded 10, spanning the
// width it is given. Idle it lies on the track colour with a border; active
// (the action's mode is on) it is filled with `tint` at 0.15 and outlined in
// `tint` at 0.55, the change timed by VelkoraMotion::feedback. A disabled
// tile ignores clicks and its symbol pulses, unless motion is reduced. It
// shrinks when pressed (VelkoraPressableButtonStyle). Main thread only.
class EnergyActionButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(qreal activeProgress READ activeProgress WRITE setActiveProgress)
public:
    EnergyActionButton(const ViewEnvironment& environment, const QString& title, const QString& subtitle,
                       const QString& symbol, const QColor& tint, QWidget* parent = nullptr);

    void setTitle(const QString& title);
    void setSubtitle(const QString& subtitle);
    void setSymbol(const QString& symbol);
    void setActive(bool active);
    bool isActive() const { return active_; }

    SymbolView* symbolView() const { return symbol_; }
    VelkoraLabel* titleLabel() const { return title_; }
    VelkoraLabel* subtitleLabel() const { return subtitle_; }
    VelkoraPressableButtonStyle* pressStyle() const { return press_; }

    // 0 idle, 1 active; between while the highlight changes.
    qreal activeProgress() const { return activeProgress_; }
    void setActiveProgress(qreal progress);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updatePulse();

    ViewEnvironment environment_;
    QColor tint_;
    bool active_ = false;
    qreal activeProgress_ = 0.0;
    SymbolView* symbol_;
    VelkoraLabel* title_;
    VelkoraLabel* subtitle_;
    VelkoraPressableButtonStyle* press_;
};

}  // namespace velkora
