#pragma once

// Finds hidraw nodes of supported mice that the current user may not open, so that the window
// can tell a missing access rule apart from a missing mouse. Reads sysfs only; no HID library.

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/hidapi_backend.h"

namespace veltra {

struct InaccessibleNode {
    std::string node;  // /dev/hidrawN
    int vendor_id = 0;
    int product_id = 0;
};

// Why `node` cannot be opened read-write; None when it can.
using AccessProbe = std::function<OpenError(const std::string& node)>;

// The nodes under `dev` whose sysfs entry in `sysfs_class` names one of the (vendor, product)
// pairs and whose opening `probe` refuses for lack of permission, in node number order. Entries
// with missing or malformed files, and nodes missing from `dev`, are left out.
std::vector<InaccessibleNode> FindInaccessibleHidrawNodes(
    const std::vector<std::pair<int, int>>& supported_pairs,
    const std::filesystem::path& sysfs_class = "/sys/class/hidraw",
    const std::filesystem::path& dev = "/dev", const AccessProbe& probe = ProbeAccess);

}  // namespace veltra
