#pragma once

namespace velkora {

// Checks that the application is complete, correctly signed and where it
// must be to enable its daemon, and installs it there. Synchronous; called on
// the main thread. Failures throw AppInstallationError, or the platform's own
// errors for files (std::filesystem::filesystem_error) and property lists
// (platform::NSError).
class AppInstallation {
public:
    AppInstallation() = delete;

    // Whether the running bundle is the one at AppIdentity::expectedAppURL(),
    // symbolic links and "." or ".." components aside.
    static bool isAtExpectedLocation();

    // The running bundle must be at the expected location, signed by the
    // maker's team, and carry a signed daemon and the daemon's launchd
    // property list stamped with this build.
    static void validateCurrentBundle();

    // Checks the running bundle (wherever it is), copies it over any copy at
    // the expected location that is signed like it, or into an empty place,
    // and opens the installed copy. When it has started, this application
    // terminates (through the Qt application's event loop); when it cannot
    // start, an alert says why and this copy keeps running.
    static void installAndRelaunch();
};

}  // namespace velkora
