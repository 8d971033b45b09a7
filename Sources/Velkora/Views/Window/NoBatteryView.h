#pragma once

#include <QWidget>

#include <functional>

namespace velkora {

class VelkoraButton;

// What a battery-only route shows on a Mac without a built-in battery: a
// desktop symbol on a soft energy tile, a title, a line that points to the
// energy dashboard, and a button that runs `openSettings` (the root view's
// goes back to the dashboard). Centred in the space it is given. Main
// thread only.
class NoBatteryView : public QWidget {
    Q_OBJECT
public:
    explicit NoBatteryView(std::function<void()> openSettings, QWidget* parent = nullptr);

    VelkoraButton* button() const { return button_; }

private:
    VelkoraButton* button_;
};

}  // namespace velkora
