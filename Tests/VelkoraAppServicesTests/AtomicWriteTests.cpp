#include "ProbeDocuments.h"
#include <TestSupport/TemporaryRoot.h>

#include "Foundation/SimulatedRoot.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <random>
#include <thread>

using namespace velkora;

namespace {

// Starts the probe writing, kills it at a random moment, and returns what the
// file holds then.
QByteArray killDuringWrites(const char* command, const std::filesystem::path& file, std::mt19937& random)
{
    QProcess writer;
    writer.start(QStringLiteral(SERVICES_PROBE), {QString::fromLatin1(command)});
    EXPECT_TRUE(writer.waitForReadyRead(10'000));
    std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 30'000)(random)));
    writer.kill();
    writer.waitForFinished(10'000);
    QFile content(QString::fromStdString(file.string()));
    EXPECT_TRUE(content.open(QIODevice::ReadOnly));
    return content.readAll();
}

}  // namespace

TEST(AtomicWrites, AKilledWriterLeavesAWholeScheduleFile)
{
    TemporaryRoot root;
    const auto file = platform::SimulatedRoot::homeDirectory() / "Library/Application Support/Velkora/schedules.json";
    const QByteArray small = ScheduleStore::encode(probe::scheduleTasks(0), {});
    const QByteArray large = ScheduleStore::encode(probe::scheduleTasks(1), {});
    std::mt19937 random(20250101);
    int sawSmall = 0;
    int sawLarge = 0;
    for (int round = 0; round < 25; ++round) {
        const QByteArray content = killDuringWrites("write-schedules", file, random);
        ASSERT_TRUE(content == small || content == large) << "round " << round << ": " << content.size() << " bytes";
        (content == small ? sawSmall : sawLarge) += 1;
    }
    EXPECT_GT(sawSmall + sawLarge, 0);
}

TEST(AtomicWrites, AKilledWriterLeavesAWholeHistoryFile)
{
    TemporaryRoot root;
    const auto file = platform::SimulatedRoot::homeDirectory() / "Library/Application Support/Velkora/history.json";
    QList<HistoryPoint> seed;
    for (int i = 0; i < probe::seededHistoryPoints; ++i) {
        seed.append(probe::historyPoint(i));
    }
    std::filesystem::create_directories(file.parent_path());
    std::mt19937 random(20250102);
    for (int round = 0; round < 25; ++round) {
        root.write(file.lexically_relative(root.path()), HistoryStore::encode(seed).toStdString());
        const std::optional<QList<HistoryPoint>> content =
            HistoryStore::decode(killDuringWrites("write-history", file, random));
        ASSERT_TRUE(content.has_value()) << "round " << round << ": the file does not decode";
        ASSERT_GE(content->size(), probe::seededHistoryPoints);
        for (qsizetype i = 0; i < content->size(); ++i) {
            ASSERT_EQ((*content)[i], probe::historyPoint(static_cast<int>(i))) << "round " << round << ", point " << i;
        }
    }
}
