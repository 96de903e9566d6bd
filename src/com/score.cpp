// The score of one candidate drop of the computer: one move ahead, win first, then
// whether the human could answer with a row of three, else a preference by piece kind.
#include "game/Form1.h"

namespace tarvenko {

int Form1::調査_得点(int IN_元X, int IN_元Y, int IN_先X, int IN_先Y) {
    int result = 0;
    if (IN_元X == 後手持駒列) {
        result = IN_元Y;
    } else if (IN_元X == 先手持駒列) {
        result = 10 - IN_元Y;
    }

    const bool sides = (COM側 == 先手 || COM側 == 後手) && (人間側 == 先手 || 人間側 == 後手);
    const int com = COM側 == 先手 ? 0 : 1;
    const int human = 人間側 == 先手 ? 0 : 1;
    const int sq = engine::squareOf(IN_先X, IN_先Y);

    if (候補採点中_ && sides) {
        // Inside com_ban's walk: the position before the candidate is at hand, with the
        // computer's winning squares, the human's winning squares and both maps. The
        // caller puts its own map back right after, so 利き筋 is left as it is.
        const engine::Position& before = 候補前局面_;
        if (engine::has(before.wins[com], sq)) return 得点_勝ち;
        const engine::Bits mine =
            before.attacksAfterDrop(com, sq, engine::kindOfCode(盤[IN_先X][IN_先Y]));
        // The candidate's square is no longer free for the human; nothing else of the
        // human's runs changes, since they stopped at the empty square before.
        engine::Bits threats = before.wins[human] & ~engine::bit(sq);
        if (mine) threats &= mine;
        return threats ? 得点_負け : result;
    }

    if (調査_3並び(COM側, IN_先X, IN_先Y) == 真) return 得点_勝ち;
    調査_利き筋(COM側);
    if (!sides) return result;
    // The human's marker on an empty square makes three exactly where the human's
    // winning squares are; the open squares are the computer's lines of attack, or all.
    engine::Position p;
    p.load(盤);
    engine::Bits threats = p.wins[human];
    if (p.attacks[com]) threats &= p.attacks[com];
    return threats ? 得点_負け : result;
}

} // namespace tarvenko
