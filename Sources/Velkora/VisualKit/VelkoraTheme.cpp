#include "VisualKit/VelkoraTheme.h"

#include "ControlStyleSheet.h"
#include "VisualKit/BatteryStatusTone.h"
#include "VisualKit/VelkoraFont.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>
#include <QWidget>

#include <optional>

namespace velkora {

namespace {

QColor rgb(double red, double green, double blue, double alpha = 1.0)
{
    return QColor::fromRgbF(static_cast<float>(red), static_cast<float>(green), static_cast<float>(blue),
                            static_cast<float>(alpha));
}

QColor white(double alpha)
{
    return rgb(1, 1, 1, alpha);
}

QColor black(double alpha)
{
    return rgb(0, 0, 0, alpha);
}

bool isDark(ColorAppearance appearance)
{
    return appearance == ColorAppearance::dark;
}

ColorAppearance& currentAppearance()
{
    static ColorAppearance appearance = ColorAppearance::dark;
    return appearance;
}

// The palette the platform gave the application, kept before the first
// apply() replaces it: "system" reads its lightness.
std::optional<QPalette>& platformPalette()
{
    static std::optional<QPalette> palette;
    return palette;
}

QPalette paletteFor(ColorAppearance appearance)
{
    const bool dark = isDark(appearance);
    const QColor window = VelkoraTheme::backgroundColor(dark ? AppAppearance::dark : AppAppearance::light);
    const QColor text = VelkoraTheme::label(appearance);
    const QColor control = dark ? rgb(0.16, 0.18, 0.175) : rgb(0.985, 0.99, 0.985);
    QPalette palette;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        const QColor foreground = disabled ? VelkoraTheme::tertiaryLabel(appearance) : text;
        palette.setColor(group, QPalette::Window, window);
        palette.setColor(group, QPalette::WindowText, foreground);
        palette.setColor(group, QPalette::Base, dark ? rgb(0.10, 0.12, 0.115) : rgb(1, 1, 1));
        palette.setColor(group, QPalette::AlternateBase, dark ? rgb(0.13, 0.15, 0.145) : rgb(0.96, 0.97, 0.96));
        palette.setColor(group, QPalette::Text, foreground);
        palette.setColor(group, QPalette::Button, control);
        palette.setColor(group, QPalette::ButtonText, foreground);
        palette.setColor(group, QPalette::BrightText, dark ? rgb(1, 1, 1) : rgb(0, 0, 0));
        palette.setColor(group, QPalette::PlaceholderText, VelkoraTheme::tertiaryLabel(appearance));
        palette.setColor(group, QPalette::Highlight, disabled ? VelkoraTheme::track(appearance) : VelkoraTheme::energy());
        palette.setColor(group, QPalette::HighlightedText, rgb(0.04, 0.07, 0.06));
        palette.setColor(group, QPalette::Link, VelkoraTheme::energy());
        palette.setColor(group, QPalette::ToolTipBase, VelkoraTheme::floatingSurface(appearance));
        palette.setColor(group, QPalette::ToolTipText, text);
        palette.setColor(group, QPalette::Light, dark ? rgb(0.30, 0.32, 0.31) : rgb(1, 1, 1));
        palette.setColor(group, QPalette::Midlight, dark ? rgb(0.22, 0.24, 0.235) : rgb(0.92, 0.93, 0.92));
        palette.setColor(group, QPalette::Mid, dark ? rgb(0.18, 0.20, 0.195) : rgb(0.80, 0.81, 0.80));
        palette.setColor(group, QPalette::Dark, dark ? rgb(0.05, 0.06, 0.06) : rgb(0.62, 0.63, 0.62));
        palette.setColor(group, QPalette::Shadow, black(dark ? 0.6 : 0.3));
    }
    return palette;
}

}  // namespace

QColor VelkoraTheme::energy()
{
    return rgb(0.27, 0.85, 0.60);
}

QColor VelkoraTheme::accent()
{
    return energy();
}

QColor VelkoraTheme::green()
{
    return energy();
}

QColor VelkoraTheme::aqua()
{
    return rgb(0.35, 0.78, 0.72);
}

QColor VelkoraTheme::warm()
{
    return rgb(1.0, 0.42, 0.29);
}

QColor VelkoraTheme::lavender()
{
    return rgb(0.72, 0.60, 0.96);
}

QColor VelkoraTheme::card(ColorAppearance appearance)
{
    return isDark(appearance) ? white(0.048) : white(0.74);
}

QColor VelkoraTheme::track(ColorAppearance appearance)
{
    return isDark(appearance) ? white(0.065) : black(0.05);
}

QColor VelkoraTheme::border(ColorAppearance appearance)
{
    return isDark(appearance) ? white(0.095) : black(0.075);
}

QColor VelkoraTheme::systemRed(ColorAppearance appearance)
{
    return isDark(appearance) ? rgb(1.0, 0.27, 0.23) : rgb(1.0, 0.23, 0.19);
}

QColor VelkoraTheme::systemOrange(ColorAppearance appearance)
{
    return isDark(appearance) ? rgb(1.0, 0.62, 0.04) : rgb(1.0, 0.58, 0.0);
}

QColor VelkoraTheme::systemYellow(ColorAppearance appearance)
{
    return isDark(appearance) ? rgb(1.0, 0.84, 0.04) : rgb(1.0, 0.80, 0.0);
}

QColor VelkoraTheme::systemGreen(ColorAppearance appearance)
{
    return isDark(appearance) ? rgb(0.19, 0.82, 0.35) : rgb(0.20, 0.78, 0.35);
}

QColor VelkoraTheme::label(ColorAppearance appearance)
{
    return isDark(appearance) ? white(0.87) : black(0.86);
}

QColor VelkoraTheme::secondaryLabel(ColorAppearance appearance)
{
    return isDark(appearance) ? white(0.55) : black(0.52);
}

QColor VelkoraTheme::tertiaryLabel(ColorAppearance appearance)
{
    return isDark(appearance) ? white(0.32) : black(0.32);
}

QColor VelkoraTheme::controlBackground(ColorAppearance appearance)
{
    return isDark(appearance) ? rgb(0.118, 0.118, 0.118) : rgb(1, 1, 1);
}

QColor VelkoraTheme::windowBackground(ColorAppearance appearance)
{
    return isDark(appearance) ? rgb(0.196, 0.196, 0.196) : rgb(0.925, 0.925, 0.925);
}

QColor VelkoraTheme::fill(ColorAppearance appearance)
{
    return isDark(appearance) ? white(0.16) : black(0.11);
}

QColor VelkoraTheme::floatingSurface(ColorAppearance appearance)
{
    return isDark(appearance) ? rgb(0.15, 0.165, 0.16) : rgb(0.99, 0.99, 0.99);
}

QColor VelkoraTheme::ultraThinMaterial(ColorAppearance appearance)
{
    QColor material = floatingSurface(appearance);
    material.setAlphaF(0.62);
    return material;
}

QColor VelkoraTheme::separator(ColorAppearance appearance)
{
    return isDark(appearance) ? white(0.32) : black(0.22);
}

QColor VelkoraTheme::sheetBackgroundTop()
{
    return rgb(0.105, 0.115, 0.112);
}

QColor VelkoraTheme::sheetBackgroundBottom()
{
    return rgb(0.08, 0.10, 0.12);
}

QColor VelkoraTheme::backgroundColor(AppAppearance appearance)
{
    switch (appearance) {
    case AppAppearance::system: return windowBackground(resolve(AppAppearance::system));
    case AppAppearance::light: return rgb(0.93, 0.94, 0.93);
    case AppAppearance::dark: return rgb(0.065, 0.082, 0.078);
    }
    return rgb(0.065, 0.082, 0.078);
}

QColor VelkoraTheme::popoverBackground(AppAppearance appearance)
{
    if (appearance == AppAppearance::dark) {
        return rgb(0.075, 0.095, 0.09);
    }
    return windowBackground();
}

double VelkoraTheme::backgroundGlowOpacity(AppAppearance appearance)
{
    return appearance == AppAppearance::light ? 0.035 : 0.055;
}

QColor VelkoraTheme::batteryLevelColor(int percentage, BatteryStatusColorScheme scheme, ColorAppearance appearance)
{
    return color(scheme, batteryLevelBand(percentage), appearance);
}

QColor VelkoraTheme::batteryStatusColor(ChargingState state, int percentage, BatteryStatusColorScheme scheme,
                                        ColorAppearance appearance)
{
    return BatteryStatusTone(state, percentage).color(scheme, appearance);
}

ColorAppearance VelkoraTheme::current()
{
    return currentAppearance();
}

ColorAppearance VelkoraTheme::resolve(AppAppearance appearance)
{
    switch (appearance) {
    case AppAppearance::light: return ColorAppearance::light;
    case AppAppearance::dark: return ColorAppearance::dark;
    case AppAppearance::system: break;
    }
    const QPalette platform = platformPalette().value_or(QGuiApplication::palette());
    return platform.color(QPalette::Window).lightnessF() < 0.5 ? ColorAppearance::dark : ColorAppearance::light;
}

void VelkoraTheme::apply(AppAppearance appearance)
{
    if (!platformPalette()) {
        platformPalette() = QGuiApplication::palette();
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setFont(VelkoraFont::body());
    }
    currentAppearance() = resolve(appearance);
    QApplication::setPalette(paletteFor(currentAppearance()));
    qApp->setStyleSheet(controlStyleSheet(currentAppearance()));
    for (QWidget* widget : QApplication::allWidgets()) {
        widget->update();
    }
}

void VelkoraTheme::follow(AppSettings& settings)
{
    apply(settings.appearance());
    QObject::connect(&settings, &AppSettings::appearanceChanged, &settings,
                     [](AppAppearance appearance) { apply(appearance); });
}

}  // namespace velkora
