// A drop as a player reads it on screen, in the language shown.
#pragma once

#include <string>

namespace tarvenko {

// The record's notation (▲５五歩) in Japanese; in another language the side's mark and the
// layout of the last-move box (▲P*5e). The record file keeps its own notation whatever is shown.
std::string 指し手の表示(int code, int X, int Y);

} // namespace tarvenko
