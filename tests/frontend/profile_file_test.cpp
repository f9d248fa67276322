#include "frontend/profile_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "common/file_io.h"
#include "common/text.h"
#include "frontend/lighting_effects.h"
#include "store/settings_defaults.h"
#include "store/store_fixture.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;

constexpr int kDeviceType = 101;  // the family with 500..12000 DPI
const fs::path kData = fs::path(VELTRA_TEST_DATA_DIR) / "profile";

std::string Lang(int id) {
    return "text " + std::to_string(id);
}

// Every setting a profile file carries.
const std::vector<std::string>& FileKeys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> list = {
            "dpi_flag",           "dpi_index",         "dpi_count",
            "button_respondtime", "report_rate",       "report_rate_wireless",
            "sensor_flag",        "liftoff_height",    "scroll_flag",
            "e-sports_flag",      "leftbtn_lock",      "sleep_light",
            "mouse_speed",        "mouse_sensitivity", "wheel_scrollflag",
            "wheel_scrolllines",  "doubleclick_time"};
        for (int level = 0; level < 6; ++level) {
            list.push_back(DpiGroupValueKey(level));
            list.push_back(DpiGroupRgbKey(level));
            list.push_back(DpiGroupRgbIndexKey(level));
        }
        return list;
    }();
    return keys;
}

// What a profile holds that a file carries, for comparing before and after.
struct Snapshot {
    std::vector<std::vector<int>> keys;
    std::vector<std::string> descs;
    std::vector<std::vector<int>> lights;
    int active_light = 0;
    std::map<std::string, std::string> settings;
    bool operator==(const Snapshot&) const = default;
};

class ProfileFileTest : public test::StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        ASSERT_TRUE(Open("Mouse", kDeviceType));
        ASSERT_TRUE(store_.CreateDefaultProfiles({"Profile 1", "Profile 2"}));
        ASSERT_EQ(EnsureLightEffects(store_, 1, true, Lang), 7);
    }

    // The profile the reference file was exported from.
    void FillProfile(int profile) {
        Key(profile, 1, 2, 67, 1, 0, "Ctrl + C");
        Key(profile, 3, 3, 5, 0, 0, "音量+ & <mute> \"loud\"");
        Key(profile, 4, 8, 2049, 5, 20, "Rapid fire");
        LightMode row;
        ASSERT_TRUE(store_.LoadLightMode(profile, 1, row));
        row.brightness = 128;
        row.speed = 30;
        row.color_value = 0x00FF00;
        ASSERT_TRUE(store_.UpdateLightMode(profile, 1, row));
        ASSERT_TRUE(store_.SetActiveLightMode(profile, 1));
        Set(profile, "dpi_group2_value", "3200");
        Set(profile, "dpi_group2_rgb", "16711680");
        Set(profile, "dpi_group2_rgbindex", "11");
        Set(profile, "dpi_index", "2");
        Set(profile, "report_rate", "1");
        Set(profile, "report_rate_wireless", "1");
        Set(profile, "mouse_speed", "14");
        Set(profile, "doubleclick_time", "410");
    }

    void Key(int profile, int code, int type, int value, int value2, int value3,
             const std::string& desc) {
        KeyAssignment key;
        key.profile = profile;
        key.key_code = code;
        key.macro_type = type;
        key.macro_value = value;
        key.macro_value2 = value2;
        key.macro_value3 = value3;
        key.macro_desc = desc;
        ASSERT_NE(store_.SaveKeyAssignment(key), 0);
    }

    void Set(int profile, const std::string& key, const std::string& value) {
        ASSERT_TRUE(store_.SetConfig(profile, key, value)) << key;
    }

    std::string Get(int profile, const std::string& key) {
        std::string value;
        store_.GetConfig(profile, key, value);
        return value;
    }

    Snapshot Take(int profile) {
        Snapshot snapshot;
        std::vector<KeyAssignment> keys;
        store_.LoadKeyAssignments(profile, 0, keys);
        for (const KeyAssignment& k : keys) {
            snapshot.keys.push_back(
                {k.key_code, k.macro_type, k.macro_value, k.macro_value2, k.macro_value3});
            snapshot.descs.push_back(k.macro_desc);
        }
        std::vector<LightMode> lights;
        store_.LoadLightModes(profile, lights);
        for (const LightMode& m : lights) {
            snapshot.lights.push_back({m.mode, m.brightness, m.speed, m.direction, m.colorful,
                                       m.colorindex, m.color_value});
        }
        snapshot.active_light = store_.GetActiveLightMode(profile);
        for (const std::string& key : FileKeys()) {
            snapshot.settings[key] = Get(profile, key);
        }
        return snapshot;
    }

    ProfileExport ExportOf(int profile, bool lighting = true) {
        return {
            .profile = profile, .key_profile = profile, .name = "Profile 1", .lighting = lighting};
    }

    ProfileImport Target(int profile, bool lighting = true) {
        return {.profile = profile, .device_type = kDeviceType, .lighting = lighting, .lang = Lang};
    }

    ProfileImportResult ImportText(const std::string& bytes, int profile = 1,
                                   bool lighting = true) {
        const fs::path file = dir_.path() / "in.xml";
        EXPECT_TRUE(WriteFileAtomically(file, bytes));
        return ImportProfile(store_, file, Target(profile, lighting));
    }

    // A file of the exported layout with `body` as the children of profileinfo.
    static std::string Wrap(const std::string& body) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<profile>\r\n"
               "<profileinfo name=\"P\">\r\n" +
               body + "</profileinfo>\r\n</profile>\r\n";
    }
};

TEST_F(ProfileFileTest, ExportWritesTheReferenceFileByteForByte) {
    FillProfile(1);
    const fs::path file = dir_.path() / "out.xml";
    ASSERT_EQ(ExportProfile(store_, file, ExportOf(1)), ProfileFileError::kNone);
    const std::optional<std::string> written = ReadWholeFile(file);
    const std::optional<std::string> reference = ReadWholeFile(kData / "exported.xml");
    ASSERT_TRUE(written && reference);
    EXPECT_EQ(*written, *reference);
    // The declaration line, then the document element on the next line.
    EXPECT_TRUE(
        written->starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<profile>\r\n"));
    // A file the user passes on is readable as the umask allows, not private.
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    const mode_t umask_now = ::umask(0);
    ::umask(umask_now);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~umask_now);

    // A model without lighting writes no lighting section.
    const std::string plain = ProfileFileText(store_, ExportOf(1, false));
    EXPECT_EQ(plain.find("Lightitems"), std::string::npos);
    EXPECT_NE(plain.find("<Mouse_DPI "), std::string::npos);
}

TEST_F(ProfileFileTest, ExportAndImportIntoTheSameProfileRestoreEverything) {
    FillProfile(1);
    const Snapshot before = Take(1);
    const fs::path file = dir_.path() / "round.xml";
    ASSERT_EQ(ExportProfile(store_, file, ExportOf(1)), ProfileFileError::kNone);

    // Change everything the file carries.
    ASSERT_TRUE(store_.DeleteKeyAssignments(1));
    Key(1, 2, 10, 1, 0, 0, "Disabled");
    for (int mode = 0; mode < 7; ++mode) {
        ASSERT_EQ(SetLightEffectValue(store_, 1, mode, LightSetting::Brightness, 7),
                  LightWrite::Stored);
    }
    ASSERT_EQ(ChooseLightEffect(store_, 1, 5), LightWrite::Stored);
    for (int level = 0; level < 6; ++level) {
        Set(1, DpiGroupValueKey(level), "600");
        Set(1, DpiGroupRgbKey(level), "65280");
        Set(1, DpiGroupRgbIndexKey(level), "6");
    }
    for (const char* key :
         {"dpi_flag", "dpi_index", "dpi_count", "button_respondtime", "report_rate",
          "report_rate_wireless", "sensor_flag", "liftoff_height", "scroll_flag", "e-sports_flag",
          "leftbtn_lock", "sleep_light", "mouse_speed", "mouse_sensitivity", "wheel_scrollflag",
          "wheel_scrolllines"}) {
        Set(1, key, "1");
    }
    Set(1, "doubleclick_time", "700");
    ASSERT_NE(Take(1), before);

    const ProfileImportResult result = ImportProfile(store_, file, Target(1));
    ASSERT_TRUE(result.ok()) << ProfileFileErrorText(result.error);
    EXPECT_EQ(result.name, "Profile 1");
    EXPECT_EQ(result.keys, 3);
    EXPECT_EQ(result.light_modes, 7);
    EXPECT_TRUE(result.corrected.empty());
    EXPECT_TRUE(result.kept.empty());
    EXPECT_EQ(Take(1), before);
}

TEST_F(ProfileFileTest, KeysOfAnotherProfileAndEverythingElseOfTheCurrentOne) {
    FillProfile(1);
    Key(2, 2, 10, 1, 0, 0, "Disabled");
    ProfileExport request = ExportOf(1);
    request.key_profile = 2;
    const std::string text = ProfileFileText(store_, request);
    EXPECT_NE(text.find("<item key_code=\"2\" macro_type=\"10\""), std::string::npos);
    EXPECT_EQ(text.find("Ctrl + C"), std::string::npos);
    EXPECT_NE(text.find("<DPI3 value=\"3200\" color=\"16711680\"/>"), std::string::npos);
}

TEST_F(ProfileFileTest, SectionsAndElementsMissingOrOutOfOrderKeepTheStoredValues) {
    FillProfile(1);
    Set(1, "dpi_group1_value", "1000");
    Set(1, "dpi_group2_value", "1100");
    // No report_rate; sensor_flag without its value; DPI3 before DPI2; no lighting section.
    const ProfileImportResult result = ImportText(Wrap(
        "<Mouse_DPI dpi_flag=\"7\" dpi_index=\"1\" dpi_count=\"6\">\r\n"
        "<DPI1 value=\"900\" color=\"255\"/>\r\n<DPI3 value=\"3300\" color=\"255\"/>\r\n"
        "<DPI2 value=\"2200\" color=\"65280\"/>\r\n</Mouse_DPI>\r\n"
        "<Mouse>\r\n<button_respondtime value=\"6\"/>\r\n<report_rate_wireless value=\"2\"/>\r\n"
        "<sensor_flag/>\r\n</Mouse>\r\n"));
    ASSERT_TRUE(result.ok()) << ProfileFileErrorText(result.error);
    EXPECT_EQ(Get(1, "report_rate"), "1");
    EXPECT_EQ(Get(1, "report_rate_wireless"), "2");
    EXPECT_EQ(Get(1, "button_respondtime"), "6");
    EXPECT_EQ(Get(1, "sensor_flag"), DefaultConfigValue(kDeviceType, "sensor_flag"));
    EXPECT_EQ(result.kept, std::vector<std::string>{"sensor_flag"});
    EXPECT_EQ(Get(1, "dpi_group0_value"), "900");
    EXPECT_EQ(Get(1, "dpi_group1_value"), "2200");
    EXPECT_EQ(Get(1, "dpi_group1_rgbindex"), "6");
    EXPECT_EQ(Get(1, "dpi_group2_value"), "1100");
    EXPECT_EQ(Get(1, "dpi_flag"), "7");
    EXPECT_EQ(Get(1, "mouse_speed"), "14");
    // Lighting was not in the file; the buttons are all back to their factory functions.
    EXPECT_EQ(store_.GetActiveLightMode(1), 1);
    std::vector<KeyAssignment> keys;
    EXPECT_EQ(store_.LoadKeyAssignments(1, 0, keys), 0);
}

TEST_F(ProfileFileTest, NumbersAreBroughtIntoTheirRangesAndColoursOntoThePalette) {
    const ProfileImportResult result = ImportText(Wrap(
        "<Mouse_DPI dpi_flag=\"0\" dpi_index=\"99999999999999999999999\" dpi_count=\" 5 \">\r\n"
        "<DPI1 value=\"0\" color=\"#FE0101\"/>\r\n<DPI2 value=\"99999\" color=\"banana\"/>\r\n"
        "<DPI3 value=\"377\" color=\"-5\"/>\r\n<DPI4 value=\"20\"/>\r\n</Mouse_DPI>\r\n"
        "<Mouse>\r\n<report_rate value=\"-3\"/>\r\n<sleep_light value=\"12abc\"/>\r\n</Mouse>\r\n"
        "<mouse_properties>\r\n<doubleclick_time value=\"50\"/>\r\n</mouse_properties>\r\n"));
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(Get(1, "dpi_flag"), "1");
    EXPECT_EQ(Get(1, "dpi_index"), "7");
    EXPECT_EQ(Get(1, "dpi_count"), "5");
    // "Not set" shows the family's level on the page; that is what is stored.
    EXPECT_EQ(Get(1, "dpi_group0_value"), "1200");
    EXPECT_EQ(Get(1, "dpi_group0_rgb"), "255");  // red, the nearest palette colour
    EXPECT_EQ(Get(1, "dpi_group0_rgbindex"), "1");
    // The range is what the mouse holds, a byte of 50s: the slider's ends do not bind, since
    // the mouse itself may report such values, and a value stays off the slider's steps.
    EXPECT_EQ(Get(1, "dpi_group1_value"), "12750");
    EXPECT_EQ(Get(1, "dpi_group2_value"), "377");
    EXPECT_EQ(Get(1, "dpi_group3_value"), "50");
    EXPECT_EQ(Get(1, "dpi_group1_rgb"), DefaultConfigValue(kDeviceType, "dpi_group1_rgb"));
    EXPECT_EQ(Get(1, "dpi_group2_rgb"), DefaultConfigValue(kDeviceType, "dpi_group2_rgb"));
    EXPECT_EQ(Get(1, "report_rate"), "0");
    EXPECT_EQ(Get(1, "sleep_light"), DefaultConfigValue(kDeviceType, "sleep_light"));
    EXPECT_EQ(Get(1, "doubleclick_time"), "200");
    EXPECT_EQ(result.kept, (std::vector<std::string>{"dpi_group1_rgb", "dpi_group2_rgb",
                                                     "dpi_group3_rgb", "sleep_light"}));
}

TEST_F(ProfileFileTest, LightingGoesOnlyIntoAModelWithLightingAndOnlyIntoEffectsItHas) {
    const std::string lights = Wrap(
        "<Lightitems lightmode=\"3\">\r\n"
        "<item light_mode=\"3\" brightness=\"999\" speed=\"-1\" direction=\"1\" colorful=\"0\" "
        "colorindex=\"2\" color_value=\"16776960\"/>\r\n"
        "<item light_mode=\"42\" brightness=\"1\" speed=\"1\" direction=\"1\" colorful=\"1\" "
        "colorindex=\"1\" color_value=\"1\"/>\r\n</Lightitems>\r\n");
    // Into a model without lighting the section does not count: nothing else is in the file.
    EXPECT_EQ(ImportText(lights, 1, false).error, ProfileFileError::kNoSections);
    EXPECT_EQ(store_.GetActiveLightMode(1), 0);

    // Profile 2 never had its effects: they are made, then the file's values go in.
    const ProfileImportResult result = ImportText(lights, 2, true);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.light_modes, 1);
    EXPECT_EQ(store_.CountLightModes(2), 7);
    EXPECT_EQ(store_.GetActiveLightMode(2), 3);
    const std::optional<LightMode> row = LoadLightEffect(store_, 2, 3);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->brightness, 255);
    EXPECT_EQ(row->speed, 0);
    EXPECT_EQ(row->colorindex, 2);
    EXPECT_EQ(row->color_value, 16776960);

    // An active effect the profile does not have leaves the active one.
    ASSERT_TRUE(ImportText(Wrap("<Lightitems lightmode=\"9\"/>\r\n"), 2, true).ok());
    EXPECT_EQ(store_.GetActiveLightMode(2), 3);
}

TEST_F(ProfileFileTest, EveryEncodingTheReaderDetectsIsRead) {
    for (const char* name : {"utf16le_bom.xml", "utf16be_bom.xml", "utf8_bom.xml"}) {
        SCOPED_TRACE(name);
        const ProfileImportResult result = ImportProfile(store_, kData / name, Target(1));
        ASSERT_TRUE(result.ok()) << ProfileFileErrorText(result.error);
        EXPECT_EQ(result.name, "配置  1");
        std::vector<KeyAssignment> keys;
        ASSERT_EQ(store_.LoadKeyAssignments(1, 0, keys), 1);
        EXPECT_EQ(keys[0].macro_desc, "音量+");
        EXPECT_EQ(Get(1, "mouse_speed"), "12");
    }
}

TEST_F(ProfileFileTest, FilesThatAreNoProfileChangeNothing) {
    FillProfile(1);
    const Snapshot before = Take(1);
    const std::string good = *ReadWholeFile(kData / "exported.xml");
    std::string ten_thousand = "<keyitems>\r\n";
    for (int i = 0; i < 10000; ++i) {
        ten_thousand += "<item key_code=\"" + std::to_string(i % 6) +
                        "\" macro_type=\"1\" macro_value=\"1\" macro_value2=\"0\" "
                        "macro_value3=\"0\" macro_desc=\"x\"/>\r\n";
    }
    ten_thousand += "</keyitems>\r\n";
    std::string deep = "<profile><profileinfo>";
    for (int i = 0; i < 100000; ++i) {
        deep += "<a>";
    }
    for (int i = 0; i < 100000; ++i) {
        deep += "</a>";
    }
    deep += "</profileinfo></profile>";
    const struct {
        const char* what;
        std::string bytes;
        ProfileFileError error;
    } cases[] = {
        {"empty", "", ProfileFileError::kMalformed},
        {"truncated", good.substr(0, good.size() / 2), ProfileFileError::kMalformed},
        {"binary", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), ProfileFileError::kMalformed},
        {"foreign root", "<macro><profileinfo><keyitems/></profileinfo></macro>",
         ProfileFileError::kNotAProfile},
        {"no profileinfo", "<profile><keyitems/></profile>", ProfileFileError::kNotAProfile},
        {"no section", Wrap("<Other/>\r\n"), ProfileFileError::kNoSections},
        {"sections inside the wrong element",
         "<profile><profileinfo><x><keyitems/><Mouse/></x></profileinfo></profile>",
         ProfileFileError::kNoSections},
        {"ten thousand items", Wrap(ten_thousand), ProfileFileError::kInvalidItems},
        {"huge key code",
         Wrap("<keyitems>\r\n<item key_code=\"4294967297\" macro_type=\"1\" macro_value=\"1\"/>"
              "\r\n</keyitems>\r\n"),
         ProfileFileError::kInvalidItems},
        {"huge value",
         Wrap("<keyitems>\r\n<item key_code=\"1\" macro_type=\"1\" "
              "macro_value=\"99999999999999999999\"/>\r\n</keyitems>\r\n"),
         ProfileFileError::kInvalidItems},
        {"text for a number",
         Wrap("<Lightitems lightmode=\"1\">\r\n<item light_mode=\"one\"/>\r\n</Lightitems>\r\n"),
         ProfileFileError::kInvalidItems},
        {"deep nesting", deep, ProfileFileError::kNoSections},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ImportText(c.bytes).error, c.error);
        EXPECT_EQ(Take(1), before);
    }
    const ProfileImport target = Target(1);
    EXPECT_EQ(ImportProfile(store_, dir_.path() / "missing.xml", target).error,
              ProfileFileError::kUnreadable);
    EXPECT_EQ(ImportProfile(store_, dir_.path(), target).error, ProfileFileError::kUnreadable);
    EXPECT_EQ(Take(1), before);
}

TEST_F(ProfileFileTest, AStoreThatRefusesAWriteKeepsNothingOfTheImport) {
    FillProfile(1);
    const Snapshot before = Take(1);
    const std::string good = *ReadWholeFile(kData / "exported.xml");
    ProfileFileError error = ProfileFileError::kNone;
    const std::optional<ProfileFile> parsed = ParseProfileFile(good, true, error);
    ASSERT_TRUE(parsed);
    // The settings come last: the buttons and lighting were written when this write fails.
    SQLiteDB other;
    ASSERT_TRUE(other.Open(File().c_str(), {}, SQLITE_OPEN_READWRITE));
    ASSERT_EQ(other.Exec("ALTER TABLE t_configdata RENAME TO t_aside"), SQLITE_OK);
    EXPECT_EQ(ApplyProfileFile(store_, *parsed, Target(1)).error, ProfileFileError::kStoreFailed);
    ASSERT_EQ(other.Exec("ALTER TABLE t_aside RENAME TO t_configdata"), SQLITE_OK);
    EXPECT_EQ(Take(1), before);
}

TEST_F(ProfileFileTest, AFailedExportLeavesTheOldFileAndNoTemporaryFile) {
    FillProfile(1);
    EXPECT_EQ(ExportProfile(store_, dir_.path() / "gone" / "p.xml", ExportOf(1)),
              ProfileFileError::kWriteFailed);
    // A folder under the chosen name cannot be replaced by the file.
    const fs::path taken = dir_.path() / "taken.xml";
    fs::create_directories(taken / "inside");
    EXPECT_EQ(ExportProfile(store_, taken, ExportOf(1)), ProfileFileError::kWriteFailed);
    EXPECT_TRUE(fs::is_directory(taken / "inside"));
    // A file keeps its permissions when it is replaced.
    const fs::path file = dir_.path() / "kept.xml";
    ASSERT_TRUE(WriteFileAtomically(file, "old"));
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    ASSERT_EQ(ExportProfile(store_, file, ExportOf(1)), ProfileFileError::kNone);
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir_.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"db", "kept.xml", "taken.xml"}));
}

TEST(ProfileFileName, SuggestedNamesStayInTheChosenFolder) {
    EXPECT_EQ(SuggestedProfileFileName("配置  1"), "配置  1.xml");
    EXPECT_EQ(SuggestedProfileFileName("../../etc/passwd"), "_.._etc_passwd.xml");
    EXPECT_EQ(SuggestedProfileFileName("a/b\\c:d*e?f\"g<h>i|j\tk"), "a_b_c_d_e_f_g_h_i_j_k.xml");
    EXPECT_EQ(SuggestedProfileFileName(".."), "profile.xml");
    EXPECT_EQ(SuggestedProfileFileName(" . "), "profile.xml");
    EXPECT_EQ(SuggestedProfileFileName(""), "profile.xml");
}

}  // namespace
}  // namespace veltra
