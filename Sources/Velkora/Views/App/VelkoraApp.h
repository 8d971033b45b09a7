#pragma once

#include "App/MainWindow.h"

#include "VisualKit/ColorAppearance.h"
#include "VisualKit/ReduceMotionSource.h"
#include "VisualKit/ViewEnvironment.h"

#include "Model/AppModel.h"
#include "Sparkle/SPUUserDriver.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

namespace velkora {

class AppRouter;
class MenuBarExtra;
class UpdateCenter;

// The application: the model, the sheet router and the update centre, made
// once and kept for the life of the process, and the two ways in that it
// offers the user: the main window and the menu-bar extra (made at once).
// Both are handed the same ViewEnvironment.
//
// The main window is single: openMainWindow() raises the one that is open
// or makes it anew when it was closed. Whenever its content is shown, the
// application applies the Dock policy (no Dock icon keeps the window out of
// the task bar and the window switcher), styles the window for the user's
// appearance and shows the battery overlay on a Mac with a battery whose
// user turned it on; it hides the overlay on a Mac without a battery and
// otherwise leaves it as it is. A change of the appearance
// setting restyles the open window at once. Main thread only.
class VelkoraApp : public QObject {
    Q_OBJECT
public:
    struct Options {
        // Handed to AppModel::create; its presenter is the application's own.
        AppModel::Services services;
        // The update centre's dialogs; the standard ones when empty.
        std::unique_ptr<platform::SPUUserDriver> updateDriver;
        // The reduce-motion setting; the workspace's when empty.
        std::unique_ptr<ReduceMotionSource> reduceMotion;
    };

    explicit VelkoraApp(Options options = {}, QObject* parent = nullptr);
    ~VelkoraApp() override;

    AppModel& model() const { return *model_; }
    const std::shared_ptr<AppModel>& sharedModel() const { return model_; }
    AppRouter& router() const { return *router_; }
    UpdateCenter& updateCenter() const { return *updateCenter_; }
    const ViewEnvironment& environment() const { return environment_; }

    // The colour scheme both scenes prefer: none for `system` (they follow
    // the desktop), else the chosen one.
    std::optional<ColorAppearance> preferredColorScheme() const;

    // Brings the main window to the front, making it when none is open; an
    // open menu-bar panel closes.
    void openMainWindow();
    // The open main window; null when it was closed or never opened.
    MainWindow* mainWindow() const { return mainWindow_; }
    MenuBarExtra& menuBarExtra() const { return *menuBarExtra_; }

private:
    void mainWindowDidAppear();
    void configureMainWindow();
    void applyDockPolicy();

    std::shared_ptr<AppModel> model_;
    std::unique_ptr<AppRouter> router_;
    std::unique_ptr<UpdateCenter> updateCenter_;
    std::unique_ptr<ReduceMotionSource> reduceMotion_;
    ViewEnvironment environment_;
    QPointer<MainWindow> mainWindow_;
    std::unique_ptr<MenuBarExtra> menuBarExtra_;
};

}  // namespace velkora
