#pragma once

#include "VisualKit/ColorAppearance.h"
#include "VisualKit/ViewEnvironment.h"

#include <QSize>
#include <QWidget>

#include <functional>
#include <optional>

namespace velkora {

class RootView;

// The application's one main window: titled "Tallowmere", named "main",
// opening at 1180 x 760 and never smaller than 1120 x 650, its whole content
// the root view. It is deleted when closed; the application makes a new one
// when asked to open it again.
//
// Each time it is shown it calls the on-appear action it was made with
// (the application applies the Dock policy, styles the window and shows or
// hides the overlay there).
//
// Styling (the application's configureMainWindow): the content reaches the
// window's edges, so the background is what the user grabs to move the
// window once movableByBackground is set; the appearance and background
// colour are the window's own. Main thread only.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* title = "Tallowmere";
    static constexpr const char* identifier = "main";
    static constexpr QSize defaultSize{1180, 760};
    static constexpr QSize minimumContentSize{1120, 650};

    MainWindow(const ViewEnvironment& environment, std::function<void()> onAppear, QWidget* parent = nullptr);

    RootView* rootView() const { return root_; }

    // Whether a press on the window's background drags the window.
    bool isMovableByBackground() const { return movableByBackground_; }
    void setMovableByBackground(bool movable) { movableByBackground_ = movable; }

    // The appearance forced on this window; nothing to follow the system.
    const std::optional<ColorAppearance>& appearance() const { return appearance_; }
    void setAppearance(std::optional<ColorAppearance> appearance);
    QColor backgroundColor() const;
    void setBackgroundColor(const QColor& color);

    // Whether the window is kept out of the task bar and the window
    // switcher (the accessory activation policy). Takes effect at once,
    // also on a window already shown.
    bool isKeptOutOfTaskBar() const;
    void setKeptOutOfTaskBar(bool kept);

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    RootView* root_;
    std::function<void()> onAppear_;
    bool movableByBackground_ = false;
    std::optional<ColorAppearance> appearance_;
};

}  // namespace velkora
