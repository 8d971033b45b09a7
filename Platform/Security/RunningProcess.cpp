#include "RunningProcess.h"

#include "Security/SecurityError.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <set>
#include <string_view>

namespace platform {

namespace {

// Far above what any process of ours shows: a larger file means a process
// built to make the check slow, and it is refused rather than read on.
constexpr std::size_t statusLimit = 64 * 1024;
constexpr std::size_t environmentLimit = 1024 * 1024;
constexpr std::size_t mappingsLimit = 16 * 1024 * 1024;

// Where the system keeps its shared libraries. Only root can put code there,
// which is also checked file by file.
constexpr std::string_view systemLibraryFolders[] = {"/usr/lib/", "/usr/lib64/", "/lib/", "/lib64/"};

std::string describeErrno(int error)
{
    return std::strerror(error);
}

SecurityError guestInvalid(pid_t pid, const std::string& why)
{
    return SecurityError(errSecCSGuestInvalid, "process " + std::to_string(pid) + " " + why);
}

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// Owned by root and writable by nobody else, and so is every folder above it.
bool rootOwnedUpToTheTop(const std::filesystem::path& file, std::set<std::string>& trustedFolders)
{
    struct stat status {};
    if (lstat(file.c_str(), &status) != 0 || status.st_uid != 0 || (status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return false;
    }
    for (std::filesystem::path folder = file.parent_path(); !folder.empty(); folder = folder.parent_path()) {
        if (trustedFolders.contains(folder.string())) {
            return true;
        }
        if (lstat(folder.c_str(), &status) != 0 || status.st_uid != 0 ||
            (status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
            return false;
        }
        trustedFolders.insert(folder.string());
        if (folder == folder.root_path()) {
            return true;
        }
    }
    return false;
}

struct Mapping {
    std::string_view range;
    bool executable = false;
    dev_t device = 0;
    ino_t inode = 0;
    std::string_view path;
};

std::string_view nextField(std::string_view& line)
{
    const std::size_t start = line.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        line = {};
        return {};
    }
    line.remove_prefix(start);
    const std::size_t end = line.find(' ');
    const std::string_view field = line.substr(0, end);
    line.remove_prefix(end == std::string_view::npos ? line.size() : end);
    return field;
}

template <typename Number>
bool parseNumber(std::string_view text, Number& value, int base)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

// "start-end perms offset major:minor inode   path"
std::optional<Mapping> parseMappingHeader(std::string_view line)
{
    Mapping mapping;
    mapping.range = nextField(line);
    const std::string_view permissions = nextField(line);
    nextField(line);
    const std::string_view device = nextField(line);
    const std::string_view inode = nextField(line);
    if (mapping.range.find('-') == std::string_view::npos || permissions.size() < 4 || inode.empty()) {
        return std::nullopt;
    }
    const std::size_t colon = device.find(':');
    unsigned major = 0;
    unsigned minor = 0;
    unsigned long long inodeNumber = 0;
    if (colon == std::string_view::npos || !parseNumber(device.substr(0, colon), major, 16) ||
        !parseNumber(device.substr(colon + 1), minor, 16) || !parseNumber(inode, inodeNumber, 10)) {
        return std::nullopt;
    }
    mapping.executable = permissions[2] == 'x';
    mapping.device = makedev(major, minor);
    mapping.inode = static_cast<ino_t>(inodeNumber);
    const std::size_t pathStart = line.find_first_not_of(' ');
    mapping.path = pathStart == std::string_view::npos ? std::string_view() : line.substr(pathStart);
    return mapping;
}

}  // namespace

RunningProcess::RunningProcess(pid_t pid) : pid_(pid)
{
    const long descriptor = syscall(SYS_pidfd_open, pid, 0);
    if (descriptor < 0) {
        const int error = errno;
        if (error == ESRCH) {
            throw SecurityError(errSecCSNoSuchCode, "there is no process " + std::to_string(pid));
        }
        throw SecurityError(errSecCSInternalError,
                            "cannot hold on to process " + std::to_string(pid) + ": " + describeErrno(error));
    }
    pidfd_ = FileDescriptor(static_cast<int>(descriptor));
    fcntl(pidfd_.get(), F_SETFD, FD_CLOEXEC);
}

bool RunningProcess::hasExited() const
{
    pollfd entry{pidfd_.get(), POLLIN, 0};
    return poll(&entry, 1, 0) != 0;
}

void RunningProcess::requireRunning() const
{
    if (hasExited()) {
        throw SecurityError(errSecCSNoSuchCode, "process " + std::to_string(pid_) + " has exited");
    }
}

std::filesystem::path RunningProcess::procPath(const char* entry) const
{
    return std::filesystem::path("/proc") / std::to_string(pid_) / entry;
}

std::string RunningProcess::readProcFile(const char* entry, std::size_t limit) const
{
    const std::filesystem::path path = procPath(entry);
    const FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file.isOpen()) {
        const int error = errno;
        requireRunning();
        throw guestInvalid(pid_, "cannot be inspected (" + path.string() + ": " + describeErrno(error) + ")");
    }
    std::string contents;
    char buffer[16 * 1024];
    for (;;) {
        const ssize_t got = read(file.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const int error = errno;
            requireRunning();
            throw guestInvalid(pid_, "cannot be inspected (" + path.string() + ": " + describeErrno(error) + ")");
        }
        if (got == 0) {
            break;
        }
        if (contents.size() + static_cast<std::size_t>(got) > limit) {
            throw guestInvalid(pid_, "shows more than " + std::to_string(limit) + " bytes in " + path.string() +
                                         ", too much to inspect");
        }
        contents.append(buffer, static_cast<std::size_t>(got));
    }
    // Until now the identifier might have named a newer process.
    requireRunning();
    return contents;
}

void RunningProcess::requireUntraced() const
{
    const std::string status = readProcFile("status", statusLimit);
    constexpr std::string_view field = "\nTracerPid:";
    const std::size_t found = status.find(field);
    if (found == std::string::npos) {
        throw guestInvalid(pid_, "does not say whether it is traced");
    }
    std::string_view rest = std::string_view(status).substr(found + field.size());
    rest = rest.substr(0, rest.find('\n'));
    rest.remove_prefix(std::min(rest.find_first_not_of(" \t"), rest.size()));
    if (rest != "0") {
        throw guestInvalid(pid_, "is traced by process " + std::string(rest));
    }
}

void RunningProcess::requireNoLoaderVariables() const
{
    const std::string environment = readProcFile("environ", environmentLimit);
    std::string_view rest(environment);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\0');
        const std::string_view entry = rest.substr(0, end);
        if (startsWith(entry, "LD_")) {
            throw guestInvalid(pid_, "was started with the loader variable " +
                                         std::string(entry.substr(0, entry.find('='))));
        }
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
}

void RunningProcess::requireOurFileSystemView() const
{
    struct stat theirs {};
    struct stat ours {};
    if (stat(procPath("ns/mnt").c_str(), &theirs) != 0 || stat("/proc/self/ns/mnt", &ours) != 0) {
        requireRunning();
        throw guestInvalid(pid_, "cannot be inspected (its mount namespace: " + describeErrno(errno) + ")");
    }
    if (theirs.st_dev != ours.st_dev || theirs.st_ino != ours.st_ino) {
        throw guestInvalid(pid_, "runs in a mount namespace of its own");
    }
    char root[PATH_MAX];
    const ssize_t length = readlink(procPath("root").c_str(), root, sizeof root);
    if (length < 0) {
        requireRunning();
        throw guestInvalid(pid_, "cannot be inspected (its root folder: " + describeErrno(errno) + ")");
    }
    if (std::string_view(root, static_cast<std::size_t>(length)) != "/") {
        throw guestInvalid(pid_, "runs with the root folder " + std::string(root, static_cast<std::size_t>(length)));
    }
    requireRunning();
}

void RunningProcess::requireOnlyTrustedCode(const std::filesystem::path& ownCode, dev_t imageDevice,
                                            ino_t imageInode) const
{
    const std::string mappings = readProcFile("smaps", mappingsLimit);
    const std::string ownFolder = ownCode.string() + "/";
    std::set<std::string> trustedFolders;
    std::optional<Mapping> current;
    std::string_view rest(mappings);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        const std::string_view firstField = line.substr(0, line.find(' '));
        if (!firstField.empty() && firstField.back() == ':') {
            // An attribute of the mapping above: pages of code that were
            // written to since they were mapped no longer hold the file's code.
            if (current && current->executable && firstField == "Anonymous:") {
                std::string_view size = line.substr(firstField.size());
                size = size.substr(std::min(size.find_first_not_of(' '), size.size()));
                if (!startsWith(size, "0 ")) {
                    throw guestInvalid(pid_, "runs modified code at " + std::string(current->range) +
                                                 (current->path.empty() ? "" : " (" + std::string(current->path) + ")"));
                }
            }
            continue;
        }
        current = parseMappingHeader(line);
        if (!current) {
            throw guestInvalid(pid_, "shows a memory map that cannot be read");
        }
        if (!current->executable || current->path == "[vdso]" || current->path == "[vsyscall]") {
            continue;
        }
        if (current->path.empty() || current->path.front() != '/') {
            throw guestInvalid(pid_, "runs anonymous executable memory at " + std::string(current->range));
        }
        if (current->device == imageDevice && current->inode == imageInode) {
            continue;
        }
        const std::string path(current->path);
        if (path.ends_with(" (deleted)")) {
            throw guestInvalid(pid_, "runs code from the removed file " + path);
        }
        if (startsWith(path, ownFolder)) {
            continue;
        }
        bool systemLibrary = false;
        for (const std::string_view folder : systemLibraryFolders) {
            systemLibrary = systemLibrary || startsWith(path, folder);
        }
        if (!systemLibrary || !rootOwnedUpToTheTop(path, trustedFolders)) {
            throw guestInvalid(pid_, "runs code from " + path +
                                         ", which is neither its signed code nor a system library");
        }
    }
    requireRunning();
}

}  // namespace platform
