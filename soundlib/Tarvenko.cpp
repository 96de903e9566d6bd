// The sound library over SDL2_mixer.
//
// One output at a time, opened by dsInitialize and closed by dsTerminate. Every sound owns one
// mixer channel for its whole life, so playing a sound again cuts off its previous run instead
// of stacking a second copy, and stopping one sound never touches another.
//
// All state lives behind one mutex and is created on the heap by dsInitialize: loading the
// library does no SDL work, and every entry point is a harmless no-op when nothing is open.
//
// While nothing plays, the output rests: SDL's audio thread would otherwise wake some forty
// times a second to mix and hand over silence (SDL 2 keeps doing that even for a paused
// device), so the mixer's thread waits instead until there is something to play.
//
// One sound may play from its file instead of from memory (dsStreamDSB): SDL_mixer's music
// hook, which it mixes before the channels, reads it a buffer at a time on the audio thread.

#include "Tarvenko.h"
#include "WaveCheck.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace {

constexpr int kRate = 44100;
// Mono: every sound of the game is mono and nothing is panned. A stereo output would make
// SDL_mixer widen each sound at load through a float stage, four times the file while
// converting and twice the file kept; the desktop's audio server upmixes a mono stream.
constexpr int kChannels = 1;
// About 23 ms at 44.1 kHz: short enough for a piece click to feel immediate, long enough
// not to starve on a busy desktop.
constexpr int kBufferFrames = 1024;
constexpr Uint32 kFrameBytes = kChannels * 2; // 16-bit samples

constexpr std::int32_t kMusicFlag = 1;
// Music sits under the effects: about 4 dB lower on top of its quieter mastering.
constexpr int kMusicVolume = MIX_MAX_VOLUME * 5 / 8;
constexpr int kEffectVolume = MIX_MAX_VOLUME;

// A file taken over by dsAdoptDSB may keep this much besides its samples when it plays in
// place; one with more is decoded into a copy, so that no trailing chunk stays resident.
constexpr std::size_t kInPlaceSlack = std::size_t{64} << 10;

struct Sound {
    Mix_Chunk* chunk;   // null for the sound that plays from its file
    int channel;        // −1 for the sound that plays from its file
    std::uint64_t cost; // against the budget shared by all sounds (WaveCheck.h)
    void* file;         // the adopted file the chunk plays from, or null
};

struct ChunkDeleter {
    void operator()(Mix_Chunk* chunk) const { Mix_FreeChunk(chunk); }
};

struct BufferDeleter {
    void operator()(void* buffer) const { std::free(buffer); }
};
using Buffer = std::unique_ptr<void, BufferDeleter>;

// The sound that plays from its file. Its position is the audio thread's as much as the entry
// points', so all of it is under gStreamLock, which the audio thread takes while it reads; no
// entry point calls into SDL_mixer while holding it (SDL_mixer's own lock is taken first on
// the audio thread).
struct Stream {
    int file = -1; // the library's duplicate, or −1 when there is no such sound
    std::uint64_t dataOffset = 0;
    std::uint64_t dataBytes = 0; // whole frames only
    std::uint64_t at = 0;        // the next byte of the samples to play
    bool playing = false;
    bool looping = false;
    int volume = 0;
};

std::mutex gStreamLock;
Stream gStream;
// Whether the stream plays, for the resting output's wait, which must not take gStreamLock.
std::atomic<bool> gStreamPlaying{false};

void setStream(bool playing, bool looping) {
    std::lock_guard<std::mutex> hold(gStreamLock);
    gStream.at = 0;
    gStream.playing = playing;
    gStream.looping = looping;
    gStreamPlaying.store(playing);
}

void closeStream() {
    std::lock_guard<std::mutex> hold(gStreamLock);
    if (gStream.file >= 0) ::close(gStream.file);
    gStream = Stream{};
    gStreamPlaying.store(false);
}

// Mixes the next length bytes of the stream into out, on the audio thread. Reads go through a
// buffer on the stack, so nothing is allocated while playing; a read that fails or comes up
// short ends the sound rather than looping over a hole.
void mixStream(Uint8* out, int length) {
    std::lock_guard<std::mutex> hold(gStreamLock);
    Stream& s = gStream;
    Uint8 buffer[kBufferFrames * kFrameBytes];
    std::size_t done = 0;
    const auto wanted = static_cast<std::size_t>(length > 0 ? length : 0);
    while (s.playing && done < wanted) {
        if (s.at >= s.dataBytes) {
            if (!s.looping) {
                s.playing = false;
                break;
            }
            s.at = 0;
        }
        const std::size_t want = static_cast<std::size_t>(
            std::min<std::uint64_t>({sizeof buffer, wanted - done, s.dataBytes - s.at}));
        ssize_t got;
        do {
            got = ::pread(s.file, buffer, want, static_cast<off_t>(s.dataOffset + s.at));
        } while (got < 0 && errno == EINTR);
        const std::size_t whole =
            got > 0 ? static_cast<std::size_t>(got) / kFrameBytes * kFrameBytes : 0;
        if (whole == 0) {
            s.playing = false;
            break;
        }
        SDL_MixAudioFormat(out + done, buffer, AUDIO_S16SYS, static_cast<Uint32>(whole), s.volume);
        done += whole;
        s.at += whole;
    }
    gStreamPlaying.store(s.playing);
}

void release(Sound& sound) {
    if (sound.chunk == nullptr) closeStream();
    Mix_FreeChunk(sound.chunk);
    std::free(sound.file);
}

struct Output {
    std::int32_t instance = 0;
    std::map<std::int32_t, Sound> sounds;
    std::vector<bool> channelTaken;
};

std::mutex gLock;
Output* gOutput = nullptr;
// Counters survive dsTerminate so that no handle is ever handed out twice in one process.
std::int32_t gLastInstance = 0;
std::int32_t gLastSound = 0;

// The resting output. Every mix starts in holdWhileSilent, on SDL's audio thread with the
// output locked; with no channel playing and no entry point at work it waits there, so the
// thread sleeps until an entry point needs the output. Entry points count themselves in
// before they touch the mixer (which locks the output) and out when done; the count keeps the
// thread going meanwhile, and a play leaves a channel playing that keeps it going after.
std::mutex gRestLock;
std::condition_variable gRestWake;
int gAtWork = 0;

void SDLCALL holdWhileSilent(void* /*data*/, Uint8* stream, int length) {
    {
        std::unique_lock<std::mutex> hold(gRestLock);
        gRestWake.wait(hold,
                       [] { return gAtWork > 0 || gStreamPlaying.load() || Mix_Playing(-1) > 0; });
    }
    mixStream(stream, length);
}

class AtWork {
  public:
    AtWork() {
        {
            std::lock_guard<std::mutex> hold(gRestLock);
            ++gAtWork;
        }
        gRestWake.notify_all();
    }
    ~AtWork() {
        std::lock_guard<std::mutex> hold(gRestLock);
        --gAtWork;
    }
    AtWork(const AtWork&) = delete;
    AtWork& operator=(const AtWork&) = delete;
};

void releaseAudioSubsystem() {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    // If nobody else in the process uses SDL, drop its global state too (hints, error
    // buffers), so that a closed library holds no memory.
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
}

Sound* findSound(std::int32_t handle) {
    if (gOutput == nullptr || handle <= 0) return nullptr;
    auto it = gOutput->sounds.find(handle);
    return it == gOutput->sounds.end() ? nullptr : &it->second;
}

// Lowest free mixer channel, growing SDL_mixer's channel table when all are taken.
int claimChannel(Output& out) {
    for (std::size_t i = 0; i < out.channelTaken.size(); ++i) {
        if (!out.channelTaken[i]) {
            out.channelTaken[i] = true;
            return static_cast<int>(i);
        }
    }
    const int have = static_cast<int>(out.channelTaken.size());
    if (have > std::numeric_limits<int>::max() / 2) return -1;
    const int want = have < 8 ? 8 : have * 2;
    if (Mix_AllocateChannels(want) < want) return -1;
    out.channelTaken.resize(static_cast<std::size_t>(want), false);
    out.channelTaken[static_cast<std::size_t>(have)] = true;
    return have;
}

void releaseChannel(Output& out, int channel) {
    out.channelTaken[static_cast<std::size_t>(channel)] = false;
}

std::int32_t openOutput() {
    if (gOutput != nullptr) return gOutput->instance;
    if (gLastInstance == std::numeric_limits<std::int32_t>::max()) return 0;

    // A library must not take over its host's signals: SDL would turn SIGINT and SIGTERM
    // into quit events that nobody reads, and the game would ignore being asked to end.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
    if (Mix_OpenAudioDevice(kRate, AUDIO_S16SYS, kChannels, kBufferFrames, nullptr, 0) != 0) {
        releaseAudioSubsystem();
        return 0;
    }
    auto* out = new (std::nothrow) Output;
    if (out == nullptr) {
        Mix_CloseAudio();
        releaseAudioSubsystem();
        return 0;
    }
    // SDL_mixer's music player is not used: its hook is where a silent mix waits, and where
    // the sound that plays from its file is mixed.
    Mix_HookMusic(holdWhileSilent, nullptr);
    const int channels = Mix_AllocateChannels(-1);
    out->channelTaken.assign(static_cast<std::size_t>(channels > 0 ? channels : 0), false);
    out->instance = ++gLastInstance;
    gOutput = out;
    return out->instance;
}

// Samples SDL would hand over unchanged: 16-bit little-endian PCM in the output's own rate and
// channels, with the block size SDL steps by equal to one frame.
bool playableInPlace(const tarvenko::sound::WaveLayout& layout, std::size_t size) {
    return SDL_BYTEORDER == SDL_LIL_ENDIAN && layout.formatTag == 1 &&
           layout.channels == kChannels && layout.bitsPerSample == 16 &&
           layout.blockAlign == kFrameBytes &&
           layout.sampleRate == static_cast<std::uint32_t>(kRate) &&
           size - layout.dataBytes <= kInPlaceSlack;
}

// file: the caller's buffer (borrowed), or one dsAdoptDSB took over (owned, freed on every
// path).
std::int32_t createSound(std::int32_t instance, const void* data, std::int32_t size,
                         std::int32_t flag, Buffer file = nullptr) {
    if (gOutput == nullptr || instance != gOutput->instance) return 0;
    if (data == nullptr || size <= 0) return 0;
    if (gLastSound == std::numeric_limits<std::int32_t>::max()) return 0;

    const auto* bytes = static_cast<const unsigned char*>(data);
    const auto layout = tarvenko::sound::inspectWave(bytes, static_cast<std::size_t>(size));
    if (layout.verdict != tarvenko::sound::WaveVerdict::Ok) return 0;
    // The budget for all sounds together, checked before decoding like the per-sound one.
    std::uint64_t used = layout.decodedBytes;
    for (const auto& [other, sound] : gOutput->sounds) used += sound.cost;
    if (used > tarvenko::sound::kMaxTotalBytes) return 0;

    std::unique_ptr<Mix_Chunk, ChunkDeleter> chunk;
    if (file != nullptr && playableInPlace(layout, static_cast<std::size_t>(size))) {
        // The data chunk lies inside the file (inspectWave) and starts at an even offset, as
        // every chunk does. The chunk does not own its samples; the Sound frees the file.
        chunk.reset(Mix_QuickLoad_RAW(const_cast<Uint8*>(bytes + layout.dataOffset),
                                      static_cast<Uint32>(layout.dataBytes)));
    } else {
        // The RWops is bounded by size, so SDL cannot read past the caller's buffer whatever
        // the header claims; Mix_LoadWAV_RW converts to the output format into memory of its
        // own, and an adopted file is freed when it returns.
        SDL_RWops* source = SDL_RWFromConstMem(data, size);
        if (source == nullptr) return 0;
        chunk.reset(Mix_LoadWAV_RW(source, 1));
        file.reset();
    }
    if (chunk == nullptr) return 0;
    // Conversion can end on a partial frame, which SDL_mixer drops when playing, or leave no
    // frame at all (a six-channel scrap down-mixed to mono does); a sound with not even one
    // whole frame would make every dsPlay fail, so it is refused here.
    chunk->alen -= chunk->alen % kFrameBytes;
    if (chunk->alen == 0) return 0;

    const int channel = claimChannel(*gOutput);
    if (channel < 0) return 0;
    const std::int32_t handle = gLastSound + 1;
    try {
        gOutput->sounds.emplace(handle,
                                Sound{chunk.get(), channel, layout.decodedBytes, file.get()});
    } catch (...) {
        releaseChannel(*gOutput, channel);
        throw;
    }
    chunk.release();
    file.release();
    Mix_Volume(channel, flag == kMusicFlag ? kMusicVolume : kEffectVolume);
    gLastSound = handle;
    return handle;
}

// Reads exactly n bytes at offset; false on an error or if the file ends first.
bool readAt(int fd, std::uint64_t offset, unsigned char* into, std::size_t n) {
    std::size_t have = 0;
    while (have < n) {
        const ssize_t got = ::pread(fd, into + have, n - have, static_cast<off_t>(offset + have));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        have += static_cast<std::size_t>(got);
    }
    return true;
}

// The sound that plays from its file: checked from its head like any other, and kept only in
// the output's own format, so that the samples go to the mix as they are read.
std::int32_t createStream(std::int32_t instance, std::int32_t fd, std::int32_t flag) {
    if (gOutput == nullptr || instance != gOutput->instance || fd < 0) return 0;
    if (gLastSound == std::numeric_limits<std::int32_t>::max()) return 0;
    {
        std::lock_guard<std::mutex> hold(gStreamLock);
        if (gStream.file >= 0) return 0;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return 0;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    // The usual header fits the first 4 KiB; only a file whose "fmt " or "data" chunk starts
    // further in is looked at again, up to the limit, so that a look costs no megabyte.
    tarvenko::sound::WaveLayout layout;
    for (const std::uint64_t limit :
         {std::uint64_t{4096}, std::uint64_t{tarvenko::sound::kHeadBytes}}) {
        const auto look = static_cast<std::size_t>(std::min(size, limit));
        std::unique_ptr<unsigned char[]> head(new (std::nothrow) unsigned char[look]);
        if (!head || !readAt(fd, 0, head.get(), look)) return 0;
        layout = tarvenko::sound::inspectWaveHeader(head.get(), look, size);
        if (layout.verdict != tarvenko::sound::WaveVerdict::Malformed || look == size) break;
    }
    if (layout.verdict != tarvenko::sound::WaveVerdict::Ok) return 0;
    if (!(SDL_BYTEORDER == SDL_LIL_ENDIAN && layout.formatTag == 1 &&
          layout.channels == kChannels && layout.bitsPerSample == 16 &&
          layout.blockAlign == kFrameBytes &&
          layout.sampleRate == static_cast<std::uint32_t>(kRate)))
        return 0;
    const std::uint64_t frames = layout.dataBytes / kFrameBytes;
    if (frames == 0) return 0;
    const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (own < 0) return 0;
    const std::int32_t handle = gLastSound + 1;
    try {
        gOutput->sounds.emplace(handle, Sound{nullptr, -1, 0, nullptr});
    } catch (...) {
        ::close(own);
        throw;
    }
    {
        std::lock_guard<std::mutex> hold(gStreamLock);
        gStream.file = own;
        gStream.dataOffset = layout.dataOffset;
        gStream.dataBytes = frames * kFrameBytes;
        gStream.volume = flag == kMusicFlag ? kMusicVolume : kEffectVolume;
    }
    gLastSound = handle;
    return handle;
}

std::int32_t playSound(std::int32_t handle, bool looping) {
    const Sound* s = findSound(handle);
    if (s == nullptr) return 0;
    if (s->chunk == nullptr) {
        setStream(true, looping);
        return 1;
    }
    // SDL_mixer wraps a looping chunk inside its mixing loop, so the seam is sample exact.
    return Mix_PlayChannel(s->channel, s->chunk, looping ? -1 : 0) >= 0 ? 1 : 0;
}

void haltSound(const Sound& sound) {
    if (sound.chunk == nullptr)
        setStream(false, false);
    else
        Mix_HaltChannel(sound.channel);
}

std::int32_t freeSound(std::int32_t handle) {
    Sound* sound = findSound(handle);
    if (sound == nullptr) return 0;
    haltSound(*sound);
    release(*sound);
    if (sound->channel >= 0) releaseChannel(*gOutput, sound->channel);
    gOutput->sounds.erase(handle);
    return 1;
}

std::int32_t closeOutput(std::int32_t instance) {
    if (gOutput == nullptr || instance != gOutput->instance) return 0;
    Mix_HaltChannel(-1);
    for (auto& [handle, sound] : gOutput->sounds) release(sound);
    delete gOutput;
    gOutput = nullptr;
    Mix_CloseAudio();
    releaseAudioSubsystem();
    return 1;
}

// The C interface must never let an exception escape (a std::map node allocation can throw).
template <typename F> std::int32_t guarded(F&& body) {
    try {
        std::lock_guard<std::mutex> hold(gLock);
        const AtWork working;
        return body();
    } catch (...) {
        return 0;
    }
}

} // namespace

// The tests' view of the sound that plays from its file, beside SDL_mixer's Mix_Playing for
// the channels. Hidden: the shared library exports only the entry points.
bool tarvenkoStreamPlaying() {
    return gStreamPlaying.load();
}

extern "C" {

TARVENKO_API std::int32_t dsInitialize(std::int32_t /*window*/) {
    return guarded([] { return openOutput(); });
}

TARVENKO_API std::int32_t dsCreateDSB(std::int32_t instance, const void* data, std::int32_t size,
                                      std::int32_t flag) {
    return guarded([&] { return createSound(instance, data, size, flag); });
}

TARVENKO_API void* dsAllocBuffer(std::int32_t size) {
    // Plain malloc, outside the lock: it touches nothing else of the library.
    return size > 0 ? std::malloc(static_cast<std::size_t>(size)) : nullptr;
}

TARVENKO_API void dsFreeBuffer(void* buffer) {
    std::free(buffer);
}

TARVENKO_API std::int32_t dsAdoptDSB(std::int32_t instance, void* data, std::int32_t size,
                                     std::int32_t flag) {
    Buffer file(data);
    return guarded([&] { return createSound(instance, data, size, flag, std::move(file)); });
}

TARVENKO_API std::int32_t dsStreamDSB(std::int32_t instance, std::int32_t file, std::int32_t flag) {
    return guarded([&] { return createStream(instance, file, flag); });
}

TARVENKO_API std::int32_t dsPlay(std::int32_t sound) {
    return guarded([&] { return playSound(sound, false); });
}

TARVENKO_API std::int32_t dsPlayLooping(std::int32_t sound) {
    return guarded([&] { return playSound(sound, true); });
}

TARVENKO_API std::int32_t dsStop(std::int32_t sound) {
    return guarded([&] {
        const Sound* s = findSound(sound);
        if (s == nullptr) return 0;
        haltSound(*s);
        return 1;
    });
}

TARVENKO_API std::int32_t dsFree(std::int32_t sound) {
    return guarded([&] { return freeSound(sound); });
}

TARVENKO_API std::int32_t dsTerminate(std::int32_t instance) {
    return guarded([&] { return closeOutput(instance); });
}

} // extern "C"
