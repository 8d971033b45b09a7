#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <type_traits>

namespace platform {

enum class LogLevel { debug, info, notice, error, fault };

// The unified-log facade: a subsystem and a category per component, printf-style
// formats as the system log takes them ("%{public}s" is accepted and printed as
// "%s"). Lines go to stderr; debug lines only when VELKORA_LOG_LEVEL=debug.
class Logger {
public:
    Logger(std::string subsystem, std::string category);

    template <typename... Args>
    void debug(const char* format, const Args&... args) const { log(LogLevel::debug, format, args...); }
    template <typename... Args>
    void info(const char* format, const Args&... args) const { log(LogLevel::info, format, args...); }
    template <typename... Args>
    void notice(const char* format, const Args&... args) const { log(LogLevel::notice, format, args...); }
    template <typename... Args>
    void error(const char* format, const Args&... args) const { log(LogLevel::error, format, args...); }
    template <typename... Args>
    void fault(const char* format, const Args&... args) const { log(LogLevel::fault, format, args...); }

    template <typename... Args>
    void log(LogLevel level, const char* format, const Args&... args) const
    {
        if (!enabled(level)) {
            return;
        }
        const std::string plainFormat = withoutPrivacyMarkers(format);
        std::string message;
        if constexpr (sizeof...(Args) == 0) {
            message = plainFormat;
        } else {
            message = render(plainFormat.c_str(), argument(args)...);
        }
        write(level, message);
    }

    const std::string& subsystem() const { return subsystem_; }
    const std::string& category() const { return category_; }

private:
    template <typename T>
    static auto argument(const T& value)
    {
        if constexpr (std::is_convertible_v<const T&, std::string_view> && !std::is_pointer_v<T> &&
                      !std::is_array_v<T>) {
            return std::string(std::string_view(value));
        } else {
            return value;
        }
    }

    template <typename... Args>
    static std::string render(const char* format, const Args&... args)
    {
        const int length = std::snprintf(nullptr, 0, format, cString(args)...);
        if (length <= 0) {
            return format;
        }
        std::string out(static_cast<size_t>(length) + 1, '\0');
        std::snprintf(out.data(), out.size(), format, cString(args)...);
        out.resize(static_cast<size_t>(length));
        return out;
    }

    template <typename T>
    static auto cString(const T& value)
    {
        if constexpr (std::is_same_v<T, std::string>) {
            return value.c_str();
        } else {
            return value;
        }
    }

    static bool enabled(LogLevel level);
    static std::string withoutPrivacyMarkers(const char* format);
    void write(LogLevel level, const std::string& message) const;

    std::string subsystem_;
    std::string category_;
};

}  // namespace platform
