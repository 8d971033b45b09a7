// The main window as a whole: the root view with its sidebar and pages on a
// laptop and on a desktop Mac, its banners, the welcome sheet and the
// placeholders.

#include "Shots.h"

#include "ScreenshotWorld.h"

#include "Window/EnergyApplicationList.h"
#include "Window/OnboardingView.h"
#include "Window/RootView.h"
#include "Window/SidebarButton.h"
#include "Window/SidebarView.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"
#include "Services/ManualAppClock.h"
#include "ServiceManagement/SMAppService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <cmath>

namespace screenshots {

namespace {

using namespace velkora;

constexpr QSize windowSize(1180, 760);
constexpr QSize smallestWindowSize(1120, 650);

// A helper registration that waits for the user's approval.
class AwaitingApproval final : public platform::SMAppService {
public:
    void registerService() override {}
    void unregisterService() override {}
    Status status() const override { return Status::requiresApproval; }
};

// Keeps a model of one picture alive as long as the picture.
class ModelHolder : public QObject {
public:
    explicit ModelHolder(std::shared_ptr<AppModel> model) : model_(std::move(model)) {}

private:
    std::shared_ptr<AppModel> model_;
};

// The world's environment with a model of its own, kept by the holder.
std::pair<ViewEnvironment, ModelHolder*> ownModel(ScreenshotWorld& world,
                                                   std::shared_ptr<platform::SMAppService> helper = nullptr)
{
    std::shared_ptr<AppModel> model = world.makeModel(std::move(helper));
    ViewEnvironment environment = world.environment();
    environment.model = model.get();
    environment.settings = &model->settings();
    environment.telemetry = &model->telemetry();
    return {environment, new ModelHolder(std::move(model))};
}

RootView* rootOn(SidebarRoute route, const ViewEnvironment& environment, ModelHolder* holder = nullptr)
{
    auto* root = new RootView(environment);
    root->setSelection(route);
    if (holder) {
        holder->setParent(root);
    }
    return root;
}

// Processes events until `ready` holds or `milliseconds` have gone.
template <typename Predicate>
void waitUntil(Predicate ready, int milliseconds)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!ready() && elapsed.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

// Five minutes of a desktop's power, one reading a second up to the clock's
// date: a busy stretch in the middle of a quiet load.
// Readings of the last `seconds`, one a second, in place of the ones the
// model took so far.
void fillDesktopHistory(AppModel& model, int seconds = 300)
{
    const AppClock::Date now = model.clock().date();
    QList<DesktopPowerSample> history;
    for (int second = seconds - 1; second >= 0; --second) {
        const double t = 300 - second;
        const double busy = t > 110 && t < 190 ? 22 * std::sin((t - 110) / 80 * 3.14159) : 0;
        const double watts = 31 + 3.5 * std::sin(t / 9) + 1.6 * std::sin(t / 2.3) + busy;
        history.append(DesktopPowerSample{now - std::chrono::seconds(second), watts});
    }
    model.telemetry().setDesktopPowerHistory(history);
    model.telemetry().setDesktopPower(history.back());
}

void hoverRoute(QWidget* view, SidebarRoute route)
{
    auto* root = static_cast<RootView*>(view);
    QTest::mouseMove(root->sidebar()->button(route));
}

// The page's list from this machine's busy processes, once top has sampled.
void waitForApplications(QWidget* view)
{
    auto* list = view->findChild<EnergyApplicationList*>();
    waitUntil([list] { return list == nullptr || !list->applications().isEmpty(); }, 8000);
}

// The welcome sheet shows over every root view of a laptop whose welcome
// was never finished; only the welcome picture wants it.
QWidget* laptopRoot(const ViewEnvironment& environment, SidebarRoute route)
{
    OnboardingView::setHasCompletedOnboarding(true);
    return rootOn(route, environment);
}

ScreenshotPage shotInWorld(const QString& family, const QString& name, QSize size, Hardware hardware,
                           std::function<QWidget*(ScreenshotWorld&)> make)
{
    ScreenshotPage page;
    page.family = family;
    page.name = name;
    page.size = size;
    page.hardware = hardware;
    page.makeInWorld = std::move(make);
    return page;
}

ScreenshotPage shot(const QString& family, const QString& name, QSize size, Hardware hardware,
                    std::function<QWidget*(const ViewEnvironment&)> make,
                    std::function<void(QWidget*)> afterShow = {})
{
    ScreenshotPage page;
    page.family = family;
    page.name = name;
    page.size = size;
    page.hardware = hardware;
    page.make = std::move(make);
    page.afterShow = std::move(afterShow);
    return page;
}

}  // namespace

void addWindowShots(ScreenshotCatalog& catalog)
{
    catalog.add(shot("window", "root", windowSize, Hardware::laptop,
                 [](const ViewEnvironment& environment) { return laptopRoot(environment, SidebarRoute::dashboard); },
                 [](QWidget* view) { hoverRoute(view, SidebarRoute::chargeControl); }));
    catalog.add(shot("window", "energy-usage", windowSize, Hardware::laptop,
                 [](const ViewEnvironment& environment) { return laptopRoot(environment, SidebarRoute::energyUsage); },
                 waitForApplications));
    catalog.add(shot("window", "energy-usage-small", smallestWindowSize, Hardware::laptop,
                 [](const ViewEnvironment& environment) { return laptopRoot(environment, SidebarRoute::energyUsage); }));
    catalog.add(shot("window", "welcome", windowSize, Hardware::laptop, [](const ViewEnvironment& environment) {
                     OnboardingView::setHasCompletedOnboarding(false);
                     return rootOn(SidebarRoute::dashboard, environment);
                 }));
    catalog.add(shot("window", "welcome-small", smallestWindowSize, Hardware::laptop,
                 [](const ViewEnvironment& environment) {
                     OnboardingView::setHasCompletedOnboarding(false);
                     return rootOn(SidebarRoute::dashboard, environment);
                 }));
    catalog.add(shotInWorld("window", "error-banner", windowSize, Hardware::laptop, [](ScreenshotWorld& world) {
                     OnboardingView::setHasCompletedOnboarding(true);
                     auto [environment, holder] = ownModel(world);
                     environment.model->setLastError(
                         L(QStringLiteral("The background service did not answer in time."),
                           QStringLiteral("后台服务没有及时响应。")));
                     return rootOn(SidebarRoute::energyUsage, environment, holder);
                 }));
    catalog.add(shotInWorld("window", "error-banner-long", smallestWindowSize, Hardware::laptop,
                 [](ScreenshotWorld& world) {
                     OnboardingView::setHasCompletedOnboarding(true);
                     auto [environment, holder] = ownModel(world);
                     environment.model->setLastError(L(
                         QStringLiteral("Could not set the charge limit to 60 %; it stays at 80 %. The background "
                                        "service refused the change because the connection to it was lost while "
                                        "the command was on its way, and it could not be reached again in time."),
                         QStringLiteral("无法将充电上限设为 60%，仍保持 80%。命令发送途中与后台服务的连接中断，"
                                        "且未能及时重新连接，后台服务拒绝了这次更改。请稍后再试，或在设置中修复后台服务。")));
                     return rootOn(SidebarRoute::energyUsage, environment, holder);
                 }));
    catalog.add(shotInWorld("window", "approval-banner", windowSize, Hardware::laptop,
                 [](ScreenshotWorld& world) {
                     OnboardingView::setHasCompletedOnboarding(true);
                     auto [environment, holder] = ownModel(world, std::make_shared<AwaitingApproval>());
                     AppModel* model = environment.model;
                     waitUntil([model] { return model->helperStatus() == HelperStatus::requiresApproval(); }, 3000);
                     // Approval wins over a pending error.
                     model->setLastError(QStringLiteral("hidden behind the approval banner"));
                     return rootOn(SidebarRoute::energyUsage, environment, holder);
                 }));

    catalog.add(shot("desktop", "root", windowSize, Hardware::desktop,
                 [](const ViewEnvironment& environment) {
                     fillDesktopHistory(*environment.model);
                     return rootOn(SidebarRoute::dashboard, environment);
                 },
                 [](QWidget* view) { hoverRoute(view, SidebarRoute::energyUsage); }));
    catalog.add(shot("desktop", "root-small", smallestWindowSize, Hardware::desktop,
                 [](const ViewEnvironment& environment) {
                     fillDesktopHistory(*environment.model);
                     return rootOn(SidebarRoute::dashboard, environment);
                 }));
    // Right after start: less than a minute of readings.
    catalog.add(shot("desktop", "just-started", smallestWindowSize, Hardware::desktop,
                 [](const ViewEnvironment& environment) {
                     fillDesktopHistory(*environment.model, 40);
                     return rootOn(SidebarRoute::dashboard, environment);
                 }));
    catalog.add(shot("desktop", "waiting", smallestWindowSize, Hardware::desktop,
                 [](const ViewEnvironment& environment) {
                     environment.telemetry->setDesktopPowerHistory({});
                     environment.telemetry->setDesktopPower(std::nullopt);
                     return rootOn(SidebarRoute::dashboard, environment);
                 }));
    catalog.add(shot("desktop", "energy-usage", windowSize, Hardware::desktop,
                 [](const ViewEnvironment& environment) { return rootOn(SidebarRoute::energyUsage, environment); },
                 waitForApplications));
    catalog.add(shot("desktop", "no-battery", windowSize, Hardware::desktop,
                 [](const ViewEnvironment& environment) { return rootOn(SidebarRoute::schedules, environment); }));
    catalog.add(shotInWorld("desktop", "detecting", smallestWindowSize, Hardware::desktop,
                 [](ScreenshotWorld& world) {
                     // A model just made on a desktop is not yet sure that it has no battery.
                     auto [environment, holder] = ownModel(world);
                     return rootOn(SidebarRoute::dashboard, environment, holder);
                 }));
}

}  // namespace screenshots
