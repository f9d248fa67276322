#pragma once
// The identifiers of the main window's frame, home page and program settings page, and the
// language texts they show. The routing table and the tests name controls by these.

namespace veltra::ui::main_window {

// Frame.
inline constexpr int kBackground = 30;
inline constexpr int kStatusBar = 31;
inline constexpr int kThemePanel = 32;
inline constexpr int kBottomBar = 33;
inline constexpr int kLogo = 34;
inline constexpr int kCaptionPicture = 35;
inline constexpr int kTitle = 36;
inline constexpr int kVersionLabel = 37;
inline constexpr int kBottomCaption = 38;
inline constexpr int kCloseButton = 39;
inline constexpr int kMinimizeButton = 40;
inline constexpr int kMaximizeButton = 41;
inline constexpr int kSettingsButton = 42;
inline constexpr int kBattery = 44;
inline constexpr int kConnectionState = 45;
inline constexpr int kImportButton = 46;
inline constexpr int kExportButton = 47;
inline constexpr int kTabBackground = 48;
inline constexpr int kTabBar = 49;
inline constexpr int kProfileCombo = 65;

// Page containers, in the order they are built.
inline constexpr int kButtonsPage = 50;
inline constexpr int kDpiPage = 51;
inline constexpr int kMacroPage = 52;
inline constexpr int kLightingPage = 53;
inline constexpr int kHomePage = 54;
inline constexpr int kPerformancePage = 55;
inline constexpr int kSettingsPage = 56;
inline constexpr int kSparePage = 57;

// Home page.
inline constexpr int kModelPicture = 58;
inline constexpr int kNoticeBackground = 59;
inline constexpr int kNoticeText = 60;
inline constexpr int kModelCombo = 62;
inline constexpr int kDeviceList = 63;

// Program settings page.
inline constexpr int kSettingsBackground = 247;
inline constexpr int kReturnButton = 248;
inline constexpr int kLanguageLabel = 249;
inline constexpr int kLanguageCombo = 250;
inline constexpr int kStartupLabel = 251;
inline constexpr int kAutostartCheck = 252;
inline constexpr int kAutostartMinimizedCheck = 253;
inline constexpr int kSeparator1 = 254;
inline constexpr int kSeparator2 = 255;
inline constexpr int kExitModeLabel = 256;
inline constexpr int kExitToTrayRadio = 257;
inline constexpr int kExitProgramRadio = 258;
inline constexpr int kLinksCaption = 259;
inline constexpr int kWebsiteLink = 260;
inline constexpr int kFeedbackLink = 261;
inline constexpr int kQaLink = 262;
// Why the close button cannot hide into the notification area on this desktop.
inline constexpr int kTrayNote = 263;
// The demo menu's button in the bottom bar.
inline constexpr int kExtraMenuButton = 264;
// The desktop notices: a label and the low-battery warning's switch.
inline constexpr int kNoticesLabel = 267;
inline constexpr int kBatteryNoticeCheck = 268;

// The restore-defaults button of the performance page.
inline constexpr int kRestoreDefaults = 225;

// Text colours (ARGB): page texts, and the two texts of the bottom bar.
inline constexpr unsigned kTextWhite = 0xFFFFFFFF;
inline constexpr unsigned kTextGrey = 0xFF969696;

// Tab item ids (index 0..4).
inline constexpr int kTabHome = 1;
inline constexpr int kTabButtons = 2;
inline constexpr int kTabDpi = 3;
inline constexpr int kTabLighting = 5;
inline constexpr int kTabPerformance = 6;
inline constexpr int kLightingTabIndex = 3;

// Window messages accepted from outside.
inline constexpr int kMessageConnection = 1674;
inline constexpr int kMessageTray = 1690;
inline constexpr int kMessageExit = 1691;
inline constexpr int kMessageUpdatePrompt = 1692;
inline constexpr int kMessageProfileFile = 1705;
inline constexpr int kProfileFileImport = 1;
inline constexpr int kProfileFileExport = 2;
inline constexpr int kMessageLanguage = 2022;
inline constexpr int kExitConfirmation = 610;

// Tray menu command.
inline constexpr int kTrayExitCommand = 100;

// Language texts.
namespace text {
inline constexpr int kTitle = 1;
inline constexpr int kBottomCaption = 2;
inline constexpr int kWebsite = 3;
inline constexpr int kClose = 10;
inline constexpr int kMinimize = 11;
inline constexpr int kMaximize = 12;
inline constexpr int kSettings = 16;
inline constexpr int kExit = 17;
inline constexpr int kVersion = 21;
inline constexpr int kImport = 30;
inline constexpr int kExport = 31;
inline constexpr int kPleaseConnect = 55;
inline constexpr int kProfileWord = 60;
inline constexpr int kLanguage = 100;
inline constexpr int kStartup = 101;
inline constexpr int kAutostart = 102;
inline constexpr int kAutostartMinimized = 103;
inline constexpr int kClosing = 109;
inline constexpr int kCloseToTray = 110;
inline constexpr int kCloseExits = 111;
inline constexpr int kFeedback = 112;
inline constexpr int kQa = 113;
inline constexpr int kRestoreTitle = 570;
inline constexpr int kRestoreBody = 571;
inline constexpr int kDisconnectedBody = 581;
inline constexpr int kDisconnectedTitle = 582;
inline constexpr int kAsleepBody = 583;
inline constexpr int kAsleepTitle = 584;
inline constexpr int kMouseVersion = 590;
inline constexpr int kReceiverVersion = 591;
inline constexpr int kNoAccessTitle = 592;
inline constexpr int kNoAccessBody = 593;
inline constexpr int kNoTrayNote = 594;
inline constexpr int kDemoMenu = 595;
inline constexpr int kImportTitle = 610;
inline constexpr int kExportTitle = 611;
inline constexpr int kFileUnreadable = 612;
inline constexpr int kFileNotAProfile = 613;
inline constexpr int kFileNoSettings = 614;
inline constexpr int kProfileNotStored = 615;
inline constexpr int kFileNotSaved = 616;
// The notification icon's tooltip: the links, and the level while discharging or charging.
inline constexpr int kTrayCable = 632;
inline constexpr int kTrayReceiver = 633;
inline constexpr int kTrayBluetooth = 634;
inline constexpr int kTrayLevel = 635;
inline constexpr int kTrayLevelCharging = 636;
// The low-battery warnings: at the first threshold, and at the last.
inline constexpr int kBatteryLowTitle = 637;
inline constexpr int kBatteryLowBody = 638;
inline constexpr int kBatteryEmptyTitle = 639;
inline constexpr int kBatteryEmptyBody = 640;
inline constexpr int kNotices = 641;
inline constexpr int kBatteryNotice = 642;
}  // namespace text

}  // namespace veltra::ui::main_window
