// The program's side of the sound library: start it, load the five WAV files from the
// game's folder, play, switch the music, shut down. A sound that failed to load is 0,
// and the library does nothing with handle 0.
#include "game/Form1.h"
#include "texts/Texts.h"

#include "WaveCheck.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace tarvenko {

namespace {

namespace wave = tarvenko::sound;

struct Loaded {
    std::int32_t handle = 0;
    std::uint64_t cost = 0;        // against the budget of all five together
    const char* problem = nullptr; // why a file that is there gives no sound
};

constexpr Loaded refused(const char* problem) {
    return Loaded{0, 0, problem};
}

constexpr const char* kUnreadable = TARVENKO_TEXT("読み込めません。");
constexpr const char* kNoMemory = TARVENKO_TEXT("メモリが足りません。");
constexpr const char* kTooLarge = TARVENKO_TEXT("大きすぎます。");
constexpr const char* kBadFormat = TARVENKO_TEXT("形式が違います。");

// The load flag of the music, as Form_Load passes it.
constexpr std::int32_t kMusic = 1;

// The first look at a file, enough for any usual header; only a file whose "fmt " or "data"
// chunk starts further in is looked at again, up to wave::kHeadBytes.
constexpr std::size_t kFirstLook = 4096;

// Looks before it reads: the file's kind and length on the opened descriptor, then its head,
// which tells what decoding will cost; only a file within the budget is read whole, straight
// into memory that the library then takes over, so the file is never held twice.
Loaded loadSound(Files& files, SoundLibrary& library, std::int32_t instance, std::string_view name,
                 std::int32_t flag, std::uint64_t used) {
    const Files::Opened opened = files.open(name);
    switch (opened.status) {
    case Files::Status::Missing:
        return {};
    case Files::Status::Unreadable:
        return refused(kUnreadable);
    case Files::Status::NotAFile:
        return refused(TARVENKO_TEXT("ファイルではありません。"));
    case Files::Status::Ok:
        break;
    }
    struct Unused {
        SoundLibrary* library;
        void operator()(void* buffer) const { library->dsFreeBuffer(buffer); }
    };
    std::unique_ptr<void, Unused> file(nullptr, Unused{&library});
    const std::uint64_t size = opened.size;
    wave::WaveLayout layout;
    {
        struct Closer {
            Files& files;
            int file;
            ~Closer() { files.close(file); }
        } closer{files, opened.file};

        if (size > wave::kMaxFileBytes) return refused(kTooLarge);
        unsigned char first[kFirstLook];
        const std::size_t look =
            static_cast<std::size_t>(std::min<std::uint64_t>(size, kFirstLook));
        if (!files.read(opened.file, 0, first, look)) return refused(kUnreadable);
        layout = wave::inspectWaveHeader(first, look, size);
        if (layout.verdict == wave::WaveVerdict::Malformed && size > look) {
            const std::size_t head =
                static_cast<std::size_t>(std::min<std::uint64_t>(size, wave::kHeadBytes));
            std::unique_ptr<unsigned char[]> bytes(new (std::nothrow) unsigned char[head]);
            if (!bytes) return refused(kNoMemory);
            std::memcpy(bytes.get(), first, look);
            if (!files.read(opened.file, look, bytes.get() + look, head - look))
                return refused(kUnreadable);
            layout = wave::inspectWaveHeader(bytes.get(), head, size);
        }
        if (layout.verdict == wave::WaveVerdict::TooLarge) return refused(kTooLarge);
        if (layout.verdict != wave::WaveVerdict::Ok) return refused(kBadFormat);
        if (used + layout.decodedBytes > wave::kMaxTotalBytes) return refused(kTooLarge);

        // The music is long and loops: played from its file, it costs a buffer instead of
        // three megabytes. A library or a file that cannot do that loads it whole below.
        if (flag == kMusic) {
            const int descriptor = files.descriptor(opened.file);
            if (descriptor >= 0) {
                const std::int32_t handle = library.dsStreamDSB(instance, descriptor, flag);
                if (handle != 0) return Loaded{handle, 0, nullptr};
            }
        }

        file.reset(library.dsAllocBuffer(static_cast<std::int32_t>(size)));
        if (!file) return refused(kNoMemory);
        auto* into = static_cast<unsigned char*>(file.get());
        std::memcpy(into, first, look);
        if (!files.read(opened.file, look, into + look, static_cast<std::size_t>(size) - look))
            return refused(kUnreadable);
    }
    const std::int32_t handle =
        library.dsAdoptDSB(instance, file.release(), static_cast<std::int32_t>(size), flag);
    if (handle == 0) return refused(kBadFormat);
    return Loaded{handle, layout.decodedBytes, nullptr};
}

} // namespace

void Form1::サウンド_初期化(std::int32_t window) {
    音源 = sound_.dsInitialize(window);
    if (音源 == 0) サウンド_エラー表示(訳("Direct Soundインターフェースが作成できません。"));
}

std::int32_t Form1::サウンド_読込(std::string_view file, std::int32_t flag) {
    if (音源 == 0) return 0;
    Loaded loaded;
    try {
        loaded = loadSound(files_, sound_, 音源, file, flag, 音_使用量_);
    } catch (const std::bad_alloc&) {
        loaded = refused(kNoMemory);
    }
    if (loaded.problem != nullptr) {
        try {
            サウンド_エラー表示(std::string(file) + ": " + std::string(訳(loaded.problem)));
        } catch (const std::bad_alloc&) {
            // Not even the message fits: the sound stays silent all the same.
        }
        return 0;
    }
    音_使用量_ += loaded.cost;
    return loaded.handle;
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
