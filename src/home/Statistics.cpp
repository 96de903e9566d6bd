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

void Statistics::add(const Statistics& more) {
    auto sum = [](int& n, int m) { n = m > kMost - n ? kMost : n + m; };
    for (int s = 0; s < kStrengths; ++s) {
        for (int side = 0; side < kSides; ++side) {
            for (int r = 0; r < kResults; ++r) sum(com[s][side][r], more.com[s][side][r]);
        }
    }
    sum(twoPerson, more.twoPerson);
}

std::string Statistics::text() const {
    static constexpr const char* rows[kStrengths][kSides] = {
        {TARVENKO_TEXT("標準・先手"), TARVENKO_TEXT("標準・後手")},
        {TARVENKO_TEXT("強い・先手"), TARVENKO_TEXT("強い・後手")},
        {TARVENKO_TEXT("最強・先手"), TARVENKO_TEXT("最強・後手")}};
    std::string out(訳("コンピュータとの対局（強さ・あなたの側）"));
    for (int s = 0; s < kStrengths; ++s) {
        for (int side = 0; side < kSides; ++side) {
            const int* n = com[s][side];
            out += '\r';
            out += texts::fill(
                訳("%1　%2局　%3勝　%4敗　未完%5"),
                {訳(rows[s][side]),
                 std::to_string(static_cast<long long>(n[Won]) + n[Lost] + n[Unfinished]),
                 std::to_string(n[Won]), std::to_string(n[Lost]), std::to_string(n[Unfinished])});
        }
    }
    out += "\r\r";
    out += texts::fill(訳("二人の対局　%1局"), {std::to_string(twoPerson)});
    return out;
}

} // namespace tarvenko
