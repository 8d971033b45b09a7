#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QAbstractButton>
#include <QColor>

namespace velkora {


// One quick-action tile of the popover: the symbol (17 pt semibold, in
// `tint`) over the title (a key of the string table, 11 pt semibold, one
// line), 7 apart, padded 11 above and below, sharing the row's width with
// its neighbours. Idle it lies on the track colour with a border; active
// (the action's mode runs) it is filled with `tint` at 0.16 and outlined in
// `tint` at 0.45, the change timed by VelkoraMotion::feedback. A disabled
// tile is drawn faded and ignores clicks. It shrinks when pressed. Main
// thread only.
class MenuAction : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(qreal activeProgress READ activeProgress WRITE setActiveProgress)
public:
    MenuAction(const ViewEnvironment& environment, const QColor& tint, QWidget* parent = nullptr);

    // The key of the title; shown through localized().
    void setTitleKey(const QString& key);
    const QString& titleKey() const { return titleKey_; }
    void setSymbol(const QString& symbol);
    const QString& symbol() const { return symbol_; }
    // The title as shown.
    QString title() const { return text(); }
    void setActive(bool active);
    bool isActive() const { return active_; }

    // 0 idle, 1 active; between while the highlight changes.
    qreal activeProgress() const { return activeProgress_; }
    void setActiveProgress(qreal progress);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ViewEnvironment environment_;
    QColor tint_;
    QString titleKey_;
    bool active_ = false;
    qreal activeProgress_ = 0.0;
    QString symbol_;
};

}  // namespace velkora
