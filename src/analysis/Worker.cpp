#include "analysis/Worker.h"

#include <algorithm>
#include <utility>

#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace tarvenko::analysis {

Worker::Worker(std::function<void()> wake) : wake_(std::move(wake)), thread_([this] { run(); }) {}

Worker::~Worker() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
        stop_ = true;
        yield_ = true;
    }
    ready_.notify_one();
    thread_.join();
}

void Worker::drop(Request::Kind kind) {
    int kept = 0;
    for (int i = 0; i < mailed_; ++i) {
        const Result& r = mailbox_[i];
        if (r.kind != kind || r.generation == wanted_[kind]) mailbox_[kept++] = r;
    }
    mailed_ = kept;
}

void Worker::start(const Request& r) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_[r.kind] = r;
        waiting_[r.kind] = true;
        yield_ = true;
        wanted_[r.kind] = r.generation;
        if (r.kind == Request::Board) boardAgain_ = false;
        if (r.kind == Request::Record) {
            resume_ = 0;
            recordKnown_ = 0;
        }
        // The board goes first, then a line: a record's work stops for them too, and resumes
        // after them.
        if (running_ == r.kind || (r.kind != Request::Record && running_ == Request::Record))
            stop_ = true;
        drop(r.kind);
    }
    ready_.notify_one();
}

void Worker::cancel(Request::Kind kind) {
    std::lock_guard<std::mutex> lock(mutex_);
    wanted_[kind] = 0;
    waiting_[kind] = false;
    if (running_ == kind) stop_ = yield_ = true;
    drop(kind);
}

void Worker::post(void* self, const Result& r) {
    auto& w = *static_cast<Worker*>(self);
    bool first = false;
    {
        std::lock_guard<std::mutex> lock(w.mutex_);
        if (r.generation != w.wanted_[r.kind] || w.mailed_ == kMailbox) return;
        if (r.kind == Request::Record) {
            // A position valued again is not where the record's first pass stands.
            w.resume_ = std::max(w.resume_, r.index + 1);
            if (r.value.known()) w.recordKnown_ |= std::uint64_t{1} << r.index;
        }
        first = w.mailed_ == 0;
        w.mailbox_[w.mailed_++] = r;
    }
    if (first) w.wake_();
}

void Worker::run() {
#ifdef __linux__
    // Below the window's thread, which then gets a core first on a busy machine; failing
    // that, the thread keeps the program's priority.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
#endif
    for (;;) {
        Request::Kind kind;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            ready_.wait(lock,
                        [this] { return quit_ || waiting_[0] || waiting_[1] || waiting_[2]; });
            if (quit_) return;
            kind = waiting_[Request::Board]  ? Request::Board
                   : waiting_[Request::Line] ? Request::Line
                                             : Request::Record;
            job_ = pending_[kind];
            if (kind == Request::Record) {
                job_.from = resume_;
                job_.known = recordKnown_;
            }
            waiting_[kind] = false;
            running_ = kind;
            stop_ = false;
            // A board's rounds give way to a record still in its first pass, not to the
            // record's own rounds.
            yield_ = waiting_[Request::Board] || waiting_[Request::Line] ||
                     (waiting_[Request::Record] && resume_ <= pending_[Request::Record].count);
        }
        if (!analyser_) analyser_ = std::make_unique<engine::Analyser>();
        work(job_, *analyser_, stop_, &Worker::post, this, &yield_);
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = -1;
        // A board whose rounds gave way to a line, and still wanted, is valued again after it:
        // the line needs the analyser for positions of its own.
        if (kind == Request::Board && !stop_ && waiting_[Request::Line] &&
            wanted_[kind] == job_.generation) {
            boardAgain_ = true;
        } else if (kind == Request::Line && boardAgain_) {
            boardAgain_ = false;
            if (wanted_[Request::Board] == pending_[Request::Board].generation && !quit_)
                waiting_[Request::Board] = true;
        }
        // A record stopped for the board, and still wanted, goes on later where it stopped.
        if (kind == Request::Record && stop_ && !waiting_[kind] &&
            wanted_[kind] == job_.generation && !quit_) {
            waiting_[kind] = true;
        }
    }
}

void Worker::deliver(Sink& sink) {
    int n = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        n = mailed_;
        for (int i = 0; i < n; ++i) handing_[i] = mailbox_[i];
        mailed_ = 0;
    }
    for (int i = 0; i < n; ++i) sink.take(handing_[i]);
    sink.flush();
}

} // namespace tarvenko::analysis
