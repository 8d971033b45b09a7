#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <qcoro/qcorotask.h>

#include <cstdint>
#include <optional>

namespace velkora {

// One row of the high-energy list.
struct EnergyApplication {
    int32_t pid = 0;
    QString name;
    // top's POWER column: a relative energy-impact figure, not watts.
    double score = 0;
    // The running application's icon: a theme icon name or an image path, as
    // its desktop entry gives it; none for a process that is no application.
    std::optional<QString> icon;

    // The icon takes no part.
    friend bool operator==(const EnergyApplication& a, const EnergyApplication& b)
    {
        return a.pid == b.pid && a.name == b.name && a.score == b.score;
    }
};

// Samples the processes that use the most energy by running the system's
// "/usr/bin/top" (under the simulated root) for two samples.
class HighEnergyService {
public:
    // At most `limit` rows (limit >= 1), highest score first. Runs on a
    // low-priority background thread; never fails: every failure, a tool that
    // cannot start or that does not end within a minute included, gives an
    // empty list.
    QCoro::Task<QList<EnergyApplication>> sample(int limit) const;

    // The rows of top's output: the highest `limit` of the processes with a
    // POWER above 0.1, each taken once, from its later sample where it
    // qualifies there. Empty for output that is not UTF-8.
    static QList<EnergyApplication> applications(const QByteArray& output, int limit);

    // The tool's arguments: two logging-mode samples of at most 20 processes
    // ordered by POWER, with the columns PID, COMMAND, POWER and %CPU.
    static QStringList topArguments();

private:
    static QList<EnergyApplication> sampleNow(int limit);
};

}  // namespace velkora
