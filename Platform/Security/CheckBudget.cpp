#include "CheckBudget.h"

#include "Security/SecurityError.h"

namespace platform {

CheckBudget::CheckBudget(std::chrono::steady_clock::duration timeLimit, std::uint64_t byteLimit,
                         std::uint64_t fileLimit)
    : deadline_(std::chrono::steady_clock::now() + timeLimit),
      timeLimit_(timeLimit),
      bytesLeft_(byteLimit),
      byteLimit_(byteLimit),
      filesLeft_(fileLimit),
      fileLimit_(fileLimit)
{
}

void CheckBudget::spendBytes(std::uint64_t count, const std::string& what)
{
    checkTime();
    if (count > bytesLeft_) {
        throw SecurityError(errSecCSInternalError, "checking " + what + " would read more than the " +
                                                       std::to_string(byteLimit_) + " bytes a check may read");
    }
    bytesLeft_ -= count;
}

void CheckBudget::spendFile()
{
    checkTime();
    if (filesLeft_ == 0) {
        throw SecurityError(errSecCSInternalError,
                            "the code has more than the " + std::to_string(fileLimit_) + " files a check may look at");
    }
    --filesLeft_;
}

void CheckBudget::checkTime() const
{
    if (std::chrono::steady_clock::now() > deadline_) {
        const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(timeLimit_).count();
        throw SecurityError(errSecCSInternalError,
                            "the check took longer than the " + std::to_string(milliseconds) + " ms it may take");
    }
}

}  // namespace platform
