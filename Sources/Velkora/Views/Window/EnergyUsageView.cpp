#include "Window/EnergyUsageView.h"

#include "Window/EnergyApplicationList.h"

#include "VisualKit/Divider.h"
#include "VisualKit/PageTitle.h"
#include "VisualKit/SettingsRow.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraPanel.h"
#include "VisualKit/VelkoraSwitch.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QShowEvent>
#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr int pickerWidth = 180;
const QString powerModeHelp = QStringLiteral("分别为电池供电和连接电源时选择 macOS 能源模式。");

PageFrame::Metrics pageMetrics()
{
    PageFrame::Metrics metrics;
    metrics.spacing = 22;
    metrics.padding = QMargins(30, 50, 30, 30);
    return metrics;
}

QString optionTitle(PowerMode mode)
{
    switch (mode) {
    case PowerMode::automatic: return localized(QStringLiteral("自动"));
    case PowerMode::low: return localized(QStringLiteral("低电量模式"));
    case PowerMode::high: return localized(QStringLiteral("高功率模式"));
    }
    return QString();
}

}  // namespace

EnergyUsageView::EnergyUsageView(const ViewEnvironment& environment, QWidget* parent)
    : PageFrame(pageMetrics(), parent), environment_(environment)
{
    setObjectName(QStringLiteral("energy-usage"));
    title_ = new PageTitle(QStringLiteral("leaf"), QString(), this);
    addSection(title_);
    caption_ = new VelkoraLabel(localized(QStringLiteral("查看高能耗应用的相对评分；该评分不是瓦特。")),
                                VelkoraFont::system(13), ForegroundStyle::secondary, this);
    addSection(caption_);
    addSection(makePowerModeCard());

    auto* backgroundUpdates = new VelkoraSwitch(environment_, this);
    backgroundUpdates->setObjectName(QStringLiteral("background-dashboard-updates"));
    AppSettings* settings = environment_.settings;
    backgroundUpdates->setChecked(settings->backgroundDashboardUpdates());
    connect(backgroundUpdates, &VelkoraSwitch::toggled, settings, &AppSettings::setBackgroundDashboardUpdates);
    backgroundUpdatesRow_ = new SettingsRow(QStringLiteral("arrow.clockwise.circle"), QStringLiteral("后台仪表板更新"),
                                            QStringLiteral("窗口关闭时继续采样趋势数据，会略微增加耗电。"),
                                            backgroundUpdates, this);
    addSection(backgroundUpdatesRow_);

    addSection(makeApplicationsHeader());
    VelkoraPanel::Metrics metrics;
    auto* applicationsCard = new VelkoraPanel(environment_, metrics, this);
    applicationsCard->contentLayout()->setSpacing(4);
    applications_ = new EnergyApplicationList(
        environment_, EnergyApplicationList::Style::detailed,
        {QStringLiteral("leaf"), QStringLiteral("没有高功耗的应用程序"),
         localized(QStringLiteral("当应用产生明显能耗时会显示在这里。")), 180},
        applicationsCard);
    applicationsCard->contentLayout()->addWidget(applications_);
    addSection(applicationsCard);

    connect(environment_.model, &AppModel::capabilitiesChanged, this, &EnergyUsageView::followBattery);
    followBattery();
}

EnergyUsageView::~EnergyUsageView()
{
    if (reread_) {
        reread_->cancel();
    }
}

QWidget* EnergyUsageView::makePowerModeCard()
{
    auto* panel = new VelkoraPanel(environment_, this);
    panel->contentLayout()->setSpacing(8);
    panel->contentLayout()->addWidget(
        makePowerModeRow(QStringLiteral("battery.75percent"), QStringLiteral("电池"), PowerSourceKind::battery));
    panel->contentLayout()->addWidget(new Divider(Divider::rowOpacity, Qt::Horizontal, panel));
    panel->contentLayout()->addWidget(
        makePowerModeRow(QStringLiteral("powerplug.fill"), QStringLiteral("在电源适配器上"), PowerSourceKind::adapter));
    powerModeCard_ = panel;
    return panel;
}

QWidget* EnergyUsageView::makePowerModeRow(const QString& symbol, const QString& titleKey, PowerSourceKind source)
{
    auto* picker = new QComboBox(this);
    picker->setObjectName(QStringLiteral("power-mode-") + QString::fromStdString(std::string(rawValue(source))));
    picker->setFixedWidth(pickerWidth);
    picker->setPlaceholderText(QStringLiteral("—"));
    (source == PowerSourceKind::battery ? batteryPicker_ : adapterPicker_) = picker;
    // activated, not a change of index: choosing the option shown sends it too.
    connect(picker, &QComboBox::activated, this, [this, source](int index) { choose(source, index); });
    return new SettingsRow(symbol, titleKey, powerModeHelp, picker, this);
}

QWidget* EnergyUsageView::makeApplicationsHeader()
{
    auto* header = new QWidget(this);
    header->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new PageTitle(QStringLiteral("bolt.fill"), QStringLiteral("高功耗的应用程序"), header));
    layout->addStretch(1);
    auto* refresh = new VelkoraButton(QStringLiteral("arrow.clockwise"), localized(QStringLiteral("刷新")),
                                      VelkoraButton::Style::bordered, header);
    refresh->setObjectName(QStringLiteral("energy-refresh"));
    connect(refresh, &VelkoraButton::clicked, this, [this] { environment_.model->refreshEnergyApps(); });
    layout->addWidget(refresh);
    return header;
}

QComboBox* EnergyUsageView::picker(PowerSourceKind source) const
{
    return source == PowerSourceKind::battery ? batteryPicker_ : adapterPicker_;
}

std::optional<PowerMode> EnergyUsageView::shownMode(PowerSourceKind source) const
{
    const QComboBox* shown = picker(source);
    if (shown->currentIndex() < 0) {
        return std::nullopt;
    }
    return powerModeFromRawValue(shown->currentData().toInt());
}

void EnergyUsageView::followBattery()
{
    const AppModel& model = *environment_.model;
    const bool battery = model.batteryPresent();
    title_->titleLabel()->setText(localized(battery ? QStringLiteral("节能模式") : QStringLiteral("能源使用")));
    caption_->setVisible(!battery);
    powerModeCard_->setVisible(battery);
    backgroundUpdatesRow_->setVisible(battery);
    const bool highPower = model.capabilities().highPowerMode;
    if (highPower != offersHighPower_ || batteryPicker_->count() == 0) {
        offersHighPower_ = highPower;
        fillOptions(batteryPicker_, shownMode(PowerSourceKind::battery));
        fillOptions(adapterPicker_, shownMode(PowerSourceKind::adapter));
    }
}

void EnergyUsageView::fillOptions(QComboBox* picker, std::optional<PowerMode> shown)
{
    const QSignalBlocker quiet(picker);
    picker->clear();
    for (const PowerMode mode : allPowerModes) {
        if (mode != PowerMode::high || offersHighPower_) {
            picker->addItem(optionTitle(mode), rawValue(mode));
        }
    }
    picker->setCurrentIndex(shown ? picker->findData(rawValue(*shown)) : -1);
}

void EnergyUsageView::choose(PowerSourceKind source, int index)
{
    const std::optional<PowerMode> mode = powerModeFromRawValue(picker(source)->itemData(index).toInt());
    if (!mode) {
        return;
    }
    ++choiceGeneration_;
    AppModel& model = *environment_.model;
    // The model sends nothing without a battery or a usable helper; it then
    // says why in its error, and the pickers go back to what the system has.
    const bool refused = !model.batteryPresent() || model.helperStatus() != HelperStatus::enabled() ||
                         model.helperNeedsUpdate();
    model.setPowerMode(source, *mode);
    if (reread_) {
        reread_->cancel();
    }
    if (refused) {
        readSystemModes();
        return;
    }
    reread_ = model.clock().singleShot(rereadAfterChoice, [this] { readSystemModes(); });
}

void EnergyUsageView::readSystemModes()
{
    runRead(this, choiceGeneration_);
}

QCoro::Task<> EnergyUsageView::runRead(QPointer<EnergyUsageView> view, int generation)
{
    const SystemPowerModes modes = co_await PowerModeReader::read();
    if (view) {
        view->showSystemModes(modes, generation);
    }
}

void EnergyUsageView::showSystemModes(const SystemPowerModes& modes, int generation)
{
    if (generation != choiceGeneration_) {
        return;
    }
    fillOptions(batteryPicker_, modes.battery);
    fillOptions(adapterPicker_, modes.adapter);
}

void EnergyUsageView::showEvent(QShowEvent* event)
{
    PageFrame::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    environment_.model->refreshEnergyApps();
    readSystemModes();
}

void EnergyUsageView::hideEvent(QHideEvent* event)
{
    PageFrame::hideEvent(event);
    if (!event->spontaneous() && reread_) {
        reread_->cancel();
        reread_.reset();
    }
}

}  // namespace velkora
