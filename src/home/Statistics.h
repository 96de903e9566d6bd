// 成績: games against the computer by strength and by the side the person played, each won,
// lost or left unfinished, and the number of two-person games.
#pragma once

#include <string>

namespace tarvenko {

struct Statistics {
    enum Result { Won, Lost, Unfinished };
    static constexpr int kStrengths = 3, kSides = 2, kResults = 3;
    // A count never grows past this, whatever a file said.
    static constexpr int kMost = 99999999;

    int com[kStrengths][kSides][kResults] = {}; // [強さ][0 先手, 1 後手][Result]
    int twoPerson = 0;

    // One game: against the computer (human 先手 or 後手, at a strength) or between two people
    // (human 0), with its result from the person's side.
    void count(int human, int strength, Result result);
    // Every count of `more` added to this one.
    void add(const Statistics& more);
    // The text of the 成績 box, one line of it per strength and side, then the two-person games.
    std::string text() const;
};

class StatisticsStore {
  public:
    virtual ~StatisticsStore() = default;
    // What is kept now; 0 for anything missing or unusable.
    virtual Statistics readStatistics() = 0;
    // Adds `added` to what is kept, read again at that moment, so that programs counting at
    // once lose nothing of each other's; returns the counts kept then. A failure costs only
    // the remembering.
    virtual Statistics addStatistics(const Statistics& added) = 0;
    virtual void resetStatistics() = 0;
    // A kept game brought back from a file that could not be removed, by what the file is:
    // true the first time only, so that it counts once however often it comes back.
    virtual bool firstBroughtBack(const std::string& identity) = 0;
};

} // namespace tarvenko
