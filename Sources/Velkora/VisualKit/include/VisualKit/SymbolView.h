#pragma once

#include "VisualKit/VelkoraLabel.h"

#include <QFont>
#include <QWidget>

#include <optional>

class QVariantAnimation;

namespace velkora {

// One symbol (SymbolImage) as a widget: its name, the text size and weight
// it stands beside, and its colour (a foreground style or a fixed colour).
// It takes the symbol's square unless given a frame. It can pulse: its
// opacity breathes while pulsing is on. Main thread only.
class SymbolView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal symbolOpacity READ symbolOpacity WRITE setSymbolOpacity)
public:
    SymbolView(const QString& name, int pointSize, QFont::Weight weight = QFont::Normal,
               ForegroundStyle style = ForegroundStyle::primary, QWidget* parent = nullptr);

    const QString& name() const { return name_; }
    void setName(const QString& name);
    void setForegroundStyle(ForegroundStyle style);
    void setColor(const QColor& color);
    QColor color() const;
    // A fixed frame instead of the symbol's own square; the symbol is centred.
    void setFrame(const QSize& frame);

    // The indefinite pulse of a busy control; the caller decides whether
    // motion is allowed.
    void setPulsing(bool pulsing);
    bool isPulsing() const;

    qreal symbolOpacity() const { return opacity_; }
    void setSymbolOpacity(qreal opacity);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString name_;
    int pointSize_;
    QFont::Weight weight_;
    ForegroundStyle style_;
    std::optional<QColor> color_;
    std::optional<QSize> frame_;
    qreal opacity_ = 1.0;
    QVariantAnimation* pulse_ = nullptr;
};

}  // namespace velkora
