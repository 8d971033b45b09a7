#pragma once

#include "VisualKit/BatteryStatusTone.h"
#include "VisualKit/ViewEnvironment.h"

#include <QPointer>
#include <QWidget>

class QVariantAnimation;

namespace velkora {

// A capsule naming the charging state (its display name through the string
// table, 12 pt semibold, padded 9 across and 5 down) in the colour of its
// BatteryStatusTone under the settings' colour scheme, on that colour at
// 0.16. A change of tone, or of the colour scheme, fades colour and name
// (VelkoraMotion::opacityChange: it still fades with reduced motion); any
// other change, such as the percentage within one band, shows at once.
// Main thread only.
class StateBadge : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal fillOpacity = 0.16;

    StateBadge(const ViewEnvironment& environment, ChargingState state, int percentage, QWidget* parent = nullptr);

    void setState(ChargingState state, int percentage);
    ChargingState state() const { return state_; }
    BatteryStatusTone tone() const { return BatteryStatusTone(state_, percentage_); }
    QString text() const;
    // The colour drawn now (mid-fade, a blend of the old and the new).
    QColor currentColor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    BatteryStatusColorScheme scheme() const;
    QColor targetColor() const;
    void fadeFrom(const QColor& color, const QString& text);

    ViewEnvironment environment_;
    QPointer<AppSettings> settings_;
    ChargingState state_;
    int percentage_;
    // What the fade leaves, and how far it is (1 when none runs).
    QColor fromColor_;
    QString fromText_;
    qreal progress_ = 1.0;
    QVariantAnimation* fade_ = nullptr;
    // The colour under the scheme before the settings changed it.
    QColor previousSchemeColor_;
};

}  // namespace velkora
