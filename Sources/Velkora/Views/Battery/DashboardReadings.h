#pragma once

#include "Battery/StatusDetailSection.h"
#include "Battery/VitalMetric.h"

#include "VelkoraCore/PowerSnapshot.h"

#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace velkora {

// How the dashboard reads a snapshot: its health figures and its status
// rows. Numbers have one decimal and their unit, a reading that is not
// available reads "--"; signed quantities (battery current and power) carry
// "+" when positive, the adapter's values and the system load are shown
// only when positive. Labels and titles are fixed texts, the same in every
// language; the battery's condition names come from the string table.
// Called on the main thread (the string table's language).
class DashboardReadings {
public:
    DashboardReadings() = delete;

    // Maximum against design capacity, rounded ("90%"); "--" without a
    // design capacity.
    static QString healthPercentage(const BatterySnapshot& battery);
    // `value` against the design capacity; nothing when either is below 1.
    static std::optional<QString> capacityPercentage(std::int64_t value, const BatterySnapshot& battery);
    // The battery's condition for display.
    static QString localizedCondition(const BatterySnapshot& battery);
    // "5000 mAh", or "--" below 1.
    static QString capacity(std::int64_t milliampHours);

    // The health strip's four tiles: health, temperature, cycles, time.
    static std::array<VitalMetric, 4> vitalMetrics(const BatterySnapshot& battery);
    // The detailed status panel: electrical, capacity and health, adapter.
    static std::array<StatusDetailSection, 3> sections(const PowerSnapshot& snapshot);
    static QList<StatusDetailRow> adapterRows(const AdapterSnapshot& adapter);

    // From this temperature on the battery is called warm.
    static constexpr double highTemperature = 40.0;
};

}  // namespace velkora
