#include "Window/EnergyApplicationList.h"

#include "VisualKit/ContentUnavailableView.h"
#include "VisualKit/Divider.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/ValueFormatting.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr int iconSide = 34;
constexpr qreal entryDividerOpacity = 0.3;

}  // namespace

EnergyApplicationList::EnergyApplicationList(const ViewEnvironment& environment, Style style, Placeholder placeholder,
                                             QWidget* parent)
    : QWidget(parent), environment_(environment), style_(style), placeholder_(std::move(placeholder))
{
    setObjectName(QStringLiteral("energy-applications"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(style == Style::compact ? 10 : 4);
    connect(environment_.model, &AppModel::highEnergyAppsChanged, this, &EnergyApplicationList::rebuild);
    rebuild();
}

QString EnergyApplicationList::scoreText(double score)
{
    return L(QStringLiteral("Energy score ") + oneDecimal(score), QStringLiteral("能耗评分 ") + oneDecimal(score));
}

void EnergyApplicationList::rebuild()
{
    while (QLayoutItem* item = layout_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    shown_ = environment_.model->highEnergyApps();
    if (shown_.isEmpty()) {
        auto* empty = new ContentUnavailableView(placeholder_.symbol, placeholder_.titleKey, placeholder_.description,
                                                 this);
        empty->setObjectName(QStringLiteral("energy-applications-empty"));
        empty->setMinimumHeight(placeholder_.minimumHeight);
        layout_->addWidget(empty);
        return;
    }
    for (const EnergyApplication& application : shown_) {
        layout_->addWidget(makeEntry(application));
        if (application.pid != shown_.back().pid) {
            layout_->addWidget(new Divider(entryDividerOpacity, Qt::Horizontal, this));
        }
    }
}

QWidget* EnergyApplicationList::makeEntry(const EnergyApplication& application)
{
    auto* entry = new QWidget(this);
    entry->setObjectName(QStringLiteral("energy-application-%1").arg(application.pid));
    auto* row = new QHBoxLayout(entry);
    auto* name = new VelkoraLabel(application.name, VelkoraFont::system(13, QFont::DemiBold), ForegroundStyle::primary,
                                  entry);
    name->setObjectName(QStringLiteral("energy-application-name"));
    auto* score = new VelkoraLabel(scoreText(application.score), VelkoraFont::system(13), ForegroundStyle::secondary,
                                   entry);
    score->setObjectName(QStringLiteral("energy-application-score"));
    score->setMonospacedDigits(true);
    if (style_ == Style::compact) {
        row->setContentsMargins(0, 0, 0, 0);
        row->addWidget(name, 1);
        row->addWidget(score);
        return entry;
    }
    row->setContentsMargins(0, 8, 0, 8);
    row->setSpacing(12);
    row->addWidget(makeIcon(application));
    auto* names = new QVBoxLayout();
    names->setSpacing(2);
    names->addWidget(name);
    auto* pid = new VelkoraLabel(localized(QStringLiteral("PID %d"), application.pid), VelkoraFont::caption(),
                                 ForegroundStyle::secondary, entry);
    pid->setObjectName(QStringLiteral("energy-application-pid"));
    names->addWidget(pid);
    row->addLayout(names, 1);
    score->setFont(VelkoraFont::system(13, QFont::DemiBold));
    score->setColor(VelkoraTheme::warm());
    row->addWidget(score);
    return entry;
}

QWidget* EnergyApplicationList::makeIcon(const EnergyApplication& application)
{
    QPixmap image;
    if (application.icon) {
        const qreal ratio = devicePixelRatioF();
        const QSize side = QSize(iconSide, iconSide) * ratio;
        if (QFileInfo(*application.icon).isAbsolute()) {
            image = QIcon(*application.icon).pixmap(side);
        } else {
            image = QIcon::fromTheme(*application.icon).pixmap(side);
        }
        if (!image.isNull()) {
            // Stretched to the frame, as the application drew it.
            image = image.scaled(side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            image.setDevicePixelRatio(ratio);
        }
    }
    if (image.isNull()) {
        auto* symbol = new SymbolView(QStringLiteral("app.fill"), 17, QFont::Normal, ForegroundStyle::secondary, this);
        symbol->setFrame(QSize(iconSide, iconSide));
        symbol->setObjectName(QStringLiteral("energy-application-symbol"));
        return symbol;
    }
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("energy-application-icon"));
    icon->setFixedSize(iconSide, iconSide);
    icon->setPixmap(image);
    return icon;
}

}  // namespace velkora
