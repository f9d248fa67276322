#include "platform/linux/hidraw_access.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <system_error>
#include <vector>

#include "support/temp_dir.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;

const std::vector<std::pair<int, int>> kSupported = {{0x3554, 0xF5D5}, {0x3554, 0xF5D6}};

// The real check, except as root, who opens anything: then the mode bits decide, as the
// kernel decides for anyone else.
AccessProbe ProbeForThisUser() {
    if (::geteuid() != 0) {
        return ProbeAccess;
    }
    return [](const std::string& node) {
        std::error_code error;
        const fs::file_status status = fs::status(node, error);
        if (error || !fs::exists(status)) {
            return OpenError::NotFound;
        }
        const fs::perms read_write = fs::perms::owner_read | fs::perms::owner_write;
        return (status.permissions() & read_write) == read_write ? OpenError::None
                                                                 : OpenError::PermissionDenied;
    };
}

// A sysfs class folder and a device folder under one temporary folder.
class HidrawAccessTest : public ::testing::Test {
  protected:
    HidrawAccessTest() {
        fs::create_directories(sysfs());
        fs::create_directories(dev());
    }

    fs::path sysfs() const { return dir_ / "sys"; }
    fs::path dev() const { return dir_ / "dev"; }

    void AddEntry(const std::string& name, const std::string& uevent) const {
        fs::create_directories(sysfs() / name / "device");
        test::WriteFile(sysfs() / name / "device" / "uevent", uevent);
    }

    void AddNode(const std::string& name, fs::perms perms) const {
        test::WriteFile(dev() / name, "");
        fs::permissions(dev() / name, perms);
    }

    // A uevent the way the kernel writes it.
    static std::string Uevent(const std::string& hid_id) {
        return "DRIVER=hid-generic\nHID_ID=" + hid_id +
               "\nHID_NAME=Mouse\nHID_PHYS=usb-0000:00:14.0-1/input2\nMODALIAS=hid:b0003\n";
    }

    std::vector<std::string> Reported() const {
        std::vector<std::string> nodes;
        for (const InaccessibleNode& node :
             FindInaccessibleHidrawNodes(kSupported, sysfs(), dev(), ProbeForThisUser())) {
            nodes.push_back(fs::path(node.node).filename().string());
        }
        return nodes;
    }

    test::TempDir dir_;
};

TEST_F(HidrawAccessTest, SupportedNodesTheUserMayNotOpenAreReportedInNodeOrder) {
    AddEntry("hidraw10", Uevent("0005:00003554:0000F5D6"));
    AddNode("hidraw10", fs::perms::none);
    AddEntry("hidraw0", Uevent("0003:00003554:0000f5d5"));
    AddNode("hidraw0", fs::perms::none);
    // Open to the user.
    AddEntry("hidraw1", Uevent("0003:00003554:0000F5D5"));
    AddNode("hidraw1", fs::perms::owner_read | fs::perms::owner_write);
    // Another vendor's device.
    AddEntry("hidraw2", Uevent("0003:0000046D:0000F5D5"));
    AddNode("hidraw2", fs::perms::none);
    // Listed in sysfs, but its node is gone.
    AddEntry("hidraw3", Uevent("0003:00003554:0000F5D5"));

    const std::vector<InaccessibleNode> found =
        FindInaccessibleHidrawNodes(kSupported, sysfs(), dev(), ProbeForThisUser());
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].node, (dev() / "hidraw0").string());
    EXPECT_EQ(found[0].vendor_id, 0x3554);
    EXPECT_EQ(found[0].product_id, 0xF5D5);
    EXPECT_EQ(found[1].node, (dev() / "hidraw10").string());
    EXPECT_EQ(found[1].product_id, 0xF5D6);

    EXPECT_TRUE(FindInaccessibleHidrawNodes({}, sysfs(), dev(), ProbeForThisUser()).empty());
    EXPECT_TRUE(
        FindInaccessibleHidrawNodes(kSupported, dir_ / "none", dev(), ProbeForThisUser()).empty());
}

TEST_F(HidrawAccessTest, MalformedEntriesAreSkipped) {
    const std::vector<std::pair<std::string, std::string>> entries = {
        {"hidraw0", ""},
        {"hidraw1", "HID_ID=3:3554:F5D5\n"},
        {"hidraw2", "HID_ID=0003:0000ZZZZ:0000F5D5\n"},
        {"hidraw3", "HID_ID=0003:00003554:0000F5D5X\n"},
        {"hidraw4", "HID_ID=0003:+0003554:0000F5D5\n"},
        {"hidraw5", "HID_ID=0003-00003554-0000F5D5\n"},
        {"hidraw6", std::string("\0\xFF\x01\nHID_ID=\n", 12)},
        // The line lies past what a uevent file can hold.
        {"hidraw7", std::string(64 * 1024, 'A') + "\nHID_ID=0003:00003554:0000F5D5\n"},
        {"hidrawX", Uevent("0003:00003554:0000F5D5")},
        {"hidraw", Uevent("0003:00003554:0000F5D5")},
        {"event3", Uevent("0003:00003554:0000F5D5")},
    };
    for (const auto& [name, uevent] : entries) {
        AddEntry(name, uevent);
        AddNode(name, fs::perms::none);
    }
    // No uevent at all, and a uevent that is a folder.
    fs::create_directories(sysfs() / "hidraw8" / "device");
    AddNode("hidraw8", fs::perms::none);
    fs::create_directories(sysfs() / "hidraw9" / "device" / "uevent");
    AddNode("hidraw9", fs::perms::none);
    EXPECT_TRUE(Reported().empty());

    // A well-formed entry among them is still found.
    AddEntry("hidraw11", Uevent("0003:00003554:0000F5D5"));
    AddNode("hidraw11", fs::perms::none);
    EXPECT_EQ(Reported(), std::vector<std::string>{"hidraw11"});
}

}  // namespace
}  // namespace veltra
