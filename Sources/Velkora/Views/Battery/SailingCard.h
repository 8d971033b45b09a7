#pragma once

#include "Battery/RuleCard.h"

#include "VisualKit/ViewEnvironment.h"

#include "VelkoraCore/ChargePolicy.h"

#include <functional>

class QLineEdit;

namespace velkora {

class VelkoraLabel;
class VelkoraSwitch;

// The sailing rule: its switch and, while it is on, the difference below
// the limit at which charging resumes (a field taking a whole number in the
// user's number format; the model keeps it within 1 to 20) with the level
// that makes. Every change is one policy update of its own field; the card
// always shows the model's policy. Main thread only.
class SailingCard : public RuleCard {
    Q_OBJECT
public:
    explicit SailingCard(const ViewEnvironment& environment, QWidget* parent = nullptr);

    // "Charging resumes at N%": N is the limit less the difference, never
    // below 0.
    static QString resumeText(std::int64_t chargeLimit, std::int64_t sailingDelta);

    VelkoraSwitch* sailingSwitch() const { return switch_; }
    QWidget* deltaRow() const { return deltaRow_; }
    QLineEdit* deltaField() const { return field_; }
    VelkoraLabel* resumeLabel() const { return resume_; }

private:
    // Sends one rule change; the card shows what the model keeps once the
    // call is over (a refused change is published and taken back within it).
    void change(const std::function<void(ChargePolicy&)>& mutation);
    void commitDelta();
    void refresh(bool animated);

    ViewEnvironment environment_;
    VelkoraSwitch* switch_;
    QWidget* deltaRow_;
    QLineEdit* field_;
    VelkoraLabel* resume_;
    bool rowShown_ = true;
    bool changing_ = false;
};

}  // namespace velkora
