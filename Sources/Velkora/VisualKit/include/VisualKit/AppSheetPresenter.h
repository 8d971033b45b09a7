#pragma once

#include "VisualKit/AppRouter.h"

#include <QDialog>
#include <QObject>
#include <QPointer>

#include <functional>

namespace velkora {

// Binds a router to a window: each destination the router names is shown as
// a window-modal dialog of `window` (a sheet), with content that `makeSheet`
// builds for it. Naming the shown destination again changes nothing;
// clearing the router closes the sheet; a sheet closed any other way (its
// own buttons, the window manager) clears the router. Main thread only.
class AppSheetPresenter : public QObject {
    Q_OBJECT
public:
    using SheetFactory = std::function<QWidget*(AppSheetDestination destination)>;

    AppSheetPresenter(AppRouter& router, QWidget& window, SheetFactory makeSheet, QObject* parent = nullptr);
    ~AppSheetPresenter() override;

    // The sheet on screen, or null.
    QDialog* sheet() const { return sheet_; }

private:
    void follow(std::optional<AppSheetDestination> destination);
    void close();

    QPointer<AppRouter> router_;
    QPointer<QWidget> window_;
    SheetFactory makeSheet_;
    QPointer<QDialog> sheet_;
    std::optional<AppSheetDestination> shown_;
};

}  // namespace velkora
