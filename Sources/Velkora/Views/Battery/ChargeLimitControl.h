#pragma once

#include "Battery/ChargeLimitFeedbackState.h"

#include "VisualKit/ViewEnvironment.h"

#include <QWidget>

#include <array>
#include <chrono>
#include <memory>

class QGraphicsOpacityEffect;

namespace velkora {

class AppClockTimer;
class ChargeLimitStatusRow;
class LimitPresetButton;
class VelkoraLabel;
class VelkoraSlider;

// Where a ChargeLimitControl stands.
struct ChargeLimitLayout {
    // Smaller type and spacing; no hint under the presets while all is well.
    bool compact = false;
    // No panel of its own: the caller's panel surrounds it.
    bool embedded = false;
};

// The one control that sets the charge limit: the limit as a large
// percentage, a slider from 20 to 100 in steps of 1, the presets 60, 70, 80,
// 90 and 100, and one status row (ChargeLimitStatusRow).
//
// Dragging only previews: the value and the preset highlight follow the
// knob and nothing is sent until the release, which commits the value once
// through AppModel::updatePolicy (with charge management switched on), so
// that one drag writes the hardware once; a release where the drag started
// sends nothing. A preset or an arrow key commits at once. While the model
// has a limit update in flight, pointer input is ignored and further
// changes are dropped; an update that takes longer than 0.25 seconds on the
// model's clock shows "Applying…" beside the value and greys the slider and
// the presets until it ends. The control keeps no copy of the policy: it
// shows the model's limit, except while the knob is held.
//
// Its three placements, each with a preview of its own:
//   ChargeLimitControl(environment)                                  charge-control page: full, in a panel
//   ChargeLimitControl(environment, {.compact = true, .embedded = true})  dashboard deck: in the caller's panel
//   ChargeLimitControl(environment, {.compact = true})              menu-bar popover: compact, in a panel
// Compact means smaller type and spacing, and no hint under the presets
// while all is well. Needs the environment's model. Main thread only.
class ChargeLimitControl : public QWidget {
    Q_OBJECT
public:
    using Layout = ChargeLimitLayout;

    static constexpr std::array<int, 5> presets{60, 70, 80, 90, 100};
    static constexpr int minimumLimit = 20;
    static constexpr int maximumLimit = 100;
    static constexpr std::chrono::milliseconds applyingDelay{250};

    explicit ChargeLimitControl(const ViewEnvironment& environment, Layout layout = {}, QWidget* parent = nullptr);
    ~ChargeLimitControl() override;

    const Layout& layoutOptions() const { return layout_; }
    // What the value, the slider and the preset highlight show.
    double previewLimit() const { return previewLimit_; }
    // The preview rounded to the nearest whole percent, halves away from zero.
    int roundedPreview() const;
    bool isDragging() const { return isDragging_; }
    const ChargeLimitFeedbackState& feedbackState() const { return feedback_; }

    VelkoraSlider* slider() const { return slider_; }
    LimitPresetButton* presetButton(int value) const;
    VelkoraLabel* valueLabel() const { return value_; }
    VelkoraLabel* applyingLabel() const { return applying_; }
    ChargeLimitStatusRow* statusRow() const { return status_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildHeader(QLayout* stack);
    void sliderEditingChanged(bool editing);
    void sliderValueChanged(int value);
    void selectPreset(int value);
    void commit(int limit);
    void policyChanged();
    // The feedback sequence: run again whenever isLimitUpdating changes.
    void runFeedback();
    void revealApplying(std::uint64_t token);
    void cancelFeedback();
    void setPreview(double limit);
    void showPreview();
    void showApplying(bool animated);
    void refresh();

    ViewEnvironment environment_;
    Layout layout_;
    double previewLimit_ = 80.0;
    bool isDragging_ = false;
    ChargeLimitFeedbackState feedback_;
    std::shared_ptr<AppClockTimer> feedbackTimer_;
    // The limit last seen in the model's policy, to tell its changes apart.
    std::int64_t shownPolicyLimit_ = 0;
    // Set while the control moves the slider itself.
    bool syncingSlider_ = false;

    VelkoraLabel* value_ = nullptr;
    VelkoraLabel* applying_ = nullptr;
    QGraphicsOpacityEffect* applyingOpacity_ = nullptr;
    VelkoraSlider* slider_ = nullptr;
    std::array<LimitPresetButton*, presets.size()> presetButtons_{};
    ChargeLimitStatusRow* status_ = nullptr;
};

}  // namespace velkora
