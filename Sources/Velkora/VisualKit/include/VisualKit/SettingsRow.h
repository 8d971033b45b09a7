#pragma once

#include <QString>
#include <QWidget>

#include <optional>

namespace velkora {

class HelpLink;
class SymbolView;
class VelkoraLabel;

// One line of a settings panel, at least 44 points tall, its parts
// vertically centred 13 points apart: the symbol (17 pt medium, secondary,
// in a frame 24 wide), the title (a key of the string table, 17 pt
// semibold), a HelpLink only when there is help (no gap without one), then
// flexible space and the accessory at the trailing edge (usually a switch,
// a picker or a button; the row takes it over). Main thread only.
class SettingsRow : public QWidget {
    Q_OBJECT
public:
    static constexpr int minimumRowHeight = 44;

    SettingsRow(const QString& symbol, const QString& titleKey, const std::optional<QString>& helpKey,
                QWidget* accessory, QWidget* parent = nullptr);

    SymbolView* symbolView() const { return symbol_; }
    VelkoraLabel* titleLabel() const { return title_; }
    // Null without help.
    HelpLink* helpLink() const { return help_; }
    QWidget* accessory() const { return accessory_; }

private:
    SymbolView* symbol_;
    VelkoraLabel* title_;
    HelpLink* help_ = nullptr;
    QWidget* accessory_;
};

}  // namespace velkora
