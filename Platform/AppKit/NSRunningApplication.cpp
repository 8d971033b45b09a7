#include "AppKit/NSRunningApplication.h"

#include "DesktopEntryCatalog.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace platform {

namespace fs = std::filesystem;

namespace {

std::string readText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace

std::optional<NSRunningApplication> NSRunningApplication::withProcessIdentifier(pid_t pid)
{
    if (pid <= 0) {
        return std::nullopt;
    }
    const fs::path process = fs::path("/proc") / std::to_string(pid);
    std::error_code error;
    const fs::path executable = fs::read_symlink(process / "exe", error);
    const std::string commandLine = readText(process / "cmdline");
    const std::string argument0 = commandLine.substr(0, commandLine.find('\0'));
    std::string command = readText(process / "comm");
    if (!command.empty() && command.back() == '\n') {
        command.pop_back();
    }
    if (executable.empty() && argument0.empty()) {
        return std::nullopt;  // gone, or a kernel thread
    }

    for (const DesktopEntry& entry : DesktopEntryCatalog::entries()) {
        bool matches = false;
        if (entry.program.find('/') != std::string::npos) {
            const fs::path program = fs::weakly_canonical(entry.program, error);
            matches = (!executable.empty() && program == executable) || entry.program == argument0;
        } else {
            matches = (!executable.empty() && executable.filename() == entry.program) ||
                      (!argument0.empty() && fs::path(argument0).filename() == entry.program) ||
                      command == entry.program;
        }
        if (matches) {
            return NSRunningApplication(pid, entry.name, entry.icon);
        }
    }
    return std::nullopt;
}

}  // namespace platform
