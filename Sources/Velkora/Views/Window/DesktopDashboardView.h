#pragma once

#include "VisualKit/PageFrame.h"
#include "VisualKit/ViewEnvironment.h"

#include <memory>
#include <stop_token>

namespace velkora {

class AppClockTimer;
class DesktopPowerChart;
class EnergyApplicationList;
class VelkoraLabel;

// The dashboard of a Mac without a battery: an energy monitor. A large
// figure of the system's internal DC power (DesktopPowerText of the live
// reading, redrawn every second, so it turns into a dash within five
// seconds of the readings stopping), the line chart of the last five
// minutes of samples (a waiting placeholder until the first), and the
// high-energy applications.
//
// While the page is on screen it refreshes the applications at once and
// then every 30 seconds (on the model's clock), and on "Refresh"; leaving
// the screen cancels the loop, also in the middle of its wait, with no
// refresh after. The page only reads: sampling is the model's. Main thread
// only.
class DesktopDashboardView : public PageFrame {
    Q_OBJECT
public:
    static constexpr std::chrono::seconds refreshInterval{30};

    explicit DesktopDashboardView(const ViewEnvironment& environment, QWidget* parent = nullptr);
    ~DesktopDashboardView() override;

    VelkoraLabel* powerFigure() const { return figure_; }
    DesktopPowerChart* chart() const { return chart_; }
    // The waiting placeholder shown instead of the chart without samples.
    QWidget* chartPlaceholder() const { return chartPlaceholder_; }
    EnergyApplicationList* applications() const { return applications_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* makeHeader();
    QWidget* makeLiveCard();
    QWidget* makeChartCard();
    QWidget* makeApplicationsHeader();
    void followHistory();
    void tick();
    void scheduleTick();
    void stopWork();

    ViewEnvironment environment_;
    VelkoraLabel* figure_ = nullptr;
    DesktopPowerChart* chart_ = nullptr;
    QWidget* chartPlaceholder_ = nullptr;
    EnergyApplicationList* applications_ = nullptr;
    std::shared_ptr<AppClockTimer> tickTimer_;
    std::stop_source refreshStop_;
};

}  // namespace velkora
