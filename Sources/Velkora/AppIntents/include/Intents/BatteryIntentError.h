#pragma once

#include <QString>

#include <exception>
#include <string>

namespace velkora {

// Why a Shortcuts action does not run: this Mac has no built-in battery. Its
// description is in the application's language.
class BatteryIntentError : public std::exception {
public:
    enum class Kind { noBuiltInBattery };

    static BatteryIntentError noBuiltInBattery();

    Kind kind() const { return kind_; }
    QString errorDescription() const;
    const char* what() const noexcept override { return description_.c_str(); }

private:
    explicit BatteryIntentError(Kind kind);

    Kind kind_;
    std::string description_;
};

}  // namespace velkora
