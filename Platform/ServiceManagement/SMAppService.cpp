#include "ServiceManagement/SMAppService.h"

#include "Foundation/Bundle.h"
#include "Foundation/NSError.h"
#include "Foundation/SimulatedRoot.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr const char* kDefaultIdentifier = "com.velkora.app";

// Quoting of one argument of an Exec key, as desktop entries require it.
std::string execArgument(const std::string& argument)
{
    std::string out = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

// Writes `text` to `path` through a temporary file in the same folder, so
// that the entry is either the old or the new one.
void writeAtomically(const fs::path& path, const std::string& text)
{
    const std::string temporary = path.string() + ".XXXXXX";
    std::string pattern = temporary;
    const int fd = mkstemp(pattern.data());
    if (fd < 0) {
        const int code = errno;
        throw NSError::posix(code, "Cannot create " + temporary);
    }
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t chunk = write(fd, text.data() + written, text.size() - written);
        if (chunk < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int code = errno;
            close(fd);
            unlink(pattern.c_str());
            throw NSError::posix(code, "Cannot write " + path.string());
        }
        written += static_cast<size_t>(chunk);
    }
    fchmod(fd, 0644);
    if (fsync(fd) != 0 || close(fd) != 0 || rename(pattern.c_str(), path.c_str()) != 0) {
        const int code = errno;
        unlink(pattern.c_str());
        throw NSError::posix(code, "Cannot write " + path.string());
    }
}

}  // namespace

std::shared_ptr<SMAppService> SMAppService::mainApp()
{
    const Bundle& bundle = Bundle::main();
    std::error_code error;
    fs::path executable = fs::canonical("/proc/self/exe", error);
    return std::make_shared<SMLoginItemService>(bundle.bundleIdentifier().value_or(kDefaultIdentifier),
                                                std::move(executable));
}

SMLoginItemService::SMLoginItemService(std::string identifier, fs::path executable)
    : identifier_(std::move(identifier)), executable_(std::move(executable))
{
}

fs::path SMLoginItemService::entryPath() const
{
    return SimulatedRoot::homeDirectory() / ".config" / "autostart" / (identifier_ + ".desktop");
}

void SMLoginItemService::registerService()
{
    const fs::path path = entryPath();
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) {
        throw NSError::posix(error.value(), "Cannot create " + path.parent_path().string());
    }
    std::ostringstream entry;
    entry << "[Desktop Entry]\n"
          << "Type=Application\n"
          << "Name=" << executable_.stem().string() << "\n"
          << "Exec=env " << execArgument("SIMMAC_ROOT=" + SimulatedRoot::directory().string()) << ' '
          << execArgument(executable_.string()) << "\n"
          << "X-GNOME-Autostart-enabled=true\n";
    writeAtomically(path, entry.str());
}

void SMLoginItemService::unregisterService()
{
    const fs::path path = entryPath();
    if (unlink(path.c_str()) != 0 && errno != ENOENT) {
        const int code = errno;
        throw NSError::posix(code, "Cannot remove " + path.string());
    }
}

SMAppService::Status SMLoginItemService::status() const
{
    std::error_code error;
    return fs::is_regular_file(entryPath(), error) ? Status::enabled : Status::notRegistered;
}

}  // namespace platform
