#pragma once

#include "Battery/RuleCard.h"

#include "VisualKit/ViewEnvironment.h"

#include "VelkoraCore/ChargePolicy.h"

#include <functional>

namespace velkora {

class VelkoraLabel;
class VelkoraSlider;
class VelkoraSwitch;

// The heat-protection rule: its switch; while it is on, the threshold
// slider (30 to 45 °C, each whole degree taken during a drag is one policy
// update, as the rule reads at once); and always the battery's temperature
// now, with what the rule does about it. Every change is one policy update
// of its own field; the card always shows the model's policy. Main thread
// only.
class HeatProtectionCard : public RuleCard {
    Q_OBJECT
public:
    explicit HeatProtectionCard(const ViewEnvironment& environment, QWidget* parent = nullptr);

    // The temperature line for `celsius` with the rule on or off.
    static QString temperatureText(bool protectionEnabled, double celsius);

    VelkoraSwitch* protectionSwitch() const { return switch_; }
    QWidget* thresholdRow() const { return thresholdRow_; }
    VelkoraSlider* thresholdSlider() const { return slider_; }
    VelkoraLabel* thresholdLabel() const { return threshold_; }
    VelkoraLabel* temperatureLabel() const { return temperature_; }

private:
    // Sends one rule change; the card shows what the model keeps once the
    // call is over (a refused change is published and taken back within it).
    void change(const std::function<void(ChargePolicy&)>& mutation);
    void thresholdChanged(int celsius);
    void refresh(bool animated);
    // A new reading changes the temperature line alone: the rule's rows
    // follow the policy, and come or go with their motion.
    void refreshTemperature();

    ViewEnvironment environment_;
    VelkoraSwitch* switch_;
    QWidget* thresholdRow_;
    VelkoraSlider* slider_;
    VelkoraLabel* threshold_;
    VelkoraLabel* temperature_;
    bool rowShown_ = true;
    bool changing_ = false;
    bool syncingSlider_ = false;
};

}  // namespace velkora
