#include "core/LossWatch.h"

namespace zaffo {

LossWatch::LossWatch(std::function<void()> onLoss) : onLoss_(std::move(onLoss)), thread_([this] { run(); }) {}

LossWatch::~LossWatch() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void LossWatch::lost() {
    {
        std::lock_guard lock(mutex_);
        ++losses_;
    }
    wake_.notify_one();
}

void LossWatch::run() {
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return stopping_ || losses_ > 0; });
        if (stopping_) return;
        --losses_;
        lock.unlock();
        onLoss_();
        lock.lock();
    }
}

}  // namespace zaffo
