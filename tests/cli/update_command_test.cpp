// veltractl update against a web server on the loopback interface: what the manifest offers,
// the job done here without a window, and the request handed to a running window.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>

#include "cli/cli_process.h"
#include "common/json.h"
#include "shell/instance_channel.h"
#include "support/update_packages.h"
#include "support/update_server.h"
#include "support/zip_builder.h"

namespace veltra::test {
namespace {

namespace fs = std::filesystem;

class UpdateCommandTest : public ::testing::Test {
  protected:
    UpdateCommandTest() {
        fs::create_directories(served_);
        fs::create_directories(runtime_);
        fs::permissions(runtime_, fs::perms::owner_all, fs::perm_options::replace);
        cli_.SetEnv("XDG_RUNTIME_DIR", runtime_.string());
        EXPECT_TRUE(cli_.UseCopyOfTheProgram());
    }

    void Serve() {
        server_ = std::make_unique<UpdateServer>(served_);
        ASSERT_TRUE(server_->ready());
        const fs::path config = cli_.dir() / "program" / "config.xml";
        WriteFile(config,
                  std::regex_replace(ReadFile(config), std::regex("<upgrade url=\"[^\"]*\""),
                                     "<upgrade url=\"" + server_->Address() + "\""));
    }

    void PublishBoth(const std::string& program) {
        ZipEntryOptions executable;
        executable.unix_mode = S_IFREG | 0755;
        {
            ZipBuilder zip(served_ / "Zephrin-Driver-1.2.0.zip");
            zip.Add("zephrin-1.2.0", program, executable);
        }
        {
            ZipBuilder zip(served_ / "FirmwareUpdateTool-2.0.3.0.zip");
            zip.Add("FirmwareUpdateTool-2.0.3.0", program, executable);
        }
        PublishManifest(served_, {{UpdatePackage::Driver, "1.2.0", ""},
                                  {UpdatePackage::FirmwareTool, "2.0.3.0", ""}});
    }

    fs::path TempFolder() const { return cli_.dir() / "data" / "Veltra Mouse Files" / "temp"; }

    CliRunner cli_;
    fs::path served_ = cli_.dir() / "served";
    fs::path runtime_ = cli_.dir() / "run";
    std::unique_ptr<UpdateServer> server_;
};

TEST_F(UpdateCommandTest, CheckShowsTheOffersAgainstTheRunningVersion) {
    PublishBoth("#!/bin/sh\n");
    Serve();

    const CliResult text = cli_.Run({"update", "check"});
    ASSERT_EQ(text.exit_code, 0) << text.err;
    EXPECT_EQ(text.out, "driver package: 1.2.0 (" + server_->Url("Zephrin-Driver-1.2.0.zip") +
                            "), newer than the running 1.0.0\nfirmware tool: 2.0.3.0 (" +
                            server_->Url("FirmwareUpdateTool-2.0.3.0.zip") + ")\n");

    const CliResult json = cli_.Run({"--json", "update", "check"});
    ASSERT_EQ(json.exit_code, 0) << json.err;
    const std::optional<Json> parsed = DecodeJson(json.out);
    ASSERT_TRUE(parsed);
    EXPECT_EQ((*parsed)["running"], "1.0.0");
    EXPECT_EQ((*parsed)["driver"]["newer"], true);
    EXPECT_EQ((*parsed)["firmware_tool"]["version"], "2.0.3.0");
    EXPECT_FALSE((*parsed)["firmware_tool"].contains("newer"));

    WriteFile(served_ / "veltra-update.json", "not json");
    const CliResult broken = cli_.Run({"update", "check"});
    EXPECT_EQ(broken.exit_code, 1);
    EXPECT_NE(broken.err.find("is no update manifest"), std::string::npos) << broken.err;
}

TEST_F(UpdateCommandTest, WithoutAWindowTheJobRunsHereAndStartsTheProgram) {
    const fs::path marker = cli_.dir() / "started";
    PublishBoth(MarkerProgram(marker));
    Serve();

    EXPECT_EQ(cli_.Run({"update", "driver"}).exit_code, 2);  // no terminal, no --yes
    EXPECT_FALSE(fs::exists(TempFolder()));

    const CliResult run = cli_.Run({"--yes", "update", "driver"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, "Started " + (TempFolder() / "zephrin-1.2.0").string() + "\n");
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!fs::exists(marker) && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(fs::exists(marker));
    EXPECT_FALSE(fs::exists(TempFolder() / "Zephrin-Driver-1.2.0.zip"));
}

TEST_F(UpdateCommandTest, AnArchiveThatIsNotThePublishedOneExitsOneAndStartsNothing) {
    const fs::path marker = cli_.dir() / "started";
    PublishBoth(MarkerProgram(marker));
    {
        ZipBuilder swapped(served_ / "FirmwareUpdateTool-2.0.3.0.zip");
        swapped.Add("other", "x");
    }
    Serve();
    const CliResult run = cli_.Run({"--yes", "--json", "update", "firmware"});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.out.find("its SHA-256 differs"), std::string::npos) << run.out;
    EXPECT_FALSE(fs::exists(TempFolder() / "FirmwareUpdateTool-2.0.3.0.zip"));
    EXPECT_FALSE(fs::exists(TempFolder() / "FirmwareUpdateTool-2.0.3.0"));
    EXPECT_FALSE(fs::exists(marker));
}

// Listens where the window would and answers one request as the window does.
class FakeWindow {
  public:
    explicit FakeWindow(const fs::path& socket_path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", socket_path.c_str());
        EXPECT_EQ(::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
        EXPECT_EQ(::listen(fd_, 1), 0);
        thread_ = std::thread([this] {
            const int client = ::accept(fd_, nullptr, nullptr);
            if (client < 0) {
                return;
            }
            std::string line;
            char byte = 0;
            while (::read(client, &byte, 1) == 1 && byte != '\n') {
                line += byte;
            }
            request_ = DecodeInstanceRequest(line).request;
            const std::string reply = EncodeInstanceReply(true, "");
            EXPECT_EQ(::write(client, reply.data(), reply.size()),
                      static_cast<ssize_t>(reply.size()));
            ::close(client);
        });
    }
    ~FakeWindow() {
        ::shutdown(fd_, SHUT_RDWR);
        if (thread_.joinable()) {
            thread_.join();
        }
        ::close(fd_);
    }
    // Once the request was answered.
    std::optional<InstanceRequest> Request() {
        thread_.join();
        return request_;
    }

  private:
    int fd_ = -1;
    std::thread thread_;
    std::optional<InstanceRequest> request_;
};

TEST_F(UpdateCommandTest, ARunningWindowIsAskedInsteadAndNothingIsDownloadedHere) {
    PublishBoth("#!/bin/sh\n");
    Serve();
    ScopedEnv runtime("XDG_RUNTIME_DIR", runtime_.string());
    FakeWindow window(InstanceSocketPath("Veltra Mouse"));

    const CliResult run = cli_.Run({"update", "firmware"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, "The running window asks whether to download the firmware tool.\n");
    const std::optional<InstanceRequest> request = window.Request();
    ASSERT_TRUE(request);
    EXPECT_EQ(request->kind, InstanceRequest::Kind::WindowMessage);
    EXPECT_EQ(request->message, 1692);
    EXPECT_EQ(request->wparam, 2);
    EXPECT_FALSE(fs::exists(TempFolder()));
}

TEST_F(UpdateCommandTest, BadUsageExitsTwo) {
    EXPECT_EQ(cli_.Run({"update"}).exit_code, 2);
    EXPECT_EQ(cli_.Run({"update", "everything"}).exit_code, 2);
    EXPECT_EQ(cli_.Run({"update", "check", "extra"}).exit_code, 2);
}

}  // namespace
}  // namespace veltra::test
