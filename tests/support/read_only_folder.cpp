#include "support/read_only_folder.h"

#include <sys/mount.h>
#include <unistd.h>

namespace veltra::test {

namespace fs = std::filesystem;

ReadOnlyFolder::ReadOnlyFolder(const fs::path& folder) : folder_(folder) {
    if (geteuid() == 0) {
        mounted_ = mount(folder_.c_str(), folder_.c_str(), nullptr, MS_BIND, nullptr) == 0;
        ready_ = mounted_ && mount(nullptr, folder_.c_str(), nullptr,
                                   MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    } else {
        fs::permissions(folder_,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        ready_ = true;
    }
}

ReadOnlyFolder::~ReadOnlyFolder() {
    if (mounted_) {
        umount2(folder_.c_str(), MNT_DETACH);
    } else if (geteuid() != 0) {
        fs::permissions(folder_, fs::perms::owner_write, fs::perm_options::add);
    }
}

}  // namespace veltra::test
