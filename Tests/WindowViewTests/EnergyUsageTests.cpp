#include "WindowFixture.h"

#include "Window/EnergyApplicationList.h"
#include "Window/EnergyUsageView.h"

#include "VisualKit/PageTitle.h"
#include "VisualKit/VelkoraLabel.h"

#include "Services/PowerModeReader.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QProcess>

#include <csignal>

namespace velkora::test {

namespace {

// Opens the picker's list and takes the option `steps` rows below (above,
// when negative) the one it shows, as the user would with the keyboard.
void chooseWithKeyboard(QComboBox* picker, int steps)
{
    picker->showPopup();
    QAbstractItemView* list = picker->view();
    QTest::qWait(50);
    for (int step = 0; step < std::abs(steps); ++step) {
        QTest::keyClick(list, steps > 0 ? Qt::Key_Down : Qt::Key_Up);
    }
    QTest::keyClick(list, Qt::Key_Return);
}

bool isSetPowerMode(const ControlCommand& command, PowerSourceKind source, PowerMode mode)
{
    const auto* set = std::get_if<ControlCommand::SetPowerMode>(&command.payload);
    return set != nullptr && set->source == source && set->mode == mode;
}

}  // namespace

class EnergyUsageTest : public WindowFixture {
protected:
    explicit EnergyUsageTest(const std::string& hardware = "firmware-limit-laptop") : WindowFixture(hardware) {}

    void setSystemMode(const char* source, int mode)
    {
        simmac.request("pm.setPowerMode", {{"source", source}, {"mode", mode}});
    }
};

class LegacyEnergyUsageTest : public EnergyUsageTest {
protected:
    LegacyEnergyUsageTest() : EnergyUsageTest("legacy-laptop") {}
};

class DesktopEnergyUsageTest : public EnergyUsageTest {
protected:
    DesktopEnergyUsageTest() : EnergyUsageTest("desktop") {}
};

TEST_F(EnergyUsageTest, ThePickersShowTheSystemsModesAndChoosingTheShownOneStillSendsIt)
{
    capabilities.highPowerMode = true;
    createSettledModel();
    ASSERT_EQ(model->helperStatus(), HelperStatus::enabled());
    setSystemMode("battery", 1);
    setSystemMode("adapter", 2);
    auto* page = show(new EnergyUsageView(environment()));
    ASSERT_TRUE(waitFor([&] {
        return page->shownMode(PowerSourceKind::battery) == PowerMode::low &&
               page->shownMode(PowerSourceKind::adapter) == PowerMode::high;
    }));
    EXPECT_TRUE(performedCommands().empty()) << "opening the page sends nothing";
    EXPECT_EQ(page->picker(PowerSourceKind::adapter)->count(), 3);

    chooseWithKeyboard(page->picker(PowerSourceKind::battery), 0);
    ASSERT_TRUE(waitFor([&] { return performedCommands().size() == 1; }));
    EXPECT_TRUE(isSetPowerMode(performedCommands()[0], PowerSourceKind::battery, PowerMode::low));

    chooseWithKeyboard(page->picker(PowerSourceKind::adapter), -2);
    ASSERT_TRUE(waitFor([&] { return performedCommands().size() == 2; }));
    EXPECT_TRUE(isSetPowerMode(performedCommands()[1], PowerSourceKind::adapter, PowerMode::automatic));
    EXPECT_EQ(page->shownMode(PowerSourceKind::adapter), PowerMode::automatic);

    // This daemon only answers: the system kept high power, and once the
    // command has had its time the picker says so again.
    clock->advance(EnergyUsageView::rereadAfterChoice);
    EXPECT_TRUE(waitFor([&] { return page->shownMode(PowerSourceKind::adapter) == PowerMode::high; }));
    EXPECT_EQ(performedCommands().size(), 2u);
}

TEST_F(LegacyEnergyUsageTest, AMacWithoutThePowerModeSettingShowsNoChoiceAndARefusedChoiceGoesBack)
{
    createModelWithoutHelper();
    auto* page = show(new EnergyUsageView(environment()));
    QTest::qWait(300);
    QComboBox* battery = page->picker(PowerSourceKind::battery);
    EXPECT_EQ(battery->count(), 2) << "no high power option on this Mac";
    EXPECT_EQ(page->shownMode(PowerSourceKind::battery), std::nullopt);
    EXPECT_EQ(page->shownMode(PowerSourceKind::adapter), std::nullopt);

    chooseWithKeyboard(battery, 1);
    EXPECT_TRUE(model->lastError().has_value()) << "the model refuses without a helper";
    EXPECT_TRUE(waitFor([&] { return battery->currentIndex() == -1; }));
    EXPECT_TRUE(performedCommands().empty());
}

TEST_F(DesktopEnergyUsageTest, AMachineWithoutABatteryListsABusyProcessOfThisMachine)
{
    std::filesystem::create_symlink(VELKORA_TOP_EXECUTABLE, simmac.root() / "usr/bin/top");
    // Busy on several threads: it outranks whatever else loads the machine.
    QProcess busy;
    busy.start(QStringLiteral(VELKORA_BUSY_EXECUTABLE), {});
    ASSERT_TRUE(busy.waitForStarted());
    const auto pid = static_cast<int32_t>(busy.processId());
    createSettledModel();

    auto* page = show(new EnergyUsageView(environment()));
    EXPECT_EQ(page->findChild<PageTitle*>()->titleLabel()->text(), QStringLiteral("Energy Usage"));
    EXPECT_EQ(page->picker(PowerSourceKind::battery)->isVisible(), false);
    EXPECT_EQ(page->findChild<QWidget*>(QStringLiteral("background-dashboard-updates"))->isVisible(), false);

    const auto listed = [&] {
        for (const EnergyApplication& application : page->applications()->applications()) {
            if (application.pid == pid) {
                return true;
            }
        }
        return false;
    };
    // A sampling takes two readings a second apart, longer on a loaded machine.
    QElapsedTimer waited;
    waited.start();
    while (!listed() && waited.elapsed() < 60'000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const bool found = listed();
    busy.kill();
    busy.waitForFinished();
    ASSERT_TRUE(found) << "the page's sampling lists the busy process";
    auto* row = page->findChild<QWidget*>(QStringLiteral("energy-application-%1").arg(pid));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->findChild<VelkoraLabel*>(QStringLiteral("energy-application-pid"))->text(),
              QStringLiteral("PID %1").arg(pid));
    EXPECT_EQ(row->findChild<VelkoraLabel*>(QStringLiteral("energy-application-name"))->text(), QStringLiteral("BusyProcess"));
    EXPECT_TRUE(row->findChild<VelkoraLabel*>(QStringLiteral("energy-application-score"))
                    ->text()
                    .startsWith(QStringLiteral("Energy score ")));
}

TEST(PowerModeReaderOutput, TheModesAreTakenPerSourceAndAnythingElseIsPassedOver)
{
    const QByteArray output = "Battery Power:\n"
                              " standby              1\n"
                              " powermode            1\n"
                              "AC Power:\n"
                              " sleep                0\n"
                              " powermode            2\n";
    EXPECT_EQ(PowerModeReader::parse(output), (SystemPowerModes{PowerMode::low, PowerMode::high}));
    EXPECT_EQ(PowerModeReader::parse("Battery Power:\n powermode 7\nAC Power:\n powermode 0\n"),
              (SystemPowerModes{std::nullopt, PowerMode::automatic}));
    EXPECT_EQ(PowerModeReader::parse("Battery Power:\n sleep 1\nAC Power:\n"), SystemPowerModes{});
    EXPECT_EQ(PowerModeReader::parse(" powermode 1\nUPS Power:\n powermode 2\n"), SystemPowerModes{})
        << "a line outside the two sources";
    EXPECT_EQ(PowerModeReader::parse("Battery Power:\n powermode 1 extra\n powermode\n"), SystemPowerModes{});
}

}  // namespace velkora::test
