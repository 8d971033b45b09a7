#pragma once

#include <QString>
#include <QWidget>

namespace velkora {

class SymbolView;
class VelkoraLabel;

// One small value beside the orbit's ring: a label, its value and a symbol
// name. Shown verbatim in every language.
struct OrbitValue {
    QString label;
    QString value;
    QString symbol;

    bool operator==(const OrbitValue&) const = default;
};

// An OrbitValue as a line: the symbol (12 pt medium, 18 wide), the label in
// the secondary style, flexible space, and the value (14 pt bold, monospaced
// digits, one line), which shrinks to no less than 0.82 of its size when the
// line is too narrow for it. Main thread only.
class OrbitValueRow : public QWidget {
    Q_OBJECT
public:
    static constexpr int valueSize = 14;
    static constexpr qreal minimumValueScale = 0.82;

    explicit OrbitValueRow(QWidget* parent = nullptr);

    void setValue(const OrbitValue& value);
    const OrbitValue& value() const { return value_; }
    VelkoraLabel* valueLabel() const { return valueLabel_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitValue();

    OrbitValue value_;
    SymbolView* symbol_;
    VelkoraLabel* label_;
    VelkoraLabel* valueLabel_;
};

}  // namespace velkora
