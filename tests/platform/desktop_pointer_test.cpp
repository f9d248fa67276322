#include "platform/linux/desktop_pointer.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "support/process.h"
#include "support/read_only_folder.h"
#include "support/temp_dir.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;

// GSettings chooses its backend once, at the process's first use of it: keep every test off the
// user's real settings.
[[maybe_unused]] const bool kMemorySettings = [] {
    setenv("GSETTINGS_BACKEND", "memory", 1);
    return true;
}();

using Case = std::pair<PointerSetting, int>;

constexpr PointerSetting kAllSettings[] = {PointerSetting::Speed, PointerSetting::Precision,
                                           PointerSetting::WheelLines, PointerSetting::DoubleClick};

// What a backend offers, one word per setting: its value, "unreadable", or "-" when unsupported.
std::string Offer(PointerSettings& pointer) {
    std::string offer;
    for (const PointerSetting setting : kAllSettings) {
        const std::optional<int> value = pointer.Read(setting);
        offer += offer.empty() ? "" : " ";
        offer += !pointer.Supports(setting) ? "-" : value ? std::to_string(*value) : "unreadable";
    }
    return offer;
}

TEST(NoDesktopPointerTest, OffersNothing) {
    const std::unique_ptr<PointerSettings> pointer = OpenPointerSettings(PointerDesktop::None);
    EXPECT_EQ(pointer->Desktop(), PointerDesktop::None);
    EXPECT_EQ(Offer(*pointer), "- - - -");
    for (const PointerSetting setting : kAllSettings) {
        EXPECT_FALSE(pointer->Accepts(setting, 1));
        EXPECT_EQ(pointer->Write(setting, 1), PointerWrite::Unsupported);
    }
}

// --- GNOME ------------------------------------------------------------------------------------

constexpr const char* kMouseSchema = "org.gnome.desktop.peripherals.mouse";

class GnomePointerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        GSettingsSchemaSource* source = g_settings_schema_source_get_default();
        GSettingsSchema* schema = source != nullptr
                                      ? g_settings_schema_source_lookup(source, kMouseSchema, TRUE)
                                      : nullptr;
        if (schema == nullptr) {
            GTEST_SKIP() << "gsettings-desktop-schemas is not installed";
        }
        settings_ = g_settings_new_full(schema, nullptr, nullptr);
        g_settings_schema_unref(schema);
        // The memory backend lives as long as the process; each test starts from the defaults.
        for (const char* key : {"speed", "accel-profile", "double-click"}) {
            g_settings_reset(settings_, key);
        }
        pointer_ = OpenPointerSettings(PointerDesktop::Gnome);
    }
    void TearDown() override {
        if (settings_ != nullptr) {
            g_object_unref(settings_);
        }
    }

    std::string Profile() const {
        gchar* text = g_settings_get_string(settings_, "accel-profile");
        std::string profile = text;
        g_free(text);
        return profile;
    }

    GSettings* settings_ = nullptr;
    std::unique_ptr<PointerSettings> pointer_;
};

TEST_F(GnomePointerTest, DefaultsReadInTheProgramsUnits) {
    EXPECT_EQ(pointer_->Desktop(), PointerDesktop::Gnome);
    EXPECT_EQ(Offer(*pointer_), "10 1 - 400");
    EXPECT_FALSE(pointer_->Accepts(PointerSetting::WheelLines, 3));
    EXPECT_EQ(pointer_->Write(PointerSetting::WheelLines, 3), PointerWrite::Unsupported);
}

TEST_F(GnomePointerTest, WritesReachTheKeysAndReadBack) {
    EXPECT_EQ(pointer_->Write(PointerSetting::Speed, 15), PointerWrite::Applied);
    EXPECT_DOUBLE_EQ(g_settings_get_double(settings_, "speed"), 0.5);
    EXPECT_EQ(pointer_->Write(PointerSetting::Speed, 1), PointerWrite::Applied);
    EXPECT_DOUBLE_EQ(g_settings_get_double(settings_, "speed"), -0.9);
    EXPECT_EQ(pointer_->Write(PointerSetting::Precision, 0), PointerWrite::Applied);
    EXPECT_EQ(Profile(), "flat");
    EXPECT_EQ(pointer_->Write(PointerSetting::DoubleClick, 620), PointerWrite::Applied);
    EXPECT_EQ(g_settings_get_int(settings_, "double-click"), 620);
    EXPECT_EQ(Offer(*pointer_), "1 0 - 620");

    EXPECT_EQ(pointer_->Write(PointerSetting::Precision, 1), PointerWrite::Applied);
    EXPECT_EQ(Profile(), "default");
    // Values set elsewhere, between the program's steps.
    g_settings_set_double(settings_, "speed", 0.26);
    g_settings_set_int(settings_, "double-click", 250);
    EXPECT_EQ(Offer(*pointer_), "13 1 - 250");
}

TEST_F(GnomePointerTest, AdaptiveProfileCountsAsPrecisionAndStays) {
    g_settings_set_string(settings_, "accel-profile", "adaptive");
    EXPECT_EQ(pointer_->Read(PointerSetting::Precision), 1);
    EXPECT_EQ(pointer_->Write(PointerSetting::Precision, 1), PointerWrite::Applied);
    EXPECT_EQ(Profile(), "adaptive");
    EXPECT_EQ(pointer_->Write(PointerSetting::Precision, 0), PointerWrite::Applied);
    EXPECT_EQ(Profile(), "flat");
}

TEST_F(GnomePointerTest, ValuesOutsideTheRangesAreRefusedAndChangeNothing) {
    const Case refused[] = {{PointerSetting::Speed, 0},         {PointerSetting::Speed, 21},
                            {PointerSetting::Precision, 2},     {PointerSetting::Precision, -1},
                            {PointerSetting::DoubleClick, 99},  {PointerSetting::DoubleClick, 2001},
                            {PointerSetting::DoubleClick, -400}};
    for (const auto& [setting, value] : refused) {
        EXPECT_FALSE(pointer_->Accepts(setting, value)) << value;
        EXPECT_EQ(pointer_->Write(setting, value), PointerWrite::Unsupported) << value;
    }
    EXPECT_TRUE(pointer_->Accepts(PointerSetting::DoubleClick, 100));
    EXPECT_TRUE(pointer_->Accepts(PointerSetting::DoubleClick, 2000));
    EXPECT_EQ(Offer(*pointer_), "10 1 - 400");
}

TEST_F(GnomePointerTest, TwoThreadsShareOneBackend) {
    std::thread speeds([&] {
        for (int speed = 1; speed <= 20; ++speed) {
            EXPECT_EQ(pointer_->Write(PointerSetting::Speed, speed), PointerWrite::Applied);
            EXPECT_TRUE(pointer_->Read(PointerSetting::DoubleClick));
        }
    });
    for (int position = 0; position <= 10; ++position) {
        EXPECT_EQ(pointer_->Write(PointerSetting::DoubleClick, DoubleClickPositionMs(position)),
                  PointerWrite::Applied);
        EXPECT_TRUE(pointer_->Read(PointerSetting::Speed));
    }
    speeds.join();
    EXPECT_EQ(Offer(*pointer_), "20 1 - 200");
}

// GSettings reads its schemas once per process, so a backend over other schemas runs in a
// process of its own, started afresh, that reports what it found through its error output.
class GnomeSchemaTest : public ::testing::Test {
  protected:
    GnomeSchemaTest() { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

    // A folder of this process's own, which the process started for a test makes again.
    static fs::path SchemaFolder() {
        return fs::temp_directory_path() / ("veltra-schemas-" + std::to_string(getpid()));
    }

    // Opens the backend over the schemas of `folder` alone, prints what it offers and removes
    // the folder.
    [[noreturn]] static void OfferUnder(const fs::path& folder) {
        setenv("GSETTINGS_SCHEMA_DIR", folder.c_str(), 1);
        setenv("XDG_DATA_DIRS", folder.c_str(), 1);
        setenv("XDG_DATA_HOME", folder.c_str(), 1);
        const std::unique_ptr<PointerSettings> pointer = OpenPointerSettings(PointerDesktop::Gnome);
        std::string offer = Offer(*pointer);
        for (const PointerSetting setting : kAllSettings) {
            offer += pointer->Write(setting, 1) == PointerWrite::Unsupported ? " u" : " w";
        }
        std::fprintf(stderr, "offer: %s\n", offer.c_str());
        std::error_code ec;
        fs::remove_all(folder, ec);
        std::exit(0);
    }
};

TEST_F(GnomeSchemaTest, MissingSchemaLeavesEverySettingUnsupported) {
    EXPECT_EXIT(OfferUnder(SchemaFolder()), ::testing::ExitedWithCode(0),
                "offer: - - - - u u u u\n");
}

TEST_F(GnomeSchemaTest, KeysOfAnotherTypeOrWithoutAFlatProfileAreUnsupported) {
    const fs::path folder = SchemaFolder();
    fs::create_directories(folder);
    test::WriteFile(folder / "mouse.gschema.xml", R"(<schemalist>
  <schema id="org.gnome.desktop.peripherals.mouse" path="/org/gnome/desktop/peripherals/mouse/">
    <key name="speed" type="d"><default>0.5</default></key>
    <key name="accel-profile" type="s">
      <choices><choice value="default"/><choice value="adaptive"/></choices>
      <default>'default'</default>
    </key>
    <key name="double-click" type="s"><default>'400'</default></key>
  </schema>
</schemalist>
)");
    const test::ProcessResult compiled =
        test::RunProcess({"glib-compile-schemas", folder.string()}, {}, folder);
    if (compiled.exit_code != 0) {
        fs::remove_all(folder);
        GTEST_SKIP() << "glib-compile-schemas failed: " << compiled.err;
    }
    // Speed 1 is written; the others are refused.
    EXPECT_EXIT(OfferUnder(folder), ::testing::ExitedWithCode(0), "offer: 15 - - - w u u u\n");
    fs::remove_all(folder);
}

// --- KDE Plasma --------------------------------------------------------------------------------

class KdePointerTest : public ::testing::Test {
  protected:
    std::unique_ptr<PointerSettings> Open() { return OpenPointerSettings(PointerDesktop::Kde); }
    fs::path File(const std::string& name) const { return dir_ / name; }
    void Write(const std::string& name, const std::string& bytes) const {
        test::WriteFile(File(name), bytes);
    }
    std::string Read(const std::string& name) const { return test::ReadFile(File(name)); }

    test::TempDir dir_;
    test::ScopedEnv config_{"XDG_CONFIG_HOME", dir_.path().string()};
    test::ScopedEnv session_{"XDG_SESSION_TYPE", "x11"};
    // No session bus unless a test starts one.
    test::ScopedEnv bus_{"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (dir_ / "no-bus").string()};
    std::unique_ptr<PointerSettings> pointer_ = Open();
};

TEST_F(KdePointerTest, AbsentFilesReadAsThePlasmaDefaults) {
    EXPECT_EQ(pointer_->Desktop(), PointerDesktop::Kde);
    EXPECT_EQ(Offer(*pointer_), "10 1 3 400");
    EXPECT_TRUE(fs::is_empty(dir_.path()));
}

TEST_F(KdePointerTest, ReadsTheEntryThePlasmaSessionUses) {
    Write("kdeglobals",
          "WheelScrollLines=9\n"
          "[KDE][Sub]\nWheelScrollLines=9\n"
          "[Other]\nDoubleClickInterval=900\n"
          "[KDE]\n# WheelScrollLines=9\nWheelScrollLines[$e] = 7 \nDoubleClickInterval=300\n"
          "[General]\nWheelScrollLines=9\n"
          "[KDE]\nDoubleClickInterval[de]=800\nDoubleClickInterval=620\n");
    Write("kcminputrc",
          "[Mouse]\r\nXLbInptPointerAcceleration=0.3\r\nXLbInptAccelProfileFlat=True\r\n");
    EXPECT_EQ(Offer(*pointer_), "13 0 7 620");

    // A deleted or unreadable value is the default; values beyond the program's range are
    // pulled in.
    Write("kdeglobals",
          "[KDE]\nDoubleClickInterval=250\nDoubleClickInterval[$d]=\n"
          "WheelScrollLines=50\n");
    Write("kcminputrc", "[Mouse]\nXLbInptPointerAcceleration=fast\nXLbInptAccelProfileFlat=maybe");
    EXPECT_EQ(Offer(*pointer_), "10 1 20 400");
    Write("kdeglobals", "[KDE]\nWheelScrollLines=0\nDoubleClickInterval=abc\n");
    Write("kcminputrc", "[Mouse]\nXLbInptPointerAcceleration=nan\nXLbInptAccelProfileFlat=0\n");
    EXPECT_EQ(Offer(*pointer_), "10 1 1 400");
}

TEST_F(KdePointerTest, WritesChangeOnlyTheirValues) {
    const std::string before =
        "# Plasma's own settings\n"
        "[General]\n"
        "ColorScheme=BreezeDark\n"
        "font=Noto Sans,10,-1,5,50,0,0,0,0,0\n"
        "\n"
        "[KDE]\n"
        "AnimationDurationFactor=0.5\n"
        "DoubleClickInterval = 400   \n"
        "; not a comment to KConfig, kept anyway\n"
        "\n"
        "[WM]\n"
        "activeBackground=49,54,59\n";
    Write("kdeglobals", before);
    EXPECT_EQ(pointer_->Write(PointerSetting::DoubleClick, 620), PointerWrite::AppliesLater);
    EXPECT_EQ(pointer_->Write(PointerSetting::WheelLines, 5), PointerWrite::AppliesLater);
    EXPECT_EQ(Read("kdeglobals"),
              "# Plasma's own settings\n"
              "[General]\n"
              "ColorScheme=BreezeDark\n"
              "font=Noto Sans,10,-1,5,50,0,0,0,0,0\n"
              "\n"
              "[KDE]\n"
              "AnimationDurationFactor=0.5\n"
              "DoubleClickInterval = 620   \n"
              "; not a comment to KConfig, kept anyway\n"
              "WheelScrollLines=5\n"
              "\n"
              "[WM]\n"
              "activeBackground=49,54,59\n");
    EXPECT_EQ(Offer(*pointer_), "10 1 5 620");

    // The same value again leaves the file alone.
    const fs::file_time_type written = fs::last_write_time(File("kdeglobals"));
    fs::last_write_time(File("kdeglobals"), written - std::chrono::hours(1));
    EXPECT_EQ(pointer_->Write(PointerSetting::WheelLines, 5), PointerWrite::AppliesLater);
    EXPECT_EQ(fs::last_write_time(File("kdeglobals")), written - std::chrono::hours(1));
}

TEST_F(KdePointerTest, MissingGroupsAndFilesAreAdded) {
    Write("kcminputrc", "[Keyboard]\nNumLock=0");
    EXPECT_EQ(pointer_->Write(PointerSetting::Speed, 15), PointerWrite::AppliesLater);
    EXPECT_EQ(pointer_->Write(PointerSetting::Precision, 0), PointerWrite::AppliesLater);
    EXPECT_EQ(Read("kcminputrc"),
              "[Keyboard]\nNumLock=0\n\n"
              "[Mouse]\nXLbInptPointerAcceleration=0.5\nXLbInptAccelProfileFlat=true\n");
    EXPECT_EQ(pointer_->Write(PointerSetting::Speed, 3), PointerWrite::AppliesLater);
    EXPECT_EQ(pointer_->Write(PointerSetting::Precision, 1), PointerWrite::AppliesLater);
    EXPECT_EQ(Read("kcminputrc"),
              "[Keyboard]\nNumLock=0\n\n"
              "[Mouse]\nXLbInptPointerAcceleration=-0.7\nXLbInptAccelProfileFlat=false\n");

    // A configuration folder that does not exist yet is made.
    test::ScopedEnv config("XDG_CONFIG_HOME", (dir_ / "new/config").string());
    const std::unique_ptr<PointerSettings> fresh = Open();
    EXPECT_EQ(fresh->Write(PointerSetting::DoubleClick, 480), PointerWrite::AppliesLater);
    EXPECT_EQ(test::ReadFile(dir_ / "new/config/kdeglobals"), "[KDE]\nDoubleClickInterval=480\n");
    EXPECT_EQ(Offer(*fresh), "10 1 3 480");
}

TEST_F(KdePointerTest, OneScreenScrollingAndValuesOutOfRangeAreRefused) {
    const Case refused[] = {{PointerSetting::WheelLines, kWheelPageScroll},
                            {PointerSetting::WheelLines, 0},
                            {PointerSetting::WheelLines, 21},
                            {PointerSetting::Speed, 0},
                            {PointerSetting::Precision, 2},
                            {PointerSetting::DoubleClick, 99},
                            {PointerSetting::DoubleClick, 2001}};
    for (const auto& [setting, value] : refused) {
        EXPECT_FALSE(pointer_->Accepts(setting, value)) << value;
        EXPECT_EQ(pointer_->Write(setting, value), PointerWrite::Unsupported) << value;
    }
    EXPECT_TRUE(pointer_->Accepts(PointerSetting::WheelLines, 20));
    EXPECT_TRUE(fs::is_empty(dir_.path()));
}

TEST_F(KdePointerTest, WaylandSessionHasNoSpeedOrPrecision) {
    Write("kcminputrc", "[Mouse]\nXLbInptPointerAcceleration=0.5\n");
    test::ScopedEnv session("XDG_SESSION_TYPE", "wayland");
    const std::unique_ptr<PointerSettings> wayland = Open();
    EXPECT_EQ(Offer(*wayland), "- - 3 400");
    EXPECT_FALSE(wayland->Accepts(PointerSetting::Speed, 10));
    EXPECT_EQ(wayland->Write(PointerSetting::Speed, 10), PointerWrite::Unsupported);
    EXPECT_EQ(wayland->Write(PointerSetting::Precision, 0), PointerWrite::Unsupported);
    EXPECT_EQ(Read("kcminputrc"), "[Mouse]\nXLbInptPointerAcceleration=0.5\n");
    EXPECT_EQ(wayland->Write(PointerSetting::WheelLines, 4), PointerWrite::AppliesLater);
}

TEST_F(KdePointerTest, ReadOnlyFolderFailsAndLeavesTheFile) {
    Write("kdeglobals", "[KDE]\nWheelScrollLines=3\n");
    test::ReadOnlyFolder read_only(dir_.path());
    if (!read_only.ready()) {
        GTEST_SKIP() << "cannot make the folder read-only here";
    }
    EXPECT_EQ(pointer_->Write(PointerSetting::WheelLines, 8), PointerWrite::Failed);
    EXPECT_EQ(pointer_->Write(PointerSetting::Speed, 8), PointerWrite::Failed);
    EXPECT_EQ(Read("kdeglobals"), "[KDE]\nWheelScrollLines=3\n");
    EXPECT_FALSE(fs::exists(File("kcminputrc")));
    EXPECT_EQ(Offer(*pointer_), "10 1 3 400");
}

TEST_F(KdePointerTest, FilesThatAreNotTextFailAndStay) {
    std::string binary = "[KDE]\nWheelScrollLines=3\n";
    binary += '\0';
    binary += '\x01';
    Write("kdeglobals", binary);
    fs::create_directories(File("kcminputrc"));
    EXPECT_EQ(Offer(*pointer_), "unreadable unreadable unreadable unreadable");
    EXPECT_EQ(pointer_->Write(PointerSetting::WheelLines, 8), PointerWrite::Failed);
    EXPECT_EQ(pointer_->Write(PointerSetting::Speed, 8), PointerWrite::Failed);
    EXPECT_EQ(Read("kdeglobals"), binary);
    EXPECT_TRUE(fs::is_directory(File("kcminputrc")));

    Write("kdeglobals", "[KDE]\nName=\xff\xfe\n");
    EXPECT_EQ(pointer_->Read(PointerSetting::WheelLines), std::nullopt);
    EXPECT_EQ(pointer_->Write(PointerSetting::WheelLines, 8), PointerWrite::Failed);
    EXPECT_EQ(Read("kdeglobals"), "[KDE]\nName=\xff\xfe\n");
}

TEST_F(KdePointerTest, LockedEntriesAreReadButNotWritten) {
    for (const std::string text : {"[KDE][$i]\nWheelScrollLines=4\nDoubleClickInterval=300\n",
                                   "[KDE]\nWheelScrollLines[$i]=4\nDoubleClickInterval[$i]=300\n",
                                   "[$i]\n[KDE]\nWheelScrollLines=4\nDoubleClickInterval=300\n"}) {
        Write("kdeglobals", text);
        EXPECT_EQ(pointer_->Read(PointerSetting::WheelLines), 4) << text;
        EXPECT_EQ(pointer_->Write(PointerSetting::WheelLines, 6), PointerWrite::Failed) << text;
        EXPECT_EQ(pointer_->Write(PointerSetting::DoubleClick, 410), PointerWrite::Failed) << text;
        EXPECT_EQ(Read("kdeglobals"), text);
    }
}

TEST_F(KdePointerTest, LinkedFileIsWrittenThroughAndKeepsItsPermissions) {
    Write("dotfiles/kdeglobals", "[KDE]\nWheelScrollLines=3\n");
    fs::permissions(File("dotfiles/kdeglobals"), fs::perms::owner_read | fs::perms::owner_write |
                                                     fs::perms::group_read |
                                                     fs::perms::others_read);
    fs::create_symlink("dotfiles/kdeglobals", File("kdeglobals"));
    EXPECT_EQ(pointer_->Write(PointerSetting::WheelLines, 6), PointerWrite::AppliesLater);
    EXPECT_TRUE(fs::is_symlink(File("kdeglobals")));
    EXPECT_EQ(Read("dotfiles/kdeglobals"), "[KDE]\nWheelScrollLines=6\n");
    EXPECT_EQ(fs::status(File("dotfiles/kdeglobals")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);

    fs::remove(File("dotfiles/kdeglobals"));
    EXPECT_EQ(pointer_->Read(PointerSetting::WheelLines), std::nullopt);
    EXPECT_EQ(pointer_->Write(PointerSetting::WheelLines, 6), PointerWrite::Failed);
    EXPECT_FALSE(fs::exists(File("dotfiles/kdeglobals")));
}

TEST_F(KdePointerTest, TwoThreadsNeverLoseTheOthersChange) {
    // Both settings live in one file: each write reads it, changes one line and replaces it.
    std::thread lines([&] {
        for (int n = 1; n <= 20; ++n) {
            EXPECT_EQ(pointer_->Write(PointerSetting::WheelLines, n), PointerWrite::AppliesLater);
        }
    });
    for (int ms = 100; ms <= 2000; ms += 100) {
        EXPECT_EQ(pointer_->Write(PointerSetting::DoubleClick, ms), PointerWrite::AppliesLater);
    }
    lines.join();
    EXPECT_EQ(Offer(*pointer_), "10 1 20 2000");
}

// A session bus of the test's own.
class PrivateSessionBus {
  public:
    explicit PrivateSessionBus(const fs::path& folder) {
        daemon_ = test::StartProcess({"dbus-daemon", "--session", "--nofork", "--print-address=1",
                                      "--address=unix:path=" + (folder / "bus").string()},
                                     {}, folder);
        // The address is printed once the bus listens.
        while (daemon_.pid > 0 && address_.empty() && ::kill(daemon_.pid, 0) == 0) {
            const std::string out = test::ReadFile(daemon_.out_file);
            if (out.find('\n') != std::string::npos) {
                address_ = out.substr(0, out.find('\n'));
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
    }
    ~PrivateSessionBus() {
        if (daemon_.pid > 0) {
            ::kill(daemon_.pid, SIGTERM);
            test::FinishProcess(daemon_);
        }
    }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    bool started() const { return daemon_.pid > 0; }
    const std::string& address() const { return address_; }

  private:
    test::StartedProcess daemon_;
    std::string address_;
};

// Records KDE's change notices on a bus, in a main context of its own.
class ChangeListener {
  public:
    explicit ChangeListener(const std::string& address) : context_(g_main_context_new()) {
        g_main_context_push_thread_default(context_);
        connection_ = g_dbus_connection_new_for_address_sync(
            address.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        if (connection_ == nullptr) {
            return;
        }
        subscription_ = g_dbus_connection_signal_subscribe(
            connection_, nullptr, "org.kde.KGlobalSettings", "notifyChange", "/KGlobalSettings",
            nullptr, G_DBUS_SIGNAL_FLAGS_NONE, &ChangeListener::OnSignal, this, nullptr);
        // The bus answers a call after taking the match rule sent before it.
        GVariant* reply = g_dbus_connection_call_sync(
            connection_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "GetId", nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
        if (reply != nullptr) {
            g_variant_unref(reply);
        }
    }
    ~ChangeListener() {
        if (connection_ != nullptr) {
            g_dbus_connection_signal_unsubscribe(connection_, subscription_);
            g_dbus_connection_close_sync(connection_, nullptr, nullptr);
            g_object_unref(connection_);
        }
        g_main_context_pop_thread_default(context_);
        g_main_context_unref(context_);
    }
    ChangeListener(const ChangeListener&) = delete;
    ChangeListener& operator=(const ChangeListener&) = delete;

    bool connected() const { return connection_ != nullptr; }

    // The notices received, after waiting until there are `count` (or a generous while).
    const std::vector<std::string>& WaitFor(std::size_t count) {
        bool gave_up = false;
        GSource* limit = g_timeout_source_new_seconds(30);
        g_source_set_callback(
            limit,
            [](gpointer flag) -> gboolean {
                *static_cast<bool*>(flag) = true;
                return G_SOURCE_REMOVE;
            },
            &gave_up, nullptr);
        g_source_attach(limit, context_);
        while (notices_.size() < count && !gave_up) {
            g_main_context_iteration(context_, TRUE);
        }
        g_source_destroy(limit);
        g_source_unref(limit);
        return notices_;
    }

  private:
    static void OnSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                         GVariant* parameters, gpointer self) {
        gchar* text = g_variant_print(parameters, FALSE);
        static_cast<ChangeListener*>(self)->notices_.emplace_back(text);
        g_free(text);
    }

    GMainContext* context_;
    GDBusConnection* connection_ = nullptr;
    guint subscription_ = 0;
    std::vector<std::string> notices_;
};

TEST_F(KdePointerTest, ChangeNoticeReachesTheSessionBus) {
    PrivateSessionBus bus(dir_.path());
    if (!bus.started()) {
        GTEST_SKIP() << "dbus-daemon is not installed";
    }
    ASSERT_FALSE(bus.address().empty());
    test::ScopedEnv address("DBUS_SESSION_BUS_ADDRESS", bus.address());
    ChangeListener listener(bus.address());
    ASSERT_TRUE(listener.connected());

    EXPECT_EQ(pointer_->Write(PointerSetting::WheelLines, 6), PointerWrite::Applied);
    EXPECT_EQ(listener.WaitFor(1), std::vector<std::string>{"(3, 0)"});
    // Only the session's start reads the acceleration, whatever the bus says.
    EXPECT_EQ(pointer_->Write(PointerSetting::Speed, 12), PointerWrite::AppliesLater);
    EXPECT_EQ(pointer_->Write(PointerSetting::Precision, 0), PointerWrite::AppliesLater);
    EXPECT_EQ(pointer_->Write(PointerSetting::DoubleClick, 340), PointerWrite::Applied);
    EXPECT_EQ(listener.WaitFor(2), (std::vector<std::string>{"(3, 0)", "(3, 0)"}));
    EXPECT_EQ(Offer(*pointer_), "12 0 6 340");
}

}  // namespace
}  // namespace veltra
