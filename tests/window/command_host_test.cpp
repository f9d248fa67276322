// A veltractl command the window carries out on its worker, beside the mouse's own notices.

#include "app/command_host.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "cli/traffic_tap.h"
#include "device/device_worker.h"
#include "ui/dialogs/dpi_popup.h"
#include "ui/widgets/dpi_controls.h"
#include "ui/window/dpi_page.h"
#include "window/window_fixture.h"

namespace veltra::ui::testing {
namespace {

namespace dpi = dpi_page;

class CommandHostTest : public WindowTest {
  protected:
    // Carries `arguments` out as the window does for a veltractl, and waits for the answer.
    CommandOutcome Run(std::vector<std::string> arguments) {
        InstanceRequest request;
        request.kind = InstanceRequest::Kind::Command;
        request.arguments = std::move(arguments);
        request.folder = dir_.path().string();
        request.confirm = InstanceConfirm::None;
        std::optional<std::string> line;
        app::CarryOutCommand(*window_, link_, request,
                             [&line](const std::string& reply) { line = reply; });
        EXPECT_TRUE(WaitUntil([&line] { return line.has_value(); }));
        const InstanceReply reply = DecodeInstanceReply(line.value_or(""));
        EXPECT_TRUE(reply.command) << reply.error;
        return reply.command.value_or(CommandOutcome{});
    }

    std::string Stored(std::string_view key) {
        std::string value;
        store_.GetConfig(store_.GetActiveProfile(), key, value);
        return value;
    }

    int MouseLevel() { return backend_->Firmware(mouse_).ActiveDpiLevel(); }
    DPIControl* Levels() { return Get<DPIControl>(dpi::kLevels); }

    // The window's page, its store and the mouse agree on the active DPI level.
    ::testing::AssertionResult LevelsAgree() {
        const bool agree = WaitUntil([&] {
            return window_->Worker().TaskQueueEmpty() &&
                   Levels()->GetSelectItem() == MouseLevel() &&
                   Stored("dpi_index") == std::to_string(MouseLevel());
        });
        if (agree) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "page " << Levels()->GetSelectItem() << ", store "
                                             << Stored("dpi_index") << ", mouse " << MouseLevel();
    }

    cli::WindowLink link_{.comm = nullptr,
                          .store = &store_,
                          .tap = std::make_shared<cli::TrafficTap>(),
                          .simulated = false,
                          .hidraw = false};
};

TEST_F(CommandHostTest, TheReaderFollowsTheMouseAfterAndDuringCommands) {
    OpenWindow();
    link_.comm = comm_.get();
    const CommandOutcome set = Run({"set", "dpi_index=1"});
    ASSERT_EQ(set.exit_code, 0) << set.err;
    EXPECT_EQ(set.out,
              "profile 1 (Profile  1) of the Veltra V1:\n  dpi_index=1\n"
              "sent the settings to the mouse (Wired)\n");
    EXPECT_TRUE(LevelsAgree());

    // The mouse's button moves the level from what the command set: the reader stores it and
    // the page and pop-up show it.
    ASSERT_TRUE(backend_->PressDpiButton(mouse_));
    ASSERT_EQ(MouseLevel(), 2);
    EXPECT_TRUE(LevelsAgree());
    EXPECT_EQ(window_->DpiPopup()->Value(), Levels()->GetDPIValue(2));

    // Back to the level before the button, then the button again: the notice names the level
    // the reader last heard of, which is no longer what the store has.
    ASSERT_EQ(Run({"set", "dpi_index=1"}).exit_code, 0);
    EXPECT_TRUE(LevelsAgree());
    ASSERT_TRUE(backend_->PressDpiButton(mouse_));
    ASSERT_EQ(MouseLevel(), 2);
    EXPECT_TRUE(LevelsAgree());

    // Presses while commands change other settings: however they interleave, page, store and
    // mouse end up agreeing.
    for (const char* game_mode : {"game_mode=1", "game_mode=0", "game_mode=1"}) {
        ASSERT_TRUE(backend_->PressDpiButton(mouse_));
        const CommandOutcome changed = Run({"set", game_mode});
        EXPECT_EQ(changed.exit_code, 0) << changed.err;
        EXPECT_TRUE(LevelsAgree()) << game_mode;
    }
    EXPECT_EQ(Stored("game_mode"), "1");
}

TEST_F(CommandHostTest, ProfileChangesReachThePages) {
    OpenWindow();
    link_.comm = comm_.get();
    const CommandOutcome selected = Run({"--json", "profile", "select", "3"});
    EXPECT_EQ(selected.exit_code, 0) << selected.err;
    EXPECT_TRUE(WaitUntil([&] { return store_.GetActiveProfile() == 3; }));
    // The frames of the command are its own: a store-only command sends none.
    const CommandOutcome get = Run({"--json", "--verbose", "get", "dpi_index"});
    EXPECT_EQ(get.out,
              "{\"profile\":3,\"settings\":{\"dpi_index\":" + Stored("dpi_index") + "}}\n");
    // A command for another model than the window's is refused.
    const CommandOutcome other = Run({"--device-type", "301", "get"});
    EXPECT_EQ(other.exit_code, 1);
    EXPECT_NE(other.err.find("the running window serves the Veltra V1"), std::string::npos)
        << other.err;
}

}  // namespace
}  // namespace veltra::ui::testing
