#include "VisualKit/SymbolImage.h"

#include "Log/Logger.h"

#include <QFontDatabase>
#include <QGlyphRun>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QRawFont>
#include <QSet>
#include <QTextLayout>

#include <array>
#include <optional>

namespace velkora {

namespace {

const platform::Logger& logger()
{
    static const platform::Logger instance("VisualKit", "Symbols");
    return instance;
}

const QString iconFamily = QStringLiteral("Material Icons");

// The icon font is drawn from outlines taken at this size and scaled.
constexpr qreal outlineSize = 96.0;

struct Symbol {
    const char* name;
    // The glyph's ligature in the icon font.
    const char* glyph;
    // Quarter turns clockwise.
    int turns = 0;
};

// Each system symbol name the views use, and the glyph that stands for it.
constexpr std::array symbols = {
    Symbol{"app.fill", "apps"},
    Symbol{"arrow.clockwise", "refresh"},
    Symbol{"arrow.clockwise.circle", "change_circle"},
    Symbol{"arrow.down.circle.fill", "arrow_circle_down"},
    Symbol{"arrow.down.to.line.compact", "vertical_align_bottom"},
    Symbol{"arrow.right", "arrow_forward"},
    Symbol{"arrow.triangle.2.circle.circle", "published_with_changes"},
    Symbol{"arrow.triangle.2.circlepath", "sync"},
    Symbol{"arrow.up", "arrow_upward"},
    Symbol{"arrow.up.circle.fill", "arrow_circle_up"},
    Symbol{"arrow.up.forward.app", "open_in_new"},
    Symbol{"arrow.up.left.and.arrow.down.right", "open_in_full"},
    Symbol{"battery.0percent", "battery_0_bar", 1},
    Symbol{"battery.25percent", "battery_2_bar", 1},
    Symbol{"battery.50percent", "battery_4_bar", 1},
    Symbol{"battery.75percent", "battery_5_bar", 1},
    Symbol{"battery.100percent", "battery_full", 1},
    Symbol{"battery.100percent.bolt", "battery_charging_full", 1},
    Symbol{"bolt.badge.clock", "update"},
    Symbol{"bolt.circle", "offline_bolt"},
    Symbol{"bolt.fill", "bolt"},
    Symbol{"bolt.slash", "flash_off"},
    Symbol{"calendar.badge.clock", "event_repeat"},
    Symbol{"calendar.badge.plus", "edit_calendar"},
    Symbol{"checklist", "checklist"},
    Symbol{"chevron.down", "expand_more"},
    Symbol{"chevron.up", "expand_less"},
    Symbol{"checkmark.circle.fill", "check_circle"},
    Symbol{"checkmark.shield", "gpp_good"},
    Symbol{"checkmark.shield.fill", "verified_user"},
    Symbol{"circle.lefthalf.filled", "contrast"},
    Symbol{"clock", "schedule"},
    Symbol{"clock.arrow.circlepath", "history"},
    Symbol{"cube", "view_in_ar"},
    Symbol{"desktopcomputer", "monitor"},
    Symbol{"dock.rectangle", "call_to_action"},
    Symbol{"drop", "water_drop"},
    Symbol{"ellipsis", "more_horiz"},
    Symbol{"exclamationmark.triangle.fill", "warning"},
    Symbol{"eye", "visibility"},
    Symbol{"flag.checkered", "sports_score"},
    Symbol{"flame", "local_fire_department"},
    Symbol{"flame.fill", "local_fire_department"},
    Symbol{"folder.badge.plus", "create_new_folder"},
    Symbol{"gauge.with.dots.needle.67percent", "speed"},
    Symbol{"hand.draw", "gesture"},
    Symbol{"heart.fill", "favorite"},
    Symbol{"info.circle", "info_outline"},
    Symbol{"laptopcomputer", "laptop"},
    Symbol{"leaf", "eco"},
    Symbol{"leaf.fill", "eco"},
    Symbol{"light.beacon.max", "lightbulb"},
    Symbol{"list.bullet.rectangle", "list_alt"},
    Symbol{"lock.shield", "security"},
    Symbol{"lock.trianglebadge.exclamationmark.fill", "gpp_maybe"},
    Symbol{"menubar.rectangle", "web_asset"},
    Symbol{"moon.fill", "dark_mode"},
    Symbol{"moon.zzz", "bedtime"},
    Symbol{"paperplane.fill", "send"},
    Symbol{"pause.circle", "pause_circle_outline"},
    Symbol{"pause.rectangle", "pause_presentation"},
    Symbol{"percent", "percent"},
    Symbol{"person.2", "group"},
    Symbol{"person.crop.circle.badge.clock", "manage_accounts"},
    Symbol{"plus", "add"},
    Symbol{"power", "power_settings_new"},
    Symbol{"powerplug.fill", "power"},
    Symbol{"powersleep", "nights_stay"},
    Symbol{"questionmark.circle", "help_outline"},
    Symbol{"rectangle.3.group", "dashboard"},
    Symbol{"rectangle.and.pencil.and.ellipsis", "edit_note"},
    Symbol{"rectangle.inset.filled.and.person.filled", "picture_in_picture_alt"},
    Symbol{"slider.horizontal.3", "tune"},
    Symbol{"square.3.layers.3d", "layers"},
    Symbol{"square.grid.2x2", "grid_view"},
    Symbol{"switch.2", "toggle_on"},
    Symbol{"thermometer.high", "device_thermostat"},
    Symbol{"thermometer.medium", "thermostat"},
    Symbol{"trash", "delete_outline"},
    Symbol{"waveform.path.ecg", "show_chart"},
    Symbol{"waveform.path.ecg.rectangle", "monitor_heart"},
    Symbol{"xmark", "close"},
    Symbol{"xmark.circle.fill", "cancel"},
};

const Symbol* find(const QString& name)
{
    for (const Symbol& symbol : symbols) {
        if (name == QLatin1String(symbol.name)) {
            return &symbol;
        }
    }
    return nullptr;
}

QFont outlineFont()
{
    QFont font(iconFamily);
    font.setPixelSize(static_cast<int>(outlineSize));
    font.setStyleStrategy(QFont::NoFontMerging);
    return font;
}

bool fontInstalled()
{
    static const bool installed = QFontDatabase::families().contains(iconFamily);
    return installed;
}

// The glyph's outline at outlineSize, in the font's em box (x from 0 to the
// advance, baseline at 0); nothing when the font does not draw the ligature
// as one glyph.
std::optional<QPainterPath> outline(const Symbol& symbol)
{
    static QHash<QString, std::optional<QPainterPath>> cache;
    const QString glyph = QString::fromLatin1(symbol.glyph);
    const auto cached = cache.constFind(glyph);
    if (cached != cache.constEnd()) {
        return *cached;
    }
    std::optional<QPainterPath> path;
    if (fontInstalled()) {
        QTextLayout layout(glyph, outlineFont());
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        if (runs.size() == 1 && runs.first().glyphIndexes().size() == 1) {
            path = runs.first().rawFont().pathForGlyph(runs.first().glyphIndexes().first());
        }
    }
    cache.insert(glyph, path);
    return path;
}

// How much heavier than regular a weight is drawn: the outline's stroke as a
// share of the symbol's side.
qreal strokeShare(QFont::Weight weight)
{
    if (weight >= QFont::Bold) {
        return 0.045;
    }
    if (weight >= QFont::DemiBold) {
        return 0.032;
    }
    if (weight >= QFont::Medium) {
        return 0.018;
    }
    return 0.0;
}

}  // namespace

QStringList SymbolImage::knownNames()
{
    QStringList names;
    for (const Symbol& symbol : symbols) {
        names.append(QString::fromLatin1(symbol.name));
    }
    return names;
}

bool SymbolImage::knows(const QString& name)
{
    return find(name) != nullptr;
}

qreal SymbolImage::side(int pointSize)
{
    // The icon font's glyphs fill about five sixths of their box; this makes
    // a symbol stand a little taller than the capitals of its text, as
    // symbols beside text do.
    return pointSize * 1.25;
}

void SymbolImage::paint(QPainter& painter, const QRectF& rect, const QString& name, int pointSize,
                        QFont::Weight weight, const QColor& color)
{
    // Drawn once per name, size, weight, colour and pixel density, then
    // copied: filling a glyph's outline on every paint costs more than a
    // page's text. Only where nothing but a shift is in force, which a copy
    // reproduces exactly.
    const Symbol* symbol = find(name);
    if (symbol == nullptr || !outline(*symbol) || painter.transform().type() > QTransform::TxTranslate ||
        painter.device() == nullptr) {
        drawSymbol(painter, rect, name, pointSize, weight, color);
        return;
    }
    const qreal scale = painter.device()->devicePixelRatioF();
    const QString key = QStringLiteral("velkora-symbol/%1/%2/%3/%4/%5")
                            .arg(name)
                            .arg(pointSize)
                            .arg(int(weight))
                            .arg(color.rgba64(), 0, 16)
                            .arg(scale);
    QPixmap image;
    if (!QPixmapCache::find(key, &image)) {
        image = pixmap(name, pointSize, weight, color, scale);
        QPixmapCache::insert(key, image);
    }
    const QSizeF length = QSizeF(image.size()) / scale;
    painter.drawPixmap(QPointF(rect.center().x() - length.width() / 2, rect.center().y() - length.height() / 2), image);
}

void SymbolImage::drawSymbol(QPainter& painter, const QRectF& rect, const QString& name, int pointSize,
                             QFont::Weight weight, const QColor& color)
{
    const Symbol* symbol = find(name);
    if (!symbol) {
        static QSet<QString> reported;
        if (!reported.contains(name)) {
            reported.insert(name);
            logger().error("no symbol is drawn for the name \"%s\"", name.toStdString());
        }
        return;
    }
    const qreal length = side(pointSize);
    const QRectF box(rect.center().x() - length / 2, rect.center().y() - length / 2, length, length);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const std::optional<QPainterPath> path = outline(*symbol);
    if (!path) {
        static bool reported = false;
        if (!reported) {
            reported = true;
            logger().error("the icon font \"%s\" is not installed (package fonts-material-design-icons-iconfont)",
                           iconFamily.toStdString());
        }
        painter.setPen(QPen(color, 1.0));
        painter.drawRect(box.adjusted(length * 0.2, length * 0.2, -length * 0.2, -length * 0.2));
        painter.restore();
        return;
    }
    // The font's em box: its glyphs sit on the baseline, one em square.
    const qreal scale = length / outlineSize;
    painter.translate(box.center());
    painter.rotate(90.0 * symbol->turns);
    painter.scale(scale, scale);
    painter.translate(-outlineSize / 2, outlineSize / 2);
    painter.setBrush(color);
    const qreal stroke = strokeShare(weight) * outlineSize;
    if (stroke > 0) {
        painter.setPen(QPen(color, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    } else {
        painter.setPen(Qt::NoPen);
    }
    painter.drawPath(*path);
    painter.restore();
}

QPixmap SymbolImage::pixmap(const QString& name, int pointSize, QFont::Weight weight, const QColor& color,
                            qreal devicePixelRatio)
{
    const int length = qCeil(side(pointSize));
    QPixmap image(QSize(length, length) * devicePixelRatio);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    drawSymbol(painter, QRectF(0, 0, length, length), name, pointSize, weight, color);
    return image;
}

QIcon SymbolImage::icon(const QString& name, int pointSize, QFont::Weight weight, const QColor& color)
{
    return QIcon(pixmap(name, pointSize, weight, color, 2.0));
}

bool SymbolImage::drawsGlyph(const QString& name)
{
    const Symbol* symbol = find(name);
    return symbol && outline(*symbol).has_value();
}

}  // namespace velkora
