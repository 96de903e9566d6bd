// The menu bar as one table: the window builds its menus from it, the headless driver
// dispatches `menu NAME` through it, and the tests pick commands from it. A new item is
// one row, placed after the rows it follows in its menu.
#pragma once

#include "game/Form1.h"
#include "texts/Texts.h"

#include <cstddef>
#include <iterator>
#include <string_view>

namespace tarvenko {

struct MenuItem {
    enum Kind { Command, Submenu, Separator };
    Kind kind;
    const char* name;    // object name and the driver's word; "" for a separator
    const char* caption; // UTF-8, shown through 訳
    const char* parent;  // name of the menu that holds it; "" for the menu bar
    void (Form1::*handler)() = nullptr;
    bool checkable = false; // the game keeps the mark (see Window::setMusicChecked)
    int group = 0;          // non-zero: one mark among the items of that group, moved by a click;
                            // the group's first item has it at start
    const char* shortcut = ""; // key sequence text, e.g. "Ctrl+S"
};

inline constexpr MenuItem kMenu[] = {
    {MenuItem::Submenu, "TAIKYOKU", TARVENKO_TEXT("対局"), ""},
    {MenuItem::Submenu, "MATCH_MAN", TARVENKO_TEXT("対局(人間)"), "TAIKYOKU",
     &Form1::MATCH_MAN_Click},
    {MenuItem::Command, "START", TARVENKO_TEXT("スタート"), "MATCH_MAN", &Form1::START_Click},
    {MenuItem::Submenu, "START2", TARVENKO_TEXT("対局(COM)"), "TAIKYOKU"},
    {MenuItem::Command, "SENTE", TARVENKO_TEXT("先手"), "START2", &Form1::SENTE_Click},
    {MenuItem::Command, "GOTE", TARVENKO_TEXT("後手"), "START2", &Form1::GOTE_Click},
    {MenuItem::Command, "TSUME", TARVENKO_TEXT("詰め問題…"), "TAIKYOKU", &Form1::TSUME_Click},
    {MenuItem::Command, "OWARI", TARVENKO_TEXT("終わり"), "TAIKYOKU", &Form1::OWARI_Click},
    {MenuItem::Submenu, "STOP", TARVENKO_TEXT("局面"), ""},
    {MenuItem::Command, "CANCEL", TARVENKO_TEXT("最初"), "STOP", &Form1::CANCEL_Click},
    {MenuItem::Separator, "", "", "STOP"},
    {MenuItem::Command, "KIFU_SAVE", TARVENKO_TEXT("棋譜を保存…"), "STOP", &Form1::KIFU_SAVE_Click,
     false, 0, "Ctrl+S"},
    {MenuItem::Command, "KIFU_OPEN", TARVENKO_TEXT("棋譜を開く…"), "STOP", &Form1::KIFU_OPEN_Click,
     false, 0, "Ctrl+O"},
    // Enabled by the window only while a kept game exists.
    {MenuItem::Command, "RESUME", TARVENKO_TEXT("続きから"), "STOP", &Form1::RESUME_Click},
    {MenuItem::Command, "REVIEW", TARVENKO_TEXT("棋譜解析…"), "STOP", &Form1::REVIEW_Click},
    {MenuItem::Command, "REPLAY", TARVENKO_TEXT("戻"), "", &Form1::REPLAY_Click},
    {MenuItem::Command, "AFTER", TARVENKO_TEXT("進"), "", &Form1::AFTER_Click},
    {MenuItem::Submenu, "OPTION", TARVENKO_TEXT("ｵﾌﾟｼｮﾝ"), ""},
    {MenuItem::Command, "BGM", "BGM", "OPTION", &Form1::BGM_Click, true},
    {MenuItem::Separator, "", "", "OPTION"},
    {MenuItem::Submenu, "LEVEL", TARVENKO_TEXT("強さ"), "OPTION"},
    {MenuItem::Command, "LEVEL_STANDARD", TARVENKO_TEXT("標準"), "LEVEL",
     &Form1::LEVEL_STANDARD_Click, true, 1},
    {MenuItem::Command, "LEVEL_STRONG", TARVENKO_TEXT("強い"), "LEVEL", &Form1::LEVEL_STRONG_Click,
     true, 1},
    {MenuItem::Command, "LEVEL_STRONGEST", TARVENKO_TEXT("最強"), "LEVEL",
     &Form1::LEVEL_STRONGEST_Click, true, 1},
    {MenuItem::Command, "HINT", TARVENKO_TEXT("ヒント"), "OPTION", &Form1::HINT_Click, false, 0,
     "H"},
    {MenuItem::Command, "ANALYSIS", TARVENKO_TEXT("解析"), "OPTION", &Form1::ANALYSIS_Click, true,
     0, "K"},
    // The window's own item (no game handler): its mark follows the window's state.
    {MenuItem::Command, "FULLSCREEN", TARVENKO_TEXT("全画面表示"), "OPTION", nullptr, true, 0,
     "F11"},
    {MenuItem::Command, "STATS", TARVENKO_TEXT("成績…"), "OPTION", &Form1::STATS_Click},
    {MenuItem::Command, "VER", TARVENKO_TEXT("その他"), "", &Form1::VER_Click},
    {MenuItem::Submenu, "HELP", TARVENKO_TEXT("ヘルプ"), ""},
    {MenuItem::Command, "ASOBIKATA", TARVENKO_TEXT("遊び方"), "HELP", &Form1::ASOBIKATA_Click},
    {MenuItem::Submenu, "LANGUAGE", TARVENKO_TEXT("言語 (Language)"), "OPTION"},
    // Each language by its own name; the window switches to it (no game command).
    {MenuItem::Command, "LANG_JA", "日本語", "LANGUAGE", nullptr, true, 2},
    {MenuItem::Command, "LANG_EN", "English", "LANGUAGE", nullptr, true, 2},
};

// The item of that name with a handler, nullptr when there is none.
constexpr const MenuItem* findMenuCommand(std::string_view name) {
    for (const MenuItem& m : kMenu) {
        if (m.handler != nullptr && name == m.name) return &m;
    }
    return nullptr;
}

namespace detail {
// Names are unique, and every item's menu comes before it.
constexpr bool menuTableIsWellFormed() {
    for (std::size_t i = 0; i < std::size(kMenu); ++i) {
        const MenuItem& m = kMenu[i];
        if ((m.kind == MenuItem::Separator) != (std::string_view(m.name).empty())) return false;
        for (std::size_t j = 0; j < i; ++j) {
            if (!std::string_view(m.name).empty() && std::string_view(m.name) == kMenu[j].name)
                return false;
        }
        if (std::string_view(m.parent).empty()) continue;
        bool found = false;
        for (std::size_t j = 0; j < i; ++j) {
            found = found || (kMenu[j].kind == MenuItem::Submenu &&
                              std::string_view(m.parent) == kMenu[j].name);
        }
        if (!found) return false;
    }
    return true;
}
} // namespace detail
static_assert(detail::menuTableIsWellFormed(), "menu names unique, each menu before its items");

} // namespace tarvenko
