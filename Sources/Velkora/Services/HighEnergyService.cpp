#include "Services/HighEnergyService.h"

#include "AppKit/NSRunningApplication.h"
#include "Foundation/SimulatedRoot.h"

#include <QProcess>
#include <QStringDecoder>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <qcoro/qcorofuture.h>

#include <algorithm>
#include <unordered_set>

namespace velkora {

namespace {

constexpr double kMinimumScore = 0.1;
// Two samples take about a second; a tool that runs far longer is stuck.
constexpr int kToolTimeLimitMilliseconds = 60'000;

QThreadPool& samplingPool()
{
    static QThreadPool* pool = [] {
        auto* created = new QThreadPool();
        created->setThreadPriority(QThread::LowPriority);
        created->setMaxThreadCount(4);
        return created;
    }();
    return *pool;
}

QList<QStringView> whiteSpaceSeparated(QStringView line)
{
    QList<QStringView> tokens;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        const bool space = i == line.size() || line[i].isSpace();
        if (space && start >= 0) {
            tokens.append(line.sliced(start, i - start));
            start = -1;
        } else if (!space && start < 0) {
            start = i;
        }
    }
    return tokens;
}

}  // namespace

QStringList HighEnergyService::topArguments()
{
    return {QStringLiteral("-l"), QStringLiteral("2"), QStringLiteral("-n"), QStringLiteral("20"),
            QStringLiteral("-o"), QStringLiteral("power"), QStringLiteral("-stats"),
            QStringLiteral("pid,command,power,cpu")};
}

QCoro::Task<QList<EnergyApplication>> HighEnergyService::sample(int limit) const
{
    co_return co_await QtConcurrent::run(&samplingPool(), [limit] { return sampleNow(limit); });
}

QList<EnergyApplication> HighEnergyService::sampleNow(int limit)
{
    QProcess top;
    top.setProgram(QString::fromStdString(platform::SimulatedRoot::resolve("/usr/bin/top").string()));
    top.setArguments(topArguments());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    top.setProcessEnvironment(environment);
    top.setProcessChannelMode(QProcess::SeparateChannels);
    top.start(QIODevice::ReadOnly);
    if (!top.waitForStarted(-1)) {
        return {};
    }
    if (!top.waitForFinished(kToolTimeLimitMilliseconds)) {
        top.kill();
        top.waitForFinished(-1);
        return {};
    }
    return applications(top.readAllStandardOutput(), limit);
}

QList<EnergyApplication> HighEnergyService::applications(const QByteArray& output, int limit)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(output);
    if (decoder.hasError()) {
        return {};
    }
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QList<EnergyApplication> rows;
    std::unordered_set<int32_t> taken;
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const QList<QStringView> tokens = whiteSpaceSeparated(*line);
        if (tokens.size() < 4) {
            continue;
        }
        bool isNumber = false;
        const int32_t pid = tokens.front().toInt(&isNumber, 10);
        if (!isNumber) {
            continue;
        }
        const double score = tokens[tokens.size() - 2].toDouble(&isNumber);
        if (!isNumber || !(score > kMinimumScore)) {
            continue;
        }
        if (!taken.insert(pid).second) {
            continue;
        }
        rows.append(EnergyApplication{pid, tokens[1].toString(), score, std::nullopt});
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const EnergyApplication& a, const EnergyApplication& b) { return a.score > b.score; });
    if (rows.size() > limit) {
        rows.resize(std::max(0, limit));
    }
    // Only the rows kept need their application, which costs a look at /proc
    // and the desktop entries.
    for (EnergyApplication& row : rows) {
        if (const auto application = platform::NSRunningApplication::withProcessIdentifier(row.pid)) {
            if (application->localizedName()) {
                row.name = QString::fromStdString(*application->localizedName());
            }
            if (application->icon()) {
                row.icon = QString::fromStdString(*application->icon());
            }
        }
    }
    return rows;
}

}  // namespace velkora
