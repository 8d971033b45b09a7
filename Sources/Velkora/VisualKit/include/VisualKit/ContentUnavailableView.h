#pragma once

#include <QString>
#include <QWidget>

namespace velkora {

class SymbolView;
class VelkoraLabel;

// The placeholder of an empty list or a page that has nothing to show yet:
// a large symbol in the secondary style over a title and, when given, a
// description, centred in the space it is given. The title is a key of the
// string table; the description is shown as given. Main thread only.
class ContentUnavailableView : public QWidget {
    Q_OBJECT
public:
    ContentUnavailableView(const QString& symbol, const QString& titleKey, const QString& description = QString(),
                           QWidget* parent = nullptr);

    VelkoraLabel* titleLabel() const { return title_; }
    // Null without a description.
    VelkoraLabel* descriptionLabel() const { return description_; }

private:
    VelkoraLabel* title_;
    VelkoraLabel* description_ = nullptr;
};

}  // namespace velkora
