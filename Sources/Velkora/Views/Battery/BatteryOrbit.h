#pragma once

#include "Battery/OrbitValueRow.h"

#include "VisualKit/ViewEnvironment.h"

#include "VelkoraCore/PowerSnapshot.h"

#include <QWidget>

#include <array>
#include <optional>

namespace velkora {

class BatteryOrbitRing;
class VelkoraLabel;

// The dashboard's large gauge: the ring (BatteryOrbitRing) and beside it a
// column with the charging state's name in its status colour, the daemon's
// reason, and three values: the charge limit (or the free-monitoring plan
// without one), the battery power and the time estimate. Everything comes
// from the telemetry store's latest snapshot and follows each new one; the
// colours follow the user's battery colour scheme. The limit is given by
// the dashboard: the policy's while charge management is on, else none.
// Main thread only.
class BatteryOrbit : public QWidget {
    Q_OBJECT
public:
    explicit BatteryOrbit(const ViewEnvironment& environment, QWidget* parent = nullptr);

    void setLimit(std::optional<int> limit);
    std::optional<int> limit() const { return limit_; }

    // The snapshot's battery percentage, and its band's colour in the
    // user's scheme.
    int percentage() const;
    QColor levelColor() const;

    // The three values beside the ring for `snapshot` and `limit`.
    static std::array<OrbitValue, 3> values(const PowerSnapshot& snapshot, std::optional<int> limit);

    BatteryOrbitRing* ring() const { return ring_; }
    VelkoraLabel* stateLabel() const { return state_; }
    VelkoraLabel* reasonLabel() const { return reason_; }
    OrbitValueRow* valueRow(int index) const { return rows_.at(static_cast<std::size_t>(index)); }

protected:
    void changeEvent(QEvent* event) override;

private:
    void refresh(bool animated);

    ViewEnvironment environment_;
    std::optional<int> limit_;
    BatteryOrbitRing* ring_;
    VelkoraLabel* state_;
    VelkoraLabel* reason_;
    std::array<OrbitValueRow*, 3> rows_{};
};

}  // namespace velkora
