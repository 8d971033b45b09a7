#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QMargins>
#include <QPixmap>

#include <optional>

namespace velkora {

// The foreground styles of text and symbols: the platform label colours,
// which follow the appearance.
enum class ForegroundStyle { primary, secondary, tertiary };

// QColor of a foreground style in the appearance in force.
QColor foregroundColor(ForegroundStyle style);

// A text exactly as given: never read as rich text, so "<b>x</b>" shows its
// tags. Its colour is a foreground style (following the appearance) or a
// fixed colour. With monospaced digits every digit takes the same width, so
// a figure that changes does not shift; such a label is one line. Main
// thread only.
class VelkoraLabel : public QLabel {
    Q_OBJECT
public:
    explicit VelkoraLabel(const QString& text = QString(), const QFont& font = QFont(),
                          ForegroundStyle style = ForegroundStyle::primary, QWidget* parent = nullptr);

    void setForegroundStyle(ForegroundStyle style);
    // A fixed colour instead of the foreground style.
    void setColor(const QColor& color);
    void setMonospacedDigits(bool monospaced);
    bool hasMonospacedDigits() const { return monospacedDigits_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Everything the drawn text depends on.
    struct DrawnText {
        QString text;
        QFont font;
        QColor ink;
        QSize size;
        QMargins margins;
        int margin = 0;
        Qt::Alignment alignment;
        bool wordWrap = false;
        bool monospacedDigits = false;
        bool enabled = true;
        qreal scale = 1.0;
        bool operator==(const DrawnText&) const = default;
    };

    void applyColor();
    qreal monospacedWidth() const;
    DrawnText drawnText() const;
    void drawText(QPainter& painter) const;

    ForegroundStyle style_;
    std::optional<QColor> color_;
    bool monospacedDigits_ = false;
    // The text as last drawn: shaping it again on every paint would cost
    // more than the rest of a page together.
    std::optional<DrawnText> drawn_;
    QPixmap image_;
};

}  // namespace velkora
