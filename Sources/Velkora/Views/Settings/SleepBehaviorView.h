#pragma once

#include "VisualKit/PageFrame.h"
#include "VisualKit/ViewEnvironment.h"

#include "VelkoraCore/ChargePolicy.h"
#include "VelkoraCore/PowerSnapshot.h"

#include <functional>

namespace velkora {

class StateBadge;
class SymbolView;
class VelkoraLabel;
class VelkoraPanel;
class VelkoraSwitch;

// The page of the sidebar route sleepBehavior: the three rules about system
// sleep and quitting the application, and one sentence saying what they do
// right now. Turning "stop charging before sleep" or "prevent sleep until
// the limit" on also turns charge management on, in the same policy change;
// turning a rule off leaves management alone. Each switch shows the policy
// the model keeps, so a refused change springs back. Main thread only.
class SleepBehaviorView : public PageFrame {
    Q_OBJECT
public:
    explicit SleepBehaviorView(const ViewEnvironment& environment, QWidget* parent = nullptr);

    // What the rules do now, in one sentence. `enforced` says whether the
    // background service is running the policy: only then can it keep the
    // Mac awake (while charging towards the limit, or topping up, with
    // management on) or stop charging before sleep (with management on).
    // Otherwise the sentence says that the firmware decides.
    static QString statusText(const ChargePolicy& policy, const PowerSnapshot& snapshot, bool enforced);

    VelkoraSwitch* stopBeforeSleepSwitch() const { return stopBeforeSleep_; }
    VelkoraSwitch* preventSleepSwitch() const { return preventSleep_; }
    VelkoraSwitch* preserveWhenClosedSwitch() const { return preserveWhenClosed_; }
    VelkoraLabel* statusLabel() const { return status_; }
    VelkoraLabel* powerSourceLabel() const { return powerSource_; }
    SymbolView* powerSourceSymbol() const { return powerSymbol_; }
    StateBadge* stateBadge() const { return badge_; }

private:
    VelkoraSwitch* addRule(VelkoraPanel* panel, const QString& symbol, const QString& title,
                           const QString& help, const std::function<void(ChargePolicy&, bool)>& change);
    void refresh();
    bool isEnforced() const;

    ViewEnvironment environment_;
    VelkoraSwitch* stopBeforeSleep_ = nullptr;
    VelkoraSwitch* preventSleep_ = nullptr;
    VelkoraSwitch* preserveWhenClosed_ = nullptr;
    VelkoraLabel* status_ = nullptr;
    SymbolView* powerSymbol_ = nullptr;
    VelkoraLabel* powerSource_ = nullptr;
    StateBadge* badge_ = nullptr;
};

}  // namespace velkora
