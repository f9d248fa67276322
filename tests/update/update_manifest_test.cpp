#include <gtest/gtest.h>

#include <string>

#include "update/update_manifest.h"
#include "update/update_package.h"

namespace veltra {
namespace {

const std::string kDigest(64, 'a');

std::string Offer(const std::string& version, const std::string& archive,
                  const std::string& sha = kDigest, const std::string& extra = "") {
    return R"({"version":")" + version + R"(","archive":")" + archive + R"(","sha256":")" + sha +
           "\"" + extra + "}";
}

TEST(UpdatePackageTest, NamesFollowThePackagePatterns) {
    EXPECT_EQ(ArchiveName(UpdatePackage::FirmwareTool, kDefaultFirmwareToolVersion),
              "FirmwareUpdateTool-2.0.3.0.zip");
    EXPECT_EQ(ArchiveName(UpdatePackage::Driver, "1.2"), "Zephrin-Driver-1.2.zip");
    EXPECT_EQ(ProgramNames(UpdatePackage::Driver, "1.2"),
              (std::vector<std::string>{"zephrin-1.2", "Zephrin-Driver-1.2"}));
    EXPECT_EQ(ProgramNames(UpdatePackage::FirmwareTool, "2.0"),
              (std::vector<std::string>{"FirmwareUpdateTool-2.0"}));
}

TEST(UpdatePackageTest, AddressesJoinWithOneSlash) {
    EXPECT_EQ(JoinAddress("https://h/u/", "a.zip"), "https://h/u/a.zip");
    EXPECT_EQ(JoinAddress("https://h/u///", "/a.zip"), "https://h/u/a.zip");
    EXPECT_EQ(JoinAddress("https://h/u", "a.zip"), "https://h/u/a.zip");
}

TEST(UpdatePackageTest, VersionsCompareByNumberPartByPart) {
    EXPECT_GT(CompareVersions("1.10", "1.9"), 0);
    EXPECT_LT(CompareVersions("1.0.0", "1.0.1"), 0);
    EXPECT_EQ(CompareVersions("1.0", "1.0.0"), 0);
    EXPECT_EQ(CompareVersions("01.2", "1.2"), 0);
    EXPECT_GT(CompareVersions("1.0-rc2", "1.0-rc1"), 0);
    EXPECT_GT(CompareVersions("99999999999999999999999", "9"), 0);
}

TEST(UpdateManifestTest, ReadsBothOffers) {
    const ManifestResult result = ParseUpdateManifest(
        R"({"format":1,"driver":)" +
        Offer("1.1.0", "Zephrin-Driver-1.1.0.zip", std::string(64, 'A'), R"(,"size":42)") +
        R"(,"firmware_tool":)" + Offer("2.0.3.0", "FirmwareUpdateTool-2.0.3.0.zip") +
        R"(,"later":{"anything":[1,2]}})");
    ASSERT_TRUE(result.manifest) << result.error;
    ASSERT_TRUE(result.manifest->driver);
    EXPECT_EQ(result.manifest->driver->version, "1.1.0");
    EXPECT_EQ(result.manifest->driver->sha256, kDigest);  // lower case
    EXPECT_EQ(result.manifest->driver->size, 42u);
    ASSERT_TRUE(result.manifest->firmware_tool);
    EXPECT_FALSE(result.manifest->firmware_tool->size);
    EXPECT_EQ(result.manifest->Offer(UpdatePackage::FirmwareTool)->archive,
              "FirmwareUpdateTool-2.0.3.0.zip");
}

TEST(UpdateManifestTest, AMissingOrNullPackageIsNoOffer) {
    const ManifestResult result = ParseUpdateManifest(R"({"format":1,"driver":null})");
    ASSERT_TRUE(result.manifest) << result.error;
    EXPECT_FALSE(result.manifest->driver);
    EXPECT_FALSE(result.manifest->firmware_tool);
}

TEST(UpdateManifestTest, RefusesWhatCouldReachAFileOutsideTheTempFolder) {
    const std::string bad_entries[] = {
        Offer("../1", "Zephrin-Driver-../1.zip"),
        Offer("1/2", "Zephrin-Driver-1/2.zip"),
        Offer("1\\2", "Zephrin-Driver-1\\2.zip"),
        Offer("-rf", "Zephrin-Driver--rf.zip"),
        Offer("1..2", "Zephrin-Driver-1..2.zip"),
        Offer("", "Zephrin-Driver-.zip"),
        Offer(std::string(33, '1'), "Zephrin-Driver-" + std::string(33, '1') + ".zip"),
        Offer("1.0", "../../evil.zip"),
        Offer("1.0", "FirmwareUpdateTool-1.0.zip"),  // another package's archive
        Offer("1.0", "Zephrin-Driver-1.0.zip", std::string(63, 'a')),
        Offer("1.0", "Zephrin-Driver-1.0.zip", std::string(64, 'g')),
        Offer("1.0", "Zephrin-Driver-1.0.zip", kDigest, R"(,"size":-1)"),
        Offer("1.0", "Zephrin-Driver-1.0.zip", kDigest, R"(,"size":"12")"),
        R"({"version":1,"archive":"Zephrin-Driver-1.zip","sha256":")" + kDigest + "\"}",
        R"("1.0")",
    };
    for (const std::string& entry : bad_entries) {
        const ManifestResult result = ParseUpdateManifest(R"({"format":1,"driver":)" + entry + "}");
        EXPECT_FALSE(result.manifest) << entry;
        EXPECT_FALSE(result.error.empty()) << entry;
    }
}

TEST(UpdateManifestTest, RefusesOtherFormatsAndNonManifests) {
    for (const std::string& text :
         {std::string(R"({"driver":null})"), std::string(R"({"format":2})"),
          std::string(R"({"format":"1"})"), std::string("[1]"), std::string("<html></html>"),
          std::string(), std::string("{\"format\":1,") + std::string(70000, ' ') + "}"}) {
        const ManifestResult result = ParseUpdateManifest(text);
        EXPECT_FALSE(result.manifest) << text.substr(0, 40);
        EXPECT_FALSE(result.error.empty());
    }
}

}  // namespace
}  // namespace veltra
