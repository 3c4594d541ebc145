#include "app/search_threads.h"

#include <QMetaObject>
#include <exception>

namespace prismcrate {

SearchThreads::~SearchThreads() {
    cancelAll();
    for (auto& [id, job] : jobs_)
        if (job.thread.joinable()) job.thread.join();
}

SearchThreads::Id SearchThreads::start(Work work, Done done) {
    const Id id = next_++;
    Job& job = jobs_[id];
    job.done = std::move(done);
    std::shared_ptr<SearchControl> control = job.control;
    job.thread = std::thread([this, id, control, work = std::move(work)] {
        SearchOutcome outcome;
        try {
            outcome.result = work(*control);
        } catch (const std::exception& e) {
            outcome.error = e.what();
            if (outcome.error.empty()) outcome.error = "?";
        } catch (...) {
            outcome.error = "?";
        }
        // Queued to this object: if it is gone (it joins this thread first), the call is
        // dropped with it.
        QMetaObject::invokeMethod(
            this, [this, id, outcome] { finished(id, outcome); }, Qt::QueuedConnection);
    });
    return id;
}

void SearchThreads::cancel(Id id) {
    const auto it = jobs_.find(id);
    if (it != jobs_.end()) it->second.control->cancel = true;
}

void SearchThreads::cancelAll() {
    for (auto& [id, job] : jobs_) job.control->cancel = true;
}

bool SearchThreads::running(Id id) const {
    const auto it = jobs_.find(id);
    return it != jobs_.end() && !it->second.control->cancel;
}

const SearchControl* SearchThreads::control(Id id) const {
    return running(id) ? jobs_.at(id).control.get() : nullptr;
}

void SearchThreads::finished(Id id, const SearchOutcome& outcome) {
    const auto it = jobs_.find(id);
    if (it == jobs_.end()) return;
    // The thread has posted this call as its last act: the join is at once.
    if (it->second.thread.joinable()) it->second.thread.join();
    const bool cancelled = it->second.control->cancel;
    Done done = std::move(it->second.done);
    jobs_.erase(it);
    if (!cancelled && done) done(outcome);
}

}  // namespace prismcrate
