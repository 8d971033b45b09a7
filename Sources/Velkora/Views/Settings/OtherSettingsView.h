#pragma once

#include "VisualKit/PageFrame.h"
#include "VisualKit/ViewEnvironment.h"

namespace velkora {

class HelperServicePanel;
class MagSafeLEDPanel;
class PageTitle;
class SegmentedPicker;
class SettingsRow;
class SoftwareUpdatePanel;
class VelkoraButton;
class VelkoraSwitch;

// The general settings page: the hardware battery percentage, the Dock
// icon, launch at login, reduced transparency and the appearance; on a Mac
// with a battery the MagSafe LED and the background service; on one without
// a word on why those are missing; software updates; and, with a battery, a
// button that shows the welcome sheet again. Each control writes the
// settings, the model, the router or the update centre at once; the page
// keeps nothing of its own and follows what they publish.
//
// Switches that also ask something of the system never stay on a value it
// did not take: launch at login shows the login item's state (a failed
// registration reports in the model's error), and the hardware percentage,
// stored for the menu bar and sent to an enabled daemon with the policy,
// goes back to the value before when the daemon does not take it. Main
// thread only.
class OtherSettingsView : public PageFrame {
    Q_OBJECT
public:
    explicit OtherSettingsView(const ViewEnvironment& environment, QWidget* parent = nullptr);

    SettingsRow* hardwarePercentageRow() const { return hardwarePercentageRow_; }
    SettingsRow* launchAtLoginRow() const { return launchAtLoginRow_; }
    VelkoraSwitch* hardwarePercentageSwitch() const { return hardwarePercentage_; }
    VelkoraSwitch* dockIconSwitch() const { return dockIcon_; }
    VelkoraSwitch* launchAtLoginSwitch() const { return launchAtLogin_; }
    VelkoraSwitch* reduceTransparencySwitch() const { return reduceTransparency_; }
    SegmentedPicker* appearancePicker() const { return appearance_; }
    MagSafeLEDPanel* ledPanel() const { return ledPanel_; }
    HelperServicePanel* helperPanel() const { return helperPanel_; }
    SoftwareUpdatePanel* updatePanel() const { return updatePanel_; }
    // The explanation shown in place of the battery's sections.
    QWidget* noBatteryPanel() const { return noBatteryPanel_; }
    VelkoraButton* welcomeButton() const { return welcome_; }

private:
    void addGeneralRows();
    void addBatterySections();
    void addDeviceSection();
    void addUpdateSection();
    QWidget* unavailableHardwarePanel(const QString& symbol, const QString& title, const QString& detail);
    VelkoraSwitch* makeSwitch(const QString& name, const QString& titleKey);
    void setHardwarePercentage(bool on);
    void setLaunchAtLogin(bool on);
    void showWelcomeAgain();
    void followBattery();
    void refresh();

    ViewEnvironment environment_;
    SettingsRow* hardwarePercentageRow_ = nullptr;
    SettingsRow* launchAtLoginRow_ = nullptr;
    VelkoraSwitch* hardwarePercentage_ = nullptr;
    VelkoraSwitch* dockIcon_ = nullptr;
    VelkoraSwitch* launchAtLogin_ = nullptr;
    VelkoraSwitch* reduceTransparency_ = nullptr;
    SegmentedPicker* appearance_ = nullptr;
    PageTitle* ledTitle_ = nullptr;
    MagSafeLEDPanel* ledPanel_ = nullptr;
    PageTitle* helperTitle_ = nullptr;
    HelperServicePanel* helperPanel_ = nullptr;
    PageTitle* deviceTitle_ = nullptr;
    QWidget* noBatteryPanel_ = nullptr;
    SoftwareUpdatePanel* updatePanel_ = nullptr;
    VelkoraButton* welcome_ = nullptr;
};

}  // namespace velkora
