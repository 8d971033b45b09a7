#include "Security/SecStaticCode.h"

#include "BundleResources.h"
#include "CodeSignature.h"
#include "EmbeddedSignature.h"
#include "FileDescriptor.h"
#include "Security/SecurityError.h"
#include "Sha256.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string_view>

using platform::BundleResources;
using platform::CodeSignature;
using platform::EmbeddedSignature;
using platform::FileDescriptor;
using platform::SecurityError;
using platform::Sha256;

namespace {

std::string readCodeResources(const std::filesystem::path& bundle)
{
    const std::filesystem::path record = bundle / BundleResources::codeResourcesPath;
    std::ifstream file(record, std::ios::binary);
    if (!file) {
        if (!std::filesystem::exists(record)) {
            throw SecurityError(errSecCSUnsigned, "the bundle " + bundle.string() + " is not signed");
        }
        throw SecurityError(errSecCSInternalError, "cannot read " + record.string());
    }
    std::stringstream contents;
    contents << file.rdbuf();
    return contents.str();
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
    return FileDescriptor::openForReading(file).release();
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
    if (format_ == Format::executable) {
        const FileDescriptor file(openMainExecutable(path_));
        const EmbeddedSignature::Layout layout = EmbeddedSignature::read(file.get(), path_);
        if (!layout.record) {
            throw SecurityError(errSecCSUnsigned, "the executable " + path_.string() + " is not signed");
        }
        CodeSignature signature = CodeSignature::parse(*layout.record);
        expectFormat(signature, format_, path_);
        signature.verifyIntegrity();
        if (Sha256::ofDescriptor(file.get(), layout.codeLength, path_) != signature.codeDigest) {
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
    if (Sha256::ofDescriptor(file.get(), file.size(), mainExecutable) != signature.codeDigest) {
        throw SecurityError(errSecCSSignatureFailed,
                            "the main executable of " + path_.string() + " was modified after it was signed");
    }
    BundleResources::compare(signature.resources, BundleResources::seal(path_, signature.mainExecutable), path_);
    return signature;
}

SecCode::SecCode(pid_t pid, int image, std::filesystem::path path, Format format)
    : SecStaticCode(std::move(path), format), pid_(pid), image_(image)
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
    const std::filesystem::path link = procPath(pid, "exe");
    const auto unreadable = [pid](const char* step, int error) {
        if (!std::filesystem::exists(procPath(pid, ""))) {
            return SecurityError(errSecCSNoSuchCode, "there is no process " + std::to_string(pid));
        }
        return SecurityError(errSecCSGuestInvalid, "the executable of process " + std::to_string(pid) + " cannot be " +
                                                       step + ": " + std::strerror(error));
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
    const int image = open(link.c_str(), O_RDONLY | O_CLOEXEC);
    if (image < 0) {
        throw unreadable("opened", errno);
    }
    const std::filesystem::path executable(target);
    if (const std::optional<std::filesystem::path> bundle = bundleContaining(executable)) {
        return std::shared_ptr<const SecCode>(new SecCode(pid, image, *bundle, Format::bundle));
    }
    return std::shared_ptr<const SecCode>(new SecCode(pid, image, executable, Format::executable));
}

void SecCode::checkStillRunning() const
{
    struct stat running {};
    if (stat(procPath(pid_, "exe").c_str(), &running) != 0) {
        throw SecurityError(errSecCSNoSuchCode, "process " + std::to_string(pid_) + " has exited");
    }
    struct stat lookedUp {};
    if (fstat(image_, &lookedUp) != 0 || running.st_dev != lookedUp.st_dev || running.st_ino != lookedUp.st_ino) {
        throw SecurityError(errSecCSGuestInvalid,
                            "process " + std::to_string(pid_) + " no longer runs the code that was looked up");
    }
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
