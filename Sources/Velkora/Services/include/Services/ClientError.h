#pragma once

#include <QString>

#include <exception>
#include <string>

namespace velkora {

// The daemon client's error. Its description is what the user is shown: the
// daemon's (or the transport's) own text for `remote`, the application's text
// in the user's language for the other two.
class ClientError : public std::exception {
public:
    enum class Kind { remote, connectionUnavailable, invalidResponse };

    static ClientError remote(std::string text);
    static ClientError connectionUnavailable();
    static ClientError invalidResponse();

    Kind kind() const { return kind_; }
    // The payload of `remote`; empty for the other cases.
    const std::string& remoteText() const { return remoteText_; }

    QString errorDescription() const { return QString::fromStdString(description_); }
    const char* what() const noexcept override { return description_.c_str(); }

    bool operator==(const ClientError& other) const
    {
        return kind_ == other.kind_ && remoteText_ == other.remoteText_;
    }

private:
    ClientError(Kind kind, std::string remoteText, std::string description);

    Kind kind_;
    std::string remoteText_;
    std::string description_;
};

}  // namespace velkora
