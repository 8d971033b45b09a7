// codesign: signs executables and bundles, checks them, shows their
// signatures, and manages the development signing identity and trust store.

#include "Security/CodeSigner.h"
#include "Security/SecCode.h"
#include "Security/SecurityError.h"
#include "Security/SigningIdentity.h"
#include "Security/TrustStore.h"

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int exitFailure = 1;
constexpr int exitUsage = 2;
constexpr int exitRequirementFailed = 3;

constexpr const char* usage =
    "usage:\n"
    "  codesign -s <identity folder>|- -i <identifier> <path>   sign (\"-\": ad hoc)\n"
    "  codesign -v [-R <requirement>] <path>                    verify\n"
    "  codesign -d <path>                                       display the signature\n"
    "  codesign --generate-identity <folder> --team <team> [--issuer <identity folder>]\n"
    "  codesign --install-anchor <identity folder> [--root <simulated root>]\n"
    "  codesign --help                                          this text\n"
    "long forms: --sign, --identifier, --verify, --requirement, --display\n";

enum class Mode { none, sign, verify, display, generateIdentity, installAnchor };

struct Options {
    Mode mode = Mode::none;
    std::string modeArgument;
    std::optional<std::string> identifier;
    std::optional<std::string> requirement;
    std::optional<std::string> team;
    std::optional<std::string> issuer;
    std::optional<std::string> root;
    std::vector<std::string> paths;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

Options parse(int argc, char** argv)
{
    Options options;
    const auto setMode = [&options](Mode mode, std::string argument = {}) {
        if (options.mode != Mode::none) {
            throw UsageError("choose one of -s, -v, -d, --generate-identity and --install-anchor");
        }
        options.mode = mode;
        options.modeArgument = std::move(argument);
    };
    for (int index = 1; index < argc; ++index) {
        const std::string_view argument = argv[index];
        const auto value = [&]() -> std::string {
            if (index + 1 >= argc) {
                throw UsageError(std::string(argument) + " needs a value");
            }
            return argv[++index];
        };
        if (argument == "-s" || argument == "--sign") {
            setMode(Mode::sign, value());
        } else if (argument == "-v" || argument == "--verify") {
            setMode(Mode::verify);
        } else if (argument == "-d" || argument == "--display") {
            setMode(Mode::display);
        } else if (argument == "--generate-identity") {
            setMode(Mode::generateIdentity, value());
        } else if (argument == "--install-anchor") {
            setMode(Mode::installAnchor, value());
        } else if (argument == "-i" || argument == "--identifier") {
            options.identifier = value();
        } else if (argument == "-R" || argument == "--requirement") {
            options.requirement = value();
        } else if (argument == "--team") {
            options.team = value();
        } else if (argument == "--issuer") {
            options.issuer = value();
        } else if (argument == "--root") {
            options.root = value();
        } else if (argument.starts_with("-") && argument.size() > 1) {
            throw UsageError("unknown option " + std::string(argument));
        } else {
            options.paths.emplace_back(argument);
        }
    }
    const bool takesPath = options.mode == Mode::sign || options.mode == Mode::verify || options.mode == Mode::display;
    if (options.mode == Mode::none) {
        throw UsageError("nothing to do");
    }
    if (takesPath && options.paths.size() != 1) {
        throw UsageError("give exactly one path");
    }
    if (!takesPath && !options.paths.empty()) {
        throw UsageError("unexpected argument " + options.paths.front());
    }
    if (options.mode == Mode::sign && (!options.identifier || options.identifier->empty())) {
        throw UsageError("signing needs an identifier (-i)");
    }
    if (options.requirement && options.mode != Mode::verify) {
        throw UsageError("-R goes with -v");
    }
    if (options.mode == Mode::generateIdentity &&
        (!options.team || !platform::SigningIdentity::isValidTeamIdentifier(*options.team))) {
        throw UsageError("--generate-identity needs --team with ten upper-case letters and digits");
    }
    return options;
}

int fail(const std::string& path, OSStatus status, const std::string& description, int exitCode = exitFailure)
{
    std::cerr << "codesign: " << path << ": " << description << " (OSStatus " << status << ")\n";
    return exitCode;
}

int sign(const Options& options)
{
    const std::string& path = options.paths.front();
    if (options.modeArgument == "-") {
        platform::CodeSigner::signAdHoc(path, *options.identifier);
    } else {
        platform::CodeSigner::sign(path, *options.identifier, platform::SigningIdentity::load(options.modeArgument));
    }
    return 0;
}

int verify(const Options& options)
{
    const std::string& path = options.paths.front();
    SecRequirementRef requirement;
    if (options.requirement) {
        std::string errors;
        if (SecRequirementCreateWithStringAndErrors(*options.requirement, kSecCSDefaultFlags, &errors,
                                                    &requirement) != errSecSuccess) {
            throw UsageError(errors);
        }
    }
    SecStaticCodeRef code;
    if (const OSStatus status = SecStaticCodeCreateWithPath(path, kSecCSDefaultFlags, &code); status != errSecSuccess) {
        return fail(path, status, SecCopyErrorMessageString(status));
    }
    std::string errors;
    if (const OSStatus status = SecStaticCodeCheckValidityWithErrors(code, kSecCSDefaultFlags, nullptr, &errors);
        status != errSecSuccess) {
        return fail(path, status, errors);
    }
    std::cout << path << ": valid on disk\n";
    if (requirement) {
        if (const OSStatus status =
                SecStaticCodeCheckValidityWithErrors(code, kSecCSDefaultFlags, requirement, &errors);
            status != errSecSuccess) {
            return fail(path, status, errors, status == errSecCSReqFailed ? exitRequirementFailed : exitFailure);
        }
        std::cout << path << ": satisfies the requirement\n";
    }
    return 0;
}

int display(const Options& options)
{
    const std::string& path = options.paths.front();
    SecStaticCodeRef code;
    SecSigningInformation information;
    OSStatus status = SecStaticCodeCreateWithPath(path, kSecCSDefaultFlags, &code);
    if (status == errSecSuccess) {
        status = SecCodeCopySigningInformation(code, kSecCSDefaultFlags, &information);
    }
    if (status != errSecSuccess) {
        return fail(path, status, SecCopyErrorMessageString(status));
    }
    std::cout << "Path=" << information.path.string() << '\n'
              << "Format=" << (information.format == SecStaticCode::Format::bundle ? "bundle" : "executable") << '\n'
              << "Identifier=" << information.identifier << '\n'
              << "TeamIdentifier=" << information.teamIdentifier.value_or("not set") << '\n';
    if (information.authorities.empty()) {
        std::cout << "Signature=adhoc\n";
    }
    for (const std::string& authority : information.authorities) {
        std::cout << "Authority=" << authority << '\n';
    }
    return 0;
}

int generateIdentity(const Options& options)
{
    if (options.issuer) {
        platform::SigningIdentity::createIssuedBy(options.modeArgument, platform::SigningIdentity::load(*options.issuer),
                                                  *options.team);
    } else {
        platform::SigningIdentity::loadOrCreate(options.modeArgument, *options.team);
    }
    return 0;
}

int installAnchor(const Options& options)
{
    const platform::SigningIdentity identity = platform::SigningIdentity::load(options.modeArgument);
    const platform::TrustStore store =
        options.root ? platform::TrustStore(*options.root) : platform::TrustStore();
    store.install(identity.anchorCertificate().publicKey);
    std::cout << "codesign: anchor \"" << identity.anchorCertificate().commonName << "\" trusted in "
              << store.directory().string() << '\n';
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    try {
        for (int index = 1; index < argc; ++index) {
            if (std::string_view(argv[index]) == "--help" || std::string_view(argv[index]) == "-h") {
                std::cout << usage;
                return 0;
            }
        }
        options = parse(argc, argv);
        switch (options.mode) {
        case Mode::sign:
            return sign(options);
        case Mode::verify:
            return verify(options);
        case Mode::display:
            return display(options);
        case Mode::generateIdentity:
            return generateIdentity(options);
        case Mode::installAnchor:
            return installAnchor(options);
        case Mode::none:
            break;
        }
    } catch (const UsageError& error) {
        std::cerr << "codesign: " << error.what() << '\n' << usage;
        return exitUsage;
    } catch (const platform::SecurityError& error) {
        const std::string subject = options.paths.empty() ? options.modeArgument : options.paths.front();
        return fail(subject, error.status(), error.what());
    } catch (const std::exception& error) {
        std::cerr << "codesign: " << error.what() << '\n';
        return exitFailure;
    }
    return exitUsage;
}
