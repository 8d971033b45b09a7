#pragma once

#include "Foundation/NSError.h"

#include <filesystem>
#include <functional>
#include <optional>

namespace platform {

struct NSWorkspaceOpenConfiguration {
    // Whether the application comes to the front. A newly started application
    // on a Linux desktop always does.
    bool activates = true;
};

// Opens applications: the main executable of a bundle starts as a process of
// its own, in this process's environment and its own session, and outlives
// this process.
class NSWorkspace {
public:
    using OpenCompletion = std::function<void(std::optional<NSError> error)>;

    static NSWorkspace& shared();

    // `completion` runs on a thread of its own once the process has started,
    // or with the error that kept it from starting. The main executable is
    // the Info.plist's CFBundleExecutable in Contents/MacOS, or else the one
    // file there.
    void openApplication(const std::filesystem::path& bundle, const NSWorkspaceOpenConfiguration& configuration,
                         OpenCompletion completion);

private:
    NSWorkspace() = default;
};

}  // namespace platform
