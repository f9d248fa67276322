#include "config/catalogue.h"

#include <gtest/gtest.h>

#include "config/app_info.h"
#include "config/language.h"
#include "support/temp_dir.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(VELTRA_TEST_DATA_DIR) / "config";
const fs::path kSkins = "/program/skins";

TEST(CatalogueTest, ReadsModelsAndOneEntryPerMode) {
    const Catalogue c = ReadCatalogue(kData / "catalogue.xml", kSkins);
    ASSERT_EQ(c.models.size(), 3u);
    EXPECT_EQ(c.models[0], (DeviceModelEntry{"Model A", 101, "model_a",
                                             "/program/skins/device/a.png", 0, 0, 0, "", ""}));
    EXPECT_EQ(c.models[1].device_type, 301);  // conversion stops at the first non-digit
    EXPECT_EQ(c.models[2].image, "/program/skins/device/");

    ASSERT_EQ(c.modes.size(), 3u);
    EXPECT_EQ(c.modes[0],
              (DeviceModelEntry{"Model A", 101, "model_a", "/program/skins/device/a.png", 0, 0x1A2B,
                                0x00FF, "dev-a", "cable"}));
    EXPECT_EQ(c.modes[1].connection_mode, 2);  // the receiver
    EXPECT_EQ(c.modes[1].vid, 0x1A2B);
    EXPECT_EQ(c.modes[1].pid, 0x0100);
    EXPECT_EQ(c.modes[1].device_id, "");
    // Model B has no mode, so no USB identity leads to it.
    EXPECT_EQ(c.modes[2].name, "Model C");
    EXPECT_EQ(c.modes[2].connection_mode, 1);
    EXPECT_EQ(c.modes[2].vid, 0x1A2B);
    EXPECT_EQ(c.modes[2].pid, 0);
    EXPECT_EQ(c.modes[2].description, "");
}

TEST(CatalogueTest, ReadsVersionAndLinks) {
    const SoftwareInfo s = ReadCatalogue(kData / "catalogue.xml", kSkins).software;
    EXPECT_TRUE(s.found);
    EXPECT_EQ(s.caption, "Example");
    EXPECT_EQ(s.version, "2.1.0");
    EXPECT_EQ(s.website, "https://www.veltra-mouse.example/");
    EXPECT_EQ(s.feedback, "https://www.veltra-mouse.example/feedback");
    EXPECT_EQ(s.qa, "https://www.veltra-mouse.example/faq");
    EXPECT_EQ(s.store, "https://store.veltra-mouse.example/");
    EXPECT_EQ(s.upgrade, "https://download.veltra-mouse.example/");
    EXPECT_EQ(s.upgrade_firmware, "https://firmware.veltra-mouse.example/tool/");
    EXPECT_EQ(s.copyright, "(C) Example");
}

TEST(CatalogueTest, SoftwareBeforeDeviceIsSeenOnlyByTheStartUp) {
    const Catalogue c = ReadCatalogue(kData / "software_before_device.xml", kSkins);
    EXPECT_EQ(c.models.size(), 1u);
    EXPECT_FALSE(c.software.found);
    EXPECT_EQ(c.software.version, "");
    EXPECT_EQ(c.software.website, "");
    const auto startup = ReadStartupValues(kData / "software_before_device.xml");
    ASSERT_TRUE(startup);
    EXPECT_EQ(startup->caption, "Example");
}

TEST(CatalogueTest, LinksOutOfOrderAreSkipped) {
    const SoftwareInfo s = ReadCatalogue(kData / "store_before_qa.xml", kSkins).software;
    EXPECT_TRUE(s.found);
    EXPECT_EQ(s.website, "website");
    EXPECT_EQ(s.feedback, "feedback");
    EXPECT_EQ(s.qa, "qa");
    EXPECT_EQ(s.store, "");  // before qa, so never reached
    EXPECT_EQ(s.upgrade, "upgrade");
    EXPECT_EQ(s.upgrade_firmware, "");
    EXPECT_EQ(s.copyright, "copyright");
}

TEST(CatalogueTest, SoftwareIsFoundWhenThereIsNoDevice) {
    test::TempDir dir;
    test::WriteFile(dir / "config.xml", "<config><software version=\"1\"/></config>");
    const Catalogue c = ReadCatalogue(dir / "config.xml", kSkins);
    EXPECT_TRUE(c.models.empty());
    EXPECT_TRUE(c.software.found);
    EXPECT_EQ(c.software.version, "1");
}

TEST(CatalogueTest, UnusableFileGivesAnEmptyCatalogue) {
    test::TempDir dir;
    const std::string bad[] = {"", "<config><device><mouse name=\"x\"/>",
                               "<other><device/></other>", std::string("\0\x01\x02\x03", 4)};
    EXPECT_TRUE(ReadCatalogue(dir / "missing.xml", kSkins).models.empty());
    for (const std::string& bytes : bad) {
        test::WriteFile(dir / "config.xml", bytes);
        const Catalogue c = ReadCatalogue(dir / "config.xml", kSkins);
        EXPECT_TRUE(c.models.empty());
        EXPECT_TRUE(c.modes.empty());
        EXPECT_FALSE(c.software.found);
    }
}

TEST(CatalogueTest, FileStemOfTheFirstModelWithTheDeviceType) {
    const Catalogue c = ReadCatalogue(kData / "catalogue.xml", kSkins);
    EXPECT_EQ(FindFileStem(c.models, 101), "model_a");
    EXPECT_EQ(FindFileStem(c.models, 301), "model_b");
    EXPECT_EQ(FindFileStem(c.models, 999), "");
}

TEST(CatalogueTest, VersionLabelUsesTheLanguageText) {
    test::TempDir dir;
    test::ScopedEnv folder("VELTRA_PROGRAM_FOLDER", dir.path().string());
    fs::create_directories(dir / "language");
    test::WriteFile(dir / "language" / "1033.lan", "[LAN]\n21=Version\n");
    SetCurrentLanguageId(1033);
    EXPECT_EQ(FormatVersionLabel("1.0.0"), "Version: v1.0.0");
    SetCurrentLanguageId(4);
    EXPECT_EQ(FormatVersionLabel("1.0.0"), ": v1.0.0");
    SetCurrentLanguageId(kSimplifiedChinese);
}

}  // namespace
}  // namespace veltra
