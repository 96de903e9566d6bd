// The player's choices that outlive the program: the computer's strength and the music.
// Where they are kept is the platform's business (SettingsStore); the window's size and the
// record dialogs' folder are kept there too, by the window alone.
#pragma once

#include <cstdint>
#include <vector>

namespace tarvenko {

struct Settings {
    int strength = 0;      // Form1::強さ_標準 .. 強さ_最強
    bool music = true;     // the music plays at start
    bool analysis = false; // 解析's marks are shown
    // The ids of the puzzles solved (puzzles/).
    std::vector<std::uint32_t> puzzlesSolved;
};

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // What was kept; the default for anything missing or unusable.
    virtual Settings readSettings() = 0;
    // Keeps them; a failure costs only the remembering.
    virtual void writeSettings(const Settings& settings) = 0;
};

} // namespace tarvenko
