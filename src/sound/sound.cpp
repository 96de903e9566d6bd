// The program's side of the sound library: start it, load the five WAV files from the
// current folder, play, switch the music, shut down. A sound that failed to load is 0,
// and the library does nothing with handle 0.
#include "game/Form1.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <sys/stat.h>

namespace tarvenko {

void Form1::サウンド_初期化(std::int32_t window) {
    音源 = sound_.dsInitialize(window);
    if (音源 == 0) サウンド_エラー表示("Direct Soundインターフェースが作成できません。");
}

std::int32_t Form1::サウンド_読込(std::string_view file, std::int32_t flag) {
    if (音源 == 0) return 0;
    const std::string name(file);
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0) return 0; // missing: silence, no message

    auto fail = [&](const char* what) -> std::int32_t {
        std::string text = name + ": " + what;
        サウンド_エラー表示(text);
        return 0;
    };
    if (!S_ISREG(info.st_mode)) return fail("ファイルではありません。");
    if (info.st_size > INT32_MAX) return fail("ファイルが大きすぎます。");

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(name.c_str(), "rb"), std::fclose);
    if (!f) return fail(std::strerror(errno));
    const auto size = static_cast<std::size_t>(info.st_size);
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[size == 0 ? 1 : size]);
    if (std::fread(buffer.get(), 1, size, f.get()) != size) {
        return fail(std::ferror(f.get()) ? std::strerror(errno) : "読み込めませんでした。");
    }
    f.reset();
    return sound_.dsCreateDSB(音源, buffer.get(), static_cast<std::int32_t>(size), flag);
}

void Form1::サウンド_終了() {
    if (音源 != 0) sound_.dsTerminate(音源);
}

void Form1::サウンド_エラー表示(std::string_view text) {
    window_.messageBox(text, "Tarvenko.dll", MessageIcon::Exclamation);
}

void Form1::処理_BGM() {
    if (window_.musicChecked()) {
        window_.setMusicChecked(false);
        sound_.dsStop(音_BGM);
    } else {
        window_.setMusicChecked(true);
        sound_.dsPlayLooping(音_BGM);
    }
}

void Form1::BGM_Click() {
    if (終了済み_) return;
    ヒント消去();
    処理_BGM();
}

void Form1::音_再生(std::int32_t handle) {
    sound_.dsPlay(handle);
}

} // namespace tarvenko
