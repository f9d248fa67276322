#include "ui/window/update_flow.h"

#include "common/log.h"
#include "frontend/update_link.h"
#include "ui/dialogs/download_dialog.h"
#include "ui/dialogs/lang_text.h"
#include "ui/dialogs/message_box.h"
#include "ui/widgets/ui_thread.h"

namespace veltra::ui {
namespace {

constexpr int kDriverTitle = 108;
constexpr int kFirmwareTitle = 622;
constexpr int kNewVersion = 623;
constexpr int kInstallNow = 114;
constexpr int kNotReached = 624;
constexpr int kBrokeOff = 625;
constexpr int kNotPublished = 626;
constexpr int kNothingToStart = 627;
constexpr int kNoOffer = 629;
constexpr int kNotUnpacked = 630;
constexpr int kNotSaved = 631;

QString Title(UpdatePackage package) {
    return LangText(package == UpdatePackage::Driver ? kDriverTitle : kFirmwareTitle);
}

QString With(int text, const std::string& value) {
    return LangText(text).replace(QStringLiteral("%s"), QString::fromStdString(value));
}

TaskCode TaskOf(UpdatePackage package) {
    return package == UpdatePackage::Driver ? TaskCode::UpdateDriver : TaskCode::UpdateFirmwareTool;
}

}  // namespace

UpdateFlow::UpdateFlow(Host host, ProgramStarter& starter, DownloadOptions options)
    : host_(std::move(host)),
      starter_(starter),
      options_(std::move(options)),
      progress_([this](int value) {
          PostTo(host_.window, [this, value] {
              if (dialog_) {
                  dialog_->SetProgress(value);
              }
          });
      }) {}

UpdateFlow::~UpdateFlow() {
    Stop();
}

DownloadDlg* UpdateFlow::Dialog() const {
    return dialog_.get();
}

void UpdateFlow::Prompt(int wparam) {
    if (wparam != static_cast<int>(UpdatePackage::Driver) &&
        wparam != static_cast<int>(UpdatePackage::FirmwareTool)) {
        return;
    }
    if (busy_) {
        if (dialog_) {
            dialog_->raise();
        }
        return;
    }
    busy_ = true;
    const auto package = static_cast<UpdatePackage>(wparam);
    running_ = true;
    JoinLookup();
    lookup_ = std::thread([this, package, base = host_.base_address(package)] {
        ManifestFetch fetch = FetchManifest(base, options_, running_);
        PostTo(host_.window,
               [this, package, fetch = std::move(fetch)] { OnManifest(package, fetch); });
    });
}

void UpdateFlow::OnManifest(UpdatePackage package, const ManifestFetch& fetch) {
    JoinLookup();
    const std::string base = host_.base_address(package);
    const std::optional<PackageOffer>& offer = fetch.manifest.Offer(package);
    if (fetch.status == ManifestFetch::Status::Fetched && offer) {
        Confirmed(package, *offer);
        return;
    }
    busy_ = false;
    running_ = false;
    if (!fetch.detail.empty()) {
        Log(LogLevel::Warning, "update manifest at " + base + ": " + fetch.detail);
    }
    if (fetch.status == ManifestFetch::Status::AddressFailed) {
        Tell(package, With(kNotReached, base));
    } else if (fetch.status != ManifestFetch::Status::Stopped) {
        Tell(package, With(kNoOffer, base));
    }
}

void UpdateFlow::Confirmed(UpdatePackage package, const PackageOffer& offer) {
    const QString body = QStringLiteral("%1:v%2, %3")
                             .arg(LangText(kNewVersion), QString::fromStdString(offer.version),
                                  LangText(kInstallNow));
    if (ShowMessageBox(host_.window, body, Title(package), kMessageOkCancel) != kResultOk ||
        !running_) {
        busy_ = false;
        running_ = false;
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        pending_ = UpdateJobSettings{.package = package,
                                     .base_address = host_.base_address(package),
                                     .offer = offer,
                                     .temp_folder = UpdateTempFolder(),
                                     .download = options_};
    }
    dialog_ = std::make_unique<DownloadDlg>(Title(package), QString::fromStdString(offer.archive),
                                            [this] { running_ = false; });
    dialog_->Open(host_.window);
    host_.queue_task(TaskOf(package));
}

void UpdateFlow::RunJob(TaskCode code) {
    std::optional<UpdateJobSettings> settings;
    {
        const std::lock_guard lock(mutex_);
        if (!pending_ || TaskOf(pending_->package) != code) {
            return;
        }
        settings.swap(pending_);
    }
    const UpdateJobResult result = RunUpdateJob(*settings, starter_, running_, progress_);
    PostTo(host_.window,
           [this, package = settings->package, result] { OnFinished(package, result); });
}

void UpdateFlow::OnFinished(UpdatePackage package, const UpdateJobResult& result) {
    dialog_.reset();
    busy_ = false;
    running_ = false;
    if (!result.detail.empty()) {
        Log(result.outcome == UpdateOutcome::Started ? LogLevel::Info : LogLevel::Warning,
            "update: " + result.detail);
    }
    switch (result.outcome) {
        case UpdateOutcome::Started:
            Log(LogLevel::Info, "update: started " + result.started.string());
            host_.exit();
            return;
        case UpdateOutcome::Stopped:
            return;
        case UpdateOutcome::FolderFailed:
            Tell(package, With(kNotSaved, UpdateTempFolder().string()));
            return;
        case UpdateOutcome::AddressFailed:
            Tell(package, With(kNotReached, host_.base_address(package)));
            return;
        case UpdateOutcome::TransferBroken:
            Tell(package, LangText(kBrokeOff));
            return;
        case UpdateOutcome::DigestMismatch:
            Tell(package, LangText(kNotPublished));
            return;
        case UpdateOutcome::NotUnpacked:
            Tell(package, LangText(kNotUnpacked));
            return;
        case UpdateOutcome::NothingToStart:
            Tell(package, LangText(kNothingToStart));
            return;
    }
}

void UpdateFlow::Tell(UpdatePackage package, const QString& body) {
    ShowMessageBox(host_.window, body, Title(package), kMessageOk);
}

void UpdateFlow::Stop() {
    running_ = false;
    JoinLookup();
}

void UpdateFlow::JoinLookup() {
    if (lookup_.joinable()) {
        lookup_.join();
    }
}

}  // namespace veltra::ui
