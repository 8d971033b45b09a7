#include "Window/DesktopDashboardView.h"

#include "Window/DesktopPowerChart.h"
#include "Window/EnergyApplicationList.h"

#include "VisualKit/ContentUnavailableView.h"
#include "VisualKit/DesktopPowerText.h"
#include "VisualKit/PageTitle.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraPanel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"

#include <QHBoxLayout>
#include <QShowEvent>
#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr std::chrono::seconds tickInterval{1};

// Refreshes the model's applications, then waits the interval, until `stop`
// asks it to end; a stop during the wait ends it at once.
QCoro::Task<> runRefreshLoop(std::shared_ptr<AppModel> model, std::stop_token stop)
{
    while (!stop.stop_requested()) {
        co_await model->refreshEnergyApps();
        co_await model->clock().sleep(DesktopDashboardView::refreshInterval, stop);
    }
}

VelkoraPanel::Metrics card(qreal cornerRadius, int padding)
{
    VelkoraPanel::Metrics metrics;
    metrics.cornerRadius = cornerRadius;
    metrics.padding = padding;
    return metrics;
}

}  // namespace

DesktopDashboardView::DesktopDashboardView(const ViewEnvironment& environment, QWidget* parent)
    : PageFrame(parent), environment_(environment)
{
    setObjectName(QStringLiteral("desktop-dashboard"));
    addSection(makeHeader());
    addSection(makeLiveCard());
    addSection(makeChartCard());
    addSection(makeApplicationsHeader());
    auto* applicationsCard = new VelkoraPanel(environment_, this);
    applications_ = new EnergyApplicationList(
        environment_, EnergyApplicationList::Style::compact,
        {QStringLiteral("leaf"), QStringLiteral("暂无高能耗应用"), QString(), 150}, applicationsCard);
    applicationsCard->contentLayout()->addWidget(applications_);
    addSection(applicationsCard);

    connect(environment_.telemetry, &TelemetryStore::desktopPowerHistoryChanged, this,
            &DesktopDashboardView::followHistory);
    followHistory();
    tick();
}

DesktopDashboardView::~DesktopDashboardView()
{
    stopWork();
}

QWidget* DesktopDashboardView::makeHeader()
{
    auto* header = new QWidget(this);
    auto* layout = new QVBoxLayout(header);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(5);
    layout->addWidget(new PageTitle(QStringLiteral("desktopcomputer"), QStringLiteral("能耗看板"), header));
    layout->addWidget(new VelkoraLabel(localized(QStringLiteral("监测这台 Mac 的内部电源功率与高能耗应用")),
                                       VelkoraFont::system(13), ForegroundStyle::secondary, header));
    return header;
}

QWidget* DesktopDashboardView::makeLiveCard()
{
    auto* panel = new VelkoraPanel(environment_, card(26, 24), this);
    auto* content = new QWidget(panel);
    content->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(9);
    auto* label = new QHBoxLayout();
    label->setSpacing(6);
    label->addWidget(
        new SymbolView(QStringLiteral("bolt.fill"), 15, QFont::DemiBold, ForegroundStyle::secondary, content));
    label->addWidget(new VelkoraLabel(localized(QStringLiteral("系统负载（内部电源功率估算）")),
                                      VelkoraFont::system(15, QFont::DemiBold), ForegroundStyle::secondary, content));
    label->addStretch(1);
    layout->addLayout(label);
    figure_ = new VelkoraLabel(QString(), VelkoraFont::rounded(49, QFont::Bold), ForegroundStyle::primary, content);
    figure_->setObjectName(QStringLiteral("desktop-power-figure"));
    figure_->setColor(VelkoraTheme::energy());
    figure_->setMonospacedDigits(true);
    layout->addWidget(figure_);
    layout->addWidget(new VelkoraLabel(localized(QStringLiteral("来自设备内部直流侧传感器，不代表插座总功耗。")),
                                       VelkoraFont::caption(), ForegroundStyle::tertiary, content));
    panel->contentLayout()->addWidget(content);
    return panel;
}

QWidget* DesktopDashboardView::makeChartCard()
{
    auto* panel = new VelkoraPanel(environment_, card(26, 22), this);
    panel->contentLayout()->setSpacing(12);
    auto* title = new VelkoraLabel(localized(QStringLiteral("最近 5 分钟")), VelkoraFont::system(17, QFont::Bold),
                                   ForegroundStyle::primary, panel);
    panel->contentLayout()->addWidget(title);
    chartPlaceholder_ = new ContentUnavailableView(QStringLiteral("waveform.path.ecg"), QStringLiteral("等待功率读数"),
                                                   QString(), panel);
    chartPlaceholder_->setObjectName(QStringLiteral("desktop-power-waiting"));
    chartPlaceholder_->setFixedHeight(180);
    chartPlaceholder_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    panel->contentLayout()->addWidget(chartPlaceholder_);
    chart_ = new DesktopPowerChart(panel);
    chart_->setFixedHeight(190);
    chart_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    panel->contentLayout()->addWidget(chart_);
    return panel;
}

QWidget* DesktopDashboardView::makeApplicationsHeader()
{
    auto* header = new QWidget(this);
    header->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new PageTitle(QStringLiteral("bolt.fill"), QStringLiteral("高能耗应用"), header));
    layout->addStretch(1);
    auto* refresh = new VelkoraButton(QStringLiteral("arrow.clockwise"), localized(QStringLiteral("刷新")),
                                      VelkoraButton::Style::bordered, header);
    refresh->setObjectName(QStringLiteral("energy-refresh"));
    connect(refresh, &VelkoraButton::clicked, this, [this] { environment_.model->refreshEnergyApps(); });
    layout->addWidget(refresh);
    return header;
}

void DesktopDashboardView::followHistory()
{
    const QList<DesktopPowerSample>& history = environment_.telemetry->desktopPowerHistory();
    chartPlaceholder_->setVisible(history.isEmpty());
    chart_->setVisible(!history.isEmpty());
    chart_->setSamples(history);
}

void DesktopDashboardView::tick()
{
    figure_->setText(DesktopPowerText::value(environment_.telemetry->liveDesktopWatts(environment_.model->clock().date())));
}

void DesktopDashboardView::scheduleTick()
{
    // A timeline of one-second ticks on the model's clock, for as long as the page shows.
    tickTimer_ = environment_.model->clock().singleShot(tickInterval, [this] {
        tick();
        scheduleTick();
    });
}

void DesktopDashboardView::showEvent(QShowEvent* event)
{
    PageFrame::showEvent(event);
    if (event->spontaneous() || tickTimer_) {
        return;
    }
    tick();
    scheduleTick();
    refreshStop_ = std::stop_source();
    runRefreshLoop(environment_.model->shared_from_this(), refreshStop_.get_token());
}

void DesktopDashboardView::hideEvent(QHideEvent* event)
{
    PageFrame::hideEvent(event);
    if (!event->spontaneous()) {
        stopWork();
    }
}

void DesktopDashboardView::stopWork()
{
    refreshStop_.request_stop();
    if (tickTimer_) {
        tickTimer_->cancel();
        tickTimer_.reset();
    }
}

}  // namespace velkora
