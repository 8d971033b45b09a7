#include "Settings/SoftwareUpdatePanel.h"

#include "VisualKit/Divider.h"
#include "VisualKit/SettingsRow.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraSwitch.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"
#include "Services/UpdateCenter.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velkora {

SoftwareUpdatePanel::SoftwareUpdatePanel(const ViewEnvironment& environment, QWidget* parent)
    : VelkoraPanel(environment, parent), environment_(environment)
{
    setObjectName(QStringLiteral("software-update"));
    contentLayout()->setSpacing(8);
    UpdateCenter* updates = environment_.updates;

    automatic_ = new VelkoraSwitch(environment_, this);
    automatic_->setObjectName(QStringLiteral("automatic-update-check"));
    automatic_->setAccessibleName(localized(QStringLiteral("自动检查更新")));
    automatic_->setChecked(updates && updates->automaticallyChecksForUpdates());
    automatic_->setEnabled(updates != nullptr);
    contentLayout()->addWidget(new SettingsRow(QStringLiteral("clock.arrow.circlepath"), QStringLiteral("自动检查更新"),
                                               QStringLiteral("启动时以及每天自动检查新版本，下载与安装始终需要你确认。"),
                                               automatic_, this));
    contentLayout()->addWidget(new Divider(Divider::rowOpacity, Qt::Horizontal, this));

    auto* row = new QHBoxLayout();
    auto* text = new QVBoxLayout();
    text->setSpacing(5);
    version_ = new VelkoraLabel(L(QStringLiteral("Current version: v"), QStringLiteral("当前版本：v")) + appVersion(),
                                VelkoraFont::system(16, QFont::Bold), ForegroundStyle::primary, this);
    version_->setObjectName(QStringLiteral("app-version"));
    text->addWidget(version_);
    auto* note = new VelkoraLabel(
        L(QStringLiteral("Checks the Tallowmere website for updates. Packages are signed and notarized."),
          QStringLiteral("通过 Tallowmere 官网检查新版本，更新包经过签名校验与公证。")),
        VelkoraFont::caption(), ForegroundStyle::secondary, this);
    note->setWordWrap(true);
    text->addWidget(note);
    row->addLayout(text, 1);
    check_ = new VelkoraButton(localized(QStringLiteral("检查更新")), VelkoraButton::Style::prominent, this);
    check_->setObjectName(QStringLiteral("check-for-updates"));
    check_->setTint(VelkoraTheme::energy());
    check_->setEnabled(updates != nullptr);
    row->addWidget(check_, 0, Qt::AlignVCenter);
    contentLayout()->addLayout(row);

    if (updates) {
        connect(automatic_, &QAbstractButton::clicked, updates, &UpdateCenter::setAutomaticallyChecksForUpdates);
        // The updater may change its setting itself while the page is up.
        connect(updates, &UpdateCenter::automaticallyChecksForUpdatesChanged, automatic_, [this](bool enabled) {
            if (automatic_->isChecked() != enabled) {
                automatic_->setChecked(enabled);
            }
        });
        connect(check_, &QAbstractButton::clicked, updates, &UpdateCenter::checkForUpdates);
    }
}

QString SoftwareUpdatePanel::appVersion(const platform::Bundle& bundle)
{
    return QString::fromStdString(bundle.infoString("CFBundleShortVersionString").value_or("0"));
}

}  // namespace velkora
