#include "ControlStyleSheet.h"

#include "VisualKit/SymbolImage.h"
#include "VisualKit/VelkoraTheme.h"

#include <QTemporaryDir>

namespace velkora {

namespace {

QString css(const QColor& color)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alpha());
}

// Style sheets take images from files: the chevrons are drawn once per
// appearance into a folder that lasts as long as the process.
QString chevronFile(const QString& symbol, ColorAppearance appearance)
{
    static QTemporaryDir folder;
    const QString name = QStringLiteral("%1-%2.png")
                             .arg(symbol, appearance == ColorAppearance::dark ? QStringLiteral("dark")
                                                                              : QStringLiteral("light"));
    const QString path = folder.filePath(name);
    SymbolImage::pixmap(symbol, 11, QFont::DemiBold, VelkoraTheme::secondaryLabel(appearance), 2.0).save(path);
    return path;
}

}  // namespace

QString controlStyleSheet(ColorAppearance appearance)
{
    const bool dark = appearance == ColorAppearance::dark;
    const QColor handle = dark ? QColor::fromRgbF(1, 1, 1, 0.22f) : QColor::fromRgbF(0, 0, 0, 0.22f);
    const QColor handlePressed = dark ? QColor::fromRgbF(1, 1, 1, 0.36f) : QColor::fromRgbF(0, 0, 0, 0.36f);
    const QColor field = VelkoraTheme::track(appearance);
    const QColor fieldHover = VelkoraTheme::fill(appearance);
    QColor selection = VelkoraTheme::energy();
    selection.setAlphaF(0.22f);
    QString sheet = QStringLiteral(
        // Slim scroll bars that keep out of the content's way.
        "QScrollBar:vertical { background: transparent; width: 11px; margin: 2px 2px 2px 0; }"
        "QScrollBar::handle:vertical { background: %1; border-radius: 3px; min-height: 32px; margin: 0 1px; }"
        "QScrollBar::handle:vertical:hover, QScrollBar::handle:vertical:pressed { background: %2; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"
        // Pickers and fields: the tile's track and border, rounded like buttons.
        "QComboBox, QAbstractSpinBox, QLineEdit { background: %3; border: 1px solid %4; border-radius: 8px;"
        " color: %5; padding: 4px 10px; min-height: 20px; selection-background-color: %6; selection-color: %5; }"
        "QComboBox:hover, QAbstractSpinBox:hover { background: %7; }"
        "QComboBox:disabled, QAbstractSpinBox:disabled, QLineEdit:disabled { color: %8; }"
        "QComboBox { padding-right: 26px; }"
        "QComboBox::drop-down { subcontrol-origin: padding; subcontrol-position: center right; width: 22px;"
        " border: none; }"
        "QComboBox::down-arrow { image: url(%9); width: 11px; height: 11px; }"
        "QComboBox QAbstractItemView { background: %10; border: 1px solid %4; border-radius: 8px; padding: 4px;"
        " color: %5; selection-background-color: %6; selection-color: %5; outline: 0; }"
        "QAbstractSpinBox { padding-right: 22px; }"
        "QAbstractSpinBox::up-button, QAbstractSpinBox::down-button { subcontrol-origin: border; width: 20px;"
        " border: none; background: transparent; }"
        "QAbstractSpinBox::up-button { subcontrol-position: top right; margin-top: 3px; }"
        "QAbstractSpinBox::down-button { subcontrol-position: bottom right; margin-bottom: 3px; }"
        "QAbstractSpinBox::up-arrow { image: url(%11); width: 10px; height: 10px; }"
        "QAbstractSpinBox::down-arrow { image: url(%9); width: 10px; height: 10px; }"
        "QToolTip { background: %10; color: %5; border: 1px solid %4; border-radius: 6px; padding: 4px 8px; }");
    return sheet.arg(css(handle), css(handlePressed), css(field), css(VelkoraTheme::border(appearance)),
                     css(VelkoraTheme::label(appearance)), css(selection), css(fieldHover),
                     css(VelkoraTheme::tertiaryLabel(appearance)), chevronFile(QStringLiteral("chevron.down"), appearance))
        .arg(css(VelkoraTheme::floatingSurface(appearance)), chevronFile(QStringLiteral("chevron.up"), appearance));
}

}  // namespace velkora
