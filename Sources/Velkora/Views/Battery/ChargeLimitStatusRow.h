#pragma once

#include "VisualKit/ViewEnvironment.h"

#include "Services/HelperStatus.h"

#include <QString>
#include <QWidget>

namespace velkora {

class SymbolView;
class VelkoraButton;
class VelkoraLabel;

// The one line under the charge-limit control's presets that says why the
// limit cannot be changed or why the last change failed. In this order:
//   failure  the model's charge-limit message, verbatim, with a recovery
//            hint and a button that retries or repairs (orange card)
//   update   the helper needs an update
//   offline  the helper is offline and recovering
//   service  the helper is anything else but enabled
//   hint     the full layout's note that a drag only previews
//   none     the compact layout with everything in order
// The helper rows' button is the model's primary helper action; the failure
// row's is resolveChargeLimitFailure(), disabled while the helper is busy.
// Main thread only; the control calls refresh() whenever the model changes.
class ChargeLimitStatusRow : public QWidget {
    Q_OBJECT
public:
    enum class Kind { none, failure, update, offline, service, hint };

    ChargeLimitStatusRow(const ViewEnvironment& environment, bool compact, QWidget* parent = nullptr);

    void refresh();
    Kind kind() const { return kind_; }

    // The row the model's state asks for.
    static Kind kindFor(const AppModel& model, bool compact);
    // The failure row's second line and button, by the helper's state.
    static QString limitRecoveryHint(const HelperStatus& status);
    static QString limitRecoveryActionTitle(bool helperNeedsUpdate, const HelperStatus& status);

    // What the row shows now (its parts are hidden when not in use).
    VelkoraLabel* messageLabel() const { return message_; }
    VelkoraLabel* detailLabel() const { return detail_; }
    VelkoraButton* actionButton() const;

private:
    void showFailure(const QString& message);
    void showHelperRow(const QString& symbol, const QString& text, const QString& action, bool prominent);

    ViewEnvironment environment_;
    bool compact_;
    Kind kind_ = Kind::none;
    // Failure: an orange card of its own.
    QWidget* failure_;
    VelkoraLabel* message_;
    VelkoraLabel* detail_;
    VelkoraButton* failureButton_;
    // Update, offline and service.
    QWidget* helperRow_;
    SymbolView* helperSymbol_;
    VelkoraLabel* helperText_;
    VelkoraButton* helperButton_;
    VelkoraButton* helperProminentButton_;
    // The full layout's note.
    VelkoraLabel* hint_;
};

}  // namespace velkora
