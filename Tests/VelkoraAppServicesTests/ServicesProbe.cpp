// A helper program for the tests of the application's services, for what
// needs a process of its own: the language choice (made once per process from
// the environment) and writes that a test interrupts by killing the writer.
//
//   ServicesProbe language         prints the choice and some looked-up texts
//   ServicesProbe titles           prints every settings and schedule title
//   ServicesProbe write-schedules  rewrites schedules.json until killed
//   ServicesProbe write-history    rewrites history.json until killed

#include "ProbeDocuments.h"

#include "Services/AppLanguage.h"
#include "Services/AppSettings.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

using namespace velkora;

namespace {

void print(const QString& text)
{
    std::printf("%s\n", text.toUtf8().constData());
}

template <typename Cases>
void printTitles(const Cases& cases)
{
    for (const auto value : cases) {
        print(title(value));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const char* command = argc > 1 ? argv[1] : "";
    if (std::strcmp(command, "language") == 0) {
        print(QStringLiteral("chinese=%1").arg(AppLanguage::isChinese() ? 1 : 0));
        print(QStringLiteral("locale=%1").arg(AppLanguage::localizationName()));
        print(QStringLiteral("qlocale=%1").arg(AppLanguage::locale().name()));
        print(QStringLiteral("pair=%1").arg(L(QStringLiteral("Install"), QStringLiteral("安装"))));
        print(QStringLiteral("dark=%1").arg(localized(QStringLiteral("深色"))));
        print(QStringLiteral("unknown=%1").arg(localized(QStringLiteral("没有这个键"))));
        print(QStringLiteral("state=%1").arg(appLocalizedName(ChargingState::heatProtected)));
        print(QStringLiteral("phase=%1").arg(appLocalizedName(CalibrationPhase::holdingFull)));
        print(QStringLiteral("filled=%1")
                  .arg(localized(QStringLiteral("计划任务“%@”失败：%@"), QStringLiteral("夜间"), QStringLiteral("超时"))));
        print(QStringLiteral("duration=%1").arg(localized(QStringLiteral("%lld 小时 %lld 分钟"), qint64(2), qint64(5))));
        return 0;
    }
    if (std::strcmp(command, "titles") == 0) {
        printTitles(allAppAppearances);
        printTitles(allMenuBarIconStyles);
        printTitles(allMenuBarLayouts);
        for (const MenuBarLayout layout : allMenuBarLayouts) {
            print(detail(layout));
        }
        printTitles(allBatteryStatusColorSchemes);
        for (const BatteryStatusColorScheme scheme : allBatteryStatusColorSchemes) {
            print(detail(scheme));
        }
        printTitles(allSidebarRoutes);
        printTitles(allScheduleActions);
        printTitles(allScheduleRepeats);
        for (const ChargingState state : allChargingStates) {
            print(appLocalizedName(state));
        }
        for (const CalibrationPhase phase : allCalibrationPhases) {
            print(appLocalizedName(phase));
        }
        return 0;
    }
    if (std::strcmp(command, "write-schedules") == 0) {
        ScheduleStore store;
        const QList<ScheduledTask> variants[2] = {probe::scheduleTasks(0), probe::scheduleTasks(1)};
        // One whole file exists before the test may kill us, however slow the machine.
        store.setTasks(variants[1]);
        std::printf("ready\n");
        std::fflush(stdout);
        for (unsigned round = 0;; ++round) {
            store.setTasks(variants[round % 2]);
        }
    }
    if (std::strcmp(command, "write-history") == 0) {
        int index = probe::seededHistoryPoints;
        HistoryStore store(nullptr, [&index] { return probe::at(20.0 * index); });
        std::printf("ready\n");
        std::fflush(stdout);
        for (;; ++index) {
            store.append(probe::historySnapshot(index));
        }
    }
    std::fprintf(stderr, "usage: ServicesProbe language|titles|write-schedules|write-history\n");
    return 2;
}
