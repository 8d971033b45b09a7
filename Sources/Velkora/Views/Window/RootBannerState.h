#pragma once

#include <QString>

namespace velkora {

class AppModel;

// What floats over the top edge of the main window, worked out afresh from
// the model whenever it changes: the approval banner while the background
// service waits for the user's approval (this wins over any error), else the
// error banner while lastError holds a text that is not empty, else nothing.
// Two error states are equal when their messages are; any change animates.
struct RootBannerState {
    enum class Kind { error, approval, none };

    Kind kind = Kind::none;
    // The error's text; empty for the other kinds.
    QString message;

    static RootBannerState error(QString message) { return {Kind::error, std::move(message)}; }
    static RootBannerState approval() { return {Kind::approval, {}}; }
    static RootBannerState none() { return {}; }

    static RootBannerState of(const AppModel& model);

    bool operator==(const RootBannerState&) const = default;
};

}  // namespace velkora
