#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace platform {

// A running application, found by process identifier. A process counts as an
// application when an XDG desktop entry (Type=Application, not Hidden) names
// its program, by absolute path or by file name, in TryExec or Exec; the entry
// gives the name (Name, in the user's language where the entry has it) and
// the icon (the Icon key: a theme icon name or an image path). Applications
// that announced themselves to the workspace (NSApplication::finishLaunching)
// come with their bundle identifier and name instead; the workspace's
// notifications carry those.
class NSRunningApplication {
public:
    static std::optional<NSRunningApplication> withProcessIdentifier(pid_t pid);

    // An application as the workspace announced it.
    static NSRunningApplication announced(pid_t pid, std::string bundleIdentifier, std::string name)
    {
        return NSRunningApplication(pid, std::move(name), std::nullopt, std::move(bundleIdentifier));
    }

    pid_t processIdentifier() const { return processIdentifier_; }
    const std::optional<std::string>& localizedName() const { return localizedName_; }
    const std::optional<std::string>& icon() const { return icon_; }
    const std::optional<std::string>& bundleIdentifier() const { return bundleIdentifier_; }

private:
    NSRunningApplication(pid_t pid, std::optional<std::string> name, std::optional<std::string> icon,
                         std::optional<std::string> bundleIdentifier = std::nullopt)
        : processIdentifier_(pid),
          localizedName_(std::move(name)),
          icon_(std::move(icon)),
          bundleIdentifier_(std::move(bundleIdentifier))
    {
    }

    pid_t processIdentifier_;
    std::optional<std::string> localizedName_;
    std::optional<std::string> icon_;
    std::optional<std::string> bundleIdentifier_;
};

}  // namespace platform
