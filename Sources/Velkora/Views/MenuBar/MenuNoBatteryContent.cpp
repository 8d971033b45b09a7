#include "MenuBar/MenuNoBatteryContent.h"

#include "MenuBar/MenuPopoverFooter.h"

#include "VisualKit/DesktopPowerText.h"
#include "VisualKit/Divider.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"

#include <QHBoxLayout>
#include <QShowEvent>
#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr std::chrono::seconds tickInterval{1};

}  // namespace

MenuNoBatteryContent::MenuNoBatteryContent(const ViewEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(16);

    auto* live = new QHBoxLayout();
    live->setSpacing(12);
    auto* bolt = new SymbolView(QStringLiteral("bolt.fill"), 25, QFont::Normal, ForegroundStyle::primary, this);
    bolt->setColor(VelkoraTheme::energy());
    live->addWidget(bolt, 0, Qt::AlignVCenter);
    auto* reading = new QVBoxLayout();
    reading->setSpacing(4);
    reading->addWidget(new VelkoraLabel(localized(QStringLiteral("系统负载（内部电源功率估算）")),
                                        VelkoraFont::system(13, QFont::DemiBold), ForegroundStyle::secondary, this));
    figure_ = new VelkoraLabel(QString(), VelkoraFont::rounded(28, QFont::Bold), ForegroundStyle::primary, this);
    figure_->setObjectName(QStringLiteral("menu-desktop-power"));
    figure_->setMonospacedDigits(true);
    reading->addWidget(figure_);
    live->addLayout(reading, 1);
    column->addLayout(live);

    column->addWidget(new Divider(1.0, Qt::Horizontal, this));
    column->addWidget(new VelkoraLabel(localized(QStringLiteral("高能耗应用")), VelkoraFont::system(13, QFont::DemiBold),
                                       ForegroundStyle::primary, this));
    applications_ = new QVBoxLayout();
    applications_->setSpacing(6);
    column->addLayout(applications_);

    auto* note = new VelkoraLabel(localized(QStringLiteral("功率为设备内部直流侧估算；应用评分用于相对排序，不是瓦特。")),
                                  VelkoraFont::system(11), ForegroundStyle::tertiary, this);
    note->setWordWrap(true);
    column->addWidget(note);

    auto* buttons = new QHBoxLayout();
    open_ = new VelkoraButton(L(QStringLiteral("Open Energy Dashboard"), QStringLiteral("打开能耗看板")),
                              VelkoraButton::Style::prominent, this);
    open_->setObjectName(QStringLiteral("menu-open-energy-dashboard"));
    open_->setTint(VelkoraTheme::energy());
    connect(open_, &QAbstractButton::clicked, this, [this] {
        if (environment_.openMainWindow) {
            environment_.openMainWindow();
        }
    });
    buttons->addWidget(open_);
    buttons->addStretch(1);
    buttons->addWidget(makeQuitButton(this));
    column->addLayout(buttons);

    connect(environment_.model, &AppModel::highEnergyAppsChanged, this, &MenuNoBatteryContent::rebuildApplications);
    rebuildApplications();
    tick();
}

MenuNoBatteryContent::~MenuNoBatteryContent()
{
    if (tickTimer_) {
        tickTimer_->cancel();
    }
}

QString MenuNoBatteryContent::scoreText(double score)
{
    return L(QStringLiteral("Score "), QStringLiteral("评分 ")) + QString::asprintf("%.1f", score);
}

QStringList MenuNoBatteryContent::shownNames() const
{
    return names_;
}

void MenuNoBatteryContent::rebuildApplications()
{
    qDeleteAll(rows_);
    rows_.clear();
    names_.clear();
    const QList<EnergyApplication>& applications = environment_.model->highEnergyApps();
    if (applications.isEmpty()) {
        auto* empty = new VelkoraLabel(localized(QStringLiteral("暂无高能耗应用")), VelkoraFont::caption(),
                                       ForegroundStyle::secondary, this);
        empty->setObjectName(QStringLiteral("menu-no-energy-apps"));
        applications_->addWidget(empty);
        rows_.append(empty);
        return;
    }
    for (const EnergyApplication& application : applications.mid(0, shownApplications)) {
        auto* row = new QWidget(this);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        auto* name = new VelkoraLabel(application.name, VelkoraFont::system(12), ForegroundStyle::primary, row);
        name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        line->addWidget(name, 1);
        auto* score = new VelkoraLabel(scoreText(application.score), VelkoraFont::system(12),
                                       ForegroundStyle::secondary, row);
        score->setMonospacedDigits(true);
        line->addWidget(score);
        applications_->addWidget(row);
        rows_.append(row);
        names_.append(application.name);
    }
}

void MenuNoBatteryContent::tick()
{
    figure_->setText(DesktopPowerText::value(environment_.telemetry->liveDesktopWatts(environment_.model->clock().date())));
}

void MenuNoBatteryContent::scheduleTick()
{
    tickTimer_ = environment_.model->clock().singleShot(tickInterval, [this] {
        tick();
        scheduleTick();
    });
}

void MenuNoBatteryContent::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous() || tickTimer_) {
        return;
    }
    tick();
    scheduleTick();
}

void MenuNoBatteryContent::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous() && tickTimer_) {
        tickTimer_->cancel();
        tickTimer_.reset();
    }
}

}  // namespace velkora
