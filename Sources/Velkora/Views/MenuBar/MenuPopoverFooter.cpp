#include "MenuBar/MenuPopoverFooter.h"

#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"

#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"
#include "Services/AppSettings.h"
#include "Services/TelemetryStore.h"

#include <QCoreApplication>
#include <QHBoxLayout>

namespace velkora {

namespace {

SymbolView* captionSymbol(const QString& name, QWidget* parent)
{
    return new SymbolView(name, VelkoraFont::caption().pixelSize(), QFont::Normal, ForegroundStyle::secondary, parent);
}

}  // namespace

VelkoraButton* makeQuitButton(QWidget* parent)
{
    auto* quit = new VelkoraButton(localized(QStringLiteral("退出")), VelkoraButton::Style::plain, parent);
    quit->setObjectName(QStringLiteral("menu-quit"));
    QObject::connect(quit, &QAbstractButton::clicked, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    return quit;
}

MenuPopoverFooter::MenuPopoverFooter(const ViewEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 0, 4, 0);
    row->setSpacing(6);
    row->addWidget(captionSymbol(QStringLiteral("thermometer.medium"), this));
    temperature_ = new VelkoraLabel(QString(), VelkoraFont::caption(), ForegroundStyle::secondary, this);
    row->addWidget(temperature_);
    row->addWidget(new VelkoraLabel(localized(QStringLiteral("·")), VelkoraFont::caption(), ForegroundStyle::secondary,
                                    this));
    row->addWidget(captionSymbol(QStringLiteral("arrow.triangle.2.circlepath"), this));
    cycles_ = new VelkoraLabel(QString(), VelkoraFont::caption(), ForegroundStyle::secondary, this);
    row->addWidget(cycles_);
    row->addStretch(1);
    quit_ = makeQuitButton(this);
    quit_->setControlSize(VelkoraButton::Size::small);
    row->addWidget(quit_);
    connect(environment_.telemetry, &TelemetryStore::snapshotChanged, this, &MenuPopoverFooter::refresh);
    connect(environment_.settings, &AppSettings::appearanceChanged, this, &MenuPopoverFooter::refresh);
    refresh();
}

void MenuPopoverFooter::refresh()
{
    const BatterySnapshot& battery = environment_.telemetry->snapshot().battery;
    temperature_->setText(localized(QString::asprintf("%.1f°C", battery.temperatureCelsius)));
    quit_->setTint(VelkoraTheme::secondaryLabel());
    cycles_->setText(QString::number(battery.cycleCount) + L(QStringLiteral(" cycles"), QStringLiteral(" 次循环")));
}

}  // namespace velkora
