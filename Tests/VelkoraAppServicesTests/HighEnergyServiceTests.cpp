#include "Services/HighEnergyService.h"

#include <TestSupport/ChildProcess.h>
#include <TestSupport/TemporaryRoot.h>

#include <algorithm>

#include <gtest/gtest.h>

using velkora::EnergyApplication;
using velkora::HighEnergyService;

namespace {

// A capture of the tool's logging output for the service's arguments.
const char* const kCapturedTop = R"(Processes: 612 total, 3 running, 609 sleeping, 3010 threads 
2024/11/05 21:14:09
Load Avg: 2.31, 2.05, 1.98 
CPU usage: 9.81% user, 7.12% sys, 83.6% idle 
SharedLibs: 512M resident, 98M data, 61M linkedit.
MemRegions: 301200 total, 6120M resident, 301M private, 2910M shared.
PhysMem: 15G used (2310M wired, 1201M compressor), 512M unused.
VM: 242T vsize, 4877M framework vsize, 0(0) swapins, 0(0) swapouts.
Networks: packets: 9012345/9876M in, 4012345/1201M out.
Disks: 5123456/98G read, 3012345/61G written.

PID    COMMAND          POWER %CPU
0      kernel_task      0.0   0.0 
1      launchd          0.0   0.0 
412    WindowServer     0.0   0.0 
Processes: 612 total, 3 running, 609 sleeping, 3011 threads 
2024/11/05 21:14:10
Load Avg: 2.31, 2.05, 1.98 
CPU usage: 12.50% user, 8.33% sys, 79.16% idle 
SharedLibs: 512M resident, 98M data, 61M linkedit.
MemRegions: 301201 total, 6121M resident, 301M private, 2910M shared.
PhysMem: 15G used (2310M wired, 1201M compressor), 511M unused.
VM: 242T vsize, 4877M framework vsize, 0(0) swapins, 0(0) swapouts.
Networks: packets: 9012350/9876M in, 4012349/1201M out.
Disks: 5123456/98G read, 3012346/61G written.

PID    COMMAND          POWER %CPU
412    WindowServer     24.6  18.2
1832   Google Chrome He 12.5  10.0
0      kernel_task      8.1   12.4
977    coreaudiod       0.3   0.2 
1      launchd          0.1   0.1 
)";

QList<EnergyApplication> rows(const std::string& output, int limit = 5)
{
    return HighEnergyService::applications(QByteArray::fromStdString(output), limit);
}

}  // namespace

TEST(HighEnergyService, ReadsACapturedOutput)
{
    const QList<EnergyApplication> sampled = rows(kCapturedTop);
    const QList<EnergyApplication> expected{
        {412, QStringLiteral("WindowServer"), 24.6, std::nullopt},
        {1832, QStringLiteral("Google"), 12.5, std::nullopt},
        {0, QStringLiteral("kernel_task"), 8.1, std::nullopt},
        {977, QStringLiteral("coreaudiod"), 0.3, std::nullopt},
    };
    EXPECT_EQ(sampled, expected);
    EXPECT_EQ(rows(kCapturedTop, 2), expected.mid(0, 2));  // the limit keeps the highest
}

TEST(HighEnergyService, ReadingRules)
{
    const std::string heading = "PID COMMAND POWER %CPU\n";
    struct Case {
        const char* what;
        std::string output;
        QList<EnergyApplication> expected;
    };
    const std::vector<Case> cases{
        {"all zero", heading + "10 a 0.0 0.0\n" + heading + "10 a 0.0 0.0\n11 b 0.0 1.0\n", {}},
        {"later sample wins", heading + "7 busy 0.0 0.0\n" + heading + "7 busy 12.5 3.0\n", {{7, "busy", 12.5, {}}}},
        {"earlier sample serves when the later does not qualify", heading + "7 busy 3.5 0.0\n" + heading + "7 busy 0.0 0.0\n",
         {{7, "busy", 3.5, {}}}},
        {"0.1 is not above 0.1", heading + "1 low 0.1 0.0\n2 higher 0.2 0.0\n", {{2, "higher", 0.2, {}}}},
        {"three-word command", heading + "42 Web Content Helper 5.5 2.0\n", {{42, "Web", 5.5, {}}}},
        {"equal scores keep the walk's order", heading + "1 first 2.0 0\n2 second 2.0 0\n3 third 2.0 0\n",
         {{3, "third", 2.0, {}}, {2, "second", 2.0, {}}, {1, "first", 2.0, {}}}},
        {"pid beyond 32 bits", heading + "2147483648 big 9.0 0\n-5 negative 1.5 0\n+6 plus 1.25 0\n",
         {{-5, "negative", 1.5, {}}, {6, "plus", 1.25, {}}}},
        {"short and odd lines", "\n\n12 x 4.0\nabc def 9.0 1\n13 y n/a 1\n14\tz\t\t6.5  1\r\n", {{14, "z", 6.5, {}}}},
        {"no process lines", heading, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rows(c.output), c.expected) << c.what;
    }
    EXPECT_TRUE(rows("12 bad\xff\xfe 5.0 1\n").isEmpty());
}

class HighEnergySamplingTest : public testing::Test {
protected:
    void installTop(const std::string& script = "")
    {
        const std::filesystem::path top = root.path() / "usr/bin/top";
        std::filesystem::create_directories(top.parent_path());
        if (script.empty()) {
            std::filesystem::copy_file(TOP_PROGRAM, top);
        } else {
            root.write("usr/bin/top", script);
            std::filesystem::permissions(top, std::filesystem::perms::owner_all);
        }
    }
    QList<EnergyApplication> sample(int limit = 5) { return QCoro::waitFor(HighEnergyService().sample(limit)); }

    TemporaryRoot root;
};

TEST_F(HighEnergySamplingTest, RunsTheToolWithItsArgumentsInTheCLocale)
{
    setenv("LC_ALL", "fr_FR.UTF-8", 1);
    installTop("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$SIMMAC_ROOT/arguments\"\necho \"$LC_ALL\" > \"$SIMMAC_ROOT/locale\"\n"
               "echo noise >&2\nprintf 'PID COMMAND POWER %%CPU\\n99 sampled 3.0 1.0\\n'\n");
    EXPECT_EQ(sample(), (QList<EnergyApplication>{{99, QStringLiteral("sampled"), 3.0, std::nullopt}}));
    EXPECT_EQ(root.read("arguments"), "-l\n2\n-n\n20\n-o\npower\n-stats\npid,command,power,cpu\n");
    EXPECT_EQ(root.read("locale"), "C\n");
}

TEST_F(HighEnergySamplingTest, AnyFailureGivesAnEmptyList)
{
    EXPECT_TRUE(sample().isEmpty());  // no tool at all

    installTop("#!/bin/sh\nprintf 'PID COMMAND POWER %%CPU\\n99 bad\\377 3.0 1.0\\n'\nexit 3\n");
    EXPECT_TRUE(sample().isEmpty());

    std::filesystem::permissions(root.path() / "usr/bin/top", std::filesystem::perms::owner_read);
    EXPECT_TRUE(sample().isEmpty());
}

TEST_F(HighEnergySamplingTest, FindsABusyProcessThroughTheStandIn)
{
    installTop();
    setenv("XDG_DATA_HOME", (root.path() / "data").c_str(), 1);
    setenv("XDG_DATA_DIRS", (root.path() / "none").c_str(), 1);
    root.write("data/applications/spinner.desktop",
               "[Desktop Entry]\nType=Application\nName=Spinner\nIcon=spinner-icon\nExec=/bin/sh -c spin\n");
    ChildProcess busy({"sh", "-c", "while :; do :; done"});
    ASSERT_GT(busy.pid(), 0);

    // The spinner is among the leaders rather than surely first; on a machine
    // crowded with other work it may miss one run's twenty, so it gets three.
    QList<EnergyApplication> sampled;
    const auto isSpinner = [&](const EnergyApplication& row) { return row.pid == busy.pid(); };
    auto spinner = sampled.end();
    for (int attempt = 0; attempt < 3 && spinner == sampled.end(); ++attempt) {
        sampled = sample(20);
        spinner = std::find_if(sampled.begin(), sampled.end(), isSpinner);
    }
    ASSERT_NE(spinner, sampled.end());
    EXPECT_EQ(spinner->name, QStringLiteral("Spinner"));
    EXPECT_EQ(spinner->icon, QStringLiteral("spinner-icon"));
    EXPECT_GT(spinner->score, 5.0);
    EXPECT_EQ(sample(1).size(), 1);
    for (qsizetype i = 1; i < sampled.size(); ++i) {
        EXPECT_GE(sampled[i - 1].score, sampled[i].score);
    }
}
