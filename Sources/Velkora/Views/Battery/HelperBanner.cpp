#include "Battery/HelperBanner.h"

#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraMotion.h"
#include "VisualKit/VelkoraPanel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velkora {

HelperBanner::HelperBanner(const ViewEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* panel = new VelkoraPanel(environment, VelkoraPanel::Metrics{17, 14, false});
    outer->addWidget(panel);
    auto* row = new QHBoxLayout();
    row->setSpacing(12);
    panel->contentLayout()->addLayout(row);

    symbol_ = new SymbolView(QString(), 22);
    symbol_->setColor(VelkoraTheme::warm());
    auto* texts = new QVBoxLayout();
    texts->setSpacing(3);
    title_ = new VelkoraLabel(QString(), VelkoraFont::system(15, QFont::DemiBold));
    detail_ = new VelkoraLabel(QString(), VelkoraFont::caption(), ForegroundStyle::secondary);
    detail_->setWordWrap(true);
    texts->addWidget(title_);
    texts->addWidget(detail_);
    action_ = new VelkoraButton(QString(), VelkoraButton::Style::prominent);
    action_->setObjectName(QStringLiteral("helper-action"));
    row->addWidget(symbol_);
    row->addLayout(texts, 1);
    row->addWidget(action_);

    AppModel* model = environment_.model;
    connect(action_, &QAbstractButton::clicked, model, &AppModel::performPrimaryHelperAction);
    connect(model, &AppModel::helperStatusChanged, this, [this] { refresh(true); });
    connect(model, &AppModel::lastErrorChanged, this, [this] { refresh(true); });
    refresh(false);
}

bool HelperBanner::isWanted() const
{
    return environment_.model->helperStatus() != HelperStatus::enabled();
}

void HelperBanner::refresh(bool animated)
{
    const AppModel& model = *environment_.model;
    const HelperStatus& status = model.helperStatus();
    symbol_->setName(status == HelperStatus::invalidLocation() ? QStringLiteral("folder.badge.plus")
                                                               : QStringLiteral("bolt.badge.clock"));
    title_->setText(status.title());
    // Any error, even an empty one, stands in for the general sentence.
    detail_->setText(model.lastError().value_or(
        L(QStringLiteral("The daemon only controls SMC; live battery information remains available."),
          QStringLiteral("后台服务仅负责控制 SMC；实时电池信息仍可正常查看。"))));
    action_->setText(status.actionTitle());
    action_->setEnabled(!status.isBusy());

    const bool wanted = isWanted();
    if (wanted == shown_) {
        return;
    }
    shown_ = wanted;
    if (!animated) {
        if (!wanted) {
            hide();
        } else if (parentWidget()) {
            show();
        }
        return;
    }
    const bool reduceMotion = environment_.reducesMotion();
    VelkoraMotion::present(this, wanted, VelkoraMotion::conditionalTransition(reduceMotion, Qt::TopEdge),
                           VelkoraMotion::opacityChange(reduceMotion));
}

}  // namespace velkora
