#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QString>

#include <optional>

namespace velkora {

// The application's text buttons, with an optional leading symbol:
//   prominent  filled with the tint (the energy colour unless given), dark text
//   bordered   the track colour with a hairline border, primary text
//   plain      text and symbol alone, in the tint or the primary colour
//   destructive  bordered, its text and symbol in the platform red
// Small buttons are shorter and take smaller text; large ones, for the one
// action of a sheet, are taller with larger text. Main thread only.
class VelkoraButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Style { prominent, bordered, plain, destructive };
    enum class Size { regular, small, large };

    VelkoraButton(const QString& text, Style style = Style::bordered, QWidget* parent = nullptr);
    VelkoraButton(const QString& symbol, const QString& text, Style style = Style::bordered,
                  QWidget* parent = nullptr);

    void setSymbol(const QString& symbol);
    const QString& symbol() const { return symbol_; }
    void setTint(const QColor& tint);
    void setControlSize(Size size);
    Style buttonStyle() const { return style_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont textFont() const;
    int symbolPointSize() const;
    QColor foreground() const;

    QString symbol_;
    Style style_;
    Size size_ = Size::regular;
    std::optional<QColor> tint_;
};

}  // namespace velkora
