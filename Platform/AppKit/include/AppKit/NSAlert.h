#pragma once

#include <exception>
#include <string>

namespace platform {

// A modal alert that tells the user about an error.
class NSAlert {
public:
    // The alert's message is the error's description.
    static NSAlert alertWithError(const std::exception& error);

    const std::string& messageText() const { return messageText_; }

    // Shows the alert and returns when the user dismissed it: a message box in
    // an application with widgets; elsewhere (no display to show it on) the
    // message goes to the log.
    void runModal() const;

private:
    explicit NSAlert(std::string messageText) : messageText_(std::move(messageText)) {}

    std::string messageText_;
};

}  // namespace platform
