#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace zaffo {

// Acts on the loss of something (a sound server) on a thread of its own, since the thread that learns of it (the
// server's library's) may neither wait nor tear down what it belongs to.
class LossWatch {
public:
    explicit LossWatch(std::function<void()> onLoss);
    // Waits for an action under way.
    ~LossWatch();
    LossWatch(const LossWatch&) = delete;
    LossWatch& operator=(const LossWatch&) = delete;

    // Any thread; onLoss runs soon after, once for each call.
    void lost();

private:
    void run();

    std::function<void()> onLoss_;
    std::mutex mutex_;  // losses_, stopping_
    std::condition_variable wake_;
    int losses_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace zaffo
