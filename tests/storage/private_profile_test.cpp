#include <gtest/gtest.h>

#include "storage/private_profile.h"

namespace {

struct LookupCase
{
    const char* name;
    std::string text;
    const char* section;
    const char* key;
    std::string expected;
};

class ProfileLookupTest : public testing::TestWithParam<LookupCase>
{};

TEST_P(ProfileLookupTest, ReadsLikeTheWindowsProfileFunctions)
{
    const LookupCase& c = GetParam();
    EXPECT_EQ(CPrivateProfile::FromText(c.text).GetString(c.section, c.key, "default"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ProfileLookupTest,
    testing::Values(
        LookupCase{"plain", "[A]\nk=v\n", "A", "k", "v"},
        LookupCase{"sectionCase", "[channel1]\nFreq=5\n", "CHANNEL1", "Freq", "5"},
        LookupCase{"keyCase", "[A]\nFREQ=5\n", "A", "freq", "5"},
        LookupCase{"trimmed", "  [ A ]  \n  k  =  v w  \n", "A", "k", "v w"},
        LookupCase{"doubleQuotes", "[A]\nk=\" v \"\n", "A", "k", " v "},
        LookupCase{"singleQuotes", "[A]\nk='v'\n", "A", "k", "v"},
        LookupCase{"unmatchedQuotes", "[A]\nk=\"v'\n", "A", "k", "\"v'"},
        LookupCase{"loneQuote", "[A]\nk=\"\n", "A", "k", "\""},
        LookupCase{"emptyValue", "[A]\nk=\n", "A", "k", ""},
        LookupCase{"comment", "[A]\n;k=v\n", "A", "k", "default"},
        LookupCase{"indentedComment", "[A]\n  ; k=v\nk=w\n", "A", "k", "w"},
        LookupCase{"firstKeyWins", "[A]\nk=1\nK=2\n", "A", "k", "1"},
        LookupCase{"firstSectionWins", "[A]\nx=1\n[a]\nk=2\n", "A", "k", "default"},
        LookupCase{"cutTo15", "[A]\nk=0123456789abcdefgh\n", "A", "k", "0123456789abcde"},
        LookupCase{"cutAfterQuotes", "[A]\nk=\"0123456789abcdefgh\"\n", "A", "k",
                   "0123456789abcde"},
        LookupCase{"crlf", "[A]\r\nk=v\r\n", "A", "k", "v"},
        LookupCase{"bom", "\xEF\xBB\xBF[A]\nk=v\n", "A", "k", "v"},
        LookupCase{"noFinalNewline", "[A]\nk=v", "A", "k", "v"},
        LookupCase{"keyBeforeSection", "k=v\n[A]\n", "A", "k", "default"},
        LookupCase{"missingSection", "[B]\nk=v\n", "A", "k", "default"},
        LookupCase{"equalsInValue", "[A]\nk=a=b\n", "A", "k", "a=b"},
        LookupCase{"lineWithoutEquals", "[A]\nk\nk=v\n", "A", "k", "v"},
        LookupCase{"unclosedSection", "[A\nk=v\n", "A", "k", "v"},
        LookupCase{"textAfterBracket", "[A] trailing\nk=v\n", "A", "k", "v"},
        LookupCase{"nulBytes", std::string("[A]\nk=1\0x\n", 10), "A", "k", std::string("1\0x", 3)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PrivateProfile, DefaultIsCutTo15Too)
{
    EXPECT_EQ(CPrivateProfile::FromText("").GetString("A", "k", "0123456789abcdefgh"),
              "0123456789abcde");
}

TEST(PrivateProfile, MissingFileIsReported)
{
    std::string error;
    EXPECT_FALSE(CPrivateProfile::FromFile("/nonexistent/file.snv", &error).has_value());
    EXPECT_EQ(error, "No such file or directory");
}

} // namespace
