// What the drawing procedures ask of the window: positions in twips, sizes, colours and
// order, read from the recording window's log.
#include "Game.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tarvenko;
using F = Form1;
using Op = RecordingWindow::Op;
using Kind = RecordingWindow::OpKind;

namespace {

std::vector<Op> texts(const RecordingWindow& w) {
    std::vector<Op> out;
    for (const auto& op : w.ops)
        if (op.kind == Kind::Text) out.push_back(op);
    return out;
}

Game logged() {
    Game g;
    g.w.logDrawing = true;
    return g;
}

} // namespace

TEST(Text, MoveResultNotation) {
    struct Case {
        int x, y, code;
        const char *digit, *numeral, *piece;
        float left, top;
    } cases[] = {
        {5, 5, F::先手歩, "５", "五", "歩", 7683.5f, 1945},
        {1, 9, F::後手角, "９", "九", "角", 233.75f, 5942.5f},
        {9, 1, F::後手歩, "１", "一", "歩", 233.75f, 5942.5f},
        {3, 7, F::先手王, "７", "七", "王", 7683.5f, 1945},
    };
    for (const auto& c : cases) {
        Game g;
        g.w.logDrawing = true;
        g->描画_移動結果(c.x, c.y, c.code, F::色_白);
        ASSERT_GE(g.w.ops.size(), 5u);
        const Op& erase = g.w.ops[0];
        EXPECT_EQ(erase.kind, Kind::Fill);
        EXPECT_FLOAT_EQ(erase.x1, c.left);
        EXPECT_FLOAT_EQ(erase.y1, c.top);
        EXPECT_FLOAT_EQ(erase.x2 - erase.x1, 1360);
        EXPECT_FLOAT_EQ(erase.y2 - erase.y1, 380);
        EXPECT_EQ(erase.colour, F::背景色);
        const auto t = texts(g.w);
        ASSERT_EQ(t.size(), 3u);
        EXPECT_EQ(t[0].text, c.digit);
        EXPECT_EQ(t[1].text, c.numeral);
        EXPECT_EQ(t[2].text, c.piece);
        EXPECT_FLOAT_EQ(t[0].x1, c.left);
        EXPECT_FLOAT_EQ(t[1].x1, c.left + 198);
        EXPECT_FLOAT_EQ(t[2].x1, c.left + 495);
        for (const auto& op : t) {
            EXPECT_FLOAT_EQ(op.y1, c.top);
            EXPECT_EQ(op.points, 12);
            EXPECT_EQ(op.colour, 15);
        }
        EXPECT_EQ(g.w.ops.back().kind, Kind::Refresh);
    }
}

TEST(Text, NotationSymbolsOutsideTheTableWriteNothing) {
    Game g = logged();
    for (int code : {0, 11, 1000, 1010, -1, 5, 999, 951}) g->描画_移動駒種類(1, 1, code, 15);
    const auto t = texts(g.w);
    ASSERT_EQ(t.size(), 1u); // only the digit 5
    EXPECT_EQ(t[0].text, "５");
}

TEST(Text, MoveCounterPositions) {
    Game g = logged();
    g->描画_手数(7, F::色_白);
    auto t = texts(g.w);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].text, " 7");
    EXPECT_FLOAT_EQ(t[0].x1, 7584.5f);
    EXPECT_FLOAT_EQ(t[0].y1, 1514.5f);
    EXPECT_EQ(t[0].points, 12);
    EXPECT_EQ(t[1].text, "手目");
    EXPECT_FLOAT_EQ(t[1].x1, 8001.5f);
    EXPECT_FLOAT_EQ(t[1].y1, 1551.5f);
    EXPECT_EQ(t[1].points, 10);
    // The first erase is the 1250 × 300 counter box at (13, 2.3).
    EXPECT_FLOAT_EQ(g.w.ops[0].x1, 7535);
    EXPECT_FLOAT_EQ(g.w.ops[0].x2 - g.w.ops[0].x1, 1250);
    EXPECT_FLOAT_EQ(g.w.ops[0].y2 - g.w.ops[0].y1, 300);

    g.w.ops.clear();
    g->描画_手数(12, F::色_赤); // always white, one square-tenth further left
    t = texts(g.w);
    EXPECT_EQ(t[0].text, " 12");
    EXPECT_FLOAT_EQ(t[0].x1, 7535);
    EXPECT_EQ(t[0].colour, 15);
}

TEST(Text, NumbersAndNumeralsEraseTheirArea) {
    Game g = logged();
    g->描画_数値(2, 3, 10, F::色_白, 1, 12); // no numeral for 10
    ASSERT_EQ(g.w.ops.size(), 1u);
    EXPECT_EQ(g.w.ops[0].kind, Kind::Fill);
    EXPECT_FLOAT_EQ(g.w.ops[0].x2 - g.w.ops[0].x1, 400);
    EXPECT_FLOAT_EQ(g.w.ops[0].y2 - g.w.ops[0].y1, 350);
    g->描画_数値(2, 3, "思考中", F::色_白, 0, 12);
    EXPECT_EQ(texts(g.w).back().text, "思考中");
    g->描画_数値(2, 3, -4, F::色_白, 0, 12);
    EXPECT_EQ(texts(g.w).back().text, "-4");
    g->描画_数値(2, 3, 9, F::色_白, 1, 12);
    EXPECT_EQ(texts(g.w).back().text, "九");
}

TEST(Text, LabelsAroundTheBoard) {
    Game g = logged();
    g->描画_桝_数値();
    const auto t = texts(g.w);
    ASSERT_EQ(t.size(), 18u);
    const char* numerals[] = {"一", "二", "三", "四", "五", "六", "七", "八", "九"};
    for (int i = 1; i <= 9; ++i) {
        const Op& column = t[2 * (i - 1)];
        const Op& row = t[2 * (i - 1) + 1];
        EXPECT_EQ(column.text, " " + std::to_string(10 - i));
        EXPECT_FLOAT_EQ(column.x1, 1644.5f + 495 * (i - 1));
        EXPECT_FLOAT_EQ(column.y1, 346);
        EXPECT_EQ(column.points, 16);
        EXPECT_TRUE(column.bold);
        EXPECT_EQ(row.text, numerals[i - 1]);
        EXPECT_FLOAT_EQ(row.x1, 6099.5f);
        EXPECT_FLOAT_EQ(row.y1, 284.5f + 615 * i);
        EXPECT_EQ(row.points, 12);
    }
}

TEST(Board, SetupDrawsHandsThenBoardThenErasesTheBoxes) {
    Game g = logged();
    g->初期設定();
    // Hand boards: 8 slots each with picture + piece + outline and a count; board: 81 squares.
    int pictures = 0, kara = 0;
    for (const auto& op : g.w.ops) {
        if (op.kind != Kind::Picture) continue;
        ++pictures;
        kara += op.picture == Picture::KARA_MASU;
    }
    EXPECT_EQ(pictures, 16 + 16 + 81);
    EXPECT_EQ(kara, 16 + 81);
    const auto t = texts(g.w);
    ASSERT_EQ(t.size(), 16u);
    EXPECT_EQ(t[0].text, " 9"); // 先手's 歩 count
    EXPECT_EQ(t[0].colour, F::色_赤);
    EXPECT_EQ(t[0].points, 14);
    EXPECT_FLOAT_EQ(t[0].x1, 1100 + 12 * 495);
    EXPECT_FLOAT_EQ(t[0].y1, static_cast<float>(100 + 2.2 * 615));
    EXPECT_EQ(t[8].text, " 1"); // 後手's 王 count at row 1 + 0.2
    EXPECT_FLOAT_EQ(t[8].y1, static_cast<float>(100 + 1.2 * 615));
    // The last three operations erase the counter and the two last-move boxes.
    const size_t n = g.w.ops.size();
    EXPECT_FLOAT_EQ(g.w.ops[n - 3].x2 - g.w.ops[n - 3].x1, 1250);
    EXPECT_FLOAT_EQ(g.w.ops[n - 2].x1, 7683.5f);
    EXPECT_FLOAT_EQ(g.w.ops[n - 1].x1, 233.75f);
    EXPECT_FLOAT_EQ(g.w.ops[n - 1].y2 - g.w.ops[n - 1].y1, 380);
}

TEST(Board, EmptyHandSlotShowsOnlyTheWood) {
    Game g = logged();
    g->初期設定();
    g->先手持駒[8] = 0;
    g.w.ops.clear();
    g->描画_黒持盤();
    // The count column erase covers every count: 500 × 5000 at (12, 2).
    EXPECT_FLOAT_EQ(g.w.ops[0].x1, 7040);
    EXPECT_FLOAT_EQ(g.w.ops[0].y1, 1330);
    EXPECT_FLOAT_EQ(g.w.ops[0].x2, 7540);
    EXPECT_FLOAT_EQ(g.w.ops[0].y2, 6330);
    int kings = 0;
    for (const auto& op : g.w.ops)
        kings += op.kind == Kind::Picture && op.picture == Picture::SITA_OU;
    EXPECT_EQ(kings, 0);
    EXPECT_EQ(texts(g.w).size(), 7u);
    g.w.ops.clear();
    g->描画_白持盤();
    EXPECT_FLOAT_EQ(g.w.ops[0].x1, 1100);
    EXPECT_FLOAT_EQ(g.w.ops[0].x2, 1590);
    EXPECT_FLOAT_EQ(g.w.ops[0].y1, 715);
    EXPECT_FLOAT_EQ(g.w.ops[0].y2, 5715);
}

TEST(Board, PictureCodesAndTheTitle) {
    Game g = logged();
    const int codes[] = {F::先手歩, F::先手香, F::先手桂, F::先手銀, F::先手金,     F::先手角,
                         F::先手飛, F::先手王, F::後手歩, F::後手香, F::後手桂,     F::後手銀,
                         F::後手金, F::後手角, F::後手飛, F::後手王, F::絵_タイトル};
    for (int c : codes) g->描画_絵(c, 3, 4);
    g->描画_絵(15, 3, 4); // no picture
    ASSERT_EQ(g.w.ops.size(), 17u);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(static_cast<int>(g.w.ops[i].picture), i + 2);
    EXPECT_EQ(g.w.ops[16].picture, Picture::PG_NA);
}

TEST(Board, OutlinesAndHighlights) {
    Game g = logged();
    g->初期設定();
    g.w.ops.clear();
    g->全輪郭クリア();
    ASSERT_EQ(g.w.ops.size(), 16u + 81u);
    for (const auto& op : g.w.ops) {
        EXPECT_EQ(op.kind, Kind::Box);
        EXPECT_EQ(op.colour, F::背景色);
        EXPECT_FLOAT_EQ(op.x2 - op.x1, 495);
        EXPECT_FLOAT_EQ(op.y2 - op.y1, 615);
    }
    // Slots first, alternating 先手 (11, i + 1) and 後手 (−1, i).
    EXPECT_FLOAT_EQ(g.w.ops[0].x1, 6545);
    EXPECT_FLOAT_EQ(g.w.ops[0].y1, 1330);
    EXPECT_FLOAT_EQ(g.w.ops[1].x1, 605);
    EXPECT_FLOAT_EQ(g.w.ops[1].y1, 715);

    // The allowed squares of a lone 先手 飛 on (1,1): 16, outlined white after a reset.
    g->盤[1][1] = F::先手飛;
    g->調査_利き筋(F::先手);
    g.w.ops.clear();
    g->描画_置可能桝色(F::色_白);
    ASSERT_EQ(g.w.ops.size(), 81u + 16u);
    for (size_t i = 81; i < g.w.ops.size(); ++i) EXPECT_EQ(g.w.ops[i].colour, F::色_白);

    // Legal drops of a 先手 歩 from its slot: every empty square but row 1 and column 5.
    g->盤[1][1] = 0;
    g->盤[5][7] = F::先手歩;
    g->調査_2歩フラグ設定();
    g.w.ops.clear();
    g->描画_移動可能桝色(11, 2, F::色_赤, F::先手歩);
    EXPECT_EQ(g.w.ops.size(), 81u + (8 * 8));
}
