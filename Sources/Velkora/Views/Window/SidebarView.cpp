#include "Window/SidebarView.h"

#include "Window/ApplicationIcon.h"
#include "Window/SidebarButton.h"

#include "VisualKit/AccessibleElement.h"
#include "VisualKit/Divider.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr std::array batteryRoutes = {SidebarRoute::dashboard, SidebarRoute::chargeControl,
                                      SidebarRoute::energyUsage, SidebarRoute::schedules,
                                      SidebarRoute::sleepBehavior};
constexpr std::array toolRoutes = {SidebarRoute::shortcuts, SidebarRoute::overlay, SidebarRoute::menuBar};

constexpr int identitySide = 38;
constexpr int rowInset = 12;

QString routeName(SidebarRoute route)
{
    return QString::fromLatin1(rawValue(route));
}

QVBoxLayout* column(QWidget* owner, int spacing)
{
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

}  // namespace

SidebarView::SidebarView(const ViewEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment)
{
    setObjectName(QStringLiteral("sidebar"));
    setFixedWidth(sidebarWidth);
    auto* layout = column(this, 0);

    QWidget* identity = makeIdentity();
    layout->addWidget(identity);

    QWidget* batteryGroup = makeSection(batteryTitle_, {batteryRoutes.begin(), batteryRoutes.end()});
    layout->addWidget(batteryGroup);
    layout->addSpacing(18);
    QWidget* toolGroup = makeSection(toolTitle_, {toolRoutes.begin(), toolRoutes.end()});
    toolTitle_->setText(localized(QStringLiteral("工具")));
    layout->addWidget(toolGroup);
    layout->addStretch(1);
    layout->addSpacing(22);

    auto* divider = new Divider(0.32, Qt::Horizontal, this);
    auto* dividerRow = new QHBoxLayout();
    dividerRow->setContentsMargins(18, 0, 18, 0);
    dividerRow->addWidget(divider);
    layout->addLayout(dividerRow);
    layout->addSpacing(10);

    auto* bottom = new QVBoxLayout();
    bottom->setContentsMargins(rowInset, 0, rowInset, 16);
    bottom->setSpacing(4);
    bottom->addWidget(makeRouteButton(SidebarRoute::other));
    quit_ = new SidebarButton(environment_, SidebarButton::Kind::quit, QStringLiteral("power"),
                              localized(QStringLiteral("退出")), this);
    quit_->setObjectName(QStringLiteral("sidebar-quit"));
    const QString quitTitle = L(QStringLiteral("Quit Tallowmere"), QStringLiteral("退出 Tallowmere"));
    quit_->setToolTip(quitTitle);
    quit_->setAccessibleName(quitTitle);
    connect(quit_, &SidebarButton::clicked, qApp, &QApplication::quit, Qt::QueuedConnection);
    bottom->addWidget(quit_);
    layout->addLayout(bottom);

    if (environment_.model) {
        connect(environment_.model, &AppModel::capabilitiesChanged, this, &SidebarView::followBattery);
    }
    if (environment_.settings) {
        connect(environment_.settings, &AppSettings::reduceTransparencyChanged, this,
                qOverload<>(&QWidget::update));
    }
    followBattery();
    setSelection(selection_);
}

QWidget* SidebarView::makeIdentity()
{
    auto* identity = new QWidget(this);
    identity->setObjectName(QStringLiteral("sidebar-identity"));
    auto* row = new QHBoxLayout(identity);
    row->setContentsMargins(20, 36, 20, 25);
    row->setSpacing(11);
    auto* icon = new QLabel(identity);
    icon->setPixmap(ApplicationIcon::pixmap(identitySide, devicePixelRatioF()));
    icon->setFixedSize(identitySide, identitySide);
    row->addWidget(icon, 0, Qt::AlignVCenter);
    auto* names = column(nullptr, 2);
    names->addWidget(new VelkoraLabel(QStringLiteral("Tallowmere"), VelkoraFont::rounded(15, QFont::Bold),
                                      ForegroundStyle::primary, identity));
    subtitle_ = new VelkoraLabel(QString(), VelkoraFont::system(10, QFont::Medium), ForegroundStyle::tertiary,
                                 identity);
    subtitle_->setObjectName(QStringLiteral("sidebar-subtitle"));
    names->addWidget(subtitle_);
    row->addLayout(names, 1);
    AccessibleElement::hide(icon);
    AccessibleElement::combine(identity);
    return identity;
}

QWidget* SidebarView::makeSection(QLabel*& title, const QList<SidebarRoute>& routes)
{
    auto* section = new QWidget(this);
    auto* layout = column(section, 3);
    title = new VelkoraLabel(QString(), VelkoraFont::system(11, QFont::DemiBold), ForegroundStyle::tertiary, section);
    title->setContentsMargins(22, 0, 22, 5);
    layout->addWidget(title);
    for (const SidebarRoute route : routes) {
        auto* row = new QHBoxLayout();
        row->setContentsMargins(rowInset, 0, rowInset, 0);
        row->addWidget(makeRouteButton(route));
        layout->addLayout(row);
    }
    return section;
}

SidebarButton* SidebarView::makeRouteButton(SidebarRoute route)
{
    auto* button = new SidebarButton(environment_, SidebarButton::Kind::route, QString::fromLatin1(symbol(route)),
                                     navigationTitle(route), this);
    button->setObjectName(QStringLiteral("sidebar-route-") + routeName(route));
    button->setToolTip(title(route));
    button->setAccessibleName(title(route));
    connect(button, &SidebarButton::clicked, this, [this, route] { emit routeRequested(route); });
    buttons_.insert(route, button);
    return button;
}

QString SidebarView::navigationTitle(SidebarRoute route)
{
    switch (route) {
    case SidebarRoute::dashboard: return localized(QStringLiteral("状态"));
    case SidebarRoute::chargeControl: return localized(QStringLiteral("控制"));
    case SidebarRoute::sleepBehavior: return localized(QStringLiteral("睡眠"));
    case SidebarRoute::energyUsage: return localized(QStringLiteral("能耗"));
    case SidebarRoute::schedules: return localized(QStringLiteral("计划"));
    case SidebarRoute::shortcuts: return localized(QStringLiteral("捷径"));
    case SidebarRoute::overlay: return localized(QStringLiteral("浮窗"));
    case SidebarRoute::menuBar: return localized(QStringLiteral("菜单栏"));
    case SidebarRoute::other: return localized(QStringLiteral("设置"));
    }
    return QString();
}

bool SidebarView::batteryPresent() const
{
    return environment_.model && environment_.model->batteryPresent();
}

QList<SidebarRoute> SidebarView::visibleBatteryRoutes() const
{
    QList<SidebarRoute> routes;
    for (const SidebarRoute route : batteryRoutes) {
        if (batteryPresent() || !requiresBattery(route)) {
            routes.append(route);
        }
    }
    return routes;
}

QList<SidebarRoute> SidebarView::visibleToolRoutes() const
{
    QList<SidebarRoute> routes;
    for (const SidebarRoute route : toolRoutes) {
        if (batteryPresent() || !requiresBattery(route)) {
            routes.append(route);
        }
    }
    return routes;
}

void SidebarView::followBattery()
{
    const bool present = batteryPresent();
    subtitle_->setText(present ? L(QStringLiteral("Smart Battery Care"), QStringLiteral("智能电池管理"))
                               : L(QStringLiteral("Energy Monitoring"), QStringLiteral("能源监测")));
    batteryTitle_->setText(localized(present ? QStringLiteral("电池") : QStringLiteral("能源")));
    for (auto entry = buttons_.cbegin(); entry != buttons_.cend(); ++entry) {
        entry.value()->setVisible(present || !requiresBattery(entry.key()));
    }
}

void SidebarView::setSelection(SidebarRoute route)
{
    selection_ = route;
    for (auto entry = buttons_.cbegin(); entry != buttons_.cend(); ++entry) {
        entry.value()->setSelected(entry.key() == route);
    }
}

void SidebarView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (environment_.settings && environment_.settings->reduceTransparency()) {
        painter.fillRect(rect(), VelkoraTheme::controlBackground());
    } else {
        // A thin frosted layer over the window, lit faintly from the top-leading corner.
        painter.fillRect(rect(), VelkoraTheme::card());
        QColor glow = VelkoraTheme::energy();
        glow.setAlphaF(0.055f);
        QColor shade = Qt::black;
        shade.setAlphaF(0.035f);
        QLinearGradient gradient(QPointF(0, 0), QPointF(width(), height()));
        gradient.setColorAt(0, glow);
        gradient.setColorAt(0.5, Qt::transparent);
        gradient.setColorAt(1, shade);
        painter.fillRect(rect(), gradient);
    }
    QColor edge = VelkoraTheme::separator();
    edge.setAlphaF(static_cast<float>(edge.alphaF() * 0.34));
    painter.fillRect(QRect(width() - 1, 0, 1, height()), edge);
}

}  // namespace velkora
