#pragma once

#include "Battery/RuleCard.h"

#include "VisualKit/ViewEnvironment.h"

#include "VelkoraCore/CalibrationPhase.h"

#include <QColor>

#include <array>

namespace velkora {

class SymbolView;
class VelkoraButton;
class VelkoraLabel;

// Calibration: a start (or stop) button that follows the model's flag, the
// five steps of a calibration (charge to 100 %, discharge to 10 %, charge to
// 100 %, hold an hour, return to the limit) coloured by the daemon's
// reported phase (done green, current in the accent colour, the rest
// secondary) and, during a calibration, the current phase's name. Main
// thread only.
class CalibrationCard : public RuleCard {
    Q_OBJECT
public:
    static constexpr std::array<CalibrationPhase, 5> steps{
        CalibrationPhase::chargingToFull, CalibrationPhase::dischargingToLow, CalibrationPhase::rechargingToFull,
        CalibrationPhase::holdingFull, CalibrationPhase::restoringLimit};

    explicit CalibrationCard(const ViewEnvironment& environment, QWidget* parent = nullptr);

    // The colour of `step` while the daemon reports `current`.
    static QColor calibrationTint(CalibrationPhase step, CalibrationPhase current);

    VelkoraButton* actionButton() const { return action_; }
    SymbolView* stepSymbol(int index) const { return stepSymbols_.at(static_cast<std::size_t>(index)); }
    VelkoraLabel* stepCaption(int index) const { return stepCaptions_.at(static_cast<std::size_t>(index)); }
    QWidget* phaseLabel() const { return phase_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void refresh(bool animated);

    ViewEnvironment environment_;
    VelkoraButton* action_;
    std::array<SymbolView*, 5> stepSymbols_{};
    std::array<VelkoraLabel*, 5> stepCaptions_{};
    QWidget* phase_;
    VelkoraLabel* phaseText_;
    bool phaseShown_ = true;
};

}  // namespace velkora
