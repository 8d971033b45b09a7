#pragma once

#include "Security/SecCode.h"
#include "Security/SigningIdentity.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

// A fresh simulated root per test with three identities: the maker's team
// under an anchor the root trusts, another team under that same anchor, and
// the maker's team identifier under an anchor the root does not trust.
class SigningFixture : public ::testing::Test {
public:
    static constexpr const char* appIdentifier = "com.velkora.app";
    static constexpr const char* daemonIdentifier = "VelkoraDaemon";
    static constexpr const char* otherTeamIdentifier = "OTHER12345";

    const std::filesystem::path& root() const { return root_; }
    std::string team() const;

    const platform::SigningIdentity& trusted() const { return *trusted_; }
    const platform::SigningIdentity& otherTeam() const { return *otherTeam_; }
    const platform::SigningIdentity& untrusted() const { return *untrusted_; }

    // An unsigned copy of the guest program.
    std::filesystem::path makeExecutable(const std::string& name) const;

    // An unsigned bundle "<name>.app": the guest program as main executable,
    // "Contents/Info.plist", a string table, and the nested executable
    // "Contents/Library/LaunchDaemons/VelkoraDaemon" signed by the trusted team.
    std::filesystem::path makeBundle(const std::string& name) const;

    // The requirement text in the form the system builds.
    static std::string requirementFor(const std::string& identifier, const std::string& team);

    // The status of checking the code at `path`, optionally against a
    // requirement; the failure's sentence lands in lastErrors.
    OSStatus check(const std::filesystem::path& path, const std::optional<std::string>& requirement = std::nullopt);

    static void flipByte(const std::filesystem::path& file, std::uintmax_t offset);
    static void replaceText(const std::filesystem::path& file, const std::string& from, const std::string& to);
    static void writeFile(const std::filesystem::path& file, const std::string& contents);

    std::string lastErrors;

protected:
    void SetUp() override;
    void TearDown() override;

private:
    std::filesystem::path root_;
    std::optional<platform::SigningIdentity> trusted_;
    std::optional<platform::SigningIdentity> otherTeam_;
    std::optional<platform::SigningIdentity> untrusted_;
};
