#pragma once

#include "FileDescriptor.h"

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// What the kernel says about a running process that decides whether the code
// it runs is still the code that was signed: nobody traces it, the loader was
// given no instructions, and every page of code it can execute comes from its
// own signed files or from the system's libraries, unmodified. Each question
// reads /proc afresh, bounded in size; the answers hold for the moment they
// were read, so callers ask again before trusting a later moment.
//
// Held through a pidfd taken when it is opened, so that a process identifier
// reused after the process ended is never mistaken for it.
class RunningProcess {
public:
    // Throws SecurityError: errSecCSNoSuchCode when there is no such process,
    // errSecCSInternalError when the kernel refuses a pidfd.
    explicit RunningProcess(pid_t pid);

    pid_t pid() const { return pid_; }

    // Whether the process has ended (its pidfd says so).
    bool hasExited() const;

    // Throws SecurityError (errSecCSNoSuchCode) once the process has ended.
    void requireRunning() const;

    // Each throws SecurityError (errSecCSGuestInvalid) saying what is wrong;
    // errSecCSNoSuchCode when the process is gone.
    //
    // A debugger or tracer is attached.
    void requireUntraced() const;
    // The environment the process started with names a loader variable
    // (LD_PRELOAD, LD_LIBRARY_PATH, LD_AUDIT and every other "LD_" name).
    void requireNoLoaderVariables() const;
    // The process sees another file system than ours, so the paths it reports
    // do not name the files we would check.
    void requireOurFileSystemView() const;
    // Executable memory that is anonymous, comes from a file outside
    // `ownCode` (a bundle folder, or the executable itself) and the
    // root-owned system library folders, or was written to since it was
    // mapped. `image` is the executable the process runs, which is allowed
    // wherever it lies.
    void requireOnlyTrustedCode(const std::filesystem::path& ownCode, dev_t imageDevice, ino_t imageInode) const;

private:
    std::string readProcFile(const char* entry, std::size_t limit) const;
    std::filesystem::path procPath(const char* entry) const;

    pid_t pid_;
    FileDescriptor pidfd_;
};

}  // namespace platform
