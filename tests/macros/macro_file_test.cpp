#include "macro/macro_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/file_io.h"
#include "macro/macro_store.h"
#include "store/store_fixture.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(VELTRA_TEST_DATA_DIR) / "macro";

// The macro the reference file was exported from.
const std::vector<MacroStep>& ReferenceSteps() {
    static const std::vector<MacroStep> steps = {
        {"\xE2\x86\x93  A", 2, 4, 1000},  // ↓  A
        {" -   150 ms", 1, 150, 1001},
        {"\xE2\x86\x91  A", 3, 4, 1000},  // ↑  A
        {"\xE2\x86\x93  LB", 4, 1, 1002},
        {"\xE6\xBB\x9A\xE8\xBD\xAE <&\"up\">", 6, 1, 1003},  // 滚轮, with characters to escape
        {"\xE2\x86\x90  5,\xE2\x86\x91  3", 12, 0x8385, 1004},
    };
    return steps;
}

MacroInfo ReferenceSettings() {
    MacroInfo info;
    info.name = "Custom3";
    info.play_type = static_cast<int>(PlayType::Times);
    info.play_times = 5;
    info.delay_type = kFixedDelay;
    info.delay_time = 25;
    return info;
}

class MacroFileTest : public test::StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        ASSERT_TRUE(Open("Mouse", 101));
    }

    int Create(const MacroInfo& info, const std::vector<MacroStep>& steps) {
        MacroChange outcome = MacroChange::kDone;
        const int id = CreateMacroWithSteps(store_, info, steps, outcome);
        EXPECT_EQ(outcome, MacroChange::kDone);
        return id;
    }

    int Import(const fs::path& path, MacroFileError& error) {
        return ImportMacro(store_, path, "Custom", error);
    }

    // Writes `text` as a file and imports it.
    int ImportText(const std::string& text, MacroFileError& error) {
        const fs::path path = dir_ / "in.xml";
        test::WriteFile(path, text);
        return Import(path, error);
    }
};

std::string Item(const std::string& attributes) {
    return "<item " + attributes + "/>\r\n";
}

std::string FileWith(const std::string& items, const std::string& info = "macro_name=\"m\"") {
    return "<?xml version=\"1.0\"?><macro><macroinfo " + info + "/><macroitems>" + items +
           "</macroitems></macro>";
}

TEST_F(MacroFileTest, ExportWritesTheReferenceFileByteForByte) {
    const int id = Create(ReferenceSettings(), ReferenceSteps());
    // The file names the macro as the list shows it: the language's word for "Custom".
    const std::optional<std::string> text = MacroFileText(store_, id, "Eigene3");
    ASSERT_TRUE(text.has_value());
    const std::optional<std::string> reference = ReadWholeFile(kData / "exported.xml");
    ASSERT_TRUE(reference.has_value());
    EXPECT_EQ(*text, *reference);

    EXPECT_FALSE(MacroFileText(store_, id + 1, "x").has_value());
    const int empty = Create(ReferenceSettings(), {});
    EXPECT_NE(MacroFileText(store_, empty, "x")->find("<macroitems/>\r\n"), std::string::npos);
}

TEST_F(MacroFileTest, ExportThenImportGivesTheSameMacro) {
    const int id = Create(ReferenceSettings(), ReferenceSteps());
    fs::path written;
    ASSERT_EQ(ExportMacro(store_, id, "Custom3", dir_.path(), 123456, written),
              MacroFileError::kNone);
    EXPECT_EQ(written, dir_ / "Custom3-123456.xml");

    MacroFileError error = MacroFileError::kNone;
    const int imported = Import(written, error);
    ASSERT_GT(imported, id) << MacroFileErrorText(error);
    MacroInfo original;
    MacroInfo copy;
    ASSERT_TRUE(store_.LoadMacro(id, original));
    ASSERT_TRUE(store_.LoadMacro(imported, copy));
    copy.macro_id = original.macro_id;
    EXPECT_EQ(copy.name, original.name);
    EXPECT_EQ(copy.play_type, original.play_type);
    EXPECT_EQ(copy.play_times, original.play_times);
    EXPECT_EQ(copy.delay_type, original.delay_type);
    EXPECT_EQ(copy.delay_time, original.delay_time);
    EXPECT_EQ(LoadMacroSteps(store_, imported), ReferenceSteps());
}

TEST_F(MacroFileTest, ExportStaysInTheFolderAndNeverReplacesAFile) {
    const int id = Create(ReferenceSettings(), {});
    const fs::path folder = dir_ / "out";
    fs::create_directories(folder);
    const struct {
        std::string name;
        std::string file;
    } cases[] = {
        {"a/../b", "a_.._b-7.xml"},
        {"..", "macro-7.xml"},
        {"", "macro-7.xml"},
        {"Custom3", "Custom3-7.xml"},
        {"Custom3", "Custom3-7-2.xml"},
        {"Custom3", "Custom3-7-3.xml"},
    };
    for (const auto& c : cases) {
        const fs::path expected = folder / c.file;
        const bool existed = fs::exists(expected);
        fs::path written;
        ASSERT_EQ(ExportMacro(store_, id, c.name, folder, 7, written), MacroFileError::kNone)
            << c.name;
        if (!existed) {
            EXPECT_EQ(written, expected) << c.name;
        }
        EXPECT_EQ(written.parent_path(), folder) << c.name;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 6);

    fs::path written;
    EXPECT_EQ(ExportMacro(store_, id + 1, "x", folder, 7, written), MacroFileError::kNotFound);
    EXPECT_EQ(ExportMacro(store_, id, "x", dir_ / "missing", 7, written),
              MacroFileError::kWriteFailed);
}

TEST_F(MacroFileTest, ImportReadsEveryEncodingTheReaderDetects) {
    for (const char* name :
         {"exported.xml", "utf8_bom.xml", "utf16le_bom.xml", "utf16be_bom.xml"}) {
        MacroFileError error = MacroFileError::kNone;
        const int id = Import(kData / name, error);
        ASSERT_GT(id, 0) << name << ": " << MacroFileErrorText(error);
        MacroInfo info;
        ASSERT_TRUE(store_.LoadMacro(id, info));
        EXPECT_EQ(info.name, "Eigene3") << name;
        EXPECT_EQ(info.delay_time, 25) << name;
        EXPECT_EQ(LoadMacroSteps(store_, id), ReferenceSteps()) << name;
    }
}

TEST_F(MacroFileTest, AFileThatCannotBeUsedChangesNothing) {
    Create(ReferenceSettings(), ReferenceSteps());
    const std::string good = *ReadWholeFile(kData / "exported.xml");
    std::string many_steps;
    for (int i = 0; i <= kRecordLimitAtStart; ++i) {
        many_steps += Item("type=\"1\" value=\"10\"");
    }
    std::string ten_thousand = many_steps;
    for (int i = kRecordLimitAtStart + 1; i < 10000; ++i) {
        ten_thousand += Item("type=\"1\" value=\"10\"");
    }
    const struct {
        std::string text;
        MacroFileError error;
    } cases[] = {
        {good.substr(0, good.size() / 2), MacroFileError::kMalformed},
        {std::string("\x00\xFF\x13\x80garbage\x01", 12), MacroFileError::kMalformed},
        {"", MacroFileError::kMalformed},
        {"<profile><macroinfo/></profile>", MacroFileError::kNotAMacro},
        {"<macro><macroitems/></macro>", MacroFileError::kNotAMacro},
        {FileWith(many_steps), MacroFileError::kTooManySteps},
        {FileWith(ten_thousand), MacroFileError::kTooManySteps},
        {FileWith(Item("type=\"13\" value=\"1\"")), MacroFileError::kUnknownStep},
        {FileWith(Item("type=\"1\"") + Item("value=\"1\"")), MacroFileError::kUnknownStep},
        {FileWith(Item("type=\"2\" value=\"0x41\"")), MacroFileError::kInvalidNumber},
        {FileWith(Item("type=\"2\" value=\"4\" index=\"1.5\"")), MacroFileError::kInvalidNumber},
        {FileWith(Item("type=\"1\" value=\"10\" timestamp=\"99999999999\"")),
         MacroFileError::kInvalidNumber},
        {FileWith("", "macro_name=\"m\" play_times=\"many\""), MacroFileError::kInvalidNumber},
    };
    for (const auto& c : cases) {
        MacroFileError error = MacroFileError::kNone;
        EXPECT_EQ(ImportText(c.text, error), 0) << c.text.substr(0, 200);
        EXPECT_EQ(error, c.error) << c.text.substr(0, 200);
    }
    MacroFileError error = MacroFileError::kNone;
    EXPECT_EQ(Import(dir_ / "missing.xml", error), 0);
    EXPECT_EQ(error, MacroFileError::kUnreadable);
    EXPECT_EQ(Import(dir_.path(), error), 0);
    EXPECT_EQ(error, MacroFileError::kUnreadable);

    EXPECT_EQ(Count("t_macro_data"), 1);
    EXPECT_EQ(Count("t_macrorecord"), static_cast<int>(ReferenceSteps().size()));
}

TEST_F(MacroFileTest, NumbersAreBroughtIntoTheRangesTheUploadEncodes) {
    const std::string items =
        Item("desc=\"d\" type=\"1\" value=\"0\"") + Item("type=\"1\" value=\"70000\"") +
        Item("type=\"2\" value=\"300\"") + Item("type=\"5\" value=\"-4\"") +
        Item("type=\"4\" value=\"3\"") + Item("type=\"6\" value=\"9\"") +
        Item("type=\"7\" value=\"1\"") + Item("type=\"8\" value=\"0\"") +
        Item("type=\"11\" value=\"500\"") + Item("type=\"12\" value=\"-1\"") +
        Item("type=\"12\" value=\"70000\"") + Item("type=\" 9 \" value=\" 12 \" timestamp=\"-5\"");
    const std::vector<std::pair<int, int>> expected = {{1, 1},    {1, 31000}, {2, 255},    {5, 0},
                                                       {4, 3},    {6, 1},     {7, 255},    {8, 1},
                                                       {11, 127}, {12, 0},    {12, 65535}, {9, 12}};
    const std::string info =
        "macro_name=\"m\" macro_type=\"7\" play_times=\"5000\" delay_type=\"-1\" "
        "delay_time=\"20000\"";
    MacroFileError error = MacroFileError::kNone;
    const int id = ImportText(FileWith(items, info), error);
    ASSERT_GT(id, 0) << MacroFileErrorText(error);
    const std::vector<MacroStep> steps = LoadMacroSteps(store_, id);
    ASSERT_EQ(steps.size(), expected.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i].type, expected[i].first) << i;
        EXPECT_EQ(steps[i].value, expected[i].second) << i;
    }
    EXPECT_EQ(steps.back().timestamp, -5);
    MacroInfo stored;
    ASSERT_TRUE(store_.LoadMacro(id, stored));
    EXPECT_EQ(stored.play_type, 0);
    EXPECT_EQ(stored.play_times, kMaxMacroFilePlayTimes);
    EXPECT_EQ(stored.delay_type, static_cast<int>(DelayType::RecordedDelays));
    EXPECT_EQ(stored.delay_time, kMaxEditedDelay);

    // Missing settings: played once, no fixed pause.
    const int bare = ImportText("<macro><macroinfo macro_name=\"m\"/></macro>", error);
    ASSERT_TRUE(store_.LoadMacro(bare, stored));
    EXPECT_EQ(stored.play_times, 1);
    EXPECT_EQ(stored.delay_type, 0);
    EXPECT_TRUE(LoadMacroSteps(store_, bare).empty());
}

TEST_F(MacroFileTest, StepsFollowTheirIndexThenFileOrder) {
    // Equal indices keep the file's order, so a file without indices keeps it too.
    const std::string items = Item("desc=\"c\" index=\"2\" type=\"1\" value=\"3\"") +
                              Item("desc=\"a\" index=\"0\" type=\"1\" value=\"1\"") +
                              Item("desc=\"b1\" index=\"1\" type=\"1\" value=\"2\"") +
                              Item("desc=\"b2\" index=\"1\" type=\"1\" value=\"2\"") +
                              Item("desc=\"z\" index=\"-3\" type=\"1\" value=\"2\"");
    MacroFileError error = MacroFileError::kNone;
    const int id = ImportText(FileWith(items), error);
    std::string order;
    for (const MacroStep& step : LoadMacroSteps(store_, id)) {
        order += step.text + " ";
    }
    EXPECT_EQ(order, "z a b1 b2 c ");

    // The steps may also stand inside macroinfo.
    const int inside =
        ImportText("<macro><macroinfo macro_name=\"m\"><macroitems>" +
                       Item("type=\"1\" value=\"5\"") + "</macroitems></macroinfo></macro>",
                   error);
    EXPECT_EQ(LoadMacroSteps(store_, inside).size(), 1u);
}

TEST_F(MacroFileTest, NamesAndTextsAreKeptWithinBounds) {
    MacroFileError error = MacroFileError::kNone;
    const std::string long_text(1000, 'x');
    const int id = ImportText(FileWith(Item("desc=\"" + long_text + "\" type=\"1\" value=\"5\""),
                                       "macro_name=\"" + long_text + "\""),
                              error);
    MacroInfo info;
    ASSERT_TRUE(store_.LoadMacro(id, info));
    EXPECT_EQ(info.name.size(), kMaxMacroFileText);
    EXPECT_EQ(LoadMacroSteps(store_, id).at(0).text.size(), kMaxMacroFileText);

    // A file without a name gets the next "Custom N", as a new macro would.
    const int unnamed = ImportText(FileWith("", "macro_name=\"\""), error);
    ASSERT_TRUE(store_.LoadMacro(unnamed, info));
    EXPECT_EQ(info.name, "Custom 2");
}

TEST_F(MacroFileTest, TheThirtyThirdMacroIsRefused) {
    for (int i = 0; i < kMaxMacros; ++i) {
        ASSERT_GT(Create(ReferenceSettings(), {}), 0);
    }
    MacroFileError error = MacroFileError::kNone;
    EXPECT_EQ(Import(kData / "exported.xml", error), 0);
    EXPECT_EQ(error, MacroFileError::kTooManyMacros);
    EXPECT_EQ(Count("t_macro_data"), kMaxMacros);
    EXPECT_EQ(Count("t_macrorecord"), 0);
}

}  // namespace
}  // namespace veltra
