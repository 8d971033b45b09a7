// Loaded with LD_PRELOAD into the real application, this runs the
// application's own check of its bundle in the application's process (its
// main bundle is the one the process runs from) and ends the process before
// the application's main starts, printing the verdict.

#include "Foundation/NSError.h"
#include "Services/AppInstallation.h"
#include "Services/AppInstallationError.h"

#include <unistd.h>

#include <cstdio>
#include <exception>
#include <string>

namespace {

[[gnu::constructor]] void validateBeforeMain()
{
    int status = 1;
    std::string verdict;
    try {
        velkora::AppInstallation::validateCurrentBundle();
        verdict = "valid";
        status = 0;
    } catch (const velkora::AppInstallationError& error) {
        verdict = std::string("AppInstallationError: ") + error.what();
    } catch (const platform::NSError& error) {
        verdict = "NSError " + error.domain() + " " + std::to_string(error.code()) + ": " +
                  error.localizedDescription();
    } catch (const std::exception& error) {
        verdict = std::string("error: ") + error.what();
    }
    std::printf("%s\n", verdict.c_str());
    std::fflush(stdout);
    ::_exit(status);
}

}  // namespace
