#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// A thread of its own that runs the jobs handed to it one after the other,
// in the order they came. Ending it runs what is still queued first. A job
// that throws ends itself only: the thread goes on with the next (a job's
// owner catches what it can tell the user about; this is the last guard).
class SerialWorker {
public:
    SerialWorker();
    ~SerialWorker();
    SerialWorker(const SerialWorker&) = delete;
    SerialWorker& operator=(const SerialWorker&) = delete;

    // Queues a job and returns at once.
    void post(std::function<void()> job);
    // Waits until every job handed over so far has run.
    void wait();
    // The same, for at most `limit`: true when every job has run.
    bool wait(std::chrono::milliseconds limit);

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<std::function<void()>> m_jobs;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread; // last: it starts once everything above is ready
};
