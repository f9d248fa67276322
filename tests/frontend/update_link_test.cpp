#include <gtest/gtest.h>

#include "frontend/update_link.h"
#include "shell/app_folders.h"

namespace veltra {
namespace {

TEST(UpdateLinkTest, TheFirmwareToolComesFromTheDriversAddressUnlessItHasItsOwn) {
    SoftwareInfo software;
    software.upgrade = "https://a.example/driver";
    EXPECT_EQ(UpdateBaseAddress(software, UpdatePackage::Driver), "https://a.example/driver");
    EXPECT_EQ(UpdateBaseAddress(software, UpdatePackage::FirmwareTool), "https://a.example/driver");
    software.upgrade_firmware = "https://b.example/tool";
    EXPECT_EQ(UpdateBaseAddress(software, UpdatePackage::Driver), "https://a.example/driver");
    EXPECT_EQ(UpdateBaseAddress(software, UpdatePackage::FirmwareTool), "https://b.example/tool");
    EXPECT_EQ(UpdateTempFolder(), UserDataFolder() / "temp");
}

}  // namespace
}  // namespace veltra
