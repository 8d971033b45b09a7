#pragma once

#include "MenuBar/MenuBarImage.h"

#include "Model/BatteryAvailability.h"
#include "Services/TelemetryStore.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <optional>

namespace velkora {

class AppSettings;

// What the menu-bar item shows, made again on every change of the
// telemetry, the settings it reads or the battery's availability:
//
//   - a Mac without a battery whose user shows desktop power: the power
//     badge with the live desktop watts and a plug (a template image);
//   - a battery whose user shows battery power: the badge with the system
//     load and the glyph filled by the percentage;
//   - otherwise an icon and, with a battery, the percentage when the user
//     shows it or the style is compact. The icon is the drawn battery glyph
//     for "battery." symbols, else the symbol in the status colour; while
//     the battery is being detected "ellipsis", without one "bolt.fill".
//
// Colours: the battery's status tone in the user's scheme; the system
// scheme's healthy level makes template images, drawn in the colour of the
// bar they stand on (the "primary" colour the host passes), as does every
// label without a battery. The label keeps no state; it reads the store
// and the settings while it is drawn. Main thread only.
class StatusItemLabel {
public:
    using Date = TelemetryStore::Date;

    static constexpr qreal height = 22;
    static constexpr qreal spacing = 3;
    static constexpr int symbolPointSize = 13;

    enum class Content { desktopPower, batteryPower, icon };

    // The colour an image is drawn in, and whether it is a template.
    struct ImageStyle {
        QColor color;
        bool isTemplate = false;
        bool operator==(const ImageStyle&) const = default;
    };

    // Everything render draws from, so that a reading can be told to change
    // the picture or not without drawing it: labels of equal looks render
    // equal images. It holds more than some contents show, never less.
    struct Look {
        Content content = Content::icon;
        BatteryAvailability availability = BatteryAvailability::detecting;
        QString symbol;
        int percentage = 0;
        ImageStyle image;
        QColor foreground;
        QString text;
        QString power;
        qreal scale = 1;
        bool operator==(const Look&) const = default;
    };

    // The icon: an image, or else the system symbol drawn in the status colour.
    struct Icon {
        QString symbol;
        std::optional<MenuBarImage> image;
    };

    StatusItemLabel(const TelemetryStore& telemetry, const AppSettings& settings,
                    BatteryAvailability batteryAvailability);

    bool batteryPresent() const { return batteryAvailability_ == BatteryAvailability::present; }
    int displayedPercentage() const;
    QString statusSymbol() const;
    // The label's foreground on a bar whose text is `primary`.
    QColor statusColor(const QColor& primary) const;
    ImageStyle imageStyle() const;
    std::optional<MenuBarImage> batteryImage() const;
    std::optional<MenuBarImage> coloredStatusImage() const;

    Content content() const;
    Icon icon(Date now) const;
    // The text beside the icon; empty for none.
    QString text() const;
    // What a screen reader says of the badges; nothing for the icon.
    std::optional<QString> accessibilityLabel(Date now) const;

    Look look(qreal scale, const QColor& primary, Date now) const;
    // The whole label, `height` points tall, at `scale` device pixels per point.
    QImage render(qreal scale, const QColor& primary, Date now) const;

private:
    const TelemetryStore& telemetry_;
    const AppSettings& settings_;
    BatteryAvailability batteryAvailability_;
};

}  // namespace velkora
