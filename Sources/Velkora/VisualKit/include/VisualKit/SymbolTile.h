#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

namespace velkora {

// A symbol in the energy colour, centred on a rounded square tinted with the
// energy colour at 0.1: the mark of a panel or a page without a battery.
class SymbolTile : public QWidget {
public:
    SymbolTile(const QString& symbol, int side, int symbolSize, QFont::Weight weight, qreal cornerRadius,
               QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal cornerRadius_;
};

}  // namespace velkora
