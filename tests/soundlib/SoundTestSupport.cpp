#include "SoundTestSupport.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <spawn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

extern char** environ;

namespace soundtest {

std::filesystem::path soundPath(const std::string& name) {
    return std::filesystem::path(TARVENKO_SOUND_DIR) / name;
}

int openWritten(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path.string());
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes readSound(const std::string& name) {
    return readFile(soundPath(name));
}

TempDir::TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "soundlib-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string soxPath() {
    return TARVENKO_SOX;
}

bool runSox(const std::vector<std::string>& args) {
    const std::string sox = soxPath();
    if (sox.empty()) return false;
    std::vector<std::string> all{sox, "-V1"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, sox.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::uint32_t get32(const Bytes& b, std::size_t at) {
    return std::uint32_t{b.at(at)} | std::uint32_t{b.at(at + 1)} << 8 |
           std::uint32_t{b.at(at + 2)} << 16 | std::uint32_t{b.at(at + 3)} << 24;
}

std::uint16_t get16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b.at(at) | b.at(at + 1) << 8);
}

void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<unsigned char>(v >> (8 * i));
}

void put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b.at(at) = static_cast<unsigned char>(v);
    b.at(at + 1) = static_cast<unsigned char>(v >> 8);
}

std::vector<ChunkPos> listChunks(const Bytes& wav) {
    std::vector<ChunkPos> chunks;
    std::size_t at = 12;
    while (at + 8 <= wav.size()) {
        const std::uint32_t length = get32(wav, at + 4);
        chunks.push_back({std::string(wav.begin() + at, wav.begin() + at + 4), at, length});
        at += 8 + std::size_t{length} + (length & 1);
    }
    return chunks;
}

const ChunkPos* findChunk(const std::vector<ChunkPos>& chunks, const char* id) {
    for (const ChunkPos& c : chunks)
        if (c.id == id) return &c;
    return nullptr;
}

namespace {

void appendTag(Bytes& b, const std::string& tag) {
    b.insert(b.end(), tag.begin(), tag.begin() + 4);
}

void append32(Bytes& b, std::uint32_t v) {
    b.resize(b.size() + 4);
    put32(b, b.size() - 4, v);
}

void append16(Bytes& b, std::uint16_t v) {
    b.resize(b.size() + 2);
    put16(b, b.size() - 2, v);
}

Bytes makePcm(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, const Bytes& data,
              const std::vector<std::pair<std::string, Bytes>>& extraChunks) {
    const std::uint16_t blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    Bytes b;
    appendTag(b, "RIFF");
    append32(b, 0); // patched below
    appendTag(b, "WAVE");
    appendTag(b, "fmt ");
    append32(b, 16);
    append16(b, 1);
    append16(b, channels);
    append32(b, rate);
    append32(b, rate * blockAlign);
    append16(b, blockAlign);
    append16(b, bits);
    for (const auto& [id, body] : extraChunks) {
        appendTag(b, id);
        append32(b, static_cast<std::uint32_t>(body.size()));
        b.insert(b.end(), body.begin(), body.end());
        if (body.size() & 1) b.push_back(0);
    }
    appendTag(b, "data");
    append32(b, static_cast<std::uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    if (data.size() & 1) b.push_back(0);
    put32(b, 4, static_cast<std::uint32_t>(b.size() - 8));
    return b;
}

} // namespace

Bytes makePcm16(std::uint16_t channels, std::uint32_t rate,
                const std::vector<std::int16_t>& samples,
                const std::vector<std::pair<std::string, Bytes>>& extraChunks) {
    Bytes data(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        put16(data, 2 * i, static_cast<std::uint16_t>(samples[i]));
    return makePcm(channels, rate, 16, data, extraChunks);
}

Bytes makePcm8(std::uint16_t channels, std::uint32_t rate,
               const std::vector<std::uint8_t>& samples) {
    return makePcm(channels, rate, 8, Bytes(samples.begin(), samples.end()), {});
}

std::vector<std::int16_t> pcm16Samples(const Bytes& wav) {
    const auto chunks = listChunks(wav);
    const ChunkPos* data = findChunk(chunks, "data");
    if (data == nullptr) throw std::runtime_error("no data chunk");
    std::vector<std::int16_t> samples(data->length / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(get16(wav, data->at + 8 + 2 * i));
    return samples;
}

GuardedRegion::GuardedRegion(std::size_t capacity) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t usable = (capacity + page - 1) / page * page;
    mapped_ = usable + page;
    void* p = mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::runtime_error("mmap failed");
    base_ = static_cast<unsigned char*>(p);
    if (mprotect(base_ + usable, page, PROT_NONE) != 0) throw std::runtime_error("mprotect failed");
    capacity_ = usable;
}

GuardedRegion::~GuardedRegion() {
    munmap(base_, mapped_);
}

const unsigned char* GuardedRegion::placeAtEnd(const unsigned char* data, std::size_t count) {
    if (count > capacity_) throw std::length_error("guarded region too small");
    unsigned char* at = base_ + capacity_ - count;
    if (count > 0) std::memcpy(at, data, count);
    return at;
}

} // namespace soundtest
