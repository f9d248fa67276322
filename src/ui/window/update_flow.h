#pragma once
// The update download in the window: the prompt of the update message, the lookup of what the
// manifest offers, the job on the worker, its progress dialog and what the user is told.
//
// Threads: Prompt, Stop and every handler run on the user-interface thread; RunJob runs on the
// device worker, which hands its progress and end back as posted calls. The manifest lookup
// runs on a thread of its own, so the window never waits for the network. Clearing the running
// flag (Cancel, the program's end) stops a lookup or a download within a tenth of a second.

#include <QPointer>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "device/task_code.h"
#include "update/http_download.h"
#include "update/program_starter.h"
#include "update/update_job.h"

namespace veltra::ui {

class DownloadDlg;
class MDialog;

class UpdateFlow {
  public:
    struct Host {
        MDialog* window = nullptr;
        // The base address of a package, from the configuration file.
        std::function<std::string(UpdatePackage)> base_address;
        std::function<void(TaskCode)> queue_task;
        // The normal end of the program, once the update has started.
        std::function<void()> exit;
    };

    UpdateFlow(Host host, ProgramStarter& starter, DownloadOptions options);
    ~UpdateFlow();

    // The update message: wParam 1 the driver package, 2 the firmware tool; other values do
    // nothing. While an update is under way it only brings its dialog to the front.
    void Prompt(int wparam);
    // Tasks 21 and 22: the job of the package the user confirmed; nothing without one.
    void RunJob(TaskCode code);
    // Stops whatever runs and waits for the lookup thread; the worker's job ends by itself.
    void Stop();

    bool Busy() const { return busy_; }
    DownloadDlg* Dialog() const;

  private:
    void OnManifest(UpdatePackage package, const ManifestFetch& fetch);
    void Confirmed(UpdatePackage package, const PackageOffer& offer);
    void OnFinished(UpdatePackage package, const UpdateJobResult& result);
    void Tell(UpdatePackage package, const QString& body);
    void JoinLookup();

    Host host_;
    ProgramStarter& starter_;
    DownloadOptions options_;
    std::atomic<bool> running_{false};
    std::thread lookup_;
    // The confirmed job, handed to the worker.
    std::mutex mutex_;
    std::optional<UpdateJobSettings> pending_;
    // The downloader's last value outlives a job; worker thread only.
    DownloadProgress progress_;
    std::unique_ptr<DownloadDlg> dialog_;
    bool busy_ = false;
};

}  // namespace veltra::ui
