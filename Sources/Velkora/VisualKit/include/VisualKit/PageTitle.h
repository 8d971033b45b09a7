#pragma once

#include <QWidget>

namespace velkora {

class SymbolView;
class VelkoraLabel;

// The heading of a page or section: the symbol (19 pt semibold) and the
// title, a key of the string table shown through localized() (21 pt bold),
// side by side with 10 points between. Main thread only.
class PageTitle : public QWidget {
    Q_OBJECT
public:
    PageTitle(const QString& symbol, const QString& titleKey, QWidget* parent = nullptr);

    SymbolView* symbolView() const { return symbol_; }
    VelkoraLabel* titleLabel() const { return title_; }

private:
    SymbolView* symbol_;
    VelkoraLabel* title_;
};

}  // namespace velkora
