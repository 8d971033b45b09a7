// The kit's gallery: every building block in each of its states.

#include "Shots.h"

#include "VisualKit/BatteryStatusTone.h"
#include "VisualKit/ContentUnavailableView.h"
#include "VisualKit/DesktopPowerText.h"
#include "VisualKit/Divider.h"
#include "VisualKit/EnergyActionButton.h"
#include "VisualKit/HelpLink.h"
#include "VisualKit/PageFrame.h"
#include "VisualKit/PageTitle.h"
#include "VisualKit/SettingsRow.h"
#include "VisualKit/StateBadge.h"
#include "VisualKit/SymbolImage.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/ValueFormatting.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraPanel.h"
#include "VisualKit/VelkoraPressableButtonStyle.h"
#include "VisualKit/VelkoraSwitch.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"
#include "Services/TelemetryStore.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QTest>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace screenshots {

namespace {

using namespace velkora;

VelkoraLabel* caption(const QString& text, QWidget* parent = nullptr)
{
    return new VelkoraLabel(text, VelkoraFont::caption(), ForegroundStyle::tertiary, parent);
}

// A panel whose content is a heading line and a grid.
VelkoraPanel* gridPanel(const ViewEnvironment& environment, const QString& heading, QGridLayout*& grid)
{
    auto* panel = new VelkoraPanel(environment);
    auto* title = new VelkoraLabel(heading, VelkoraFont::system(13, QFont::DemiBold), ForegroundStyle::secondary);
    panel->contentLayout()->addWidget(title);
    panel->contentLayout()->addSpacing(12);
    grid = new QGridLayout();
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(10);
    panel->contentLayout()->addLayout(grid);
    return panel;
}

QWidget* badgesPage(const ViewEnvironment& environment)
{
    auto* page = new PageFrame();
    page->addSection(new PageTitle(QStringLiteral("checkmark.shield"), L("State badges", "状态徽章")));
    // The simulated Mac's own reading, as the model has it.
    const PowerSnapshot& live = environment.telemetry->snapshot();
    auto* reading = new QWidget();
    auto* line = new QHBoxLayout(reading);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(10);
    line->addWidget(new StateBadge(environment, live.state, static_cast<int>(live.battery.percentage)));
    auto* percentage = new VelkoraLabel(QStringLiteral("%1 %").arg(live.battery.percentage),
                                        VelkoraFont::system(13, QFont::DemiBold), ForegroundStyle::secondary);
    percentage->setMonospacedDigits(true);
    line->addWidget(percentage);
    line->addWidget(caption(L("Live reading of the simulated Mac", "模拟 Mac 的实时读数")));
    page->addSection(reading);
    struct Sample {
        ChargingState state;
        int percentage;
    };
    const Sample samples[] = {
        {ChargingState::charging, 15},   {ChargingState::charging, 35},      {ChargingState::charging, 80},
        {ChargingState::onBattery, 18},  {ChargingState::paused, 45},        {ChargingState::sailing, 79},
        {ChargingState::discharging, 60}, {ChargingState::topUp, 95},        {ChargingState::heatProtected, 70},
        {ChargingState::calibrating, 50}, {ChargingState::error, 50},        {ChargingState::unavailable, 80},
    };
    auto* schemes = new QWidget();
    auto* pairs = new QGridLayout(schemes);
    pairs->setContentsMargins(0, 0, 0, 0);
    pairs->setSpacing(18);
    int placed = 0;
    // Badges take the colour scheme from the settings: each panel gets
    // settings of its own (kept in the simulated root) with its scheme.
    for (const BatteryStatusColorScheme scheme : allBatteryStatusColorSchemes) {
        ViewEnvironment schemed = environment;
        schemed.settings = new AppSettings(
            platform::UserDefaults(QStringLiteral("com.velkora.screenshots.") +
                                   QString::fromLatin1(rawValue(scheme))),
            platform::SMAppService::mainApp(), page);
        schemed.settings->setBatteryStatusColorScheme(scheme);
        QGridLayout* grid = nullptr;
        auto* panel = gridPanel(environment, title(scheme) + QStringLiteral("  ·  ") + detail(scheme), grid);
        int index = 0;
        for (const Sample& sample : samples) {
            auto* cell = new QWidget();
            auto* column = new QVBoxLayout(cell);
            column->setContentsMargins(0, 0, 0, 0);
            column->setSpacing(4);
            auto* badge = new StateBadge(schemed, sample.state, sample.percentage);
            column->addWidget(badge, 0, Qt::AlignLeft);
            column->addWidget(caption(QStringLiteral("%1 %").arg(sample.percentage)), 0, Qt::AlignLeft);
            grid->addWidget(cell, index / 4, index % 4, Qt::AlignLeft | Qt::AlignTop);
            ++index;
        }
        pairs->addWidget(panel, placed / 2, placed % 2);
        ++placed;
    }
    page->addSection(schemes);
    return page;
}

EnergyActionButton* tile(const ViewEnvironment& environment, bool discharge)
{
    return discharge ? new EnergyActionButton(environment, L("Force Discharge", "强制放电"),
                                              L("Run on battery while plugged in", "插电时改用电池供电"),
                                              QStringLiteral("arrow.down.to.line.compact"), VelkoraTheme::warm())
                     : new EnergyActionButton(environment, L("Top Up", "临时充满"),
                                              L("Charge to 100% once", "本次充到 100%"),
                                              QStringLiteral("battery.100percent.bolt"), VelkoraTheme::energy());
}

QWidget* controlsPage(const ViewEnvironment& environment)
{
    auto* page = new PageFrame();
    page->addSection(new PageTitle(QStringLiteral("bolt.fill"), L("Action tiles", "操作磁贴")));
    QGridLayout* grid = nullptr;
    auto* tiles = gridPanel(environment, L("Idle · active · busy · pressed", "空闲 · 已开启 · 处理中 · 按下"), grid);
    for (int row = 0; row < 2; ++row) {
        const bool discharge = row == 0;
        for (int state = 0; state < 4; ++state) {
            EnergyActionButton* button = tile(environment, discharge);
            button->setObjectName(QStringLiteral("tile-%1-%2").arg(row).arg(state));
            if (state == 1 || state == 3) {
                button->setActive(true);
            }
            if (state == 2) {
                button->setSymbol(QStringLiteral("ellipsis"));
                button->setEnabled(false);
            }
            grid->addWidget(button, row, state);
        }
    }
    page->addSection(tiles);

    page->addSection(new PageTitle(QStringLiteral("switch.2"), L("Buttons and switches", "按钮与开关")));
    auto* controls = new VelkoraPanel(environment);
    auto* buttons = new QHBoxLayout();
    buttons->setSpacing(12);
    buttons->addWidget(new VelkoraButton(QStringLiteral("desktopcomputer"), L("Open Energy Dashboard", "打开能耗看板"),
                                         VelkoraButton::Style::prominent));
    buttons->addWidget(new VelkoraButton(QStringLiteral("arrow.clockwise"), L("Refresh", "刷新")));
    buttons->addWidget(new VelkoraButton(QStringLiteral("trash"), L("Clear All", "全部清除"),
                                         VelkoraButton::Style::destructive));
    buttons->addWidget(new VelkoraButton(QStringLiteral("xmark"), QString(), VelkoraButton::Style::plain));
    auto* small = new VelkoraButton(L("Resolve Now", "立即解决"), VelkoraButton::Style::prominent);
    small->setControlSize(VelkoraButton::Size::small);
    small->setTint(VelkoraTheme::systemOrange());
    buttons->addWidget(small);
    auto* disabled = new VelkoraButton(L("Working", "处理中"));
    disabled->setEnabled(false);
    buttons->addWidget(disabled);
    buttons->addStretch(1);
    controls->contentLayout()->addLayout(buttons);
    controls->contentLayout()->addSpacing(16);
    auto* switches = new QHBoxLayout();
    switches->setSpacing(18);
    for (int state = 0; state < 3; ++state) {
        auto* toggle = new VelkoraSwitch(environment);
        toggle->setChecked(state != 1);
        toggle->setEnabled(state != 2);
        switches->addWidget(toggle);
        switches->addWidget(caption(state == 0   ? L("On", "开")
                                    : state == 1 ? L("Off", "关")
                                                 : L("Disabled", "停用")));
    }
    switches->addStretch(1);
    controls->contentLayout()->addLayout(switches);
    page->addSection(controls);

    page->addSection(new PageTitle(QStringLiteral("square.grid.2x2"), L("Panels", "面板")));
    auto* panels = new QWidget();
    auto* row = new QHBoxLayout(panels);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(18);
    auto* plain = new VelkoraPanel(environment);
    plain->contentLayout()->addWidget(new VelkoraLabel(L("Default: radius 22, padding 18", "默认：圆角 22，内边距 18"),
                                                       VelkoraFont::system(13)));
    auto* tall = new VelkoraPanel(environment, VelkoraPanel::Metrics{26, 24, true});
    tall->contentLayout()->addWidget(new VelkoraLabel(L("Fills the height, content centred", "填满高度，内容居中"),
                                                      VelkoraFont::system(13)));
    auto* empty = new VelkoraPanel(environment);
    auto* placeholder = new ContentUnavailableView(QStringLiteral("leaf"), L("No High-Energy Apps", "暂无高能耗应用"));
    placeholder->setMinimumHeight(150);
    empty->contentLayout()->addWidget(placeholder);
    row->addWidget(plain, 0, Qt::AlignTop);
    row->addWidget(tall);
    row->addWidget(empty, 1);
    page->addSection(panels);
    return page;
}

void pressTiles(QWidget* view)
{
    // The last tile of each row shows the pressed state.
    for (EnergyActionButton* button : view->findChildren<EnergyActionButton*>()) {
        if (button->objectName().endsWith(QLatin1String("-3"))) {
            button->setDown(true);
            button->pressStyle()->setScale(button->pressStyle()->pressedScale());
        }
    }
}

QWidget* rowsPage(const ViewEnvironment& environment)
{
    auto* page = new PageFrame();
    page->addSection(new PageTitle(QStringLiteral("slider.horizontal.3"), L("Settings rows", "设置行")));
    auto* panel = new VelkoraPanel(environment);
    auto* on = new VelkoraSwitch(environment);
    on->setChecked(true);
    panel->addRow(new SettingsRow(QStringLiteral("eye"), L("Show at Launch", "启动时显示"),
                                  L("Shows a movable battery overlay after login.", "登录后显示一个可移动的电池状态覆盖层。"), on));
    panel->addRow(new SettingsRow(QStringLiteral("percent"), L("Show Percentage", "显示百分比"), std::nullopt,
                                  new VelkoraSwitch(environment)));
    auto* picker = new QComboBox();
    for (const AppAppearance appearance : allAppAppearances) {
        picker->addItem(title(appearance));
    }
    picker->setCurrentIndex(2);
    panel->addRow(new SettingsRow(QStringLiteral("circle.lefthalf.filled"), L("Appearance", "外观"), std::nullopt,
                                  picker));
    panel->addRow(new SettingsRow(QStringLiteral("arrow.triangle.2.circle.circle"), L("Updates", "软件更新"),
                                  L("Checks once a day.", "每天检查一次。"),
                                  new VelkoraButton(L("Check Now", "立即检查"))));
    // User data is shown as it is, tags and all.
    panel->addRow(new SettingsRow(QStringLiteral("list.bullet.rectangle"), QStringLiteral("<b>x</b> & <i>y</i>"),
                                  std::nullopt, caption(QStringLiteral("<b>verbatim</b>"))));
    page->addSection(panel);

    page->addSection(new PageTitle(QStringLiteral("questionmark.circle"), L("Help popover", "帮助弹出框")));
    auto* help = new VelkoraPanel(environment);
    help->addRow(new SettingsRow(QStringLiteral("powersleep"), L("Stop Charging Before Sleep", "睡眠前停止充电"),
                                 L("Pauses charging before the Mac sleeps, so older firmware cannot pass the limit "
                                   "while asleep.",
                                   "Mac 进入睡眠前暂停充电，避免旧固件在睡眠中越过设置上限。"),
                                 new VelkoraSwitch(environment)));
    page->addSection(help);
    return page;
}

void openHelp(QWidget* view)
{
    const QList<HelpLink*> links = view->findChildren<HelpLink*>();
    if (!links.isEmpty()) {
        links.last()->click();
    }
}

struct Formatted {
    QString call;
    QString result;
};

QWidget* formattersPage(const ViewEnvironment& environment)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const QList<Formatted> rows = {
        {QStringLiteral("oneDecimal(12.345)"), oneDecimal(12.345)},
        {QStringLiteral("oneDecimal(-0.04)"), oneDecimal(-0.04)},
        {QStringLiteral("oneDecimal(1e15)"), oneDecimal(1e15)},
        {QStringLiteral("signedValue(0, \"W\")"), signedValue(0, QStringLiteral("W"))},
        {QStringLiteral("signedValue(2.34, \"W\")"), signedValue(2.34, QStringLiteral("W"))},
        {QStringLiteral("signedValue(-1.26, \"A\")"), signedValue(-1.26, QStringLiteral("A"))},
        {QStringLiteral("signedValue(0.04, \"W\")"), signedValue(0.04, QStringLiteral("W"))},
        {QStringLiteral("signedValue(NaN, \"A\")"), signedValue(nan, QStringLiteral("A"))},
        {QStringLiteral("measuredValue(12, \"V\")"), measuredValue(12, QStringLiteral("V"))},
        {QStringLiteral("measuredValue(-3, \"W\")"), measuredValue(-3, QStringLiteral("W"))},
        {QStringLiteral("measuredValue(inf, \"W\")"), measuredValue(infinity, QStringLiteral("W"))},
        {QStringLiteral("signedPower(0)"), signedPower(0)},
        {QStringLiteral("signedPower(-0.0)"), signedPower(-0.0)},
        {QStringLiteral("signedPower(7.86)"), signedPower(7.86)},
        {QStringLiteral("signedPower(-4.2)"), signedPower(-4.2)},
        {QStringLiteral("signedPower(inf)"), signedPower(infinity)},
        {QStringLiteral("DesktopPowerText.value(nil)"), DesktopPowerText::value(std::nullopt)},
        {QStringLiteral("DesktopPowerText.value(0.1)"), DesktopPowerText::value(0.1)},
        {QStringLiteral("DesktopPowerText.value(999.96)"), DesktopPowerText::value(999.96)},
        {QStringLiteral("DesktopPowerText.value(1000)"), DesktopPowerText::value(1000)},
        {QStringLiteral("formatDuration(nil)"), formatDuration(std::nullopt)},
        {QStringLiteral("formatDuration(0)"), formatDuration(0)},
        {QStringLiteral("formatDuration(1)"), formatDuration(1)},
        {QStringLiteral("formatDuration(59)"), formatDuration(59)},
        {QStringLiteral("formatDuration(60)"), formatDuration(60)},
        {QStringLiteral("formatDuration(135)"), formatDuration(135)},
    };
    auto* page = new PageFrame();
    page->addSection(new PageTitle(QStringLiteral("gauge.with.dots.needle.67percent"), L("Formatters", "格式化")));
    auto* columns = new QWidget();
    auto* side = new QHBoxLayout(columns);
    side->setContentsMargins(0, 0, 0, 0);
    side->setSpacing(18);
    const qsizetype half = (rows.size() + 1) / 2;
    for (int part = 0; part < 2; ++part) {
        auto* panel = new VelkoraPanel(environment);
        for (qsizetype i = part * half; i < std::min(rows.size(), (part + 1) * half); ++i) {
            auto* line = new QWidget();
            auto* layout = new QHBoxLayout(line);
            layout->setContentsMargins(0, 5, 0, 5);
            layout->addWidget(new VelkoraLabel(rows[i].call, VelkoraFont::system(12), ForegroundStyle::secondary));
            layout->addStretch(1);
            auto* result = new VelkoraLabel(rows[i].result, VelkoraFont::system(13, QFont::DemiBold));
            result->setMonospacedDigits(true);
            layout->addWidget(result);
            panel->addRow(line);
        }
        side->addWidget(panel, 1, Qt::AlignTop);
    }
    page->addSection(columns);
    return page;
}

QWidget* symbolsPage(const ViewEnvironment& environment)
{
    auto* page = new PageFrame();
    page->addSection(new PageTitle(QStringLiteral("square.3.layers.3d"), L("Symbols", "符号")));
    auto* panel = new VelkoraPanel(environment);
    auto* grid = new QGridLayout();
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(6);
    const QStringList names = SymbolImage::knownNames();
    constexpr int columns = 3;
    for (qsizetype i = 0; i < names.size(); ++i) {
        auto* cell = new QWidget();
        auto* layout = new QHBoxLayout(cell);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(8);
        auto* symbol = new SymbolView(names[i], 15, QFont::Medium);
        symbol->setFrame(QSize(22, 22));
        if (names[i].startsWith(QLatin1String("battery"))) {
            symbol->setColor(VelkoraTheme::energy());
        }
        layout->addWidget(symbol);
        layout->addWidget(new VelkoraLabel(names[i], VelkoraFont::caption(), ForegroundStyle::secondary));
        layout->addStretch(1);
        grid->addWidget(cell, static_cast<int>(i / columns), static_cast<int>(i % columns));
    }
    panel->contentLayout()->addLayout(grid);
    page->addSection(panel);
    return page;
}

}  // namespace

void addKitShots(ScreenshotCatalog& catalog)
{
    catalog.add({QStringLiteral("kit"), QStringLiteral("badges"), pageAreaSize, badgesPage, {}});
    catalog.add({QStringLiteral("kit"), QStringLiteral("controls"), pageAreaSize, controlsPage, pressTiles});
    catalog.add({QStringLiteral("kit"), QStringLiteral("rows"), pageAreaSize, rowsPage, openHelp});
    catalog.add({QStringLiteral("kit"), QStringLiteral("formatters"), pageAreaSize, formattersPage, {}});
    catalog.add({QStringLiteral("kit"), QStringLiteral("symbols"), QSize(970, 1120), symbolsPage, {}});
}

}  // namespace screenshots
