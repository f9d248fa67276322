#pragma once

// The profile list shown in the main window: the five default profiles of a new file, the names
// as displayed in the current language, and the active profile.

#include <string>
#include <string_view>
#include <vector>

#include "store/profile_store.h"

namespace veltra {

struct ProfileListEntry {
    int profile_id = 0;
    std::string display_name;
};

struct ProfileList {
    std::vector<ProfileListEntry> entries;
    int active_profile = 0;  // 0 when the store has none (a closed store)
};

// A stored name beginning with "Profile" or "配置方案" shows the current language's profile word
// in place of that prefix; any other name is shown as stored.
std::string ProfileDisplayName(std::string_view stored_name, std::string_view profile_word);

// Creates the five default profiles when the file has none (profile 1 active), restores the
// default of every settings row a profile lacks, builds the display names and finds the active
// profile, making profile 1 active when none is. Runs under the store lock as a whole.
// `profile_word` is the language text for the word "Profile".
ProfileList LoadProfileList(ProfileStore& store, std::string_view profile_word);

}  // namespace veltra
