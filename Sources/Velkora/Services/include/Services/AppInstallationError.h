#pragma once

#include <QString>

#include <exception>
#include <string>

namespace velkora {

// Why the application cannot enable its daemon from where it is, or cannot
// install itself. The description is in the user's language.
class AppInstallationError : public std::exception {
public:
    enum class Kind { missingComponent, invalidSignature, invalidLocation, destinationNotTrusted };

    // `component` names what is missing or wrong.
    static AppInstallationError missingComponent(std::string component);
    // `step` names the code-signing step that failed, with its status.
    static AppInstallationError invalidSignature(std::string step);
    static AppInstallationError invalidLocation();
    static AppInstallationError destinationNotTrusted();

    // The payload of a missing component whose launchd property list does not
    // describe this build's daemon, in the user's language.
    static std::string manifestMismatch();

    Kind kind() const { return kind_; }
    // The component or the step; empty for the other cases.
    const std::string& payload() const { return payload_; }

    QString errorDescription() const { return QString::fromStdString(description_); }
    const char* what() const noexcept override { return description_.c_str(); }

    bool operator==(const AppInstallationError& other) const
    {
        return kind_ == other.kind_ && payload_ == other.payload_;
    }

private:
    AppInstallationError(Kind kind, std::string payload);

    Kind kind_;
    std::string payload_;
    std::string description_;
};

}  // namespace velkora
