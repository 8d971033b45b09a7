#include "Security/SecStaticCode.h"

#include "BundleResources.h"
#include "CheckBudget.h"
#include "CodeSignature.h"
#include "EmbeddedSignature.h"
#include "FileDescriptor.h"
#include "RunningProcess.h"
#include "Security/SecurityError.h"
#include "Sha256.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string_view>

using platform::BundleResources;
using platform::CheckBudget;
using platform::CodeSignature;
using platform::EmbeddedSignature;
using platform::FileDescriptor;
using platform::RunningProcess;
using platform::SecurityError;
using platform::Sha256;

namespace {

// Far above any real record (the application's is a few kilobytes).
constexpr std::uint64_t codeResourcesLimit = 16 * 1024 * 1024;

std::string readCodeResources(const std::filesystem::path& bundle)
{
    const std::filesystem::path record = bundle / BundleResources::codeResourcesPath;
    FileDescriptor file;
    try {
        file = FileDescriptor::openForReading(record, FileDescriptor::Links::refuse);
    } catch (const SecurityError& error) {
        if (error.status() == errSecCSStaticCodeNotFound) {
            throw SecurityError(errSecCSUnsigned, "the bundle " + bundle.string() + " is not signed");
        }
        throw SecurityError(errSecCSSignatureFailed, "the signature record of " + bundle.string() +
                                                         " cannot be used: " + error.what());
    }
    const std::uint64_t size = file.size();
    if (size > codeResourcesLimit) {
        throw SecurityError(errSecCSSignatureFailed, "the signature record of " + bundle.string() + " is " +
                                                         std::to_string(size) + " bytes, more than a record can be");
    }
    std::string contents(static_cast<size_t>(size), '\0');
    size_t done = 0;
    while (done < contents.size()) {
        const ssize_t got = pread(file.get(), contents.data() + done, contents.size() - done, static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            throw SecurityError(errSecCSInternalError, "cannot read " + record.string());
        }
        done += static_cast<size_t>(got);
    }
    return contents;
}

void expectFormat(const CodeSignature& signature, SecStaticCode::Format format, const std::filesystem::path& path)
{
    const bool isBundle = format == SecStaticCode::Format::bundle;
    if ((signature.format == CodeSignature::Format::bundle) != isBundle) {
        throw SecurityError(errSecCSSignatureFailed, "the signature of " + path.string() + " was made for " +
                                                         (isBundle ? "an executable" : "a bundle"));
    }
}

std::filesystem::path procPath(pid_t pid, const char* entry)
{
    return std::filesystem::path("/proc") / std::to_string(pid) / entry;
}

}  // namespace

SecStaticCode::SecStaticCode(std::filesystem::path path, Format format) : path_(std::move(path)), format_(format) {}

SecStaticCode::~SecStaticCode() = default;

std::optional<std::filesystem::path> SecStaticCode::bundleContaining(const std::filesystem::path& executable)
{
    const std::filesystem::path macOS = executable.parent_path();
    const std::filesystem::path contents = macOS.parent_path();
    const std::filesystem::path bundle = contents.parent_path();
    if (macOS.filename() == "MacOS" && contents.filename() == "Contents" && bundle.extension() == ".app" &&
        bundle.has_stem()) {
        return bundle;
    }
    return std::nullopt;
}

std::shared_ptr<const SecStaticCode> SecStaticCode::atPath(const std::filesystem::path& path)
{
    std::filesystem::path location = std::filesystem::absolute(path).lexically_normal();
    if (!location.has_filename()) {
        location = location.parent_path();
    }
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(location, error);
    if (std::filesystem::is_directory(status)) {
        if (!std::filesystem::is_directory(location / "Contents")) {
            throw SecurityError(errSecCSBadObjectFormat,
                                location.string() + " is a folder without Contents, not a bundle");
        }
        return std::make_shared<SecStaticCode>(location, Format::bundle);
    }
    if (std::filesystem::is_regular_file(status)) {
        if (const std::optional<std::filesystem::path> bundle = bundleContaining(location)) {
            return std::make_shared<SecStaticCode>(*bundle, Format::bundle);
        }
        return std::make_shared<SecStaticCode>(location, Format::executable);
    }
    if (status.type() == std::filesystem::file_type::not_found) {
        throw SecurityError(errSecCSStaticCodeNotFound, "there is nothing at " + location.string());
    }
    throw SecurityError(errSecCSBadObjectFormat, location.string() + " is neither a file nor a folder");
}

int SecStaticCode::openMainExecutable(const std::filesystem::path& file) const
{
    // Inside a bundle the main executable must be the file itself, not a way out of it.
    return FileDescriptor::openForReading(file, format_ == Format::bundle ? FileDescriptor::Links::refuse
                                                                          : FileDescriptor::Links::follow)
        .release();
}

CodeSignature SecStaticCode::recordedSignature() const
{
    CodeSignature signature;
    if (format_ == Format::bundle) {
        signature = CodeSignature::parse(readCodeResources(path_));
    } else {
        const FileDescriptor file(openMainExecutable(path_));
        const EmbeddedSignature::Layout layout = EmbeddedSignature::read(file.get(), path_);
        if (!layout.record) {
            throw SecurityError(errSecCSUnsigned, "the executable " + path_.string() + " is not signed");
        }
        signature = CodeSignature::parse(*layout.record);
    }
    expectFormat(signature, format_, path_);
    return signature;
}

CodeSignature SecStaticCode::validatedSignature() const
{
    CheckBudget budget;
    if (format_ == Format::executable) {
        const FileDescriptor file(openMainExecutable(path_));
        const EmbeddedSignature::Layout layout = EmbeddedSignature::read(file.get(), path_);
        if (!layout.record) {
            throw SecurityError(errSecCSUnsigned, "the executable " + path_.string() + " is not signed");
        }
        CodeSignature signature = CodeSignature::parse(*layout.record);
        expectFormat(signature, format_, path_);
        signature.verifyIntegrity();
        if (Sha256::ofDescriptor(file.get(), layout.codeLength, path_, &budget) != signature.codeDigest) {
            throw SecurityError(errSecCSSignatureFailed,
                                "the executable " + path_.string() + " was modified after it was signed");
        }
        return signature;
    }

    CodeSignature signature = CodeSignature::parse(readCodeResources(path_));
    expectFormat(signature, format_, path_);
    signature.verifyIntegrity();
    if (!BundleResources::isMainExecutablePath(signature.mainExecutable)) {
        throw SecurityError(errSecCSSignatureFailed, "the signature of " + path_.string() +
                                                         " names no main executable in Contents/MacOS");
    }
    const std::filesystem::path mainExecutable = path_ / signature.mainExecutable;
    FileDescriptor file;
    try {
        file = FileDescriptor(openMainExecutable(mainExecutable));
    } catch (const SecurityError& error) {
        if (error.status() != errSecCSStaticCodeNotFound) {
            throw;
        }
        throw SecurityError(errSecCSBadResource, "the main executable " + signature.mainExecutable +
                                                     " is missing from " + path_.string());
    }
    if (Sha256::ofDescriptor(file.get(), file.size(), mainExecutable, &budget) != signature.codeDigest) {
        throw SecurityError(errSecCSSignatureFailed,
                            "the main executable of " + path_.string() + " was modified after it was signed");
    }
    BundleResources::compare(signature.resources, BundleResources::seal(path_, signature.mainExecutable, &budget),
                             path_);
    return signature;
}

SecCode::SecCode(std::unique_ptr<platform::RunningProcess> process, int image, std::filesystem::path path,
                 Format format)
    : SecStaticCode(std::move(path), format), pid_(process->pid()), process_(std::move(process)), image_(image)
{
}

SecCode::~SecCode()
{
    close(image_);
}

std::shared_ptr<const SecCode> SecCode::forProcess(pid_t pid)
{
    if (pid < 1) {
        throw SecurityError(errSecCSInvalidAttributeValues,
                            "process identifier " + std::to_string(pid) + " names no process");
    }
    auto process = std::make_unique<RunningProcess>(pid);
    const std::filesystem::path link = procPath(pid, "exe");
    const auto unreadable = [&process](const char* step, int error) {
        if (process->hasExited()) {
            return SecurityError(errSecCSNoSuchCode, "there is no process " + std::to_string(process->pid()));
        }
        return SecurityError(errSecCSGuestInvalid, "the executable of process " + std::to_string(process->pid()) +
                                                       " cannot be " + step + ": " + std::strerror(error));
    };
    std::string target(PATH_MAX, '\0');
    const ssize_t length = readlink(link.c_str(), target.data(), target.size());
    if (length < 0) {
        throw unreadable("found", errno);
    }
    target.resize(static_cast<size_t>(length));
    // The kernel marks an executable that was removed or replaced since the
    // process started; the bundle it came from is still where it was.
    constexpr std::string_view deletedMark = " (deleted)";
    if (target.ends_with(deletedMark)) {
        target.resize(target.size() - deletedMark.size());
    }
    const int image = open(link.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (image < 0) {
        throw unreadable("opened", errno);
    }
    FileDescriptor heldImage(image);
    // Until now the identifier might have named a newer process.
    process->requireRunning();
    const std::filesystem::path executable(target);
    const Format format = bundleContaining(executable) ? Format::bundle : Format::executable;
    const std::filesystem::path path = format == Format::bundle ? *bundleContaining(executable) : executable;
    return std::shared_ptr<const SecCode>(new SecCode(std::move(process), heldImage.release(), path, format));
}

void SecCode::checkStillRunning() const
{
    process_->requireRunning();
    struct stat running {};
    if (stat(procPath(pid_, "exe").c_str(), &running) != 0) {
        throw SecurityError(errSecCSNoSuchCode, "process " + std::to_string(pid_) + " has exited");
    }
    struct stat lookedUp {};
    if (fstat(image_, &lookedUp) != 0 || running.st_dev != lookedUp.st_dev || running.st_ino != lookedUp.st_ino) {
        throw SecurityError(errSecCSGuestInvalid,
                            "process " + std::to_string(pid_) + " no longer runs the code that was looked up");
    }
    process_->requireRunning();
}

void SecCode::checkDynamicValidity() const
{
    checkStillRunning();
    process_->requireUntraced();
    process_->requireNoLoaderVariables();
    process_->requireOurFileSystemView();
    struct stat image {};
    if (fstat(image_, &image) != 0) {
        throw SecurityError(errSecCSInternalError, "cannot inspect the executable image of process " +
                                                       std::to_string(pid_) + ": " + std::strerror(errno));
    }
    process_->requireOnlyTrustedCode(path(), image.st_dev, image.st_ino);
}

int SecCode::openMainExecutable(const std::filesystem::path&) const
{
    const int copy = fcntl(image_, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) {
        throw SecurityError(errSecCSInternalError, std::string("cannot reopen the executable image of process ") +
                                                       std::to_string(pid_) + ": " + std::strerror(errno));
    }
    return copy;
}
