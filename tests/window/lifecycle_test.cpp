// The close button by exit mode, the notification area, start with the session, the messages
// other programs send, and the single instance.
#include <gtest/gtest.h>

#include <QLocalSocket>
#include <fstream>

#include "config/language.h"
#include "device/device_worker.h"
#include "platform/linux/autostart.h"
#include "shell/app_folders.h"
#include "shell/instance_client.h"
#include "shell/settings_key.h"
#include "ui/dialogs/message_box.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/ui_thread.h"
#include "ui/window/buttons_page.h"
#include "ui/window/single_instance.h"
#include "window/window_fixture.h"

namespace veltra::ui::testing {
namespace {

TEST_F(WindowTest, ExitModeZeroShutsDownCleanly) {
    OpenWindow();
    EXPECT_TRUE(tray_.visible);
    EXPECT_TRUE(tray_.tooltip.startsWith(QStringLiteral("Veltra Mouse\n")))
        << tray_.tooltip.toStdString();
    Act(ids::kCloseButton);
    EXPECT_TRUE(window_->ShutDown());
    EXPECT_EQ(window_->ExitCode(), 0);
    EXPECT_FALSE(window_->Worker().IsRunning());
    EXPECT_FALSE(store_.IsOpen());
    EXPECT_FALSE(tray_.visible);
    EXPECT_FALSE(window_->isVisible());
}

TEST_F(WindowTest, TheEndOfTheSessionDoesNotWaitForAnOpenQuestion) {
    OpenWindow();
    // A real message box asks; the session ends while it waits.
    SetMessageBoxHook({});
    PostTo(window_.get(), [this] { window_->Shutdown(0); });
    Act(buttons_page::kRestoreAll);
    EXPECT_TRUE(window_->ShutDown());
    EXPECT_FALSE(window_->Worker().IsRunning());
    EXPECT_FALSE(store_.IsOpen());
}

TEST_F(WindowTest, NothingReachesAWindowThatIsGone) {
    OpenWindow();
    // Reports are on their way when the window goes: the mouse leaves and comes back, and its
    // DPI button is pressed.
    backend_->Unplug(wired_);
    backend_->Replug(wired_);
    backend_->PressDpiButton(mouse_);
    window_->Worker().QueueTask(TaskCode::InitialSync);
    window_.reset();
    for (int i = 0; i < 50; ++i) {
        QCoreApplication::processEvents();
    }
    backend_->FlushHotplugEvents();
    QCoreApplication::processEvents();
    SUCCEED();
}

TEST_F(WindowTest, ExitModeOneHidesIntoTheTrayAndAClickBringsItBack) {
    OpenWindow();
    Get<CRadioButton>(ids::kExitToTrayRadio)->SetCheck(true);
    Act(ids::kExitToTrayRadio);
    EXPECT_EQ(ReadSettingValue(kExitModeValue), 1);
    EXPECT_FALSE(Shown(ids::kTrayNote));

    Act(ids::kCloseButton);
    EXPECT_FALSE(window_->ShutDown());
    EXPECT_FALSE(window_->isVisible());
    EXPECT_TRUE(window_->Worker().IsRunning());
    // A hidden window still follows the mouse.
    backend_->Unplug(wired_);
    ASSERT_TRUE(WaitForConnection(false));

    tray_.handlers.activated(TrayPort::Activation::Click);
    EXPECT_TRUE(window_->isVisible());
    Act(ids::kCloseButton);
    tray_.handlers.activated(TrayPort::Activation::DoubleClick);
    EXPECT_TRUE(window_->isVisible());

    // The tray's exit entry ends the program even while the window is hidden.
    Act(ids::kCloseButton);
    tray_.handlers.exit_chosen();
    EXPECT_TRUE(window_->ShutDown());
    EXPECT_FALSE(window_->Worker().IsRunning());
    EXPECT_FALSE(tray_.visible);
}

TEST_F(WindowTest, WithoutATrayExitModeOneMinimisesAndThePageSaysWhy) {
    tray_.available = false;
    WriteSettingValue(kExitModeValue, "1");
    OpenWindow();
    EXPECT_FALSE(window_->CanHideToTray());
    Act(ids::kSettingsButton);
    EXPECT_TRUE(Shown(ids::kTrayNote));
    EXPECT_EQ(Title(ids::kTrayNote), QString::fromStdString(GetLangText(594)));
    EXPECT_TRUE(Get<CRadioButton>(ids::kExitToTrayRadio)->GetCheck());
    Act(ids::kReturnButton);
    Act(ids::kCloseButton);
    EXPECT_FALSE(window_->ShutDown());
    // Offscreen windows cannot be minimised for real; the window asked for it and stays.
    EXPECT_FALSE(window_->isHidden());
}

TEST_F(WindowTest, StartWithTheSessionWritesAndRemovesTheAutostartEntry) {
    OpenWindow(false);
    auto* start = Get<CCheckButton>(ids::kAutostartCheck);
    auto* minimized = Get<CCheckButton>(ids::kAutostartMinimizedCheck);
    EXPECT_FALSE(start->GetCheck());
    EXPECT_FALSE(minimized->isEnabled());

    start->SetCheck(true);
    Act(ids::kAutostartCheck);
    const std::filesystem::path entry = AutostartEntryPath(ApplicationCaption());
    ASSERT_TRUE(std::filesystem::exists(entry));
    std::ifstream file(entry);
    const std::string content((std::istreambuf_iterator<char>(file)), {});
    EXPECT_NE(content.find("Exec=\"/opt/veltra mouse/bin/veltra-mouse\" -autorun"),
              std::string::npos)
        << content;
    EXPECT_TRUE(minimized->isEnabled());
    EXPECT_FALSE(minimized->GetCheck());

    minimized->SetCheck(true);
    Act(ids::kAutostartMinimizedCheck);
    EXPECT_EQ(ReadSettingValue(kAutorunMinimizeValue), 1);

    start->SetCheck(false);
    Act(ids::kAutostartCheck);
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_FALSE(minimized->GetCheck());
    EXPECT_FALSE(minimized->isEnabled());
    EXPECT_EQ(ReadSettingValue(kAutorunMinimizeValue), 0);
}

TEST_F(WindowTest, AnEntryWrittenByAnotherProgramShowsTheBoxChecked) {
    const std::filesystem::path entry = AutostartEntryPath(ApplicationCaption());
    std::filesystem::create_directories(entry.parent_path());
    std::ofstream(entry) << "[Desktop Entry]\nType=Application\nExec=something-else\n";
    WriteSettingValue(kAutorunMinimizeValue, "1");
    OpenWindow(false);
    EXPECT_TRUE(Get<CCheckButton>(ids::kAutostartCheck)->GetCheck());
    EXPECT_TRUE(Get<CCheckButton>(ids::kAutostartMinimizedCheck)->isEnabled());
    EXPECT_TRUE(Get<CCheckButton>(ids::kAutostartMinimizedCheck)->GetCheck());
}

TEST_F(WindowTest, MessagesFromOtherProgramsAreCarriedOut) {
    OpenWindow();
    EXPECT_EQ(window_->OnWindowMessage(1674, 100, 0), 1);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_.back(), GetLangText(583) + " | " + GetLangText(584) + " | 0");
    EXPECT_TRUE(Shown(ids::kTabBar));

    // Even from the program settings page the notice goes home, with the frame's bars.
    Act(ids::kSettingsButton);
    EXPECT_EQ(window_->OnWindowMessage(1674, 1, 0), 1);
    EXPECT_FALSE(Shown(ids::kSettingsPage));
    EXPECT_TRUE(Shown(ids::kStatusBar));
    EXPECT_TRUE(Shown(ids::kCloseButton));
    EXPECT_TRUE(Shown(ids::kHomePage));
    ASSERT_EQ(boxes_.size(), 2u);
    EXPECT_EQ(boxes_.back(), GetLangText(581) + " | " + GetLangText(582) + " | 0");
    EXPECT_FALSE(Shown(ids::kTabBar));
    EXPECT_EQ(Title(ids::kConnectionState), QString::fromStdString(GetLangText(50)));
    EXPECT_EQ(window_->OnWindowMessage(1674, 2, 0), 1);
    EXPECT_EQ(boxes_.size(), 2u);

    // Another program stored a language and asks for it.
    WriteLanguageId(2052);
    EXPECT_EQ(window_->OnWindowMessage(2022, 0, 0), 1);
    EXPECT_EQ(Title(ids::kTitle), QStringLiteral("Veltra 游戏鼠标"));
    EXPECT_EQ(Get<MComboBox>(ids::kLanguageCombo)->GetCurData(), 2052);

    EXPECT_EQ(window_->OnWindowMessage(1691, 0, 1), 0);
    EXPECT_FALSE(window_->ShutDown());
    EXPECT_EQ(window_->OnWindowMessage(1691, 0, 610), 1);
    EXPECT_TRUE(window_->ShutDown());
}

TEST_F(WindowTest, SingleInstanceAnswersASecondStartAndSurvivesAStaleSocket) {
    const std::string caption = ApplicationCaption();
    // A crashed instance left its socket file behind, but holds no lock.
    {
        const std::filesystem::path socket = InstanceSocketPath(caption);
        std::filesystem::create_directories(socket.parent_path());
        std::ofstream(socket) << "";
    }
    SingleInstance first(caption);
    ASSERT_EQ(first.Claim(), SingleInstance::Role::First);
    std::vector<InstanceRequest> received;
    SingleInstance::Reply later;
    first.SetHandler(
        [&received, &later](const InstanceRequest& request, SingleInstance::Reply reply) {
            received.push_back(request);
            if (reply) {
                later = std::move(reply);
            }
        });

    SingleInstance second(caption);
    EXPECT_EQ(second.Claim(), SingleInstance::Role::Second);

    // The second start's request is answered by the first one's event loop, so send it from a
    // thread of its own.
    std::optional<InstanceReply> reply;
    std::thread sender([&reply, path = first.SocketPath()] {
        reply = SendInstanceRequest(path, InstanceRequest{}, std::chrono::seconds(10));
    });
    ASSERT_TRUE(WaitUntil([&received] { return !received.empty(); }));
    sender.join();
    ASSERT_TRUE(reply.has_value());
    EXPECT_TRUE(reply->ok);
    EXPECT_EQ(received[0].kind, InstanceRequest::Kind::Show);

    // A malformed line is refused and carries nothing out.
    QLocalSocket raw;
    raw.connectToServer(QString::fromStdString(first.SocketPath().string()));
    ASSERT_TRUE(raw.waitForConnected(5000));
    raw.write("{\"version\":2,\"request\":\"message\",\"message\":9999}\n");
    ASSERT_TRUE(WaitUntil([&raw] { return raw.canReadLine(); }));
    const InstanceReply refused = DecodeInstanceReply(raw.readLine().toStdString());
    EXPECT_TRUE(refused.valid);
    EXPECT_FALSE(refused.ok);
    EXPECT_FALSE(refused.error.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(received.size(), 1u);

    // A command is answered when the handler has carried it out, not at once.
    InstanceRequest command;
    command.kind = InstanceRequest::Kind::Command;
    command.arguments = {"status"};
    command.folder = "/";
    QLocalSocket peer;
    peer.connectToServer(QString::fromStdString(first.SocketPath().string()));
    ASSERT_TRUE(peer.waitForConnected(5000));
    peer.write(QByteArray::fromStdString(EncodeInstanceRequest(command)));
    ASSERT_TRUE(WaitUntil([&later] { return static_cast<bool>(later); }));
    EXPECT_EQ(received.back(), command);
    QCoreApplication::processEvents();
    EXPECT_FALSE(peer.canReadLine());
    later(EncodeCommandReply(
        {.exit_code = 3, .out = "done\n", .err = {}, .question = {}, .direct = false}));
    ASSERT_TRUE(WaitUntil([&peer] { return peer.canReadLine(); }));
    const InstanceReply answered = DecodeInstanceReply(peer.readLine().toStdString());
    ASSERT_TRUE(answered.command);
    EXPECT_EQ(answered.command->exit_code, 3);
    EXPECT_EQ(answered.command->out, "done\n");

    // A line longer than the limit is refused without waiting for its end.
    QLocalSocket flood;
    flood.connectToServer(QString::fromStdString(first.SocketPath().string()));
    ASSERT_TRUE(flood.waitForConnected(5000));
    flood.write(QByteArray(static_cast<qsizetype>(kInstanceLineLimit) + 100, 'x'));
    ASSERT_TRUE(WaitUntil([&flood] { return flood.canReadLine(); }));
    EXPECT_EQ(DecodeInstanceReply(flood.readLine().toStdString()).error,
              "request longer than the line limit");
    EXPECT_EQ(received.size(), 2u);
}

}  // namespace
}  // namespace veltra::ui::testing
