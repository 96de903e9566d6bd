// The board, the two hand boards and the square outlines, all on the persistent image.
#include "game/Form1.h"

namespace tarvenko {

namespace {

Picture 絵の種類(int code, bool& found) {
    found = true;
    switch (code) {
    case Form1::先手歩:
        return Picture::SITA_HU;
    case Form1::先手香:
        return Picture::SITA_KYOU;
    case Form1::先手桂:
        return Picture::SITA_KEI;
    case Form1::先手銀:
        return Picture::SITA_GIN;
    case Form1::先手金:
        return Picture::SITA_KIN;
    case Form1::先手角:
        return Picture::SITA_KAKU;
    case Form1::先手飛:
        return Picture::SITA_SYA;
    case Form1::先手王:
        return Picture::SITA_OU;
    case Form1::後手歩:
        return Picture::UE_HU;
    case Form1::後手香:
        return Picture::UE_KYOU;
    case Form1::後手桂:
        return Picture::UE_KEI;
    case Form1::後手銀:
        return Picture::UE_GIN;
    case Form1::後手金:
        return Picture::UE_KIN;
    case Form1::後手角:
        return Picture::UE_KAKU;
    case Form1::後手飛:
        return Picture::UE_SYA;
    case Form1::後手王:
        return Picture::UE_OU;
    case Form1::絵_タイトル:
        return Picture::PG_NA;
    default:
        found = false;
        return Picture::KARA_MASU;
    }
}

constexpr int 先手の駒[9] = {0, -10, -20, -30, -100, -110, -800, -900, -950};

} // namespace

void Form1::描画_四角形(double 入力X, double 入力Y, double X_長, double Y_長, int 色) {
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
    bool found = false;
    const Picture picture = 絵の種類(駒種類, found);
    if (!found) return;
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
    for (int i = 1; i <= 8; ++i) {
        描画_桝輪郭(背景色, 先手持駒列, i + 1);
        描画_桝輪郭(背景色, 後手持駒列, i);
    }
    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) 描画_桝輪郭(背景色, x, y);
    }
}

void Form1::描画_黒持盤() {
    描画_四角形(12, 2, 500, 5000, 背景色);
    for (int k = 1; k <= 8; ++k) {
        描画_桝(先手持駒列, k + 1);
        if (先手持駒[k] > 0) {
            描画_絵(先手の駒[k], 先手持駒列, k + 1);
            描画_桝輪郭(背景色, 先手持駒列, k + 1);
            描画_数値(12, k + 1.2, 先手持駒[k], 色_赤, 0, 14);
        }
    }
}

void Form1::描画_白持盤() {
    描画_四角形(0, 1, 490, 5000, 背景色);
    for (int i = 1; i <= 8; ++i) {
        const int k = 9 - i;
        描画_桝(後手持駒列, i);
        if (後手持駒[k] > 0) {
            描画_絵(-先手の駒[k], 後手持駒列, i);
            描画_桝輪郭(背景色, 後手持駒列, i);
            描画_数値(0, i + 0.2, 後手持駒[k], 色_赤, 0, 14);
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
