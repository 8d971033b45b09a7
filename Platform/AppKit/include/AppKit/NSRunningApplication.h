#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace platform {

// A running application, found by process identifier. A process counts as an
// application when an XDG desktop entry (Type=Application, not Hidden) names
// its program, by absolute path or by file name, in TryExec or Exec; the entry
// gives the name (Name, in the user's language where the entry has it) and
// the icon (the Icon key: a theme icon name or an image path).
class NSRunningApplication {
public:
    static std::optional<NSRunningApplication> withProcessIdentifier(pid_t pid);

    pid_t processIdentifier() const { return processIdentifier_; }
    const std::optional<std::string>& localizedName() const { return localizedName_; }
    const std::optional<std::string>& icon() const { return icon_; }

private:
    NSRunningApplication(pid_t pid, std::optional<std::string> name, std::optional<std::string> icon)
        : processIdentifier_(pid), localizedName_(std::move(name)), icon_(std::move(icon))
    {
    }

    pid_t processIdentifier_;
    std::optional<std::string> localizedName_;
    std::optional<std::string> icon_;
};

}  // namespace platform
