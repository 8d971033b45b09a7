#pragma once

#include <QObject>
#include <QString>

#include <optional>

namespace velkora {

// The sheets the main window can present.
enum class AppSheetDestination { onboarding };

// A destination's identity: "onboarding".
QString identifier(AppSheetDestination destination);

// Where any view asks the main window to present a sheet. The application
// makes one at start, with no sheet; the main window presents whatever
// `presentedSheet` names (AppSheetPresenter) and clears it when the sheet
// goes. Main thread only.
class AppRouter : public QObject {
    Q_OBJECT
public:
    explicit AppRouter(QObject* parent = nullptr);

    const std::optional<AppSheetDestination>& presentedSheet() const { return presentedSheet_; }
    // Presents `destination` over the main window, or dismisses the sheet
    // when absent. Observers are told of every assignment, also of one that
    // changes nothing.
    void setPresentedSheet(std::optional<AppSheetDestination> destination);

signals:
    void presentedSheetChanged(std::optional<velkora::AppSheetDestination> destination);

private:
    std::optional<AppSheetDestination> presentedSheet_;
};

}  // namespace velkora
