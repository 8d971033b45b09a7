#include "Settings/OtherSettingsView.h"

#include "Settings/HelperServicePanel.h"
#include "Settings/MagSafeLEDPanel.h"
#include "Settings/SoftwareUpdatePanel.h"
#include "Window/OnboardingView.h"

#include "VisualKit/AppRouter.h"
#include "VisualKit/HelpLink.h"
#include "VisualKit/PageTitle.h"
#include "VisualKit/SegmentedPicker.h"
#include "VisualKit/SettingsRow.h"
#include "VisualKit/SymbolTile.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraPanel.h"
#include "VisualKit/VelkoraSwitch.h"
#include "VisualKit/VelkoraTheme.h"

#include "Foundation/NSError.h"
#include "Model/AppModel.h"
#include "Services/AppLanguage.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QVBoxLayout>

#include <algorithm>

namespace velkora {

namespace {

constexpr int appearancePickerWidth = 220;
const QString launchHelpWithBattery = QStringLiteral("登录 macOS 后自动启动菜单栏与充电策略。");
const QString launchHelpWithoutBattery = QStringLiteral("登录 macOS 后自动启动菜单栏与能耗监测。");

PageFrame::Metrics pageMetrics()
{
    PageFrame::Metrics metrics;
    metrics.spacing = 18;
    metrics.padding = QMargins(34, 60, 34, 30);
    return metrics;
}

}  // namespace

OtherSettingsView::OtherSettingsView(const ViewEnvironment& environment, QWidget* parent)
    : PageFrame(pageMetrics(), parent), environment_(environment)
{
    setObjectName(QStringLiteral("other-settings"));
    addGeneralRows();
    addBatterySections();
    addDeviceSection();
    addUpdateSection();

    welcome_ = new VelkoraButton(localized(QStringLiteral("重新显示欢迎页")), VelkoraButton::Style::bordered, this);
    welcome_->setObjectName(QStringLiteral("show-welcome"));
    connect(welcome_, &QAbstractButton::clicked, this, &OtherSettingsView::showWelcomeAgain);
    addSection(welcome_);

    AppSettings* settings = environment_.settings;
    connect(settings, &AppSettings::showHardwarePercentageChanged, this, &OtherSettingsView::refresh);
    connect(settings, &AppSettings::showDockIconChanged, this, &OtherSettingsView::refresh);
    connect(settings, &AppSettings::launchAtLoginChanged, this, &OtherSettingsView::refresh);
    connect(settings, &AppSettings::reduceTransparencyChanged, this, &OtherSettingsView::refresh);
    connect(settings, &AppSettings::appearanceChanged, this, &OtherSettingsView::refresh);
    connect(environment_.model, &AppModel::capabilitiesChanged, this, &OtherSettingsView::followBattery);
    followBattery();
    refresh();
}

VelkoraSwitch* OtherSettingsView::makeSwitch(const QString& name, const QString& titleKey)
{
    auto* control = new VelkoraSwitch(environment_, this);
    control->setObjectName(name);
    control->setAccessibleName(localized(titleKey));
    return control;
}

void OtherSettingsView::addGeneralRows()
{
    AppSettings* settings = environment_.settings;
    hardwarePercentage_ = makeSwitch(QStringLiteral("hardware-percentage"), QStringLiteral("硬件电池百分比"));
    hardwarePercentageRow_ =
        new SettingsRow(QStringLiteral("gauge.with.dots.needle.67percent"), QStringLiteral("硬件电池百分比"),
                        QStringLiteral("使用电池管理系统报告的原始容量比例，而不是 macOS 平滑后的显示值。"),
                        hardwarePercentage_, this);
    addSection(hardwarePercentageRow_);
    connect(hardwarePercentage_, &QAbstractButton::clicked, this, &OtherSettingsView::setHardwarePercentage);

    dockIcon_ = makeSwitch(QStringLiteral("dock-icon"), QStringLiteral("显示程序坞图标"));
    addSection(new SettingsRow(
        QStringLiteral("dock.rectangle"), QStringLiteral("显示程序坞图标"),
        L(QStringLiteral("Also keep Tallowmere in the Dock and app switcher as a regular app."),
          QStringLiteral("让 Tallowmere 同时作为普通应用显示在程序坞和应用切换器中。")),
        dockIcon_, this));
    connect(dockIcon_, &QAbstractButton::clicked, settings, &AppSettings::setShowDockIcon);

    launchAtLogin_ = makeSwitch(QStringLiteral("launch-at-login"), QStringLiteral("登录时启动"));
    launchAtLoginRow_ = new SettingsRow(QStringLiteral("person.crop.circle.badge.clock"), QStringLiteral("登录时启动"),
                                        launchHelpWithBattery, launchAtLogin_, this);
    addSection(launchAtLoginRow_);
    connect(launchAtLogin_, &QAbstractButton::clicked, this, &OtherSettingsView::setLaunchAtLogin);

    reduceTransparency_ = makeSwitch(QStringLiteral("reduce-transparency"), QStringLiteral("降低透明度"));
    addSection(new SettingsRow(QStringLiteral("drop"), QStringLiteral("降低透明度"),
                               QStringLiteral("用不透明表面替代玻璃材质，提高对比度。"), reduceTransparency_, this));
    connect(reduceTransparency_, &QAbstractButton::clicked, settings, &AppSettings::setReduceTransparency);

    QStringList titles;
    for (const AppAppearance appearance : allAppAppearances) {
        titles.append(title(appearance));
    }
    appearance_ = new SegmentedPicker(titles, this);
    appearance_->setObjectName(QStringLiteral("appearance"));
    appearance_->setAccessibleName(localized(QStringLiteral("外观模式")));
    appearance_->setFixedWidth(appearancePickerWidth);
    addSection(new SettingsRow(QStringLiteral("circle.lefthalf.filled"), QStringLiteral("外观模式"),
                               QStringLiteral("跟随系统，或强制使用浅色/深色外观。"), appearance_, this));
    connect(appearance_, &SegmentedPicker::activated, settings,
            [settings](int index) { settings->setAppearance(allAppAppearances.at(static_cast<std::size_t>(index))); });
}

void OtherSettingsView::addBatterySections()
{
    ledTitle_ = new PageTitle(QStringLiteral("light.beacon.max"), QStringLiteral("MagSafe LED"), this);
    addSection(ledTitle_);
    ledPanel_ = new MagSafeLEDPanel(environment_, this);
    addSection(ledPanel_);
    helperTitle_ = new PageTitle(QStringLiteral("lock.shield"), QStringLiteral("后台服务"), this);
    addSection(helperTitle_);
    helperPanel_ = new HelperServicePanel(environment_, this);
    addSection(helperPanel_);
}

void OtherSettingsView::addDeviceSection()
{
    deviceTitle_ = new PageTitle(QStringLiteral("desktopcomputer"), QStringLiteral("设备"), this);
    addSection(deviceTitle_);
    noBatteryPanel_ = unavailableHardwarePanel(
        QStringLiteral("desktopcomputer"), L(QStringLiteral("No Built-in Battery"), QStringLiteral("无内置电池")),
        L(QStringLiteral("Charging controls and the background service are hidden; power monitoring needs no extra "
                         "approval."),
          QStringLiteral("充电控制和后台服务已收起；功率监测无需额外授权。")));
    addSection(noBatteryPanel_);
}

void OtherSettingsView::addUpdateSection()
{
    addSection(new PageTitle(QStringLiteral("arrow.triangle.2.circle.circle"), QStringLiteral("软件更新"), this));
    updatePanel_ = new SoftwareUpdatePanel(environment_, this);
    addSection(updatePanel_);
}

QWidget* OtherSettingsView::unavailableHardwarePanel(const QString& symbol, const QString& title,
                                                     const QString& detail)
{
    auto* panel = new VelkoraPanel(environment_, this);
    panel->setObjectName(QStringLiteral("no-battery"));
    auto* row = new QHBoxLayout();
    row->setSpacing(12);
    row->addWidget(new SymbolTile(symbol, 40, 22, QFont::DemiBold, 12, panel), 0, Qt::AlignVCenter);
    auto* text = new QVBoxLayout();
    text->setSpacing(4);
    text->addWidget(new VelkoraLabel(title, VelkoraFont::system(16, QFont::Bold), ForegroundStyle::primary, panel));
    auto* detailLabel = new VelkoraLabel(detail, VelkoraFont::caption(), ForegroundStyle::secondary, panel);
    detailLabel->setWordWrap(true);
    text->addWidget(detailLabel);
    row->addLayout(text, 1);
    panel->contentLayout()->addLayout(row);
    return panel;
}

void OtherSettingsView::setHardwarePercentage(bool on)
{
    AppSettings* settings = environment_.settings;
    AppModel& model = *environment_.model;
    const bool before = settings->showHardwarePercentage();
    settings->setShowHardwarePercentage(on);
    // Without an enabled daemon the choice is the menu bar's alone.
    if (model.helperStatus() != HelperStatus::enabled()) {
        return;
    }
    // With one, the menu bar must not show a percentage the daemon does not
    // use: a change it did not take goes back, unless the user changed the
    // switch again meanwhile.
    QPointer<AppSettings> stored(settings);
    model.updatePolicy([on](ChargePolicy& policy) { policy.useHardwarePercentage = on; },
                       [stored, on, before](bool applied) {
                           if (!applied && stored && stored->showHardwarePercentage() == on) {
                               stored->setShowHardwarePercentage(before);
                           }
                       });
    refresh();
}

void OtherSettingsView::setLaunchAtLogin(bool on)
{
    try {
        environment_.settings->setLaunchAtLogin(on);
    } catch (const platform::NSError& error) {
        environment_.model->setLastError(QString::fromStdString(error.localizedDescription()));
    } catch (const std::exception& error) {
        environment_.model->setLastError(QString::fromUtf8(error.what()));
    }
    refresh();
}

void OtherSettingsView::showWelcomeAgain()
{
    OnboardingView::setHasCompletedOnboarding(false);
    environment_.router->setPresentedSheet(AppSheetDestination::onboarding);
}

void OtherSettingsView::followBattery()
{
    const bool battery = environment_.model->batteryPresent();
    hardwarePercentageRow_->setVisible(battery);
    ledTitle_->setVisible(battery);
    ledPanel_->setVisible(battery);
    helperTitle_->setVisible(battery);
    helperPanel_->setVisible(battery);
    deviceTitle_->setVisible(!battery);
    noBatteryPanel_->setVisible(!battery);
    welcome_->setVisible(battery);
    if (HelpLink* help = launchAtLoginRow_->helpLink()) {
        help->setTextKey(battery ? launchHelpWithBattery : launchHelpWithoutBattery);
    }
}

void OtherSettingsView::refresh()
{
    const AppSettings& settings = *environment_.settings;
    // Setting an unchanged state would cut a knob's slide short.
    const auto show = [](VelkoraSwitch* control, bool on) {
        if (control->isChecked() != on) {
            control->setChecked(on);
        }
    };
    show(hardwarePercentage_, settings.showHardwarePercentage());
    show(dockIcon_, settings.showDockIcon());
    show(launchAtLogin_, settings.launchAtLogin());
    show(reduceTransparency_, settings.reduceTransparency());
    const auto chosen = std::find(allAppAppearances.begin(), allAppAppearances.end(), settings.appearance());
    appearance_->setCurrentIndex(static_cast<int>(chosen - allAppAppearances.begin()));
}

}  // namespace velkora
