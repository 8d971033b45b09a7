#pragma once

#include <QString>

namespace velkora {

// The helper daemon's state as the application shows it: a title, the label
// of the primary action and whether work is in progress. Texts follow the
// user's language (AppLanguage); a title never includes the message.
class HelperStatus {
public:
    enum class Kind {
        repairFailed,
        unavailable,
        unsupportedDevice,
        notInstalled,
        requiresApproval,
        starting,
        enabled,
        versionMismatch,
        repairing,
        invalidLocation,
        offline,
    };

    // A repair of the helper failed; `message` says why.
    static HelperStatus repairFailed(QString message);
    // The helper cannot be used (for example the installation is invalid); `message` says why.
    static HelperStatus unavailable(QString message);
    static HelperStatus unsupportedDevice();
    static HelperStatus notInstalled();
    static HelperStatus requiresApproval();
    static HelperStatus starting();
    static HelperStatus enabled();
    static HelperStatus versionMismatch();
    static HelperStatus repairing();
    static HelperStatus invalidLocation();
    static HelperStatus offline();

    Kind kind() const { return kind_; }
    // The reason carried by repairFailed and unavailable; empty for the others.
    const QString& message() const { return message_; }

    QString title() const;
    QString actionTitle() const;
    bool isBusy() const;

    // Same case and, for repairFailed and unavailable, the same message.
    bool operator==(const HelperStatus& other) const = default;

private:
    HelperStatus(Kind kind, QString message = {});

    Kind kind_;
    QString message_;
};

}  // namespace velkora
