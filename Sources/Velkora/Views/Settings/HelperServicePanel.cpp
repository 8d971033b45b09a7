#include "Settings/HelperServicePanel.h"

#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velkora {

namespace {

const QString busySymbol = QStringLiteral("ellipsis");

}  // namespace

HelperServicePanel::HelperServicePanel(const ViewEnvironment& environment, QWidget* parent)
    : VelkoraPanel(environment, parent), environment_(environment)
{
    setObjectName(QStringLiteral("helper-service"));
    auto* row = new QHBoxLayout();
    contentLayout()->addLayout(row);

    auto* text = new QVBoxLayout();
    text->setSpacing(5);
    status_ = new VelkoraLabel(QString(), VelkoraFont::system(16, QFont::Bold), ForegroundStyle::primary, this);
    status_->setObjectName(QStringLiteral("helper-status"));
    text->addWidget(status_);
    auto* caption = new VelkoraLabel(localized(QStringLiteral("后台服务负责需要 root 权限的 SMC 与能源模式操作。")),
                                     VelkoraFont::caption(), ForegroundStyle::secondary, this);
    caption->setWordWrap(true);
    text->addWidget(caption);
    row->addLayout(text, 1);

    action_ = new VelkoraButton(QString(), VelkoraButton::Style::prominent, this);
    action_->setObjectName(QStringLiteral("helper-action"));
    row->addWidget(action_, 0, Qt::AlignVCenter);
    uninstall_ = new VelkoraButton(localized(QStringLiteral("卸载")), VelkoraButton::Style::destructive, this);
    uninstall_->setObjectName(QStringLiteral("helper-uninstall"));
    row->addWidget(uninstall_, 0, Qt::AlignVCenter);

    AppModel* model = environment_.model;
    connect(action_, &QAbstractButton::clicked, model, &AppModel::performPrimaryHelperAction);
    connect(uninstall_, &QAbstractButton::clicked, model, &AppModel::uninstallHelper);
    connect(model, &AppModel::helperStatusChanged, this, &HelperServicePanel::refresh);
    connect(model, &AppModel::isUninstallingHelperChanged, this, &HelperServicePanel::refresh);
    refresh();
}

void HelperServicePanel::refresh()
{
    const AppModel& model = *environment_.model;
    const HelperStatus& status = model.helperStatus();
    status_->setText(L(QStringLiteral("Status: "), QStringLiteral("状态：")) + status.title());

    const bool enabled = status == HelperStatus::enabled();
    const bool uninstalling = model.isUninstallingHelper();
    // An uninstall keeps its button (busy) until the status it leads to shows.
    uninstall_->setVisible(enabled);
    uninstall_->setEnabled(!uninstalling);
    uninstall_->setSymbol(uninstalling ? busySymbol : QString());
    action_->setVisible(!enabled);
    action_->setText(status.actionTitle());
    action_->setEnabled(!status.isBusy());
    action_->setSymbol(status.isBusy() ? busySymbol : QString());
    action_->updateGeometry();
}

}  // namespace velkora
