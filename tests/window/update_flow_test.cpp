// The update message over the window: the prompt and its texts, the download on the worker with
// its progress dialog, Cancel, the normal end once the update started, and what the user is
// told when the address does not open, the package is not the published one or brings nothing.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <random>
#include <regex>

#include "config/language.h"
#include "frontend/update_link.h"
#include "support/update_server.h"
#include "support/zip_builder.h"
#include "ui/dialogs/download_dialog.h"
#include "ui/window/update_flow.h"
#include "window/window_fixture.h"

namespace veltra::ui::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kUpdateMessage = 1692;

test::ZipEntryOptions Executable() {
    test::ZipEntryOptions options;
    options.unix_mode = S_IFREG | 0755;
    return options;
}

// A program folder that is the build's but for the update address in config.xml.
class UpdateFlowTest : public WindowTest {
  protected:
    UpdateFlowTest() {
        fs::create_directories(served_);
        fs::create_directories(program_folder_);
        for (const char* name : {"device", "language", "skins"}) {
            fs::create_directory_symlink(fs::path(VELTRA_BIN_DIR) / name, program_folder_ / name);
        }
        UseAddress("");
    }

    // Serves `served_` (under `prefix`, a flag of the test server) and names it in config.xml.
    void Serve(const std::string& prefix = "") {
        server_ = std::make_unique<test::UpdateServer>(served_);
        ASSERT_TRUE(server_->ready());
        UseAddress(server_->Address() + prefix);
    }

    void UseAddress(const std::string& address) {
        std::string config = test::ReadFile(fs::path(VELTRA_BIN_DIR) / "config.xml");
        config = std::regex_replace(config, std::regex("<upgrade url=\"[^\"]*\""),
                                    "<upgrade url=\"" + address + "\"");
        test::WriteFile(program_folder_ / "config.xml", config);
    }

    // The payload does not compress, so the archive takes its size on the wire.
    void PublishDriver(const std::string& version, const std::string& program,
                       std::size_t payload = 40000) {
        std::string bytes(payload, '\0');
        std::mt19937 random(7);
        for (char& byte : bytes) {
            byte = static_cast<char>(random());
        }
        {
            test::ZipBuilder zip(served_ / ArchiveName(UpdatePackage::Driver, version));
            zip.Add(program, "#!/bin/sh\n", Executable());
            zip.Add("payload.bin", bytes);
        }
        test::PublishManifest(served_, {{UpdatePackage::Driver, version, ""}});
    }

    bool UpdateIdle() {
        return WaitUntil([this] { return !window_->Updates().Busy(); });
    }

    fs::path served_ = dir_ / "served";
    fs::path program_folder_ = dir_ / "program";
    test::ScopedEnv program_override_{"VELTRA_PROGRAM_FOLDER", program_folder_.string()};
    std::unique_ptr<test::UpdateServer> server_;
};

TEST_F(UpdateFlowTest, AConfirmedDriverUpdateIsDownloadedStartedAndEndsTheProgram) {
    PublishDriver("1.2.0", "zephrin-1.2.0");
    Serve();
    OpenWindow();

    EXPECT_EQ(window_->OnWindowMessage(kUpdateMessage, 1, 0), 1);
    ASSERT_TRUE(WaitUntil([this] { return window_->ShutDown(); }));

    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], "New version:v1.2.0, download and install it now? | Driver update | 4");
    EXPECT_EQ(starter_.Started(), std::vector<fs::path>{UpdateTempFolder() / "zephrin-1.2.0"});
    EXPECT_TRUE(fs::exists(UpdateTempFolder() / "payload.bin"));
    EXPECT_FALSE(fs::exists(UpdateTempFolder() / "Zephrin-Driver-1.2.0.zip"));
    EXPECT_EQ(window_->ExitCode(), 0);
    EXPECT_FALSE(store_.IsOpen());
}

TEST_F(UpdateFlowTest, ADeclinedPromptOrAnUnknownPackageDownloadsNothing) {
    PublishDriver("1.2.0", "zephrin-1.2.0");
    test::PublishManifest(served_,
                          {{UpdatePackage::Driver, "1.2.0", ""},
                           {UpdatePackage::FirmwareTool, "2.0.3.0", std::string(64, 'b')}});
    Serve();
    SetLanguage(2052);
    OpenWindow();
    box_answer_ = 2;

    window_->OnWindowMessage(kUpdateMessage, 2, 0);
    ASSERT_TRUE(UpdateIdle());
    EXPECT_EQ(window_->OnWindowMessage(kUpdateMessage, 3, 0), 1);
    EXPECT_FALSE(window_->Updates().Busy());

    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], GetLangText(623) + ":v2.0.3.0, " + GetLangText(114) + " | " +
                             GetLangText(622) + " | 4");
    EXPECT_FALSE(fs::exists(UpdateTempFolder()));
    EXPECT_TRUE(starter_.Started().empty());
    EXPECT_FALSE(window_->ShutDown());
}

TEST_F(UpdateFlowTest, CancelStopsTheDownloadWithinASecondAndLeavesNoFile) {
    PublishDriver("1.2.0", "zephrin-1.2.0", 200000);
    Serve("/~slow");
    OpenWindow();

    window_->OnWindowMessage(kUpdateMessage, 1, 0);
    ASSERT_TRUE(WaitUntil([this] {
        return window_->Updates().Dialog() != nullptr &&
               fs::exists(UpdateTempFolder() / "Zephrin-Driver-1.2.0.zip.part");
    }));
    // The window goes on working while the download runs.
    Act(ids::kSettingsButton);
    EXPECT_TRUE(Shown(ids::kLanguageCombo));
    ASSERT_TRUE(WaitUntil([this] { return window_->Updates().Dialog()->Progress() >= 10; }));

    const auto cancelled = std::chrono::steady_clock::now();
    window_->Updates().Dialog()->Cancel();
    ASSERT_TRUE(UpdateIdle());
    const auto took = std::chrono::steady_clock::now() - cancelled;
    RecordProperty(
        "cancel_ms",
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
    EXPECT_LT(took, std::chrono::seconds(3));

    EXPECT_EQ(window_->Updates().Dialog(), nullptr);
    EXPECT_TRUE(boxes_.size() == 1u) << "only the prompt: a cancel needs no message";
    for (const auto& entry : fs::directory_iterator(UpdateTempFolder())) {
        ADD_FAILURE() << "left behind: " << entry.path();
    }
    EXPECT_TRUE(starter_.Started().empty());
    EXPECT_FALSE(window_->ShutDown());
}

TEST_F(UpdateFlowTest, AnAddressThatDoesNotOpenIsNamed) {
    UseAddress("http://127.0.0.1:1/update");
    OpenWindow();
    window_->OnWindowMessage(kUpdateMessage, 1, 0);
    ASSERT_TRUE(UpdateIdle());
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0],
              "http://127.0.0.1:1/update could not be reached. Nothing was downloaded. | Driver "
              "update | 0");
}

TEST_F(UpdateFlowTest, AManifestWithoutTheDriverOffersNoUpdate) {
    test::WriteFile(served_ / "veltra-update.json", R"({"format":1})");
    Serve();
    OpenWindow();
    window_->OnWindowMessage(kUpdateMessage, 1, 0);
    ASSERT_TRUE(UpdateIdle());
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0],
              server_->Address() + " offers no update for this program. | Driver update | 0");
}

TEST_F(UpdateFlowTest, AnArchiveThatIsNotThePublishedOneStartsNothing) {
    PublishDriver("1.2.0", "zephrin-1.2.0");
    test::WriteFile(served_ / "Zephrin-Driver-1.2.0.zip", "swapped on the way");
    Serve();
    OpenWindow();
    window_->OnWindowMessage(kUpdateMessage, 1, 0);
    ASSERT_TRUE(UpdateIdle());
    ASSERT_EQ(boxes_.size(), 2u);
    EXPECT_EQ(boxes_[1],
              "The downloaded package is not the published one. It was deleted and nothing was "
              "started. | Driver update | 0");
    EXPECT_TRUE(starter_.Started().empty());
    EXPECT_FALSE(fs::exists(UpdateTempFolder() / "Zephrin-Driver-1.2.0.zip"));
    EXPECT_FALSE(window_->ShutDown());
}

TEST_F(UpdateFlowTest, APackageWithoutItsProgramIsReported) {
    PublishDriver("1.2.0", "setup-1.2.0");
    Serve();
    OpenWindow();
    window_->OnWindowMessage(kUpdateMessage, 1, 0);
    ASSERT_TRUE(UpdateIdle());
    ASSERT_EQ(boxes_.size(), 2u);
    EXPECT_EQ(boxes_[1], "The package holds nothing that can be started. | Driver update | 0");
    EXPECT_FALSE(window_->ShutDown());
}

}  // namespace
}  // namespace veltra::ui::testing
