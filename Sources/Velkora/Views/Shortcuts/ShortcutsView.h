#pragma once

#include "VisualKit/PageFrame.h"
#include "VisualKit/ViewEnvironment.h"

#include <QList>
#include <QString>

#include <array>

namespace velkora {

class Divider;
class VelkoraButton;

// The Shortcuts page: a fixed card of the actions the application offers
// the system's Shortcuts application, each with its symbol, name and a line
// on what it does, and a button that opens the Shortcuts application. The
// rows are a constant of the page, shown as they stand in every language.
// Nothing here reads live state or changes anything. Main thread only.
class ShortcutsView : public PageFrame {
    Q_OBJECT
public:
    struct Shortcut {
        const char16_t* title;
        const char16_t* detail;
        const char* symbol;
    };
    static const std::array<Shortcut, 14> shortcuts;

    // Where the Shortcuts application lives on a Mac.
    static constexpr const char* shortcutsApplicationPath = "/System/Applications/Shortcuts.app";
    static constexpr int titleColumnWidth = 170;

    explicit ShortcutsView(const ViewEnvironment& environment, QWidget* parent = nullptr);

    VelkoraButton* openButton() const { return open_; }
    const QList<QWidget*>& rows() const { return rows_; }
    const QList<Divider*>& dividers() const { return dividers_; }

private:
    QWidget* makeRow(const Shortcut& shortcut, QWidget* parent);

    VelkoraButton* open_ = nullptr;
    QList<QWidget*> rows_;
    QList<Divider*> dividers_;
};

}  // namespace velkora
