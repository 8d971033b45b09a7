#include "Services/PowerModeReader.h"

#include "Foundation/SimulatedRoot.h"

#include <QList>
#include <QProcess>
#include <QtConcurrent/QtConcurrentRun>

#include <qcoro/qcorofuture.h>

namespace velkora {

namespace {

// The tool answers in milliseconds; far longer means it is stuck.
constexpr int toolTimeLimitMilliseconds = 10'000;
// Its whole report is well under a kilobyte.
constexpr qint64 maximumOutputBytes = 64 * 1024;

}  // namespace

QCoro::Task<SystemPowerModes> PowerModeReader::read()
{
    co_return co_await QtConcurrent::run(&PowerModeReader::readNow);
}

SystemPowerModes PowerModeReader::readNow()
{
    QProcess pmset;
    pmset.setProgram(QString::fromStdString(platform::SimulatedRoot::resolve("/usr/bin/pmset").string()));
    pmset.setArguments({QStringLiteral("-g"), QStringLiteral("custom")});
    pmset.setProcessChannelMode(QProcess::SeparateChannels);
    pmset.setStandardErrorFile(QProcess::nullDevice());
    pmset.start(QIODevice::ReadOnly);
    if (!pmset.waitForStarted(toolTimeLimitMilliseconds) ||
        !pmset.waitForFinished(toolTimeLimitMilliseconds) || pmset.exitStatus() != QProcess::NormalExit ||
        pmset.exitCode() != 0) {
        pmset.kill();
        pmset.waitForFinished(-1);
        return {};
    }
    const QByteArray output = pmset.read(maximumOutputBytes + 1);
    if (output.size() > maximumOutputBytes) {
        return {};
    }
    return parse(output);
}

SystemPowerModes PowerModeReader::parse(const QByteArray& output)
{
    SystemPowerModes modes;
    std::optional<PowerMode>* section = nullptr;
    for (const QByteArray& line : output.split('\n')) {
        if (line.isEmpty()) {
            continue;
        }
        if (line.front() != ' ' && line.front() != '\t') {
            const QByteArray heading = line.trimmed();
            section = heading == "Battery Power:" ? &modes.battery : heading == "AC Power:" ? &modes.adapter : nullptr;
            continue;
        }
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (section == nullptr || fields.size() != 2 || fields[0] != "powermode") {
            continue;
        }
        bool isNumber = false;
        const int raw = fields[1].toInt(&isNumber);
        *section = isNumber ? powerModeFromRawValue(raw) : std::nullopt;
    }
    return modes;
}

}  // namespace velkora
