#pragma once
// A second thread that runs one job at a time beside the caller: Start hands
// it a job, Wait returns once that job has finished. The thread is started
// at the first job and joined when the object goes; when none can be
// started, Start runs the job on the caller's thread instead.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace tsrn::bulk {

class HelperThread {
  public:
    HelperThread() = default;
    ~HelperThread();
    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;

    // Starts `job`; the caller must Wait before the next Start.
    void Start(std::function<void()> job);
    // Starts `job` on the second thread only: false, and `job` not run, when
    // there is none. For a job that waits on the caller's own work.
    [[nodiscard]] bool TryStart(std::function<void()> job);
    void Wait();

  private:
    void Loop();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> job_;
    bool pending_ = false;  // a job was started and has not finished
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace tsrn::bulk
