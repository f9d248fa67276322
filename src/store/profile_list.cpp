#include "store/profile_list.h"

#include "common/text.h"

namespace veltra {
namespace {

constexpr int kDefaultProfiles = 5;
constexpr std::string_view kEnglishPrefix = "Profile";
constexpr std::string_view kChinesePrefix = "配置方案";

std::string Join(std::string_view word, std::string_view rest) {
    std::string text(word);
    text += ' ';
    text += rest;
    return text;
}

}  // namespace

std::string ProfileDisplayName(std::string_view stored_name, std::string_view profile_word) {
    // The remainder keeps its own leading blank, so "Profile 1" shows as the word, two blanks
    // and the digit, as the names always have.
    if (stored_name.starts_with(kEnglishPrefix)) {
        return Join(profile_word, DropUtf16Prefix(stored_name, Utf16Length(kEnglishPrefix)));
    }
    if (stored_name.starts_with(kChinesePrefix)) {
        return Join(profile_word, DropUtf16Prefix(stored_name, Utf16Length(kChinesePrefix)));
    }
    return std::string(stored_name);
}

ProfileList LoadProfileList(ProfileStore& store, std::string_view profile_word) {
    // Held throughout: a file switched in between finding no profiles and creating them would
    // receive a second set of five.
    const auto lock = store.Lock();
    std::vector<ProfileRecord> records;
    if (store.LoadProfiles(records) < 1) {
        std::vector<std::string> names;
        for (int n = 1; n <= kDefaultProfiles; ++n) {
            names.push_back(Join(profile_word, std::to_string(n)));
        }
        store.CreateDefaultProfiles(names);
        store.LoadProfiles(records);
    }
    store.RestoreMissingSettings();

    ProfileList list;
    for (const ProfileRecord& record : records) {
        list.entries.push_back({record.profile_id, ProfileDisplayName(record.name, profile_word)});
    }
    list.active_profile = store.GetActiveProfile();
    if (list.active_profile < 1) {
        store.SetActiveProfile(1);
        list.active_profile = store.GetActiveProfile();
    }
    return list;
}

}  // namespace veltra
