#pragma once

#include "VisualKit/PageFrame.h"
#include "VisualKit/ViewEnvironment.h"

#include "Services/PowerModeReader.h"
#include "VelkoraCore/PowerSourceKind.h"

#include <QPointer>

#include <memory>
#include <optional>

class QComboBox;

namespace velkora {

class AppClockTimer;
class EnergyApplicationList;
class PageTitle;
class VelkoraLabel;

// The energy usage page, on every Mac. With a battery: the power mode for
// running on battery and on the adapter, one picker each (automatic, low
// power, and high power where this Mac offers it), and the background
// dashboard updates preference. On every Mac: the high-energy applications
// with their icons, process identifiers and relative scores, refreshed when
// the page comes on screen and on "Refresh".
//
// Each picker shows the mode the system has for its source (read from the
// system when the page comes on screen), or no choice while that is not
// known. Choosing an option, also the one shown, asks the model to set that
// mode for the picker's source. When the model refuses at once, or once a
// command has had the time to end (its 5-second limit), the pickers read the
// system again, so they never keep showing a mode that did not take. Main
// thread only.
class EnergyUsageView : public PageFrame {
    Q_OBJECT
public:
    // When the pickers read the system again after a choice was sent.
    static constexpr std::chrono::seconds rereadAfterChoice{6};

    explicit EnergyUsageView(const ViewEnvironment& environment, QWidget* parent = nullptr);
    ~EnergyUsageView() override;

    QComboBox* picker(PowerSourceKind source) const;
    // The mode a picker shows; nothing while it shows no choice.
    std::optional<PowerMode> shownMode(PowerSourceKind source) const;
    EnergyApplicationList* applications() const { return applications_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* makePowerModeCard();
    QWidget* makePowerModeRow(const QString& symbol, const QString& titleKey, PowerSourceKind source);
    QWidget* makeApplicationsHeader();
    void followBattery();
    void fillOptions(QComboBox* picker, std::optional<PowerMode> shown);
    void choose(PowerSourceKind source, int index);
    void readSystemModes();
    void showSystemModes(const SystemPowerModes& modes, int generation);
    static QCoro::Task<> runRead(QPointer<EnergyUsageView> view, int generation);

    ViewEnvironment environment_;
    PageTitle* title_ = nullptr;
    VelkoraLabel* caption_ = nullptr;
    QWidget* powerModeCard_ = nullptr;
    QWidget* backgroundUpdatesRow_ = nullptr;
    QComboBox* batteryPicker_ = nullptr;
    QComboBox* adapterPicker_ = nullptr;
    EnergyApplicationList* applications_ = nullptr;
    bool offersHighPower_ = false;
    // A read of the system that started before the user's last choice is
    // out of date when it ends.
    int choiceGeneration_ = 0;
    std::shared_ptr<AppClockTimer> reread_;
};

}  // namespace velkora
