#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/linux/program_starter.h"
#include "support/temp_dir.h"
#include "support/update_packages.h"
#include "support/update_server.h"
#include "support/zip_builder.h"
#include "update/update_job.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;
using test::PublishManifest;
using test::RecordingStarter;
using test::ZipBuilder;

constexpr unsigned kProgramMode = S_IFREG | 0755;
constexpr unsigned kFileMode = S_IFREG | 0644;

test::ZipEntryOptions Mode(unsigned mode) {
    test::ZipEntryOptions options;
    options.unix_mode = mode;
    return options;
}

class UpdateJobTest : public ::testing::Test {
  protected:
    UpdateJobTest() { fs::create_directories(served_); }

    // A driver package of version 1.2 in the served folder, published with its digest.
    void PublishDriver(const std::function<void(ZipBuilder&)>& fill) {
        {
            ZipBuilder zip(served_ / ArchiveName(UpdatePackage::Driver, "1.2"));
            fill(zip);
        }
        PublishManifest(served_, {{UpdatePackage::Driver, "1.2", ""}});
    }

    UpdateJobResult Run(ProgramStarter& starter, const std::string& base) {
        const ManifestFetch fetch = FetchManifest(base, {}, running_);
        EXPECT_EQ(fetch.status, ManifestFetch::Status::Fetched) << fetch.detail;
        EXPECT_TRUE(fetch.manifest.driver);
        if (!fetch.manifest.driver) {
            return {};
        }
        settings_ = {.package = UpdatePackage::Driver,
                     .base_address = base,
                     .offer = *fetch.manifest.driver,
                     .temp_folder = temp_,
                     .download = {}};
        return RunUpdateJob(settings_, starter, running_, progress_);
    }

    test::TempDir dir_;
    fs::path served_ = dir_ / "served";
    fs::path temp_ = dir_ / "data" / "temp";
    std::atomic<bool> running_{true};
    DownloadProgress progress_;
    UpdateJobSettings settings_;
};

TEST_F(UpdateJobTest, AGoodPackageIsUnpackedWithItsFoldersAndTimesAndItsProgramRuns) {
    const fs::path marker = dir_ / "marker";
    test::ZipEntryOptions dated = Mode(kFileMode);
    dated.time = {2020, 2, 29, 8, 0, 2};
    PublishDriver([&](ZipBuilder& zip) {
        zip.Add("zephrin-1.2", test::MarkerProgram(marker), Mode(kProgramMode));
        zip.Add("docs/", "", Mode(S_IFDIR | 0755));
        zip.Add("docs/licence/README.txt", "read me", dated);
    });
    test::UpdateServer server(served_);
    ASSERT_TRUE(server.ready());
    DesktopProgramStarter starter;

    const UpdateJobResult result = Run(starter, server.Address());

    ASSERT_EQ(result.outcome, UpdateOutcome::Started) << result.detail;
    EXPECT_EQ(result.started, temp_ / "zephrin-1.2");
    EXPECT_FALSE(fs::exists(temp_ / "Zephrin-Driver-1.2.zip"));  // unpacked, then deleted
    EXPECT_EQ(test::ReadFile(temp_ / "docs" / "licence" / "README.txt"), "read me");
    struct tm stored {};
    stored.tm_year = 120, stored.tm_mon = 1, stored.tm_mday = 29, stored.tm_hour = 8;
    stored.tm_sec = 2, stored.tm_isdst = -1;
    struct stat info {};
    ASSERT_EQ(::stat((temp_ / "docs" / "licence" / "README.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, mktime(&stored));
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!fs::exists(marker) && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(fs::exists(marker));
}

TEST_F(UpdateJobTest, TheFirstDriverNameWinsAndAPackageFileGoesToTheDesktop) {
    PublishDriver([](ZipBuilder& zip) {
        zip.Add("Zephrin-Driver-1.2", "#!/bin/sh\n", Mode(kProgramMode));
        zip.Add("zephrin-1.2", "#!/bin/sh\n", Mode(kProgramMode));
    });
    test::UpdateServer server(served_);
    RecordingStarter starter;
    EXPECT_EQ(Run(starter, server.Address()).outcome, UpdateOutcome::Started);
    EXPECT_EQ(starter.Started(), std::vector<fs::path>{temp_ / "zephrin-1.2"});

    fs::remove_all(temp_);
    PublishDriver([](ZipBuilder& zip) { zip.Add("Zephrin-Driver-1.2.deb", "package"); });
    RecordingStarter desktop;
    EXPECT_EQ(Run(desktop, server.Address()).outcome, UpdateOutcome::Started);
    EXPECT_TRUE(desktop.Started().empty());
    EXPECT_EQ(desktop.Opened(), std::vector<fs::path>{temp_ / "Zephrin-Driver-1.2.deb"});
}

TEST_F(UpdateJobTest, OnlyWhatThisArchiveBroughtIsStarted) {
    // A program of the same name left by an earlier job was never checked against a digest.
    fs::create_directories(temp_);
    test::WriteFile(temp_ / "zephrin-1.2", "#!/bin/sh\n");
    fs::permissions(temp_ / "zephrin-1.2", fs::perms::owner_all);
    PublishDriver([](ZipBuilder& zip) {
        zip.Add("readme.txt", "no program");
        zip.Add("Zephrin-Driver-1.2", "not executable", Mode(kFileMode));
    });
    test::UpdateServer server(served_);
    RecordingStarter starter;
    EXPECT_EQ(Run(starter, server.Address()).outcome, UpdateOutcome::NothingToStart);
    EXPECT_TRUE(starter.Started().empty());
    EXPECT_TRUE(starter.Opened().empty());
}

TEST_F(UpdateJobTest, AnArchiveWhoseDigestDiffersIsDeletedAndNothingStarts) {
    PublishDriver(
        [](ZipBuilder& zip) { zip.Add("zephrin-1.2", "#!/bin/sh\n", Mode(kProgramMode)); });
    {
        ZipBuilder other(served_ / "Zephrin-Driver-1.2.zip");
        other.Add("zephrin-1.2", "#!/bin/sh\necho replaced\n", Mode(kProgramMode));
    }
    test::UpdateServer server(served_);
    RecordingStarter starter;
    EXPECT_EQ(Run(starter, server.Address()).outcome, UpdateOutcome::DigestMismatch);
    EXPECT_TRUE(starter.Started().empty());
    EXPECT_FALSE(fs::exists(temp_ / "Zephrin-Driver-1.2.zip"));
    EXPECT_FALSE(fs::exists(temp_ / "zephrin-1.2"));
}

TEST_F(UpdateJobTest, UnsafeEntriesStayInsideTheTempFolder) {
    PublishDriver([](ZipBuilder& zip) {
        zip.Add("../escaped", "x");
        zip.Add("sub\\..\\..\\escaped-too", "x");
        zip.Add("link", "/etc/passwd", Mode(S_IFLNK | 0777));
        zip.Add("zephrin-1.2", "#!/bin/sh\n", Mode(kProgramMode));
    });
    test::UpdateServer server(served_);
    RecordingStarter starter;
    EXPECT_EQ(Run(starter, server.Address()).outcome, UpdateOutcome::Started);
    EXPECT_FALSE(fs::exists(temp_.parent_path() / "escaped"));
    EXPECT_FALSE(fs::exists(temp_.parent_path() / "escaped-too"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(temp_ / "link")));
}

TEST_F(UpdateJobTest, FailedTransfersLeaveNoArchiveNotEvenAnOldOne) {
    PublishDriver([](ZipBuilder& zip) { zip.AddRepeated("zephrin-1.2", 'x', 300000); });
    fs::create_directories(temp_);
    test::WriteFile(temp_ / "Zephrin-Driver-1.2.zip", "an old archive");
    RecordingStarter starter;
    {
        // The archive is gone from the server: the address does not open.
        test::UpdateServer server(served_);
        const ManifestFetch fetch = FetchManifest(server.Address(), {}, running_);
        ASSERT_TRUE(fetch.manifest.driver);
        fs::rename(served_ / "Zephrin-Driver-1.2.zip", dir_ / "kept.zip");
        settings_ = {.package = UpdatePackage::Driver,
                     .base_address = server.Address(),
                     .offer = *fetch.manifest.driver,
                     .temp_folder = temp_,
                     .download = {}};
        EXPECT_EQ(RunUpdateJob(settings_, starter, running_, progress_).outcome,
                  UpdateOutcome::AddressFailed);
        EXPECT_FALSE(fs::exists(temp_ / "Zephrin-Driver-1.2.zip"));
    }
    // The server breaks off mid-body.
    fs::rename(dir_ / "kept.zip", served_ / "Zephrin-Driver-1.2.zip");
    test::UpdateServer server(served_);
    settings_.base_address = server.Address() + "/~cut";
    EXPECT_EQ(RunUpdateJob(settings_, starter, running_, progress_).outcome,
              UpdateOutcome::TransferBroken);
    // A manifest that names a smaller size breaks the transfer off as well.
    settings_.base_address = server.Address();
    settings_.offer.size = 64;
    EXPECT_EQ(RunUpdateJob(settings_, starter, running_, progress_).outcome,
              UpdateOutcome::TransferBroken);
    for (const auto& entry : fs::directory_iterator(temp_)) {
        ADD_FAILURE() << "left behind: " << entry.path();
    }
    EXPECT_TRUE(starter.Started().empty());
}

TEST_F(UpdateJobTest, StoppedJobsAndUnusableArchivesStartNothing) {
    test::WriteFile(served_ / "Zephrin-Driver-1.2.zip", "this is no zip archive");
    PublishManifest(served_, {{UpdatePackage::Driver, "1.2", ""}});
    test::UpdateServer server(served_);
    RecordingStarter starter;
    EXPECT_EQ(Run(starter, server.Address()).outcome, UpdateOutcome::NotUnpacked);
    EXPECT_FALSE(fs::exists(temp_ / "Zephrin-Driver-1.2.zip"));

    running_ = false;
    EXPECT_EQ(RunUpdateJob(settings_, starter, running_, progress_).outcome,
              UpdateOutcome::Stopped);
    EXPECT_TRUE(starter.Started().empty());
}

TEST_F(UpdateJobTest, TheManifestIsFetchedOrTheFailureIsNamed) {
    test::UpdateServer server(served_);
    EXPECT_EQ(FetchManifest("", {}, running_).status, ManifestFetch::Status::AddressFailed);
    EXPECT_EQ(FetchManifest(server.Address(), {}, running_).status,
              ManifestFetch::Status::AddressFailed);  // 404
    test::WriteFile(served_ / "veltra-update.json", "<html>moved</html>");
    const ManifestFetch garbage = FetchManifest(server.Address(), {}, running_);
    EXPECT_EQ(garbage.status, ManifestFetch::Status::NotManifest);
    EXPECT_FALSE(garbage.detail.empty());
    test::WriteFile(served_ / "veltra-update.json", std::string(200000, ' '));
    EXPECT_EQ(FetchManifest(server.Address(), {}, running_).status,
              ManifestFetch::Status::NotManifest);
    EXPECT_EQ(FetchManifest("http://127.0.0.1:1", {}, running_).status,
              ManifestFetch::Status::AddressFailed);
}

}  // namespace
}  // namespace veltra
