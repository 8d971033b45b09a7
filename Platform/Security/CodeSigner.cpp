#include "Security/CodeSigner.h"

#include "BundleResources.h"
#include "CodeSignature.h"
#include "EmbeddedSignature.h"
#include "FileDescriptor.h"
#include "Security/SecStaticCode.h"
#include "Security/SecurityError.h"
#include "Security/SigningIdentity.h"
#include "Sha256.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

void writeCodeResources(const std::filesystem::path& bundle, const std::string& record)
{
    const std::filesystem::path target = bundle / BundleResources::codeResourcesPath;
    std::error_code error;
    std::filesystem::create_directories(target.parent_path(), error);
    if (error) {
        throw SecurityError(errSecCSInternalError,
                            "cannot create " + target.parent_path().string() + ": " + error.message());
    }
    const std::filesystem::path temporary = target.string() + ".signing";
    const FileDescriptor file(open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    const bool written = file.isOpen() && write(file.get(), record.data(), record.size()) ==
                                              static_cast<ssize_t>(record.size()) &&
                         fsync(file.get()) == 0;
    if (!written || rename(temporary.c_str(), target.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        unlink(temporary.c_str());
        throw SecurityError(errSecCSInternalError, "cannot write " + target.string() + ": " + reason);
    }
}

}  // namespace

void CodeSigner::sign(const std::filesystem::path& path, const std::string& identifier,
                      const SigningIdentity& identity)
{
    seal(path, identifier, &identity);
}

void CodeSigner::signAdHoc(const std::filesystem::path& path, const std::string& identifier)
{
    seal(path, identifier, nullptr);
}

void CodeSigner::seal(const std::filesystem::path& path, const std::string& identifier,
                      const SigningIdentity* identity)
{
    if (identifier.empty()) {
        throw SecurityError(errSecCSInternalError, "code cannot be signed without an identifier");
    }
    const std::shared_ptr<const SecStaticCode> code = SecStaticCode::atPath(path);
    CodeSignature signature;
    signature.identifier = identifier;

    if (code->format() == SecStaticCode::Format::executable) {
        const FileDescriptor file = FileDescriptor::openForReading(code->path());
        const EmbeddedSignature::Layout layout = EmbeddedSignature::read(file.get(), code->path());
        signature.codeDigest = Sha256::ofDescriptor(file.get(), layout.codeLength, code->path());
        if (identity != nullptr) {
            signature.signWith(*identity);
        }
        EmbeddedSignature::write(code->path(), layout.codeLength, signature.serialize());
        return;
    }

    signature.format = CodeSignature::Format::bundle;
    signature.mainExecutable = BundleResources::mainExecutableOf(code->path());
    signature.codeDigest = Sha256::ofFile(code->path() / signature.mainExecutable);
    signature.resources = BundleResources::seal(code->path(), signature.mainExecutable);
    if (identity != nullptr) {
        signature.signWith(*identity);
    }
    writeCodeResources(code->path(), signature.serialize());
}

}  // namespace platform
