#include "MenuBar/MenuPopoverHeader.h"

#include "MenuBar/MenuChargeRing.h"

#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"
#include "Services/AppSettings.h"
#include "Services/TelemetryStore.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr int openButtonSide = 34;

}  // namespace

MenuPopoverHeader::MenuPopoverHeader(const ViewEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    ring_ = new MenuChargeRing(this);
    row->addWidget(ring_, 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout();
    texts->setSpacing(3);
    state_ = new VelkoraLabel(QString(), VelkoraFont::rounded(18, QFont::Bold), ForegroundStyle::primary, this);
    state_->setObjectName(QStringLiteral("menu-state"));
    reason_ = new VelkoraLabel(QString(), VelkoraFont::caption(), ForegroundStyle::secondary, this);
    reason_->setObjectName(QStringLiteral("menu-reason"));
    reason_->setWordWrap(true);
    reason_->setMaximumHeight(2 * QFontMetrics(reason_->font()).lineSpacing());
    texts->addWidget(state_);
    texts->addWidget(reason_);
    row->addLayout(texts, 1);

    open_ = new VelkoraButton(QStringLiteral("arrow.up.left.and.arrow.down.right"), QString(),
                              VelkoraButton::Style::bordered, this);
    open_->setObjectName(QStringLiteral("menu-open-console"));
    open_->setFixedSize(openButtonSide, openButtonSide);
    open_->setToolTip(localized(QStringLiteral("打开能量控制台")));
    connect(open_, &QAbstractButton::clicked, this, [this] {
        if (environment_.openMainWindow) {
            environment_.openMainWindow();
        }
    });
    row->addWidget(open_, 0, Qt::AlignVCenter);

    connect(environment_.telemetry, &TelemetryStore::snapshotChanged, this, &MenuPopoverHeader::refresh);
    connect(environment_.settings, &AppSettings::batteryStatusColorSchemeChanged, this, &MenuPopoverHeader::refresh);
    connect(environment_.settings, &AppSettings::appearanceChanged, this, &MenuPopoverHeader::refresh);
    refresh();
}

void MenuPopoverHeader::refresh()
{
    const PowerSnapshot& snapshot = environment_.telemetry->snapshot();
    const BatteryStatusColorScheme scheme = environment_.settings->batteryStatusColorScheme();
    const int percentage = static_cast<int>(snapshot.battery.percentage);
    ring_->setLevel(percentage, VelkoraTheme::batteryLevelColor(percentage, scheme));
    state_->setText(appLocalizedName(snapshot.state));
    state_->setColor(VelkoraTheme::batteryStatusColor(snapshot.state, percentage, scheme));
    reason_->setText(localized(QString::fromStdString(snapshot.stateReason)));
}

}  // namespace velkora
