#include "Security/SecRequirement.h"

#include <gtest/gtest.h>

namespace {

using Kind = SecRequirement::Clause::Kind;

struct ValidRequirement {
    const char* text;
    std::vector<SecRequirement::Clause> clauses;
};

class RequirementParsing : public ::testing::TestWithParam<ValidRequirement> {};

TEST_P(RequirementParsing, GivesTheClausesInOrder)
{
    SecRequirementRef requirement;
    std::string errors;
    ASSERT_EQ(SecRequirementCreateWithStringAndErrors(GetParam().text, kSecCSDefaultFlags, &errors, &requirement),
              errSecSuccess)
        << errors;
    ASSERT_NE(requirement, nullptr);
    EXPECT_EQ(requirement->clauses(), GetParam().clauses);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, RequirementParsing,
    ::testing::Values(
        ValidRequirement{"anchor apple generic and identifier \"com.velkora.app\" and certificate "
                         "leaf[subject.OU] = \"VLKR7Q2M9X\"",
                         {{Kind::trustedAnchor, ""},
                          {Kind::identifier, "com.velkora.app"},
                          {Kind::leafOrganizationalUnit, "VLKR7Q2M9X"}}},
        ValidRequirement{"anchor apple generic", {{Kind::trustedAnchor, ""}}},
        ValidRequirement{"identifier \"VelkoraDaemon\"", {{Kind::identifier, "VelkoraDaemon"}}},
        ValidRequirement{"certificate leaf[subject.OU] = \"ABCDE12345\"",
                         {{Kind::leafOrganizationalUnit, "ABCDE12345"}}},
        ValidRequirement{"  certificate leaf [ subject.OU ]=\"T\"\n and\tidentifier \"a b\"  and anchor apple generic ",
                         {{Kind::leafOrganizationalUnit, "T"}, {Kind::identifier, "a b"}, {Kind::trustedAnchor, ""}}},
        ValidRequirement{"identifier \"\"", {{Kind::identifier, ""}}}));

class RequirementGarbage : public ::testing::TestWithParam<const char*> {};

TEST_P(RequirementGarbage, IsRefusedWithReqInvalid)
{
    SecRequirementRef requirement = std::make_shared<const SecRequirement>();
    std::string errors;
    EXPECT_EQ(SecRequirementCreateWithStringAndErrors(GetParam(), kSecCSDefaultFlags, &errors, &requirement),
              errSecCSReqInvalid);
    EXPECT_EQ(requirement, nullptr);
    EXPECT_NE(errors.find("invalid requirement"), std::string::npos) << errors;
}

INSTANTIATE_TEST_SUITE_P(Texts, RequirementGarbage,
                         ::testing::Values("", "   ", "anchor apple", "anchor apple generic and",
                                           "and anchor apple generic", "identifier com.velkora.app",
                                           "identifier \"unterminated", "identifier = \"com.velkora.app\"",
                                           "anchor apple generic or identifier \"a\"",
                                           "anchor apple generic identifier \"a\"",
                                           "certificate leaf[subject.CN] = \"X\"",
                                           "certificate root[subject.OU] = \"X\"",
                                           "certificate leaf[subject.OU] \"X\"", "anchor trusted",
                                           "info[CFBundleVersion] = \"1\"", "!anchor apple generic",
                                           "\"anchor apple generic\""));

TEST(RequirementCreation, RefusesFlagsAndAMissingResultPlace)
{
    SecRequirementRef requirement;
    EXPECT_EQ(SecRequirementCreateWithString("anchor apple generic", 4, &requirement), errSecCSInvalidFlags);
    EXPECT_EQ(SecRequirementCreateWithString("anchor apple generic", kSecCSDefaultFlags, nullptr),
              errSecCSObjectRequired);
    EXPECT_EQ(SecRequirementCreateWithString("garbage", kSecCSDefaultFlags, &requirement), errSecCSReqInvalid);
}

}  // namespace
