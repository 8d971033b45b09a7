#include "Log/Logger.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace platform {

namespace {

const char* levelName(LogLevel level)
{
    switch (level) {
    case LogLevel::debug: return "debug";
    case LogLevel::info: return "info";
    case LogLevel::notice: return "notice";
    case LogLevel::error: return "error";
    case LogLevel::fault: return "fault";
    }
    return "info";
}

}  // namespace

Logger::Logger(std::string subsystem, std::string category)
    : subsystem_(std::move(subsystem)), category_(std::move(category))
{
}

bool Logger::enabled(LogLevel level)
{
    if (level != LogLevel::debug) {
        return true;
    }
    const char* wanted = std::getenv("VELKORA_LOG_LEVEL");
    return wanted != nullptr && std::strcmp(wanted, "debug") == 0;
}

std::string Logger::withoutPrivacyMarkers(const char* format)
{
    std::string out(format);
    for (const std::string_view marker : {std::string_view("{public}"), std::string_view("{private}")}) {
        for (size_t at = out.find(marker); at != std::string::npos; at = out.find(marker, at)) {
            out.erase(at, marker.size());
        }
    }
    return out;
}

void Logger::write(LogLevel level, const std::string& message) const
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &utc);
    // One fprintf per line keeps lines from concurrent threads whole.
    std::fprintf(stderr, "%s.%03dZ [%d] %s %s:%s %s\n", stamp, static_cast<int>(millis), static_cast<int>(getpid()),
                 levelName(level), subsystem_.c_str(), category_.c_str(), message.c_str());
}

}  // namespace platform
