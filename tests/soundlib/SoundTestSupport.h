// Shared helpers for the sound library's tests: files, WAV building, guarded memory, sox.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace soundtest {

using Bytes = std::vector<unsigned char>;

// The five sounds, as the build writes them into the top build folder.
inline const char* const kClick = "駒打音.wav";
inline const char* const kForbidden = "禁止.wav";
inline const char* const kChime = "その他.wav";
inline const char* const kFanfare = "終局.wav";
inline const char* const kMusic = "BGM.wav";
inline const char* const kAllSounds[] = {kChime, kForbidden, kClick, kFanfare, kMusic};

std::filesystem::path soundPath(const std::string& name);
Bytes readFile(const std::filesystem::path& path);
Bytes readSound(const std::string& name);
// Writes bytes to a new file at path and opens it for reading: its descriptor, or −1.
int openWritten(const std::filesystem::path& path, const Bytes& bytes);

// A fresh folder under the system temp folder, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Full path of sox found when the build was configured, or empty.
std::string soxPath();
// Runs sox with the given arguments (no shell). True when it exits with status 0.
bool runSox(const std::vector<std::string>& args);

// Little-endian field access on a byte buffer.
std::uint32_t get32(const Bytes& b, std::size_t at);
std::uint16_t get16(const Bytes& b, std::size_t at);
void put32(Bytes& b, std::size_t at, std::uint32_t v);
void put16(Bytes& b, std::size_t at, std::uint16_t v);

// Where a chunk sits in a RIFF file: offset of its 8-byte header, and its declared length.
struct ChunkPos {
    std::string id;
    std::size_t at;
    std::uint32_t length;
};
std::vector<ChunkPos> listChunks(const Bytes& wav);
const ChunkPos* findChunk(const std::vector<ChunkPos>& chunks, const char* id);

// A 16-bit PCM WAV with the given interleaved samples. Extra chunks go between fmt and data.
Bytes makePcm16(std::uint16_t channels, std::uint32_t rate,
                const std::vector<std::int16_t>& samples,
                const std::vector<std::pair<std::string, Bytes>>& extraChunks = {});
// An 8-bit unsigned PCM WAV.
Bytes makePcm8(std::uint16_t channels, std::uint32_t rate,
               const std::vector<std::uint8_t>& samples);

// Interleaved 16-bit samples of a 16-bit PCM WAV (mono or stereo), read from its data chunk.
std::vector<std::int16_t> pcm16Samples(const Bytes& wav);

// Memory followed by an inaccessible page: data placed at its very end faults on any read past
// it, with or without AddressSanitizer.
class GuardedRegion {
  public:
    explicit GuardedRegion(std::size_t capacity);
    ~GuardedRegion();
    GuardedRegion(const GuardedRegion&) = delete;
    GuardedRegion& operator=(const GuardedRegion&) = delete;
    // Copies the first `count` bytes of `data` so that they end exactly at the guard page.
    const unsigned char* placeAtEnd(const unsigned char* data, std::size_t count);
    const unsigned char* placeAtEnd(const Bytes& data) {
        return placeAtEnd(data.data(), data.size());
    }
    std::size_t capacity() const { return capacity_; }

  private:
    unsigned char* base_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t mapped_ = 0;
};

} // namespace soundtest
