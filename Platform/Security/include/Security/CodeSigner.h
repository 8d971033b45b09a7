#pragma once

#include <filesystem>
#include <string>

namespace platform {

class SigningIdentity;

// Signs code in place: a lone executable gets its signature appended, a
// bundle gets "Contents/_CodeSignature/CodeResources" sealing every file in
// it. A previous signature is replaced. Nested code (an executable inside the
// bundle that is checked on its own) must be signed before its bundle, which
// then seals it as it is. Failures throw SecurityError.
class CodeSigner {
public:
    static void sign(const std::filesystem::path& path, const std::string& identifier,
                     const SigningIdentity& identity);

    // Sealed but not signed by anyone: no team, no chain. Such code is valid,
    // but satisfies no requirement that asks for an anchor or a team.
    static void signAdHoc(const std::filesystem::path& path, const std::string& identifier);

private:
    static void seal(const std::filesystem::path& path, const std::string& identifier,
                     const SigningIdentity* identity);
};

}  // namespace platform
