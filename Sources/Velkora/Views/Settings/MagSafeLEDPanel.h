#pragma once

#include "VisualKit/VelkoraPanel.h"

#include "VelkoraCore/MagSafeLEDMode.h"

#include <optional>

class QComboBox;

namespace velkora {

class SettingsRow;
class VelkoraSwitch;

// The MagSafe LED controls of the general settings: a picker of the LED's
// colour set by hand (system, off, green, orange, slow orange blink) and
// the switch that lets the daemon show the charging state on the LED. The
// picker is off while the daemon drives the LED; both are off on a Mac
// whose LED cannot be driven.
//
// A chosen colour is stored in the settings and sent to the daemon at once;
// when the daemon does not take it, the stored colour goes back to the one
// before and the model's error says why. The switch shows the policy's
// value, so a refused change shows the policy the model restored. Main
// thread only.
class MagSafeLEDPanel : public VelkoraPanel {
    Q_OBJECT
public:
    // The modes offered, in order; the fast orange blink is not one of them.
    static constexpr std::array<MagSafeLEDMode, 5> offeredModes = {
        MagSafeLEDMode::system, MagSafeLEDMode::off, MagSafeLEDMode::green, MagSafeLEDMode::orange,
        MagSafeLEDMode::blinkOrangeSlow};

    explicit MagSafeLEDPanel(const ViewEnvironment& environment, QWidget* parent = nullptr);

    QComboBox* modePicker() const { return picker_; }
    VelkoraSwitch* manageSwitch() const { return manage_; }
    SettingsRow* modeRow() const { return modeRow_; }
    // The mode the picker shows; nothing for a stored mode it does not offer.
    std::optional<MagSafeLEDMode> shownMode() const;

private:
    void chooseMode(int index);
    void setManaged(bool on);
    void refresh();

    ViewEnvironment environment_;
    QComboBox* picker_;
    VelkoraSwitch* manage_;
    SettingsRow* modeRow_;
};

}  // namespace velkora
