#include "Services/TelemetryStore.h"

#include <algorithm>

namespace velkora {

namespace {

double ageInSeconds(const DesktopPowerSample& sample, TelemetryStore::Date now)
{
    return std::chrono::duration<double>(now - sample.timestamp).count();
}

}  // namespace

TelemetryStore::TelemetryStore(QObject* parent) : QObject(parent), snapshot_(PowerSnapshot::noBattery()) {}

void TelemetryStore::setSnapshot(PowerSnapshot value)
{
    emit objectWillChange();
    snapshot_ = std::move(value);
    emit snapshotChanged();
}

void TelemetryStore::setDesktopPower(std::optional<DesktopPowerSample> value)
{
    emit objectWillChange();
    desktopPower_ = value;
    emit desktopPowerChanged();
}

void TelemetryStore::setDesktopPowerHistory(QList<DesktopPowerSample> value)
{
    emit objectWillChange();
    desktopPowerHistory_ = std::move(value);
    emit desktopPowerHistoryChanged();
}

std::optional<double> TelemetryStore::liveDesktopWatts(Date at) const
{
    if (!desktopPower_) {
        return std::nullopt;
    }
    const double age = ageInSeconds(*desktopPower_, at);
    if (age < 0.0 || age > liveWindowSeconds) {
        return std::nullopt;
    }
    return desktopPower_->watts;
}

void TelemetryStore::recordDesktopPower(std::optional<DesktopPowerSample> sample, Date now)
{
    setDesktopPower(sample);

    const auto expired = [now](const DesktopPowerSample& stored) {
        return ageInSeconds(stored, now) > historyWindowSeconds;
    };
    const bool anyExpired = std::any_of(desktopPowerHistory_.cbegin(), desktopPowerHistory_.cend(), expired);
    if (!anyExpired && !sample) {
        return;
    }
    emit objectWillChange();
    desktopPowerHistory_.removeIf(expired);
    if (sample) {
        desktopPowerHistory_.append(*sample);
    }
    if (desktopPowerHistory_.size() > maximumHistorySamples) {
        desktopPowerHistory_.remove(0, desktopPowerHistory_.size() - maximumHistorySamples);
    }
    emit desktopPowerHistoryChanged();
}

}  // namespace velkora
