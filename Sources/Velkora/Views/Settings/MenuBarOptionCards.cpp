#include "Settings/MenuBarOptionCards.h"

#include "Settings/MenuBarLayoutSchematic.h"
#include "Settings/MenuBarOptionCard.h"

#include "VisualKit/BatteryStatusTone.h"
#include "VisualKit/ColorMixing.h"
#include "VisualKit/ShrinkingLabel.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr int dotSide = 16;

// The three colours of a scheme as dots; read when drawn, so they follow
// the appearance.
class SchemeDots : public QWidget {
public:
    SchemeDots(BatteryStatusColorScheme scheme, QWidget* parent) : QWidget(parent), scheme_(scheme)
    {
        setFixedSize(3 * dotSide + 2 * 6, dotSide);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        qreal x = 0;
        for (BatteryLevelBand band : {BatteryLevelBand::critical, BatteryLevelBand::low, BatteryLevelBand::healthy}) {
            painter.setBrush(color(scheme_, band));
            painter.drawEllipse(QRectF(x, 0, dotSide, dotSide));
            x += dotSide + 6;
        }
    }

private:
    BatteryStatusColorScheme scheme_;
};

// Keeps `card` highlighted exactly while `current` equals `value`, now and
// after every `changed` of the settings.
template <typename Value, typename Signal>
void follow(MenuBarOptionCard* card, AppSettings* settings, Value value, Value (AppSettings::*current)() const,
            Signal changed)
{
    card->setSelected((settings->*current)() == value, false);
    QObject::connect(settings, changed, card, [card, value](Value now) { card->setSelected(now == value); });
}

}  // namespace

MenuBarOptionCard* makeIconStyleCard(const ViewEnvironment& environment, MenuBarIconStyle style, QWidget* parent)
{
    MenuBarOptionCard::Metrics metrics;
    metrics.cornerRadius = 16;
    metrics.padding = QMargins(0, 16, 0, 16);
    metrics.spacing = 10;
    metrics.alignment = Qt::AlignHCenter;
    metrics.selectedFill = withOpacity(VelkoraTheme::energy(), 0.12);
    metrics.selectedStroke = withOpacity(VelkoraTheme::energy(), 0.65);
    auto* card = new MenuBarOptionCard(environment, metrics, parent);
    card->setObjectName(QStringLiteral("icon-style-") + QString::fromUtf8(rawValue(style)));
    auto* symbol = new SymbolView(QString::fromUtf8(previewSymbol(style)), 24, QFont::Medium,
                                  ForegroundStyle::secondary, card);
    auto* name = new VelkoraLabel(title(style), VelkoraFont::system(12, QFont::DemiBold), ForegroundStyle::primary, card);
    card->contentLayout()->addWidget(symbol, 0, Qt::AlignHCenter);
    card->contentLayout()->addWidget(name, 0, Qt::AlignHCenter);
    card->setAccessibleName(name->text());
    QObject::connect(card, &MenuBarOptionCard::selectedChanged, symbol, [symbol](bool selected) {
        if (selected) {
            symbol->setColor(VelkoraTheme::energy());
        } else {
            symbol->setForegroundStyle(ForegroundStyle::secondary);
        }
    });
    AppSettings* settings = environment.settings;
    QObject::connect(card, &QAbstractButton::clicked, settings, [settings, style] { settings->setMenuBarIconStyle(style); });
    follow(card, settings, style, &AppSettings::menuBarIconStyle, &AppSettings::menuBarIconStyleChanged);
    return card;
}

MenuBarOptionCard* makeColorSchemeCard(const ViewEnvironment& environment, BatteryStatusColorScheme scheme,
                                       QWidget* parent)
{
    MenuBarOptionCard::Metrics metrics;
    metrics.cornerRadius = 15;
    metrics.padding = QMargins(13, 13, 13, 13);
    metrics.spacing = 9;
    metrics.alignment = Qt::AlignLeft;
    auto* card = new MenuBarOptionCard(environment, metrics, parent);
    card->setObjectName(QStringLiteral("color-scheme-") + QString::fromUtf8(rawValue(scheme)));
    // The system scheme's healthy colour is the label colour, which follows
    // the appearance.
    const auto recolor = [card, scheme] {
        const QColor healthy = color(scheme, BatteryLevelBand::healthy);
        card->setSelectionColors(withOpacity(healthy, 0.12), withOpacity(healthy, 0.72));
    };
    recolor();
    QObject::connect(environment.settings, &AppSettings::appearanceChanged, card, recolor);
    card->contentLayout()->addWidget(new SchemeDots(scheme, card));
    auto* name = new VelkoraLabel(title(scheme), VelkoraFont::system(13, QFont::Bold), ForegroundStyle::primary, card);
    card->contentLayout()->addWidget(name);
    // Two lines at most, and room for two in every card of the row; a long
    // one shrinks a little before it is cut short.
    auto* detailLabel = new ShrinkingLabel(detail(scheme), VelkoraFont::system(10, QFont::Medium),
                                           ForegroundStyle::secondary, 2, 0.85, card);
    detailLabel->setObjectName(QStringLiteral("color-scheme-detail"));
    card->contentLayout()->addWidget(detailLabel);
    card->setAccessibleName(name->text());
    AppSettings* settings = environment.settings;
    QObject::connect(card, &QAbstractButton::clicked, settings,
                     [settings, scheme] { settings->setBatteryStatusColorScheme(scheme); });
    follow(card, settings, scheme, &AppSettings::batteryStatusColorScheme, &AppSettings::batteryStatusColorSchemeChanged);
    return card;
}

MenuBarOptionCard* makeLayoutCard(const ViewEnvironment& environment, MenuBarLayout layout, QWidget* parent)
{
    MenuBarOptionCard::Metrics metrics;
    metrics.cornerRadius = 18;
    metrics.padding = QMargins(16, 16, 16, 16);
    metrics.spacing = 12;
    metrics.alignment = Qt::AlignLeft;
    metrics.selectedFill = withOpacity(VelkoraTheme::energy(), 0.1);
    metrics.selectedStroke = withOpacity(VelkoraTheme::energy(), 0.65);
    auto* card = new MenuBarOptionCard(environment, metrics, parent);
    card->setObjectName(QStringLiteral("layout-") + QString::fromUtf8(rawValue(layout)));
    card->contentLayout()->addWidget(new MenuBarLayoutSchematic(layout, card));
    auto* name = new VelkoraLabel(title(layout), VelkoraFont::system(15, QFont::Bold), ForegroundStyle::primary, card);
    card->contentLayout()->addWidget(name);
    auto* detailLabel = new VelkoraLabel(detail(layout), VelkoraFont::system(12), ForegroundStyle::secondary, card);
    detailLabel->setObjectName(QStringLiteral("layout-detail"));
    detailLabel->setWordWrap(true);
    card->contentLayout()->addWidget(detailLabel);
    card->setAccessibleName(name->text());
    AppSettings* settings = environment.settings;
    QObject::connect(card, &QAbstractButton::clicked, settings, [settings, layout] { settings->setMenuBarLayout(layout); });
    follow(card, settings, layout, &AppSettings::menuBarLayout, &AppSettings::menuBarLayoutChanged);
    return card;
}

}  // namespace velkora
