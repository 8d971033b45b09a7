#include "Battery/ChargeControlView.h"

#include "Battery/CalibrationCard.h"
#include "Battery/ChargeLimitControl.h"
#include "Battery/HeatProtectionCard.h"
#include "Battery/HelperBanner.h"
#include "Battery/SailingCard.h"

#include "VisualKit/PageTitle.h"

#include <QVBoxLayout>

namespace velkora {

ChargeControlView::ChargeControlView(const ViewEnvironment& environment, QWidget* parent)
    : PageFrame(PageFrame::Metrics{22, QMargins(30, 50, 30, 30), false}, parent)
{
    setObjectName(QStringLiteral("charge-control"));
    addSection(new PageTitle(QStringLiteral("battery.100percent.bolt"), QStringLiteral("充电控制")));
    banner_ = new HelperBanner(environment);
    addSection(banner_);

    auto* limitSection = new QWidget();
    limitSection->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* stack = new QVBoxLayout(limitSection);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(14);
    limit_ = new ChargeLimitControl(environment);
    sailing_ = new SailingCard(environment);
    stack->addWidget(limit_);
    stack->addWidget(sailing_);
    addSection(limitSection);

    heat_ = new HeatProtectionCard(environment);
    addSection(heat_);
    calibration_ = new CalibrationCard(environment);
    addSection(calibration_);
}

}  // namespace velkora
