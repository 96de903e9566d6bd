// The board, the two hand boards and the square outlines, all on the persistent image.
#include "game/Form1.h"

namespace tarvenko {

namespace {

// The pictures of each side's pieces by kind; index 0 is no kind.
constexpr Picture 先手の絵[piece::種類数 + 1] = {
    Picture::KARA_MASU, Picture::SITA_HU,  Picture::SITA_KYOU,
    Picture::SITA_KEI,  Picture::SITA_GIN, Picture::SITA_KIN,
    Picture::SITA_KAKU, Picture::SITA_SYA, Picture::SITA_OU};
constexpr Picture 後手の絵[piece::種類数 + 1] = {
    Picture::KARA_MASU, Picture::UE_HU,   Picture::UE_KYOU, Picture::UE_KEI, Picture::UE_GIN,
    Picture::UE_KIN,    Picture::UE_KAKU, Picture::UE_SYA,  Picture::UE_OU};

} // namespace

void Form1::描画_四角形(double 入力X, double 入力Y, double X_長, double Y_長, int 色) {
    // Erasing a text box's corner erases what it showed.
    if (入力X == 手数表示X && 入力Y == 手数表示Y) 表示中の手数_ = -1;
    if (入力X == 先手結果X && 入力Y == 先手結果Y) 表示中の結果_[0][2] = 0;
    if (入力X == 後手結果X && 入力Y == 後手結果Y) 表示中の結果_[1][2] = 0;
    const double x = 横位置(入力X), y = 縦位置(入力Y);
    window_.fillBox(static_cast<float>(x), static_cast<float>(y), static_cast<float>(x + X_長),
                    static_cast<float>(y + Y_長), 色);
}

void Form1::描画_桝輪郭(int 描画色, double 座標X, double 座標Y) {
    const double x = 横位置(座標X), y = 縦位置(座標Y);
    window_.drawBox(static_cast<float>(x), static_cast<float>(y), static_cast<float>(x + 桝幅),
                    static_cast<float>(y + 桝高), 描画色);
}

void Form1::描画_桝(double 座標X, double 座標Y) {
    window_.drawPicture(Picture::KARA_MASU, static_cast<float>(横位置(座標X)),
                        static_cast<float>(縦位置(座標Y)));
    描画_桝輪郭(背景色, 座標X, 座標Y);
}

void Form1::描画_絵(int 駒種類, double 座標X, double 座標Y) {
    Picture picture = Picture::PG_NA;
    if (駒種類 != 絵_タイトル) {
        const int kind = piece::kindOf(駒種類);
        if (kind == 0) return; // not a piece: nothing is drawn
        picture = (駒種類 < 0 ? 先手の絵 : 後手の絵)[kind];
    }
    window_.drawPicture(picture, static_cast<float>(横位置(座標X)),
                        static_cast<float>(縦位置(座標Y)));
}

void Form1::描画_盤() {
    for (int x = 1; x <= 桝数; ++x) {
        for (int y = 1; y <= 桝数; ++y) {
            if (盤[x][y] == 空き) {
                描画_桝(x, y);
            } else {
                描画_絵(盤[x][y], x, y);
                描画_桝輪郭(背景色, x, y);
            }
        }
    }
}

void Form1::描画_将棋盤桝() {
    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) 描画_桝輪郭(盤輪郭色, x, y);
    }
}

void Form1::全輪郭クリア() {
    for (int i = 0; i < piece::種類数; ++i) {
        描画_桝輪郭(背景色, 先手持駒列, piece::topHandRow(先手) + i);
        描画_桝輪郭(背景色, 後手持駒列, piece::topHandRow(後手) + i);
    }
    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) 描画_桝輪郭(背景色, x, y);
    }
}

void Form1::描画_黒持盤() {
    描画_四角形(12, 2, 500, 5000, 背景色); // the column of counts, down to the window's foot
    描画_持盤(先手, 12);
}

void Form1::描画_白持盤() {
    描画_四角形(0, 1, 490, 5000, 背景色);
    描画_持盤(後手, 0);
}

void Form1::描画_持盤(int side, double 数X) {
    const int col = side == 先手 ? 先手持駒列 : 後手持駒列;
    const int* hand = side == 先手 ? 先手持駒 : 後手持駒;
    // The slots from the top down; each shows its piece and count while the hand has one.
    for (int i = 0; i < piece::種類数; ++i) {
        const int row = piece::topHandRow(side) + i;
        const int k = piece::kindAtRow(side, row);
        描画_桝(col, row);
        if (hand[k] > 0) {
            描画_絵(piece::codeOf(side, k), col, row);
            描画_桝輪郭(背景色, col, row);
            描画_数値(数X, row + 0.2, hand[k], 色_赤, 0, 14);
        }
    }
}

void Form1::描画_置可能桝色(int 描画色) {
    描画_将棋盤桝();
    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) {
            if (利き筋[x][y] == 真) 描画_桝輪郭(描画色, x, y);
        }
    }
}

void Form1::描画_移動可能桝色(int 移動元X, int 移動元Y, int 描画色, int 移動駒) {
    描画_将棋盤桝();
    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) {
            if (移動チェック(移動元X, 移動元Y, x, y, 移動駒) == 真) 描画_桝輪郭(描画色, x, y);
        }
    }
}

} // namespace tarvenko
