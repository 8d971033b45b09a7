#pragma once

#include "Services/DesktopPowerSample.h"

#include "VelkoraCore/PowerSnapshot.h"

#include <QList>
#include <QObject>

#include <chrono>
#include <optional>

namespace velkora {

// What the application last learnt of the power hardware: the latest
// PowerSnapshot (from the daemon or the local battery reader) and the latest
// desktop power reading with the readings of the last five minutes. Setting a
// property announces the change (objectWillChange), stores it and then emits
// the property's own change signal. Main thread only.
class TelemetryStore : public QObject {
    Q_OBJECT
public:
    using Date = std::chrono::system_clock::time_point;

    static constexpr qsizetype maximumHistorySamples = 300;
    static constexpr double historyWindowSeconds = 300.0;
    static constexpr double liveWindowSeconds = 5.0;

    // The no-battery snapshot, no desktop reading and an empty history.
    explicit TelemetryStore(QObject* parent = nullptr);

    const PowerSnapshot& snapshot() const { return snapshot_; }
    void setSnapshot(PowerSnapshot value);
    // Nothing when the last reading found no plausible value.
    const std::optional<DesktopPowerSample>& desktopPower() const { return desktopPower_; }
    void setDesktopPower(std::optional<DesktopPowerSample> value);
    // Oldest first.
    const QList<DesktopPowerSample>& desktopPowerHistory() const { return desktopPowerHistory_; }
    void setDesktopPowerHistory(QList<DesktopPowerSample> value);

    // The watts of the latest desktop reading while it is 0 to 5 seconds old
    // at `at`; nothing for an older reading, one from after `at`, or none.
    std::optional<double> liveDesktopWatts(Date at) const;

    // Takes one poll tick's reading: it becomes the latest (nothing clears
    // it), readings older than 300 seconds at `now` leave the history, and a
    // present reading joins it, the oldest ones going beyond 300 readings.
    void recordDesktopPower(std::optional<DesktopPowerSample> sample, Date now);

signals:
    void objectWillChange();
    void snapshotChanged();
    void desktopPowerChanged();
    void desktopPowerHistoryChanged();

private:
    PowerSnapshot snapshot_;
    std::optional<DesktopPowerSample> desktopPower_;
    QList<DesktopPowerSample> desktopPowerHistory_;
};

}  // namespace velkora
