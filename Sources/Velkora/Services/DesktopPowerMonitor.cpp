#include "Services/DesktopPowerMonitor.h"

#include "UtilityQueue.h"

#include "SMCKit/SMCKit.h"

#include <qcoro/qcorofuture.h>

#include <cmath>

namespace velkora {

namespace {

bool isPlausible(double watts)
{
    return std::isfinite(watts) && watts > 0.1 && watts < 1000.0;
}

std::optional<double> readFloat(smckit::KeyCode key)
{
    try {
        return static_cast<double>(smckit::SMCKit::shared().read<float>(key));
    } catch (const smckit::SMCError&) {
        return std::nullopt;
    }
}

std::optional<DesktopPowerSample> readNow(const DesktopPowerMonitor::Clock& clock)
{
    const std::optional<double> pdtr = readFloat("PDTR");
    const std::optional<double> voltage = readFloat("VD0R");
    const std::optional<double> current = readFloat("ID0R");
    const std::optional<double> watts = DesktopPowerReading::watts(pdtr, voltage, current);
    if (!watts) {
        return std::nullopt;
    }
    return DesktopPowerSample{clock(), *watts};
}

}  // namespace

std::optional<double> DesktopPowerReading::watts(std::optional<double> pdtr, std::optional<double> voltage,
                                                 std::optional<double> current)
{
    if (pdtr && isPlausible(*pdtr)) {
        return pdtr;
    }
    if (voltage && current && std::isfinite(*voltage) && std::isfinite(*current) && *voltage > 0.0 &&
        *current > 0.0) {
        const double product = *voltage * *current;
        if (isPlausible(product)) {
            return product;
        }
    }
    return std::nullopt;
}

DesktopPowerMonitor::DesktopPowerMonitor(Clock clock)
    : clock_(clock ? std::move(clock) : Clock([] { return std::chrono::system_clock::now(); })),
      queue_(std::make_unique<UtilityQueue>(QStringLiteral("com.velkora.desktop-power")))
{
}

DesktopPowerMonitor::~DesktopPowerMonitor() = default;

QCoro::Task<std::optional<DesktopPowerSample>> DesktopPowerMonitor::readAsync() const
{
    // The work is made before the co_await: g++ 12 destroys a capturing
    // temporary of a co_await expression twice.
    auto reading = queue_->run([clock = clock_] { return readNow(clock); });
    co_return co_await reading;
}

}  // namespace velkora
