#include "Settings/MenuBarSettingsView.h"

#include "Settings/MenuBarOptionCard.h"
#include "Settings/MenuBarOptionCards.h"
#include "Settings/MenuBarPreviewChip.h"
#include "Settings/MenuBarSettingsToggle.h"

#include "VisualKit/Divider.h"
#include "VisualKit/PageTitle.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraPanel.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"
#include "Services/AppSettings.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velkora {

namespace {

PageFrame::Metrics pageMetrics()
{
    PageFrame::Metrics metrics;
    metrics.spacing = 24;
    metrics.padding = QMargins(30, 50, 30, 30);
    return metrics;
}

VelkoraPanel* pagePanel(const ViewEnvironment& environment, QWidget* parent)
{
    return new VelkoraPanel(environment, VelkoraPanel::Metrics{26, 20, false}, parent);
}

// A heading over its explanation, `spacing` apart.
QWidget* heading(const QString& titleKey, int titleSize, const QString& textKey, int textSize, int spacing,
                 QWidget* parent)
{
    auto* block = new QWidget(parent);
    auto* column = new QVBoxLayout(block);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    column->addWidget(new VelkoraLabel(localized(titleKey), VelkoraFont::system(titleSize, QFont::Bold),
                                       ForegroundStyle::primary, block));
    auto* text = new VelkoraLabel(localized(textKey), VelkoraFont::system(textSize), ForegroundStyle::secondary, block);
    text->setWordWrap(true);
    column->addWidget(text);
    return block;
}

// A text that wraps, in `font` and `style`.
VelkoraLabel* note(const QString& key, const QFont& font, ForegroundStyle style, QWidget* parent)
{
    auto* label = new VelkoraLabel(localized(key), font, style, parent);
    label->setWordWrap(true);
    return label;
}

}  // namespace

MenuBarSettingsView::MenuBarSettingsView(const ViewEnvironment& environment, QWidget* parent)
    : PageFrame(pageMetrics(), parent), environment_(environment)
{
    setObjectName(QStringLiteral("menu-bar-settings"));
    connect(environment_.model, &AppModel::capabilitiesChanged, this, [this] {
        if (environment_.model->batteryPresent() != batteryForm_) {
            build();
        }
    });
    build();
}

void MenuBarSettingsView::build()
{
    qDeleteAll(sections_);
    sections_.clear();
    chip_ = nullptr;
    iconStyles_ = nullptr;
    powerCaption_ = nullptr;
    percentageRow_ = nullptr;
    batteryForm_ = environment_.model->batteryPresent();
    if (batteryForm_) {
        buildBattery();
    } else {
        buildDesktop();
    }
    for (QWidget* section : sections_) {
        addSection(section);
    }
}

void MenuBarSettingsView::buildBattery()
{
    sections_.append(new PageTitle(QStringLiteral("menubar.rectangle"), QStringLiteral("顶部图标"), this));
    sections_.append(appearancePanel());
    sections_.append(new PageTitle(QStringLiteral("rectangle.3.group"), QStringLiteral("点开后的布局"), this));
    sections_.append(layoutPanel());
    connect(environment_.settings, &AppSettings::showBatteryPowerChanged, sections_.first(),
            [this] { followPowerFigure(); });
    followPowerFigure();
}

QWidget* MenuBarSettingsView::appearancePanel()
{
    VelkoraPanel* panel = pagePanel(environment_, this);
    QVBoxLayout* column = panel->contentLayout();
    column->setSpacing(18);

    auto* header = new QHBoxLayout();
    header->addWidget(heading(QStringLiteral("图标样式"), 17, QStringLiteral("选择 Tallowmere 在 macOS 菜单栏中的外观。"),
                              13, 4, panel),
                      1);
    chip_ = new MenuBarPreviewChip(environment_, MenuBarPreviewChip::Kind::battery, sampleLevel, panel);
    header->addWidget(chip_, 0, Qt::AlignVCenter);
    column->addLayout(header);

    powerCaption_ = note(QStringLiteral("功率模式保留按实际电量填充的电池图标，功率显示在右侧。"), VelkoraFont::caption(),
                         ForegroundStyle::secondary, panel);
    column->addWidget(powerCaption_);
    iconStyles_ = new QWidget(panel);
    auto* styles = new QHBoxLayout(iconStyles_);
    styles->setContentsMargins(0, 0, 0, 0);
    styles->setSpacing(10);
    for (MenuBarIconStyle style : allMenuBarIconStyles) {
        styles->addWidget(makeIconStyleCard(environment_, style, iconStyles_), 1);
    }
    column->addWidget(iconStyles_);
    column->addWidget(new Divider(Divider::rowOpacity, Qt::Horizontal, panel));

    column->addWidget(heading(QStringLiteral("状态色方案"), 15,
                              QStringLiteral("按剩余电量着色，并同步应用到仪表板、菜单栏、弹窗和浮窗。"), 12, 4, panel));
    auto* schemes = new QHBoxLayout();
    schemes->setSpacing(10);
    for (BatteryStatusColorScheme scheme : allBatteryStatusColorSchemes) {
        schemes->addWidget(makeColorSchemeCard(environment_, scheme, panel), 1);
    }
    column->addLayout(schemes);
    column->addWidget(new Divider(Divider::rowOpacity, Qt::Horizontal, panel));

    auto* power = new QVBoxLayout();
    power->setSpacing(5);
    power->addWidget(new MenuBarSettingsToggle(
        environment_, QStringLiteral("显示系统负载功率"), VelkoraFont::system(14, QFont::DemiBold),
        {&AppSettings::showBatteryPower, &AppSettings::setShowBatteryPower, &AppSettings::showBatteryPowerChanged},
        QStringLiteral("show-battery-power"), panel));
    power->addWidget(note(QStringLiteral("开启后，保留实际电量图标，并在右侧显示功率；读数不可用时显示“—”。"),
                          VelkoraFont::caption(), ForegroundStyle::tertiary, panel));
    column->addLayout(power);
    percentageRow_ = new MenuBarSettingsToggle(
        environment_, QStringLiteral("显示电量百分比"), VelkoraFont::system(14, QFont::DemiBold),
        {&AppSettings::showPercentage, &AppSettings::setShowPercentage, &AppSettings::showPercentageChanged},
        QStringLiteral("show-percentage"), panel);
    column->addWidget(percentageRow_);
    column->addWidget(new MenuBarSettingsToggle(environment_, QStringLiteral("使用硬件读取的电量"),
                                                VelkoraFont::system(14, QFont::DemiBold),
                                                {&AppSettings::showHardwarePercentage,
                                                 &AppSettings::setShowHardwarePercentage,
                                                 &AppSettings::showHardwarePercentageChanged},
                                                QStringLiteral("show-hardware-percentage"), panel));
    return panel;
}

QWidget* MenuBarSettingsView::layoutPanel()
{
    VelkoraPanel* panel = pagePanel(environment_, this);
    QVBoxLayout* column = panel->contentLayout();
    column->setSpacing(16);
    column->addWidget(note(QStringLiteral("控制点击菜单栏图标后展示的信息密度。"), VelkoraFont::system(13),
                           ForegroundStyle::secondary, panel));
    auto* cards = new QHBoxLayout();
    cards->setSpacing(12);
    for (MenuBarLayout layout : allMenuBarLayouts) {
        cards->addWidget(makeLayoutCard(environment_, layout, panel), 1);
    }
    column->addLayout(cards);
    return panel;
}

void MenuBarSettingsView::followPowerFigure()
{
    const bool power = environment_.settings->showBatteryPower();
    powerCaption_->setVisible(power);
    iconStyles_->setVisible(!power);
    percentageRow_->setVisible(!power);
}

void MenuBarSettingsView::buildDesktop()
{
    sections_.append(new PageTitle(QStringLiteral("menubar.rectangle"), QStringLiteral("顶部功率"), this));
    VelkoraPanel* panel = pagePanel(environment_, this);
    QVBoxLayout* column = panel->contentLayout();
    column->setSpacing(16);
    column->addWidget(note(QStringLiteral("无内置电池的 Mac 在电池形轮廓内显示插头，右侧显示功率。"), VelkoraFont::body(),
                           ForegroundStyle::secondary, panel));
    column->addWidget(new MenuBarSettingsToggle(
        environment_, QStringLiteral("显示功率数字"), VelkoraFont::body(),
        {&AppSettings::showDesktopPower, &AppSettings::setShowDesktopPower, &AppSettings::showDesktopPowerChanged},
        QStringLiteral("show-desktop-power"), panel));
    chip_ = new MenuBarPreviewChip(environment_, MenuBarPreviewChip::Kind::desktop, sampleLevel, panel);
    column->addWidget(chip_, 0, Qt::AlignLeft);
    column->addWidget(note(QStringLiteral("空心电池轮廓内的插头表示外接供电，不表示内置电池或电量。读数是内部电源估算，"
                                          "不代表插座总功耗；不可用时显示“—”。"),
                           VelkoraFont::caption(), ForegroundStyle::tertiary, panel));
    sections_.append(panel);
}

}  // namespace velkora
