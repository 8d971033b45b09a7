#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

namespace screenshots {

class ScreenshotWorld;

// The size of the main window's page area: the window's default 1180 x 760
// less the 210-point sidebar.
inline constexpr QSize pageAreaSize(970, 760);

// The simulated Mac a picture is taken on.
enum class Hardware { laptop, desktop };

// One picture: what to build, at what size, on which Mac. `make` builds the view with the
// environment (its parent is set by the renderer); `afterShow`, when given,
// runs once the view is on screen and laid out, to open a popover, press a
// button and the like. Popovers and sheets that are open when the picture is
// taken appear in it at their place.
struct ScreenshotPage {
    QString family;
    QString name;
    QSize size = pageAreaSize;
    std::function<QWidget*(const velkora::ViewEnvironment& environment)> make;
    std::function<void(QWidget* view)> afterShow;
    Hardware hardware = Hardware::laptop;
    // Instead of `make`, for a view that needs more of the world than its
    // environment (a model of its own).
    std::function<QWidget*(ScreenshotWorld& world)> makeInWorld{};
};

// Every page the program renders, in the order added.
class ScreenshotCatalog {
public:
    void add(ScreenshotPage page) { pages_.push_back(std::move(page)); }
    const std::vector<ScreenshotPage>& pages() const { return pages_; }

private:
    std::vector<ScreenshotPage> pages_;
};

}  // namespace screenshots
