// The menu-bar item in its strip as the poll's readings come in.

#include "../WindowViewTests/WindowFixture.h"

#include "MenuBar/MenuBarExtra.h"
#include "MenuBar/StatusStrip.h"

#include "Services/TelemetryStore.h"

#include <QSignalSpy>

namespace velkora::test {

namespace {

class StripPaints : public QObject {
public:
    explicit StripPaints(QWidget& strip) { strip.installEventFilter(this); }

    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

class MenuBarExtraTest : public WindowFixture {};

TEST_F(MenuBarExtraTest, AReadingThatChangesTheLabelIsDrawnAtOnceAndOnceAndOneThatChangesNothingIsNotDrawn)
{
    createSettledModel();
    ASSERT_EQ(model->batteryAvailability(), BatteryAvailability::present);
    MenuBarExtra item(environment(), MenuBarExtra::Host::strip);
    // The strip that shows makes the application active, and the model
    // checks its helper again: the test starts once that is over.
    settle();
    ASSERT_TRUE(waitFor([&] { return !model->helperStatus().isBusy(); }));
    settle();
    const StripPaints paints(*item.strip());
    QSignalSpy redrawn(&item, &MenuBarExtra::labelRedrawn);

    // The label shows the percentage, not the load.
    PowerSnapshot reading = model->snapshot();
    reading.battery.systemLoadWatts += 3;
    model->telemetry().setSnapshot(reading);
    settle();
    EXPECT_EQ(redrawn.count(), 0);
    EXPECT_EQ(paints.count, 0) << "the same label is not painted again";

    const QImage before = item.label();
    reading.battery.percentage += 1;
    model->telemetry().setSnapshot(reading);
    EXPECT_EQ(redrawn.count(), 1) << "drawn in the turn of the event loop that brought the reading";
    EXPECT_NE(item.label(), before);
    settle();
    EXPECT_EQ(redrawn.count(), 1);
    EXPECT_EQ(paints.count, 1);
    EXPECT_EQ(item.strip()->label(), item.label());
    EXPECT_EQ(item.strip()->windowTitle(),
              QStringLiteral("Tallowmere Status: ") + QString::number(reading.battery.percentage) + QLatin1Char('%'));
}

}  // namespace

}  // namespace velkora::test
