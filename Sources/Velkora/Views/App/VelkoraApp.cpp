#include "App/VelkoraApp.h"

#include "App/BackgroundPermissionGuidePresenter.h"
#include "App/MainWindow.h"
#include "MenuBar/MenuBarExtra.h"
#include "Overlay/OverlayPresenter.h"

#include "VisualKit/AppRouter.h"
#include "VisualKit/ReduceMotionSource.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/UpdateCenter.h"

#include "AppKit/WindowStacking.h"

#include <QApplication>
#include <QWidget>

namespace velkora {

namespace {

// The floating panels the model asks for.
class ApplicationPresenter final : public AppModelPresenter {
public:
    void hideOverlay(bool animated) override { OverlayPresenter::shared().hide(animated); }
    void showApprovalGuide(AppModel& model) override { BackgroundPermissionGuidePresenter::shared().show(model); }
    void hideApprovalGuide(bool animated) override { BackgroundPermissionGuidePresenter::shared().hide(animated); }
};

AppModel::Services withPresenter(AppModel::Services services)
{
    services.presenter = std::make_shared<ApplicationPresenter>();
    return services;
}

}  // namespace

VelkoraApp::VelkoraApp(Options options, QObject* parent)
    : QObject(parent),
      model_(AppModel::create(withPresenter(std::move(options.services)))),
      router_(std::make_unique<AppRouter>()),
      updateCenter_(std::make_unique<UpdateCenter>(std::move(options.updateDriver))),
      reduceMotion_(options.reduceMotion ? std::move(options.reduceMotion) : ReduceMotionSource::followingWorkspace())
{
    environment_.model = model_.get();
    environment_.telemetry = &model_->telemetry();
    environment_.settings = &model_->settings();
    environment_.router = router_.get();
    environment_.updates = updateCenter_.get();
    environment_.reduceMotion = reduceMotion_.get();
    environment_.openMainWindow = [this] { openMainWindow(); };
    // Sheets above their window, panels above both, whatever the display does.
    platform::WindowStacking::install();

    BackgroundPermissionGuidePresenter::shared().setReduceMotion(reduceMotion_.get());
    OverlayPresenter::shared().setReduceMotionSource(reduceMotion_.get());
    VelkoraTheme::follow(model_->settings());
    connect(&model_->settings(), &AppSettings::appearanceChanged, this, [this] { configureMainWindow(); });
    connect(&model_->settings(), &AppSettings::showDockIconChanged, this, [this] { applyDockPolicy(); });
    menuBarExtra_ = std::make_unique<MenuBarExtra>(environment_);
}

VelkoraApp::~VelkoraApp()
{
    // The floating panels show this model: they go with it.
    OverlayPresenter::shared().hide(false);
    BackgroundPermissionGuidePresenter::shared().hide(false);
    menuBarExtra_.reset();
    delete mainWindow_.data();
}

std::optional<ColorAppearance> VelkoraApp::preferredColorScheme() const
{
    switch (model_->settings().appearance()) {
    case AppAppearance::system: return std::nullopt;
    case AppAppearance::light: return ColorAppearance::light;
    case AppAppearance::dark: return ColorAppearance::dark;
    }
    return std::nullopt;
}

void VelkoraApp::openMainWindow()
{
    // Asked from the menu-bar panel, the panel gives way to the window.
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
    }
    if (!mainWindow_) {
        mainWindow_ = new MainWindow(environment_, [this] { mainWindowDidAppear(); });
        mainWindow_->setKeptOutOfTaskBar(!model_->settings().showDockIcon());
    }
    mainWindow_->setWindowState(mainWindow_->windowState() & ~Qt::WindowMinimized);
    mainWindow_->show();
    mainWindow_->raise();
    mainWindow_->activateWindow();
}

void VelkoraApp::mainWindowDidAppear()
{
    applyDockPolicy();
    configureMainWindow();
    // With the overlay switched off, one the user put up from its page stays.
    if (!model_->batteryPresent()) {
        OverlayPresenter::shared().hide(true);
    } else if (model_->settings().overlayEnabled()) {
        OverlayPresenter::shared().show(*model_);
    }
}

void VelkoraApp::applyDockPolicy()
{
    model_->settings().applyDockIconVisibility();
    if (mainWindow_) {
        mainWindow_->setKeptOutOfTaskBar(!model_->settings().showDockIcon());
    }
}

void VelkoraApp::configureMainWindow()
{
    MainWindow* window = nullptr;
    for (QWidget* candidate : QApplication::topLevelWidgets()) {
        if (candidate->windowTitle() == QLatin1String(MainWindow::title)) {
            window = qobject_cast<MainWindow*>(candidate);
            break;
        }
    }
    if (window == nullptr) {
        return;
    }
    window->setMovableByBackground(true);
    const AppAppearance appearance = model_->settings().appearance();
    window->setAppearance(preferredColorScheme());
    window->setBackgroundColor(appearance == AppAppearance::dark
                                   ? VelkoraTheme::backgroundColor(AppAppearance::dark)
                                   : VelkoraTheme::windowBackground(VelkoraTheme::resolve(appearance)));
}

}  // namespace velkora
