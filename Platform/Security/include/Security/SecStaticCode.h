#pragma once

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <optional>

namespace platform {
struct CodeSignature;
class RunningProcess;
}

// Code at rest: a bundle folder ("X.app", sealed as a whole by
// "Contents/_CodeSignature/CodeResources", its main executable being the one
// file in "Contents/MacOS") or a lone executable carrying its own signature.
// Errors are thrown as platform::SecurityError.
class SecStaticCode {
public:
    enum class Format { executable, bundle };

    SecStaticCode(std::filesystem::path path, Format format);
    virtual ~SecStaticCode();
    SecStaticCode(const SecStaticCode&) = delete;
    SecStaticCode& operator=(const SecStaticCode&) = delete;

    // A folder is a bundle; so is an executable at "<X>.app/Contents/MacOS/<name>",
    // which stands for its bundle; any other file is a lone executable.
    // Throws errSecCSStaticCodeNotFound or errSecCSBadObjectFormat.
    static std::shared_ptr<const SecStaticCode> atPath(const std::filesystem::path& path);

    // The bundle an executable at "<X>.app/Contents/MacOS/<name>" belongs to.
    static std::optional<std::filesystem::path> bundleContaining(const std::filesystem::path& executable);

    // The bundle folder or the executable.
    const std::filesystem::path& path() const { return path_; }
    Format format() const { return format_; }

    // The signature record as stored, without checking it (errSecCSUnsigned when there is none).
    platform::CodeSignature recordedSignature() const;

    // The record after checking its chain and signature and every digest it
    // holds against the code as it is now. Throws errSecCSUnsigned,
    // errSecCSSignatureFailed (record, chain, signature or main executable
    // changed), errSecCSBadResource (another file of a bundle changed, was
    // added or removed).
    platform::CodeSignature validatedSignature() const;

protected:
    // A descriptor, owned by the caller, for the main executable whose path is
    // given: the file itself for code at rest.
    virtual int openMainExecutable(const std::filesystem::path& file) const;

private:
    std::filesystem::path path_;
    Format format_;
};

// Running code: process `pid` and the executable image it ran when it was
// looked up, held open so that a check reads that image even if the path has
// since been replaced. The process itself is held too, so that its identifier
// cannot come to name another process unnoticed.
class SecCode : public SecStaticCode {
public:
    // Through /proc/<pid>/exe. Throws errSecCSInvalidAttributeValues for
    // pid < 1, errSecCSNoSuchCode when there is no such process, and
    // errSecCSGuestInvalid when its executable cannot be read.
    static std::shared_ptr<const SecCode> forProcess(pid_t pid);

    ~SecCode() override;

    pid_t pid() const { return pid_; }

    // Throws errSecCSNoSuchCode when the process has gone, errSecCSGuestInvalid
    // when it now runs another executable.
    void checkStillRunning() const;

    // What the kernel shows of the process must let its signed code be the
    // only code it runs: checkStillRunning, and no tracer, no loader
    // variables in the environment it started with, the same view of the file
    // system as ours, and executable memory only from its own signed files and
    // the root-owned system libraries, unmodified. Throws errSecCSNoSuchCode
    // or errSecCSGuestInvalid saying what was found.
    void checkDynamicValidity() const;

protected:
    int openMainExecutable(const std::filesystem::path& file) const override;

private:
    SecCode(std::unique_ptr<platform::RunningProcess> process, int image, std::filesystem::path path, Format format);

    pid_t pid_;
    std::unique_ptr<platform::RunningProcess> process_;
    int image_;
};
