#pragma once

// A thread that runs a step routine over and over with a pause after each step.

#include <atomic>
#include <chrono>
#include <thread>

namespace veltra {

class CThreadBasic {
  public:
    static constexpr std::chrono::milliseconds kDefaultPeriod{30};

    CThreadBasic() = default;
    // A derived class must call StopWorker in its own destructor: the thread calls into it.
    virtual ~CThreadBasic();
    CThreadBasic(const CThreadBasic&) = delete;
    CThreadBasic& operator=(const CThreadBasic&) = delete;

    // Starts the thread (loop mode 1: step, pause, step...). Does nothing while one runs.
    void StartWorker();
    // Asks the thread to end, lets the derived class cancel its waits, and joins the thread.
    void StopWorker();
    bool IsRunning() const { return running_; }

    // Loop mode 0 calls the step once; set before StartWorker.
    void SetLoopMode(int loop_mode) { loop_mode_ = loop_mode; }
    void SetPeriod(std::chrono::milliseconds period) { period_ = period; }
    std::chrono::steady_clock::time_point StartTick() const { return start_tick_; }

  protected:
    virtual void Step() = 0;
    // The wait after a step; the default sleeps the period unless a stop is asked for.
    virtual void Pause(std::chrono::milliseconds period);
    // Called on the stopping thread before it joins: wake up whatever the thread waits for.
    virtual void CancelWaits() {}
    // Called on the stopping thread once the thread has ended.
    virtual void Joined() {}
    bool StopRequested() const { return !running_; }

  private:
    void Run();

    std::atomic<bool> running_{false};
    int loop_mode_ = 1;
    std::chrono::milliseconds period_ = kDefaultPeriod;
    std::chrono::steady_clock::time_point start_tick_{};
    std::thread thread_;
};

}  // namespace veltra
