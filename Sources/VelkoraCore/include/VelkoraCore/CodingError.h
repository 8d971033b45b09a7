#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace velkora {

// A failure to turn a shared value into JSON or back. `codingPath` names the
// members leading to the failing one, outermost first; `what()` is the text a
// peer or the user is shown: the description alone at the top level, else the
// dotted path followed by the description.
class CodingError : public std::runtime_error {
public:
    const std::vector<std::string>& codingPath() const { return codingPath_; }
    const std::string& debugDescription() const { return debugDescription_; }

protected:
    CodingError(std::vector<std::string> codingPath, std::string debugDescription);

private:
    static std::string describe(const std::vector<std::string>& codingPath, const std::string& debugDescription);

    std::vector<std::string> codingPath_;
    std::string debugDescription_;
};

class EncodingError : public CodingError {
public:
    EncodingError(std::vector<std::string> codingPath, std::string debugDescription);

    // The same failure seen one member further out.
    EncodingError prepending(const std::string& key) const;
};

class DecodingError : public CodingError {
public:
    enum class Kind {
        keyNotFound,    // a required member is missing
        valueNotFound,  // a required member is null
        typeMismatch,   // a member holds another JSON type or shape
        dataCorrupted,  // not JSON, too large or deep, or a value no case or range admits
    };

    DecodingError(Kind kind, std::vector<std::string> codingPath, std::string debugDescription);

    Kind kind() const { return kind_; }

    // The same failure seen one member further out.
    DecodingError prepending(const std::string& key) const;

private:
    Kind kind_;
};

}  // namespace velkora
