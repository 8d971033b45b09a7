#pragma once

#include "Window/BannerCapsule.h"

#include <functional>

namespace velkora {

class VelkoraButton;
class VelkoraLabel;

// The banner of a failed operation: a yellow warning symbol, the message as
// plain text (13 pt medium, at most two lines, the rest cut with an
// ellipsis) and a close button that runs `dismiss`. Main thread only.
class ErrorBanner : public BannerCapsule {
    Q_OBJECT
public:
    // The widest the message may lay out before it wraps.
    static constexpr int maximumMessageWidth = 560;

    ErrorBanner(const QString& message, std::function<void()> dismiss, QWidget* parent = nullptr);

    // The text shown: the message, cut to two lines.
    QString shownMessage() const;
    VelkoraButton* closeButton() const { return close_; }

private:
    VelkoraLabel* message_;
    VelkoraButton* close_;
};

}  // namespace velkora
