#include "device/thread_basic.h"

namespace veltra {

CThreadBasic::~CThreadBasic() {
    StopWorker();
}

void CThreadBasic::StartWorker() {
    if (thread_.joinable()) {
        return;
    }
    running_ = true;
    start_tick_ = std::chrono::steady_clock::now();
    thread_ = std::thread([this] { Run(); });
}

void CThreadBasic::StopWorker() {
    if (!thread_.joinable()) {
        return;
    }
    running_ = false;
    CancelWaits();
    thread_.join();
    Joined();
}

void CThreadBasic::Pause(std::chrono::milliseconds period) {
    std::this_thread::sleep_for(period);
}

void CThreadBasic::Run() {
    if (loop_mode_ != 1) {
        Step();
        return;
    }
    while (running_) {
        Step();
        if (running_) {
            Pause(period_);
        }
    }
}

}  // namespace veltra
