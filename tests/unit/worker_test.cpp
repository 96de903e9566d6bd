// The analysis's worker thread: its results are the synchronous runner's, a board's drops and
// a record's positions left unknown are valued again, a newer request replaces an older one so
// that nothing of the older is handed over, a cancelled or destroyed worker stops, a record
// stopped for the board goes on where it stopped, and a proved line goes before the board's
// rounds without losing them.
// Also built with ThreadSanitizer (TARVENKO_TSAN=ON, label "thread").
#include "analysis/Worker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

using namespace tarvenko;
using namespace tarvenko::analysis;

namespace {

struct Collect final : Sink {
    std::vector<Result> results;
    int flushes = 0;
    void take(const Result& r) override { results.push_back(r); }
    void flush() override { ++flushes; }
};

// Wakes the test's thread, which plays the game's: it waits, then collects.
struct Waker {
    std::mutex m;
    std::condition_variable cv;
    int woken = 0;
    void wake() {
        std::lock_guard<std::mutex> lock(m);
        ++woken;
        cv.notify_all();
    }
    // Collects into `sink` until `done` holds; a generous limit only keeps a broken worker from
    // hanging the test run.
    template <class Done> bool until(Worker& w, Collect& sink, Done done) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while (!done()) {
            std::unique_lock<std::mutex> lock(m);
            if (woken == 0 && !cv.wait_until(lock, limit, [this] { return woken > 0; }))
                return false;
            woken = 0;
            lock.unlock();
            w.deliver(sink);
        }
        return true;
    }
};

engine::Position start() {
    const int empty[10][10] = {};
    engine::Position p;
    p.load(empty);
    const int full[9] = {0, 9, 2, 2, 2, 2, 1, 1, 1};
    p.setHands(full, full, 0);
    return p;
}

// A game 後手 goes on to win, as (X, Y, kind) drops from the start.
constexpr int kGame[][3] = {{2, 4, 3}, {1, 2, 1}, {1, 3, 1}, {3, 2, 1}, {3, 3, 3},
                            {2, 1, 1}, {2, 2, 4}, {4, 1, 3}, {5, 3, 1}, {3, 1, 2}};

engine::Position after(int moves) {
    engine::Position p = start();
    for (int i = 0; i < moves; ++i) p.drop(engine::squareOf(kGame[i][0], kGame[i][1]), kGame[i][2]);
    return p;
}

Request board(std::uint64_t generation, const engine::Position& p) {
    Request r;
    r.generation = generation;
    r.start = p;
    return r;
}

Request record(std::uint64_t generation) {
    Request r;
    r.kind = Request::Record;
    r.generation = generation;
    r.start = start();
    r.count = static_cast<int>(std::size(kGame));
    for (int i = 0; i < r.count; ++i) {
        r.moves[i] = {static_cast<std::int8_t>(engine::squareOf(kGame[i][0], kGame[i][1])),
                      static_cast<std::int8_t>(kGame[i][2])};
        r.sides[i] = static_cast<std::int8_t>(i % 2);
    }
    return r;
}

// How many times the board's whole value was handed out.
int wholes(const Collect& c, std::uint64_t generation) {
    int n = 0;
    for (const Result& r : c.results) {
        n += r.kind == Request::Board && r.generation == generation && r.index == -1;
    }
    return n;
}
bool whole(const Collect& c, std::uint64_t generation) {
    return wholes(c, generation) > 0;
}

// 後手 to move after seven drops, one of its drops not settled with the first allowance.
engine::Position unsettledAtFirst() {
    engine::Position p = start();
    for (const auto& [x, y, kind] :
         {std::array{4, 3, 1}, {4, 2, 1}, {6, 3, 1}, {7, 2, 1}, {7, 3, 1}, {5, 1, 3}, {7, 4, 2}})
        p.drop(engine::squareOf(x, y), kind);
    return p;
}

} // namespace

TEST(AnalysisWorker, ValuesAsTheSynchronousRunnerDoes) {
    Collect sync;
    SyncRunner runner(sync);
    runner.start(board(1, after(4)));
    ASSERT_FALSE(sync.results.empty());
    ASSERT_EQ(sync.results.back().index, -1);

    Waker waker;
    Collect got;
    Worker w([&] { waker.wake(); });
    w.start(board(1, after(4)));
    ASSERT_TRUE(waker.until(w, got, [&] { return whole(got, 1); }));
    ASSERT_EQ(got.results.size(), sync.results.size());
    for (std::size_t i = 0; i < got.results.size(); ++i) {
        EXPECT_EQ(got.results[i].index, sync.results[i].index);
        EXPECT_TRUE(got.results[i].move == sync.results[i].move);
        EXPECT_TRUE(got.results[i].value == sync.results[i].value) << i;
    }
}

TEST(AnalysisWorker, DropsLeftUnknownAreValuedAgainWithMorePositions) {
    // 後手 to move; one drop is not settled with the first allowance. The worker hands it out
    // again, known, and then the position's value, known now too.
    const engine::Position p = unsettledAtFirst();
    Waker waker;
    Collect got;
    Worker w([&] { waker.wake(); });
    w.start(board(1, p));
    ASSERT_TRUE(waker.until(w, got, [&] { return wholes(got, 1) == 2; }));
    const auto first = std::find_if(got.results.begin(), got.results.end(),
                                    [](const Result& r) { return r.index == -1; });
    ASSERT_EQ(std::count_if(got.results.begin(), first, [](auto& r) { return !r.value.known(); }),
              1);
    const auto open =
        std::find_if(got.results.begin(), first, [](const Result& r) { return !r.value.known(); });
    EXPECT_FALSE(first->value.known());
    ASSERT_EQ(got.results.end() - first, 3);
    EXPECT_EQ(first[1].index, open->index);
    EXPECT_TRUE(first[1].value.known());
    EXPECT_TRUE(first[2].value == (Value{Value::Loss, 7}));
}

TEST(AnalysisWorker, ARecordsPositionLeftUnknownIsValuedAgainAfterTheBoard) {
    // 先手 to move after 金 15, 金 16, 飛 17, 香 25: not settled with a record position's first
    // allowance. A board asked for meanwhile goes first; then the position is handed out again.
    Request r = record(1);
    r.count = 0;
    for (const auto& [x, y, kind] : {std::array{1, 5, 5}, {1, 6, 5}, {1, 7, 7}, {2, 5, 2}})
        r.start.drop(engine::squareOf(x, y), kind);
    Waker waker;
    Collect got;
    Worker w([&] { waker.wake(); });
    w.start(r);
    ASSERT_TRUE(waker.until(w, got, [&] { return !got.results.empty(); }));
    EXPECT_FALSE(got.results[0].value.known());
    w.start(board(2, after(6)));
    ASSERT_TRUE(waker.until(w, got, [&] {
        return got.results.size() > 1 && got.results.back().kind == Request::Record;
    }));
    EXPECT_TRUE(whole(got, 2));
    EXPECT_EQ(got.results.back().index, 0);
    EXPECT_TRUE(got.results.back().value == (Value{Value::Loss, 7}));
}

TEST(AnalysisWorker, ANewerRequestLeavesNothingOfTheOlder) {
    Waker waker;
    Collect got;
    Worker w([&] { waker.wake(); });
    // The start takes long to value; the position after six drops replaces it at once.
    w.start(board(1, start()));
    w.start(board(2, after(6)));
    ASSERT_TRUE(waker.until(w, got, [&] { return whole(got, 2); }));
    for (const Result& r : got.results) EXPECT_EQ(r.generation, 2u);
}

TEST(AnalysisWorker, CancelledWorkStopsAndTheNextRequestIsAnswered) {
    Waker waker;
    Collect got;
    Worker w([&] { waker.wake(); });
    w.start(board(1, start()));
    w.cancel(Request::Board);
    w.deliver(got);
    w.start(board(2, after(8)));
    ASSERT_TRUE(waker.until(w, got, [&] { return whole(got, 2); }));
    for (const Result& r : got.results) EXPECT_EQ(r.generation, 2u);
}

TEST(AnalysisWorker, EndsWhileItWorks) {
    Waker waker;
    auto w = std::make_unique<Worker>([&] { waker.wake(); });
    w->start(board(1, start()));
    w->start(record(2));
    w.reset(); // joins: the work in hand stops at its flag
    SUCCEED();
}

TEST(AnalysisWorker, ARecordGoesOnAfterTheBoardWhereItStopped) {
    Waker waker;
    Collect got;
    Worker w([&] { waker.wake(); });
    w.start(record(1));
    w.start(board(2, after(6)));
    std::vector<int> positions;
    ASSERT_TRUE(waker.until(w, got, [&] {
        positions.assign(std::size(kGame) + 1, 0);
        for (const Result& r : got.results) {
            if (r.kind == Request::Record) ++positions[static_cast<std::size_t>(r.index)];
        }
        for (int n : positions) {
            if (n == 0) return false;
        }
        return whole(got, 2);
    }));
    for (int n : positions) EXPECT_EQ(n, 1); // each position valued once
    // The record's last drop makes 後手's row: 先手, to move, has lost.
    for (const Result& r : got.results) {
        if (r.kind == Request::Record && r.index == static_cast<int>(std::size(kGame))) {
            EXPECT_TRUE(r.value == (Value{Value::Loss, 0}));
        }
    }
}

TEST(AnalysisWorker, ALineGoesBeforeTheBoardsRoundsWhichFollowItAfterwards) {
    // The board of the second test, whose rounds settle one more drop, and at once the proved
    // line of the game's position after six drops (先手 wins in 4): the line comes whole, and
    // the board's last value still comes, the board being valued again after the line if its
    // rounds gave way to it.
    const engine::Position p = unsettledAtFirst();
    Waker waker;
    Collect got;
    Worker w([&] { waker.wake(); });
    w.start(board(1, p));
    Request line;
    line.kind = Request::Line;
    line.generation = 2;
    line.start = after(6);
    line.value = {Value::Win, 4};
    w.start(line);
    const auto settled = [&] {
        return std::any_of(got.results.begin(), got.results.end(), [](const Result& r) {
            return r.kind == Request::Board && r.index == -1 && r.value == Value{Value::Loss, 7};
        });
    };
    std::vector<Result> steps;
    ASSERT_TRUE(waker.until(w, got, [&] {
        steps.clear();
        for (const Result& r : got.results) {
            if (r.kind == Request::Line) steps.push_back(r);
        }
        return settled() && !steps.empty() && steps.back().index == -1;
    }));
    ASSERT_EQ(steps.size(), 8u); // seven drops, then the end
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(steps[static_cast<std::size_t>(i)].index, i);
        EXPECT_EQ(steps[static_cast<std::size_t>(i)].side, i % 2);
    }
    EXPECT_TRUE(steps[6].value == (Value{Value::Win, 1}));
    EXPECT_TRUE(steps[7].value.known()); // it reached the row
}
