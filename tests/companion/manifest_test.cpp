// The manifest reader and the version order, on their own.
#include "companion/VersionManifest.h"

#include <gtest/gtest.h>

namespace {

ToolVersion V(const std::string& text)
{
    ToolVersion version;
    EXPECT_TRUE(ParseToolVersion(text, version)) << text;
    return version;
}

}  // namespace

TEST(Manifest, VersionText_AcceptsDottedNumbersOnly)
{
    for (const char* good : {"1", "1.3.22.1026", "0.0.0.0", "4294967295", "1.2.3.4.5.6.7.8",
                             "007.1"}) {
        ToolVersion version;
        EXPECT_TRUE(ParseToolVersion(good, version)) << good;
    }
    for (const char* bad : {"", ".", "1.", ".1", "1..2", "1.a", "-1", " 1", "1 ", "+1",
                            "4294967296", "12345678901", "1.2.3.4.5.6.7.8.9", "1,2", "v1.2"}) {
        ToolVersion version;
        EXPECT_FALSE(ParseToolVersion(bad, version)) << bad;
    }
    EXPECT_EQ((ToolVersion{1, 3, 22, 1026}), V("1.3.22.1026"));
    EXPECT_EQ((ToolVersion{4294967295u}), V("4294967295"));
}

TEST(Manifest, VersionOrder_IsNumericPerComponent)
{
    EXPECT_LT(CompareToolVersions(V("1.3.22.1026"), V("1.3.100.0")), 0)
        << "as text 1.3.22 would sort after 1.3.100";
    EXPECT_GT(CompareToolVersions(V("1.3.100.0"), V("1.3.22.1026")), 0);
    EXPECT_EQ(0, CompareToolVersions(V("1.3.22.1026"), V("1.3.22.1026")));
    EXPECT_EQ(0, CompareToolVersions(V("1.3"), V("1.3.0.0")));
    EXPECT_GT(CompareToolVersions(V("1.10"), V("1.9.99")), 0);
    EXPECT_GT(CompareToolVersions(V("2"), V("1.99.99.99")), 0);
    EXPECT_LT(CompareToolVersions(V("1.3.22.1026"), V("1.3.22.1026.1")), 0);
    EXPECT_GT(CompareToolVersions(V("4294967295"), V("4294967294.9")), 0);
}

TEST(Manifest, WellFormedText_GivesEveryEntryAndTheNewestPerTool)
{
    std::string text =
        "\xEF\xBB\xBF# published versions\r\n"
        "\r\n"
        "; tools of the family\r\n"
        "10107=1.3.0.0\r\n"
        "  10107 = 1.3.100.0   C:\\My Packages\\Kestrune 1.3.100.0.zip  \r\n"
        "10107=1.3.5.0\n"
        "20001=9.0\n"
        "\t# indented comment \xE4\xB8\xAD\xE6\x96\x87\n"
        "10107=1.3.99.9 http://127.0.0.1:9/p.zip";
    std::vector<ManifestEntry> entries;
    ASSERT_TRUE(ParseManifest(text, entries));
    ASSERT_EQ(5u, entries.size());
    ManifestEntry newest;
    ASSERT_TRUE(FindNewestEntry(entries, "10107", newest));
    EXPECT_EQ("1.3.100.0", newest.versionText) << "the newest, not the last line";
    EXPECT_EQ("C:\\My Packages\\Kestrune 1.3.100.0.zip", newest.package);
    EXPECT_FALSE(FindNewestEntry(entries, "10108", newest));
    EXPECT_FALSE(FindNewestEntry(entries, "1010", newest));

    ASSERT_TRUE(ParseManifest("", entries));
    EXPECT_TRUE(entries.empty());
    ASSERT_TRUE(ParseManifest("# only a comment\n\n", entries));
    EXPECT_TRUE(entries.empty());
}

TEST(Manifest, AnyDamagedLine_RejectsTheWholeText)
{
    const std::string good = "10107=9.9.9.9\n";
    for (const std::string& bad :
         {std::string("garbage\n"), std::string("=1.2\n"), std::string("10107=\n"),
          std::string("10107=1.x\n"), std::string("10107 1.2\n"), std::string("10 107=1.2\n"),
          std::string("id!=1.2\n"), std::string("10107=1.2.\n"),
          std::string("10107=1.2\x01\n"), std::string("10107=1.2\r\r\n"),
          std::string("# comment with a NUL \0 byte\n", 28), std::string("10107=1.3.22.10"
          "26\xFF\n"), std::string("\x89PNG\r\n\x1A\n")}) {
        std::vector<ManifestEntry> entries;
        EXPECT_FALSE(ParseManifest(good + bad, entries)) << "bad line: " << bad;
        EXPECT_FALSE(ParseManifest(bad + good, entries)) << "bad line: " << bad;
    }
}
