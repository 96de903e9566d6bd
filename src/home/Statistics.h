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
    // The text of the 成績 box, one line of it per strength and side, then the two-person games.
    std::string text() const;
};

class StatisticsStore {
  public:
    virtual ~StatisticsStore() = default;
    // What was kept; 0 for anything missing or unusable.
    virtual Statistics readStatistics() = 0;
    // Keeps them; a failure costs only the remembering.
    virtual void writeStatistics(const Statistics& statistics) = 0;
};

} // namespace tarvenko
