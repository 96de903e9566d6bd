// The analysis on a thread of its own, beside the game: the window never waits for it. A new
// request stops the work on an older one of its kind at the next drop it values; the board's
// requests go first, then a proved line's, then a record's, which goes on where it stopped. Once a
// board is valued and nothing else waits, its drops left unknown are valued again with more
// positions, until any request comes; so are a record's positions, after the board's. A line that
// stops the board's rounds has the board valued again after it, rounds and all. Results wait in a
// mailbox until the game's thread collects them; those of a request no longer wanted are
// dropped, and the sink checks the generation again, so a stale value is never shown.
#pragma once

#include "analysis/Presentation.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace tarvenko::analysis {

class Worker final : public Runner {
  public:
    // `wake` is called on the worker's thread when results begin to wait; it must have the
    // game's thread call deliver() soon.
    explicit Worker(std::function<void()> wake);
    ~Worker() override;

    // On the game's thread.
    void start(const Request& r) override;
    void cancel(Request::Kind kind) override;
    // Hands the results waiting to the sink, then flushes it.
    void deliver(Sink& sink);

  private:
    static constexpr int kKinds = 3;
    // Room for every result of one board, each drop twice (first unknown, then settled) and
    // its whole value once a round, of one record, each position twice too, and of one line.
    static constexpr int kMailbox = 2 * engine::maxMoves + 1 +
                                    std::size(engine::Analyser::refineRounds) +
                                    2 * (kMaxRecord + 1) + WinningLine::kMost + 1;

    void run();
    static void post(void* self, const Result& r);
    void drop(Request::Kind kind); // with the lock: mail of older requests of the kind

    std::function<void()> wake_;
    std::mutex mutex_;
    std::condition_variable ready_;
    // Guarded by mutex_.
    Request pending_[kKinds];
    bool waiting_[kKinds] = {};
    std::uint64_t wanted_[kKinds] = {}; // the generation wanted, 0 for none
    int running_ = -1;                  // the kind being worked on, −1 for none
    int resume_ = 0;                    // the record's next position to value
    std::uint64_t recordKnown_ = 0;     // the record's positions valued known, a bit each
    bool quit_ = false;
    bool boardAgain_ = false; // the board's rounds gave way to a line: value it after the line
    Result mailbox_[kMailbox];
    int mailed_ = 0;

    std::atomic<bool> stop_{false};              // the work in hand is no longer wanted
    std::atomic<bool> yield_{false};             // something else is: no more rounds
    Request job_;                                // the worker's own
    Result handing_[kMailbox];                   // the game's thread's own
    std::unique_ptr<engine::Analyser> analyser_; // the worker's, made at its first request
    std::thread thread_;                         // last: it starts once everything else is made
};

} // namespace tarvenko::analysis
