#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <optional>

namespace velkora {

// The orbit's ring gauge, 164 points square, drawn from twelve o'clock
// clockwise: the track (15 wide), the charge-limit mark (a thin warm arc
// over `limit` percent, when there is a limit) and the level ring (15 wide,
// round caps, an angular gradient of the level colour), with the percentage
// and "%" in its centre. A new percentage turns the ring and rolls the
// figure with VelkoraMotion::data, or shows at once when motion is reduced.
// Assistive technology reads the ring as one element valued in words
// ("75 percent"), from the first reading on. Main thread only.
class BatteryOrbitRing : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal displayedLevel READ displayedLevel WRITE setDisplayedLevel)
    Q_PROPERTY(qreal figureProgress READ figureProgress WRITE setFigureProgress)
public:
    static constexpr int side = 164;
    static constexpr qreal ringWidth = 15;
    static constexpr qreal limitWidth = 5;
    static constexpr qreal limitOpacity = 0.34;

    explicit BatteryOrbitRing(QWidget* parent = nullptr);

    // Shows `percentage` in `color`; animated unless `reduceMotion`.
    void setLevel(int percentage, const QColor& color, bool reduceMotion);
    void setLimit(std::optional<int> limit);

    int percentage() const { return percentage_; }
    const QColor& levelColor() const { return color_; }
    // The share of the circle the limit mark covers; nothing without a limit.
    std::optional<qreal> limitFraction() const;
    // The share the level ring covers now (mid-animation, on its way).
    qreal levelFraction() const;

    qreal displayedLevel() const { return displayedLevel_; }
    void setDisplayedLevel(qreal level);
    qreal figureProgress() const { return figureProgress_; }
    void setFigureProgress(qreal progress);

    QSize sizeHint() const override { return QSize(side, side); }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Everything the ring's picture depends on.
    struct Drawn {
        qreal level;
        qreal figureProgress;
        int percentage;
        QString previousFigure;
        std::optional<int> limit;
        QColor color;
        QColor track;
        QColor secondary;
        qreal scale;
        bool operator==(const Drawn&) const = default;
    };

    void showAccessibleValue();
    void draw(QPainter& painter);
    void paintFigure(QPainter& painter, const QString& figure, qreal opacity, qreal lift);

    int percentage_ = 0;
    std::optional<int> limit_;
    QColor color_;
    qreal displayedLevel_ = 0;
    // The figure rolling out, and how far the new one has rolled in.
    QString previousFigure_;
    qreal figureProgress_ = 1.0;
    std::optional<Drawn> drawn_;
    QPixmap image_;
};

}  // namespace velkora
