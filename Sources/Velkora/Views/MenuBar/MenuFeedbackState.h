#pragma once

#include <QString>

namespace velkora {

class AppModel;

// What the popover's feedback block tells the user, decided from the model:
// the helper waiting for approval comes first, then an outdated helper, then
// the last error unless the charge-limit control already shows it. Two
// states are equal when they are the same kind and, for an error, carry the
// same message; the block animates exactly when its state changes.
struct MenuFeedbackState {
    enum class Kind { error, approval, helperUpdate, none };

    Kind kind = Kind::none;
    // The error's message; empty for the other kinds.
    QString message;

    static MenuFeedbackState of(const AppModel& model);

    bool operator==(const MenuFeedbackState&) const = default;
};

}  // namespace velkora
