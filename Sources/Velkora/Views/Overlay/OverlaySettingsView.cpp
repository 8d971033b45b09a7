#include "Overlay/OverlaySettingsView.h"

#include "Overlay/OverlayPresenter.h"

#include "VisualKit/PageTitle.h"
#include "VisualKit/SettingsRow.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraSwitch.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"
#include "Services/AppSettings.h"

#include <QVBoxLayout>

namespace velkora {

OverlaySettingsView::OverlaySettingsView(const ViewEnvironment& environment, QWidget* parent)
    : QWidget(parent),
      environment_(environment),
      enabled_(new VelkoraSwitch(environment)),
      percentage_(new VelkoraSwitch(environment)),
      show_(new VelkoraButton(localized(QStringLiteral("在编辑模式下打开")), VelkoraButton::Style::prominent))
{
    setObjectName(QStringLiteral("overlay-settings"));
    enabled_->setObjectName(QStringLiteral("overlay-enabled"));
    enabled_->setAccessibleName(localized(QStringLiteral("启动时显示")));
    percentage_->setObjectName(QStringLiteral("overlay-percentage"));
    percentage_->setAccessibleName(localized(QStringLiteral("显示百分比")));
    show_->setObjectName(QStringLiteral("overlay-show"));
    show_->setFixedWidth(210);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(34, 60, 34, 30);
    column->setSpacing(22);
    column->addWidget(new PageTitle(QStringLiteral("eye"), QStringLiteral("启动时显示")), 0, Qt::AlignLeading);
    column->addWidget(new SettingsRow(QStringLiteral("eye"), QStringLiteral("启动时显示"),
                                      QStringLiteral("登录后显示一个可移动的电池状态覆盖层。"), enabled_));
    column->addWidget(new SettingsRow(QStringLiteral("percent"), QStringLiteral("显示百分比"),
                                      QStringLiteral("在覆盖层的电池图标旁显示数值。"), percentage_));
    column->addWidget(show_, 0, Qt::AlignLeading);
    column->addStretch(1);

    AppModel* model = environment_.model;
    AppSettings* settings = environment_.settings;
    connect(enabled_, &QAbstractButton::clicked, settings, &AppSettings::setOverlayEnabled);
    connect(percentage_, &QAbstractButton::clicked, settings, &AppSettings::setOverlayShowsPercentage);
    // Only a change made while the page is up shows or hides the overlay.
    connect(settings, &AppSettings::overlayEnabledChanged, this, [model](bool enabled) {
        if (enabled) {
            OverlayPresenter::shared().show(*model);
        } else {
            OverlayPresenter::shared().hide(true);
        }
    });
    connect(show_, &QAbstractButton::clicked, this, [model] { OverlayPresenter::shared().show(*model); });
    connect(settings, &AppSettings::overlayEnabledChanged, this, &OverlaySettingsView::refresh);
    connect(settings, &AppSettings::overlayShowsPercentageChanged, this, &OverlaySettingsView::refresh);
    connect(model, &AppModel::capabilitiesChanged, this, &OverlaySettingsView::refresh);
    refresh();
}

void OverlaySettingsView::refresh()
{
    const AppSettings& settings = *environment_.settings;
    if (enabled_->isChecked() != settings.overlayEnabled()) {
        enabled_->setChecked(settings.overlayEnabled());
    }
    if (percentage_->isChecked() != settings.overlayShowsPercentage()) {
        percentage_->setChecked(settings.overlayShowsPercentage());
    }
    const bool battery = environment_.model->batteryPresent();
    enabled_->setEnabled(battery);
    percentage_->setEnabled(battery);
    show_->setEnabled(battery);
}

}  // namespace velkora
