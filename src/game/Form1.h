// The game window's object: all game state and every operation of the game. Plain C++;
// everything it shows, plays, reads or asks goes through Window, SoundLibrary and Files.
#pragma once

#include "analysis/Presentation.h"
#include "engine/Position.h"
#include "engine/Search.h"
#include "platform/Files.h"
#include "platform/SoundLibrary.h"
#include "platform/Window.h"
#include "puzzles/Session.h"
#include "rules/pieces.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tarvenko {

class Home;

class Form1 {
  public:
    Form1(Window& window, SoundLibrary& sound, Files& files)
        : window_(window), sound_(sound), files_(files) {}
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // ---- Constants: codes, geometry and colours (compile-time, compared by value) ----
    static constexpr int 真 = 1;
    static constexpr int 偽 = 0;
    static constexpr int 空き = 0;
    static constexpr int 桝数 = 9;

    static constexpr int 先手 = piece::先手;
    static constexpr int 後手 = piece::後手;

    static constexpr int 先手歩 = piece::codeOf(先手, piece::歩);
    static constexpr int 先手香 = piece::codeOf(先手, piece::香);
    static constexpr int 先手桂 = piece::codeOf(先手, piece::桂);
    static constexpr int 先手銀 = piece::codeOf(先手, piece::銀);
    static constexpr int 先手金 = piece::codeOf(先手, piece::金);
    static constexpr int 先手角 = piece::codeOf(先手, piece::角);
    static constexpr int 先手飛 = piece::codeOf(先手, piece::飛);
    static constexpr int 先手王 = piece::codeOf(先手, piece::王);
    static constexpr int 後手歩 = piece::codeOf(後手, piece::歩);
    static constexpr int 後手香 = piece::codeOf(後手, piece::香);
    static constexpr int 後手桂 = piece::codeOf(後手, piece::桂);
    static constexpr int 後手銀 = piece::codeOf(後手, piece::銀);
    static constexpr int 後手金 = piece::codeOf(後手, piece::金);
    static constexpr int 後手角 = piece::codeOf(後手, piece::角);
    static constexpr int 後手飛 = piece::codeOf(後手, piece::飛);
    static constexpr int 後手王 = piece::codeOf(後手, piece::王);
    static constexpr int 終局 = -1;
    static constexpr int モード_人間 = 0;
    static constexpr int モード_COM = 1;

    static constexpr int 先手持駒列 = 11;
    static constexpr int 後手持駒列 = -1;

    static constexpr double 原点X = 1100, 原点Y = 100;
    static constexpr double 桝幅 = 495, 桝高 = 615;
    static constexpr double 手数表示X = 13, 手数表示Y = 2.3;
    static constexpr double 先手結果X = 13.3, 先手結果Y = 3;
    static constexpr double 後手結果X = -1.75, 後手結果Y = 9.5;
    static constexpr int 絵_タイトル = 0;
    static constexpr int 右ボタン = 2, 左ボタン = 1;
    static constexpr int 色_白 = 15, 色_緑 = 2, 色_赤 = 12, 色_黄 = 14;
    static constexpr int 背景色 = 色_緑;
    static constexpr int 盤輪郭色 = 背景色;
    static constexpr int 移動結果色 = 色_白;

    static constexpr int 手順容量 = 501; // entries 0..500 of the move record

    // The computer's scores of a candidate drop, and the bounds of its search.
    static constexpr int 得点_勝ち = 10000;    // the drop makes the computer's row of three
    static constexpr int 得点_負け = -901;     // after it the human could make a row of three
    static constexpr int 得点_最低 = -99999;   // below every score: the first candidate is taken
    static constexpr int 得点_打ち切り = 9998; // a win: nothing can beat it, the search stops

    // Boxes erased before they are written, in twips.
    static constexpr double 結果枠幅 = 1360, 結果枠高 = 380; // a side's last-move box
    static constexpr double 手数枠幅 = 1250, 手数枠高 = 300; // the move counter
    static constexpr double 戻消去幅 = 1250, 戻消去高 = 400; // what 戻 erases of a last-move box

    // Added to a row number 1..9, 描画_移動駒種類 writes it as a kanji numeral.
    static constexpr int 漢数字印 = 1000;

    // ---- Board and hands ----
    int 盤[10][10] = {};  // (X, Y), 1..9 used
    int 先手持駒[9] = {}; // by kind 1..8 (歩 香 桂 銀 金 角 飛 王)
    int 後手持駒[9] = {};
    int 先手持駒合計 = 0;
    int 後手持駒合計 = 0;
    int 先手2歩フラグ[10] = {};
    int 後手2歩フラグ[10] = {};

    // ---- Game control ----
    int 手番 = 終局;
    int 手数 = 0;
    int 対局中 = 偽;
    int 対局モード = モード_人間;
    int 人間側 = 先手;
    int COM側 = 後手;
    int 選択状態 = 0;
    int 指し手[7] = {};
    int COM候補駒 = 0;

    // ---- Keyboard cursor: a square of the board or of the own hand board ----
    int カーソル表示 = 偽; // 真 once an arrow key has been pressed in this game
    int カーソルX = 5, カーソルY = 5;

    // ---- The computer's strength: 標準 is com_ban's own look-ahead, the others search ----
    static constexpr int 強さ_標準 = 0, 強さ_強い = 1, 強さ_最強 = 2;
    int 強さ = 強さ_標準;
    int 探索の評価 = 0; // the searcher's value of its last choice

    // ---- Lines of attack ----
    int 利き筋[10][10] = {};
    int 利き筋_保存[10][10] = {};

    // ---- Move record ----
    int 手順_移動元X[手順容量] = {};
    int 手順_移動元Y[手順容量] = {};
    int 手順_移動先X[手順容量] = {};
    int 手順_移動先Y[手順容量] = {};
    int 手順_取駒[手順容量] = {};
    int 手順_移動元駒[手順容量] = {};
    int 手順_移動先駒[手順容量] = {};
    int 手順数 = 0;
    int 手順最大 = 0;

    // ---- Sound ----
    std::int32_t 音源 = 0;
    std::int32_t 音_その他 = 0;
    std::int32_t 音_禁止 = 0;
    std::int32_t 音_駒打 = 0;
    std::int32_t 音_終局 = 0;
    std::int32_t 音_BGM = 0;

    // ---- Window text state: the window font's size and weight ----
    float 文字サイズ = 9;
    bool 文字太字 = false;

    // ---- Events and set-up (game/) ----
    void Form_Load();
    // Form_Load's two halves, in its order: the sound (library, five sounds, music and its
    // check mark), then the screen. The real window runs the sound half after its first
    // frame, because starting the audio output takes longer than showing the window.
    void Form_Load_サウンド();
    void Form_Load_画面();
    void 初期設定();
    void Form_MouseDown(int Button, int Shift, float X, float Y);
    void Form_KeyDown(int KeyCode, int Shift);
    // Arrow keys move the cursor; Enter and Space click where it is; Backspace right-clicks
    // the selected hand slot. Returns false for any other key.
    bool キー操作(int KeyCode);
    // Hides the cursor and puts it back on the centre square, for a new game.
    void カーソル_初期化();
    void Form_Unload(int& Cancel);

    // ---- A drop, whoever makes it (game/) ----
    // Records the drop, counts it on the counter and moves the piece.
    void 記録して打つ(int 移動元X, int 移動元Y, int 移動先X, int 移動先Y, int 移動駒);
    // Adds 差 to the move count and shows it.
    void 手数を進める(int 差);
    // When the drop on (IN_先X, IN_先Y) makes the side's row of three: blinks it, names
    // the winner and ends the game. True then.
    bool 勝ちなら終える(int IN_手番, int IN_先X, int IN_先Y);

    // ---- Menu commands (game/) ----
    void START_Click();
    void SENTE_Click();
    void GOTE_Click();
    void OWARI_Click();
    void VER_Click();
    void MATCH_MAN_Click();
    // 棋譜を保存…, 棋譜を開く… and 遊び方 (record/kifu.cpp)
    void KIFU_SAVE_Click();
    void KIFU_OPEN_Click();
    void ASOBIKATA_Click();
    void BGM_Click();
    void 処理_終了();
    // ｵﾌﾟｼｮﾝ → 解析 and 局面 → 棋譜解析…, and the analysis they show (analysis/).
    void ANALYSIS_Click();
    void REVIEW_Click();
    analysis::Analysis& 解析();

    // ---- Sound (sound/) ----
    void サウンド_初期化(std::int32_t window);
    std::int32_t サウンド_読込(std::string_view file, std::int32_t flag);
    void サウンド_終了();
    void サウンド_エラー表示(std::string_view text);
    void 処理_BGM();
    void 音_再生(std::int32_t handle);

    // ---- Move legality, execution, hands (rules/) ----
    int 移動チェック(int 移動元X, int 移動元Y, int 移動先X, int 移動先Y, int 移動駒種類);
    int 移動チェック_2歩か(int 移動先X, int 移動駒種類) const;
    int 移動チェック飛車(int 移動元X, int 移動元Y, int 移動先X, int 移動先Y) const;
    int 移動チェック角(int 移動元X, int 移動元Y, int 移動先X, int 移動先Y) const;
    void 調査_2歩フラグ設定();
    void 駒移動(int 移動元X, int 移動元Y, int 移動先X, int 移動先Y, int 移動駒);
    int 取得_持駒(int IN_手番, int IN_Y) const;
    int 取得_手番(int IN_駒) const;
    int 取得_持駒数(int IN_手番, int IN_Y) const;
    int 取得_全持駒数(int IN_手番) const;

    // ---- Lines of attack (rules/) ----
    void 調査_利き筋(int IN_手番);
    int 調査_利筋あるか() const;
    void 利き筋_PUSH();
    void 利き筋_POP();

    // ---- Line scans, rows, end of game, blink (lines/) ----
    int 調査_右(int IN_手番, int IN_X, int IN_Y) const;
    int 調査_左(int IN_手番, int IN_X, int IN_Y) const;
    int 調査_下(int IN_手番, int IN_X, int IN_Y) const;
    int 調査_上(int IN_手番, int IN_X, int IN_Y) const;
    int 調査_右下(int IN_手番, int IN_X, int IN_Y) const;
    int 調査_右上(int IN_手番, int IN_X, int IN_Y) const;
    int 調査_左下(int IN_手番, int IN_X, int IN_Y) const;
    int 調査_左上(int IN_手番, int IN_X, int IN_Y) const;
    int 調査_3並び(int IN_手番, int IN_X, int IN_Y) const;
    // The squares of a row of three, in order along its axis (top to bottom, or left to
    // right). 最後の軸 asks for the last axis of the order that makes three, not the first.
    struct 並び {
        int X[3], Y[3];
    };
    int 調査_3並び(int IN_手番, int IN_X, int IN_Y, 並び& 列, bool 最後の軸 = false) const;
    int 終了_判定(int IN_手番, int IN_先X, int IN_先Y) const;
    void 終了_処理(int IN_移動駒);
    void 終了(std::string_view 勝手);
    void 描画_点滅3並び(int IN_手番, int IN_X, int IN_Y, int IN_点滅回数);
    void 待ち時間(double IN_秒);

    // ---- Computer player (com/) ----
    void com_ban();
    int 調査_得点(int IN_元X, int IN_元Y, int IN_先X, int IN_先Y);
    void LEVEL_STANDARD_Click();
    void LEVEL_STRONG_Click();
    void LEVEL_STRONGEST_Click();
    void HINT_Click();
    // The strength from elsewhere than its menu (a game record): as if its item were chosen.
    void 強さを選ぶ(int 新しい強さ);

    // ---- Move record and replay (record/) ----
    void 手順保存(int 移動元X, int 移動元Y, int 移動先X, int 移動先Y, int 移動元駒, int 移動先駒);
    void REPLAY_Click();
    void AFTER_Click();
    void CANCEL_Click();

    // ---- Drawing (render/) ----
    void 描画_四角形(double 入力X, double 入力Y, double X_長, double Y_長, int 色);
    void 描画_桝輪郭(int 描画色, double 座標X, double 座標Y);
    void 描画_桝(double 座標X, double 座標Y);
    void 描画_絵(int 駒種類, double 座標X, double 座標Y);
    void 描画_盤();
    void 描画_将棋盤桝();
    void 全輪郭クリア();
    void 描画_黒持盤();
    void 描画_白持盤();
    void 描画_置可能桝色(int 描画色);
    void 描画_移動可能桝色(int 移動元X, int 移動元Y, int 描画色, int 移動駒);
    void 描画_移動結果(int 移動先X, int 移動先Y, int 移動駒, int 駒色);
    void 描画_移動駒種類(double 入力X, double 入力Y, int 駒種類, int 色);
    void 描画_数値(double 入力X, double 入力Y, int 数値, int 色, int モード, float フォントサイズ);
    void 描画_数値(double 入力X, double 入力Y, std::string_view 数値, int 色, int モード,
                   float フォントサイズ);
    void 描画_桝_数値();
    void 描画_手数(int 数値, int 色);
    void 描画_文字列(double 入力X, double 入力Y, int 数値, int 色, float サイズ);
    // Writes the board's texts again in the language now in use: the row labels, the move
    // counter and the last-move boxes, as they are shown.
    void 文字を描き直す();

    // Twips of a square coordinate.
    static constexpr double 横位置(double X) { return 原点X + X * 桝幅; }
    static constexpr double 縦位置(double Y) { return 原点Y + Y * 桝高; }

    // True once the program has ended; nothing more is handled.
    bool 終了済み() const { return 終了済み_; }
    // True while the program ends (from the moment the game in progress is being kept).
    bool 終了中() const { return 終了中_ && !終了済み_; }

    // ---- What outlives the program: settings, statistics, the kept game (home/) ----
    void 住まいを使う(Home* home) { home_ = home; } // none: nothing is read or written
    Home* home() { return home_; }
    void RESUME_Click(); // 続きから
    void STATS_Click();  // 成績…

    // ---- 詰め問題: puzzles (puzzles/) ----
    void TSUME_Click(); // 対局 → 詰め問題…: the chooser, then the puzzle chosen
    // Puzzle k (from 1, in the chooser's order), as the chooser starts it; false when there
    // is none such or a game under way stands in the way.
    bool 詰めを始める(int k);
    bool 詰め中() const { return 詰め_ && 詰め_->active(); }
    puzzles::Session& 詰め();
    // The puzzle on the board gives way to another game (初期設定, a record).
    void 詰めを終える() {
        if (詰め_) 詰め_->end();
    }
    // 成績's lines of the puzzles solved, empty before any is.
    std::string 詰めの成績();

    // The window, for the game records' dialogs and message boxes (record/kifu.cpp).
    Window& window() { return window_; }
    Files& files() { return files_; }

  private:
    void 文字出力(double x, double y, std::string_view text, int 色);
    void 対局を始める(int モード, int 人間, std::string_view 変更不可);
    void 番を知らせる(int side);
    bool 盤内(int X, int Y) const { return X >= 1 && X <= 9 && Y >= 1 && Y <= 9; }
    int 走査(int IN_手番, int IN_X, int IN_Y, int dX, int dY) const;
    template <bool 最後の軸> int 三並びの軸(int IN_手番, int IN_X, int IN_Y, int& back) const;
    void 盤をクリック(int SX, int SY);   // a drop of the selected piece
    void 持駒をクリック(int SX, int SY); // anywhere off the board: a hand slot selects
    void 持駒に足す(int 駒, int 差);
    void 描画_持盤(int side, double 数X);
    engine::Searcher& 探索器();
    // The searcher's drop for a side at a strength; false when it has none.
    bool 探索の手(int IN_手番, int 強さ_, int& 元X, int& 元Y, int& 先X, int& 先Y, int& 駒);
    void ヒント消去();

    Window& window_;
    SoundLibrary& sound_;
    Files& files_;
    Home* home_ = nullptr;
    std::uint64_t 音_使用量_ = 0; // decoded bytes of the sounds loaded, against their budget
    // What the move counter and the two last-move boxes (先手's, 後手's) show, to write them
    // again in another language: the count, -1 when blank; the move's square and piece, 0 when
    // blank.
    int 表示中の手数_ = -1;
    int 表示中の結果_[2][3] = {};
    bool 終了済み_ = false;
    bool 終了中_ = false; // ending: a box about the kept game may be waiting

    // The position before the computer's candidates, with both sides' lines of attack and
    // winning squares, while com_ban scores them: each candidate's score then follows from
    // a local change of these maps instead of a new computation of the whole board.
    engine::Position 候補前局面_;
    bool 候補採点中_ = false;

    std::unique_ptr<engine::Searcher> 探索器_; // made once, when first needed
    int ヒント_[4] = {};                       // hand column and row, square X and Y
    bool ヒント表示中_ = false;
    std::unique_ptr<analysis::Analysis> 解析_;
    std::unique_ptr<puzzles::Session> 詰め_; // made when first needed
};

} // namespace tarvenko
