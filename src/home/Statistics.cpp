#include "home/Statistics.h"

#include "game/Form1.h"
#include "texts/Texts.h"

#include <string>

namespace tarvenko {

using F = Form1;

void Statistics::count(int human, int strength, Result result) {
    int& n = human == 0 ? twoPerson
                        : com[strength >= 0 && strength < kStrengths ? strength : 0]
                             [human == F::後手 ? 1 : 0][result];
    if (n < kMost) ++n;
}

std::string Statistics::text() const {
    static constexpr const char* strengths[kStrengths] = {
        TARVENKO_TEXT("標準"), TARVENKO_TEXT("強い"), TARVENKO_TEXT("最強")};
    static constexpr const char* sides[kSides] = {TARVENKO_TEXT("先手"), TARVENKO_TEXT("後手")};
    std::string out(訳("コンピュータとの対局（強さ・あなたの側）"));
    for (int s = 0; s < kStrengths; ++s) {
        for (int side = 0; side < kSides; ++side) {
            const int* n = com[s][side];
            out += '\r';
            out += 訳(strengths[s]);
            out += "・";
            out += 訳(sides[side]);
            out += "　";
            out += std::to_string(static_cast<long long>(n[Won]) + n[Lost] + n[Unfinished]);
            out += 訳("局");
            out += "　";
            out += std::to_string(n[Won]);
            out += 訳("勝");
            out += "　";
            out += std::to_string(n[Lost]);
            out += 訳("敗");
            out += "　";
            out += 訳("未完");
            out += std::to_string(n[Unfinished]);
        }
    }
    out += "\r\r";
    out += 訳("二人の対局");
    out += "　";
    out += std::to_string(twoPerson);
    out += 訳("局");
    return out;
}

} // namespace tarvenko
