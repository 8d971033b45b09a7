#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>

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
    void applyColor();
    qreal monospacedWidth() const;

    ForegroundStyle style_;
    std::optional<QColor> color_;
    bool monospacedDigits_ = false;
};

}  // namespace velkora
