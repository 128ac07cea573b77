#pragma once
#include <chrono>
#include <functional>
#include <future>
#include <thread>

// Runs a function on a thread of its own, so that a test can wait for it with a time limit
// instead of hanging when the code under test never returns. The thread is joined at the end.
class BoundedRun {
public:
    explicit BoundedRun(std::function<void()> body)
        : m_done(m_finished.get_future()), m_thread([this, body = std::move(body)] {
              body();
              m_finished.set_value();
          }) {}
    ~BoundedRun() { m_thread.join(); }
    BoundedRun(const BoundedRun&) = delete;
    BoundedRun& operator=(const BoundedRun&) = delete;

    // True when the function returned within the limit.
    bool EndsWithin(std::chrono::milliseconds limit) const {
        return m_done.wait_for(limit) == std::future_status::ready;
    }

private:
    std::promise<void> m_finished;
    std::future<void> m_done;
    std::thread m_thread;
};
