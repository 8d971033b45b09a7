#include <VelkoraCore/CodingError.h>

#include <utility>

namespace velkora {

CodingError::CodingError(std::vector<std::string> codingPath, std::string debugDescription)
    : std::runtime_error(describe(codingPath, debugDescription)),
      codingPath_(std::move(codingPath)),
      debugDescription_(std::move(debugDescription))
{
}

std::string CodingError::describe(const std::vector<std::string>& codingPath, const std::string& debugDescription)
{
    if (codingPath.empty()) {
        return debugDescription;
    }
    std::string text;
    for (const std::string& key : codingPath) {
        if (!text.empty()) {
            text += '.';
        }
        text += key;
    }
    return text + ": " + debugDescription;
}

EncodingError::EncodingError(std::vector<std::string> codingPath, std::string debugDescription)
    : CodingError(std::move(codingPath), std::move(debugDescription))
{
}

EncodingError EncodingError::prepending(const std::string& key) const
{
    std::vector<std::string> path{key};
    path.insert(path.end(), codingPath().begin(), codingPath().end());
    return EncodingError(std::move(path), debugDescription());
}

DecodingError::DecodingError(Kind kind, std::vector<std::string> codingPath, std::string debugDescription)
    : CodingError(std::move(codingPath), std::move(debugDescription)), kind_(kind)
{
}

DecodingError DecodingError::prepending(const std::string& key) const
{
    std::vector<std::string> path{key};
    path.insert(path.end(), codingPath().begin(), codingPath().end());
    return DecodingError(kind_, std::move(path), debugDescription());
}

}  // namespace velkora
