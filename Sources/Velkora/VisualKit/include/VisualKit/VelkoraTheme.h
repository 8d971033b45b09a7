#pragma once

#include "VisualKit/BatteryLevelBand.h"
#include "VisualKit/ColorAppearance.h"

#include "Services/AppSettings.h"
#include "VelkoraCore/ChargingState.h"

#include <QColor>

namespace velkora {

// The application's one palette. Views take every colour from here (or from
// the tones built on it), never from literals of their own.
//
// Fixed colours are the same in both appearances. The "platform" colours and
// the translucent surfaces follow the appearance in force: a call without an
// appearance reads current(), so a view that repaints after apply() draws in
// the new appearance. Main thread only.
class VelkoraTheme {
public:
    VelkoraTheme() = delete;

    // Fixed colours, sRGB at opacity 1.
    static QColor energy();    // (0.27, 0.85, 0.60)
    static QColor accent();    // energy
    static QColor green();     // energy
    static QColor aqua();      // (0.35, 0.78, 0.72)
    static QColor warm();      // (1.0, 0.42, 0.29)
    static QColor lavender();  // (0.72, 0.60, 0.96)

    // Translucent surfaces laid over the window background: `card` fills
    // panels, `track` is the unfilled part of gauges and the idle tile,
    // `border` outlines panels. Dark: white at 0.048, 0.065 and 0.095. White
    // would vanish on the light background, so light draws a brighter card
    // and black hairlines instead.
    static QColor card(ColorAppearance appearance = current());
    static QColor track(ColorAppearance appearance = current());
    static QColor border(ColorAppearance appearance = current());

    // The platform's named colours, per appearance.
    static QColor systemRed(ColorAppearance appearance = current());
    static QColor systemOrange(ColorAppearance appearance = current());
    static QColor systemYellow(ColorAppearance appearance = current());
    static QColor systemGreen(ColorAppearance appearance = current());
    static QColor label(ColorAppearance appearance = current());
    static QColor secondaryLabel(ColorAppearance appearance = current());
    static QColor tertiaryLabel(ColorAppearance appearance = current());
    static QColor controlBackground(ColorAppearance appearance = current());
    static QColor windowBackground(ColorAppearance appearance = current());
    // The fill of an idle control (a switch that is off).
    static QColor fill(ColorAppearance appearance = current());
    // The opaque surface of popovers, menus and tooltips.
    static QColor floatingSurface(ColorAppearance appearance = current());
    // The thinnest see-through material, for a card that floats over other
    // applications' windows: the floating surface at 0.62, so what lies
    // behind still shows through.
    static QColor ultraThinMaterial(ColorAppearance appearance = current());
    // Hairlines between rows; dividers lay it at a further opacity.
    static QColor separator(ColorAppearance appearance = current());

    // The welcome sheet's background, always dark: a gradient from the
    // top-leading to the bottom-trailing corner.
    static QColor sheetBackgroundTop();     // (0.105, 0.115, 0.112)
    static QColor sheetBackgroundBottom();  // (0.08, 0.10, 0.12)

    // The main window's background for the user's appearance: near-black
    // for dark, near-white for light, the platform window background for
    // system.
    static QColor backgroundColor(AppAppearance appearance);
    // The menu-bar popover's background: a fixed dark green-grey (0.075,
    // 0.095, 0.09) for dark, the platform window background (in the
    // appearance in force) for light and system.
    static QColor popoverBackground(AppAppearance appearance);
    // The opacity of the energy glow over that background.
    static double backgroundGlowOpacity(AppAppearance appearance);

    // The scheme's colour of the band of `percentage`: for gauges, level bars
    // and scheme previews, where only the level matters.
    static QColor batteryLevelColor(int percentage, BatteryStatusColorScheme scheme,
                                    ColorAppearance appearance = current());
    // The colour of the tone of `state` at `percentage`: for headers, badges
    // and state lines, where the charging state matters too.
    static QColor batteryStatusColor(ChargingState state, int percentage, BatteryStatusColorScheme scheme,
                                     ColorAppearance appearance = current());

    // The appearance in force; dark until apply() says otherwise.
    static ColorAppearance current();
    // `system` follows the platform's palette: light when its window colour
    // is light, else dark.
    static ColorAppearance resolve(AppAppearance appearance);

    // The one palette switch: makes `appearance` current, sets the
    // application's palette and style from it and repaints every widget.
    // Needs a QApplication.
    static void apply(AppAppearance appearance);
    // apply() now and after every change of `settings.appearance`, for as
    // long as `settings` lives.
    static void follow(AppSettings& settings);
};

}  // namespace velkora
