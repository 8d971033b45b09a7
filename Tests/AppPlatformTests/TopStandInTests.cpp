#include <TestSupport/ChildProcess.h>

#include <QProcess>

#include <algorithm>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

struct Sample {
    QStringList heading;
    QStringList columns;
    QList<QStringList> rows;
};

QList<Sample> samples(const QString& output)
{
    QList<Sample> parsed;
    for (const QString& line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QStringLiteral("Processes:"))) {
            parsed.append(Sample());
        }
        if (parsed.isEmpty()) {
            continue;
        }
        const QStringList words = line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (words.value(0) == QStringLiteral("PID")) {
            parsed.back().columns = words;
        } else if (parsed.back().columns.isEmpty()) {
            parsed.back().heading.append(line);
        } else {
            parsed.back().rows.append(words);
        }
    }
    return parsed;
}

}  // namespace

TEST(TopStandIn, LoggingModeReportsRealCpuUseAsPower)
{
    ChildProcess busy({"sh", "-c", "while :; do :; done"});
    ASSERT_GT(busy.pid(), 0);

    const auto run = [] {
        QProcess top;
        top.start(QStringLiteral(TOP_PROGRAM), {QStringLiteral("-l"), QStringLiteral("2"), QStringLiteral("-n"),
                                                QStringLiteral("20"), QStringLiteral("-o"), QStringLiteral("power"),
                                                QStringLiteral("-stats"), QStringLiteral("pid,command,power,cpu")});
        EXPECT_TRUE(top.waitForFinished(20'000));
        EXPECT_EQ(top.exitCode(), 0);
        return samples(QString::fromUtf8(top.readAllStandardOutput()));
    };
    QList<Sample> parsed = run();
    ASSERT_EQ(parsed.size(), 2);

    for (const Sample& sample : parsed) {
        ASSERT_GE(sample.heading.size(), 4);
        EXPECT_TRUE(sample.heading[1].contains(QRegularExpression(QStringLiteral("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$"))));
        EXPECT_TRUE(sample.heading[2].startsWith(QStringLiteral("Load Avg: ")));
        EXPECT_TRUE(sample.heading[3].startsWith(QStringLiteral("CPU usage: ")));
        EXPECT_EQ(sample.columns, (QStringList{"PID", "COMMAND", "POWER", "%CPU"}));
        EXPECT_GT(sample.rows.size(), 0);
        EXPECT_LE(sample.rows.size(), 20);
    }
    // The first sample has no interval to measure.
    for (const QStringList& row : parsed[0].rows) {
        EXPECT_EQ(row[row.size() - 2], QStringLiteral("0.0"));
    }
    // The busy shell is among the second sample's leaders, its POWER at
    // least its CPU share. On a machine crowded with other work it may miss
    // one run's twenty, so it gets three.
    const auto isBusy = [&](const QStringList& row) { return row.front().toInt() == busy.pid(); };
    auto busyRow = std::find_if(parsed[1].rows.begin(), parsed[1].rows.end(), isBusy);
    for (int attempt = 1; attempt < 3 && busyRow == parsed[1].rows.end(); ++attempt) {
        parsed = run();
        ASSERT_EQ(parsed.size(), 2);
        busyRow = std::find_if(parsed[1].rows.begin(), parsed[1].rows.end(), isBusy);
    }
    ASSERT_NE(busyRow, parsed[1].rows.end());
    EXPECT_EQ((*busyRow)[1], QStringLiteral("sh"));
    EXPECT_GT((*busyRow)[2].toDouble(), 5.0);
    EXPECT_GE((*busyRow)[2].toDouble(), (*busyRow)[3].toDouble());
    double previous = 1e9;
    for (const QStringList& row : parsed[1].rows) {
        const double power = row[row.size() - 2].toDouble();
        EXPECT_LE(power, previous);
        previous = power;
    }
}

TEST(TopStandIn, RefusesWhatItCannotDo)
{
    for (const QStringList& arguments : {QStringList{}, QStringList{"-l", "2", "-o", "memory"},
                                         QStringList{"-l", "x"}, QStringList{"-l", "1", "-stats", "pid,threads"}}) {
        QProcess top;
        top.start(QStringLiteral(TOP_PROGRAM), arguments);
        ASSERT_TRUE(top.waitForFinished(10'000));
        EXPECT_EQ(top.exitCode(), 1) << arguments.join(' ').toStdString();
        EXPECT_TRUE(top.readAllStandardError().startsWith("top: ")) << arguments.join(' ').toStdString();
        EXPECT_TRUE(top.readAllStandardOutput().isEmpty());
    }
}
