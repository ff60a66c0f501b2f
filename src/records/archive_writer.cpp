#include "records/archive_writer.h"

#include <iterator>
#include <utility>

namespace kd::records {

namespace {

// Another program's lock: the connection has waited its busy time-out already; try again
// soon, so the records follow within a second of the lock going.
constexpr std::chrono::milliseconds kBusyRetry{200};

bool Passes(ArchiveProblem p) { return p == ArchiveProblem::None || p == ArchiveProblem::Busy; }

}  // namespace

ArchiveWriter::ArchiveWriter(std::filesystem::path path, size_t keepLimit)
    : path_(std::move(path)), keepLimit_(keepLimit), thread_([this] { run(); }) {}

ArchiveWriter::~ArchiveWriter() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void ArchiveWriter::changed() {
    ++state_.changes;
    done_.notify_all();
}

void ArchiveWriter::add(ArchivedRecord record) {
    {
        std::lock_guard lock(mutex_);
        if (state_.waiting >= keepLimit_) {
            ++state_.lost;
            changed();
            return;
        }
        queue_.push_back(std::move(record));
        ++state_.waiting;
        changed();
    }
    wake_.notify_one();
}

void ArchiveWriter::addVisit(visits::Visit visit) {
    {
        std::lock_guard lock(mutex_);
        std::string uuid = visit.uuid;
        visits_.insert_or_assign(std::move(uuid), std::move(visit));
        state_.visitsWaiting = visits_.size();
        changed();
    }
    wake_.notify_one();
}

ArchiveState ArchiveWriter::open(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    if (!state_.open) {
        const auto start = attempts_;
        openAsked_ = true;
        wake_.notify_one();
        done_.wait_for(lock, limit, [&] { return attempts_ > start; });
    }
    return state_;
}

bool ArchiveWriter::flush(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    if (state_.waiting == 0 && state_.visitsWaiting == 0) return true;
    const auto start = attempts_;
    if (!state_.open) {
        openAsked_ = true;
        wake_.notify_one();
    }
    done_.wait_for(lock, limit, [&] {
        return (state_.waiting == 0 && state_.visitsWaiting == 0) ||
               (attempts_ > start && !state_.open && !Passes(state_.problem));
    });
    return state_.waiting == 0 && state_.visitsWaiting == 0;
}

ArchiveState ArchiveWriter::state() const {
    std::lock_guard lock(mutex_);
    return state_;
}

std::vector<ArchivedRecord> ArchiveWriter::takeArchived() {
    std::lock_guard lock(mutex_);
    return std::exchange(archived_, {});
}

void ArchiveWriter::run() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
        if (queue_.empty() && visits_.empty() && !openAsked_) {
            wake_.wait(lock);
            continue;
        }
        if (!openAsked_ && std::chrono::steady_clock::now() < nextTry_) {
            wake_.wait_until(lock, nextTry_);
            continue;
        }
        openAsked_ = false;
        if (!state_.open && !tryOpen(lock)) continue;
        if (!queue_.empty()) tryWrite(lock);
        if (state_.open && !visits_.empty() && queue_.empty()) tryWriteVisits(lock);
    }
}

bool ArchiveWriter::tryOpen(std::unique_lock<std::mutex>& lock) {
    std::string why;
    ArchiveProblem problem = ArchiveProblem::None;
    lock.unlock();
    std::unique_ptr<Archive> opened = Archive::open(path_, &why, &problem);
    lock.lock();
    ++attempts_;
    archive_ = std::move(opened);
    state_.open = archive_ != nullptr;
    state_.problem = problem;
    state_.error = archive_ ? std::string() : why;
    if (!archive_) nextTry_ = std::chrono::steady_clock::now() + (problem == ArchiveProblem::Busy ? kBusyRetry : kRetry);
    changed();
    return state_.open;
}

void ArchiveWriter::tryWrite(std::unique_lock<std::mutex>& lock) {
    std::vector<ArchivedRecord> batch;
    batch.swap(queue_);
    std::string why;
    ArchiveProblem problem = ArchiveProblem::None;
    lock.unlock();
    const int added = archive_->add(batch, &why, &problem);
    lock.lock();
    ++attempts_;
    if (added >= 0) {
        state_.waiting -= batch.size();
        state_.problem = ArchiveProblem::None;
        state_.error.clear();
        // Kept for whoever shows them; a bound, should nobody take them.
        if (archived_.size() > keepLimit_) archived_.clear();
        archived_.insert(archived_.end(), std::make_move_iterator(batch.begin()), std::make_move_iterator(batch.end()));
    } else {
        // Back in front of what came meanwhile, in the order handed over.
        queue_.insert(queue_.begin(), std::make_move_iterator(batch.begin()), std::make_move_iterator(batch.end()));
        state_.problem = problem;
        state_.error = path_.string() + ": " + why;
        if (problem == ArchiveProblem::Busy) {
            nextTry_ = std::chrono::steady_clock::now() + kBusyRetry;
        } else {
            // Damaged or gone meanwhile: judged afresh by the next open. Closed without the
            // lock held, as closing may checkpoint.
            std::unique_ptr<Archive> closing = std::move(archive_);
            state_.open = false;
            nextTry_ = std::chrono::steady_clock::now() + kRetry;
            changed();
            lock.unlock();
            closing.reset();
            lock.lock();
            return;
        }
    }
    changed();
}

void ArchiveWriter::tryWriteVisits(std::unique_lock<std::mutex>& lock) {
    std::map<std::string, visits::Visit> batch;
    batch.swap(visits_);
    std::string why;
    ArchiveProblem problem = ArchiveProblem::None;
    lock.unlock();
    auto it = batch.begin();
    for (; it != batch.end(); ++it)
        if (!archive_->saveVisit(it->second, &why, &problem)) break;
    lock.lock();
    ++attempts_;
    // What was not written goes back, unless a later state of the same visit came meanwhile.
    for (; it != batch.end(); ++it) visits_.try_emplace(it->first, std::move(it->second));
    state_.visitsWaiting = visits_.size();
    if (!visits_.empty()) {
        state_.problem = problem;
        state_.error = path_.string() + ": " + why;
        nextTry_ = std::chrono::steady_clock::now() + (problem == ArchiveProblem::Busy ? kBusyRetry : kRetry);
    }
    changed();
}

}  // namespace kd::records
