// Searches on worker threads. Each search works on its own copy of a board and shares only
// its cancel flag and progress counters with the interface thread; its outcome comes back
// to the interface thread as a queued call, where its thread is joined. Destroying the
// object cancels every search still running and waits for their threads, which notice the
// cancel flag within a few milliseconds.
#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "solver/solver.h"

namespace prismcrate {

// What a search hands back: the solver's answer, or the text of the exception that ended
// it (an invalid board, a fault of the solver, memory running out).
struct SearchOutcome {
    solver::Result result;
    std::string error;
};

// Shared between a search and the interface thread.
struct SearchControl {
    std::atomic<bool> cancel{false};
    std::atomic<std::uint64_t> states{0};
    std::atomic<double> seconds{0};
};

class SearchThreads : public QObject {
  public:
    using Id = std::uint64_t;
    // Runs on the worker thread; it must watch `control.cancel` and may fill in the progress.
    using Work = std::function<solver::Result(SearchControl& control)>;
    // Runs on the interface thread, unless the search was cancelled first.
    using Done = std::function<void(const SearchOutcome& outcome)>;

    explicit SearchThreads(QObject* parent = nullptr) : QObject(parent) {}
    ~SearchThreads() override;

    // Starts `work` on a thread of its own; returns its id (never 0).
    Id start(Work work, Done done);
    // Sets the search's cancel flag; its outcome will not be delivered. Unknown ids and 0
    // are ignored.
    void cancel(Id id);
    void cancelAll();
    // Whether the search is started and neither finished nor cancelled.
    bool running(Id id) const;
    // The progress counters of a search, or null once it is over.
    const SearchControl* control(Id id) const;
    // Searches whose threads have not been joined yet (cancelled ones included).
    std::size_t threads() const { return jobs_.size(); }

  private:
    struct Job {
        std::shared_ptr<SearchControl> control = std::make_shared<SearchControl>();
        std::thread thread;
        Done done;
    };
    void finished(Id id, const SearchOutcome& outcome);

    std::map<Id, Job> jobs_;
    Id next_ = 1;
};

}  // namespace prismcrate
