#include "Recording.h"

#include <algorithm>
#include <sys/stat.h>
#include <cmath>
#include <cstring>

namespace tarvenko {

void RecordingWindow::record(Op op) {
    op.at = clock;
    if (onOp) onOp(op);
    if (logDrawing) ops.push_back(std::move(op));
}

void RecordingWindow::setBackground(int colour) {
    if (!logDrawing && !onOp) return;
    record(Op{OpKind::Background, Picture::KARA_MASU, 0, 0, 0, 0, colour, {}, 0, false, 0});
}

void RecordingWindow::drawPicture(Picture picture, float x, float y) {
    if (!logDrawing && !onOp) return;
    record(Op{OpKind::Picture, picture, x, y, x, y, 0, {}, 0, false, 0});
}

void RecordingWindow::drawBox(float x1, float y1, float x2, float y2, int colour) {
    if (!logDrawing && !onOp) return;
    record(Op{OpKind::Box, Picture::KARA_MASU, x1, y1, x2, y2, colour, {}, 0, false, 0});
}

void RecordingWindow::fillBox(float x1, float y1, float x2, float y2, int colour) {
    if (!logDrawing && !onOp) return;
    record(Op{OpKind::Fill, Picture::KARA_MASU, x1, y1, x2, y2, colour, {}, 0, false, 0});
}

void RecordingWindow::drawText(float x, float y, std::string_view text, float points, bool bold,
                               int colour) {
    if (!logDrawing && !onOp) return;
    record(Op{OpKind::Text, Picture::KARA_MASU, x, y, x, y, colour, std::string(text), points, bold,
              0});
}

void RecordingWindow::refresh() {
    if (!logDrawing && !onOp) return;
    record(Op{OpKind::Refresh, Picture::KARA_MASU, 0, 0, 0, 0, 0, {}, 0, false, 0});
}

void RecordingWindow::messageBox(std::string_view text, std::string_view title, MessageIcon icon) {
    messages.push_back(Message{std::string(text), std::string(title), icon});
    if (onMessage) onMessage(messages.back());
}

int RecordingWindow::choiceBox(std::string_view text, std::string_view title,
                               const std::string_view* buttons, int count) {
    Choice c{std::string(text), std::string(title), {}, nextChoice};
    for (int i = 0; i < count; ++i) c.buttons.emplace_back(buttons[i]);
    nextChoice = -1;
    choices.push_back(c);
    if (onChoice) onChoice(choices.back());
    return c.chosen;
}

int RecordingWindow::choosePuzzle(const PuzzleList& list) {
    Chooser c;
    c.entries.assign(list.entries, list.entries + list.count);
    c.title = list.title;
    for (int n = 0; n < 8; ++n) c.groups[n] = list.groups[n];
    c.none = list.none;
    choosers.push_back(c);
    if (onChooser) onChooser(choosers.back());
    const int chosen = nextPuzzle;
    nextPuzzle = -1;
    return chosen;
}

void RecordingWindow::sleep(double s) {
    if (s > 0) {
        // Time always moves on, even by less than the clock's resolution.
        const double before = clock;
        clock += s;
        if (clock <= before) clock = std::nextafter(before, 1e300);
    }
}

void RecordingWindow::place(float left, float top, float width, float height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

std::int32_t RecordingSound::dsInitialize(std::int32_t window) {
    add("initialize", window);
    return failInitialize ? 0 : instance;
}

std::int32_t RecordingSound::dsCreateDSB(std::int32_t inst, const void* data, std::int32_t size,
                                         std::int32_t flag) {
    if (inst != instance || data == nullptr || size <= 0) return add("create", 0);
    createdSizes.push_back(size);
    createdFlags.push_back(flag);
    return add("create", nextHandle++);
}

std::int32_t RecordingSound::dsStreamDSB(std::int32_t inst, int file, std::int32_t flag) {
    struct stat st {};
    if (!streams || inst != instance || ::fstat(file, &st) != 0) return add("stream", 0);
    streamedFlags.push_back(flag);
    return add("stream", nextHandle++);
}

std::int32_t RecordingSound::add(const char* op, std::int32_t handle) {
    calls.push_back(Call{op, handle});
    if (onCall) onCall(calls.back());
    return handle;
}

std::string MemoryFiles::waveHeader(std::uint16_t formatTag, std::uint16_t channels,
                                    std::uint32_t rate, std::uint16_t blockAlign,
                                    std::uint16_t bits, std::uint32_t dataBytes) {
    std::string h;
    auto put = [&h](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) h.push_back(static_cast<char>(v >> (8 * i)));
    };
    h += "RIFF";
    put(36 + dataBytes + (dataBytes & 1), 4);
    h += "WAVEfmt ";
    put(16, 4);
    put(formatTag, 2);
    put(channels, 2);
    put(rate, 4);
    put(rate * blockAlign, 4);
    put(blockAlign, 2);
    put(bits, 2);
    h += "data";
    put(dataBytes, 4);
    return h;
}

std::string MemoryFiles::wave(std::uint32_t frames) {
    return waveHeader(1, 1, 44100, 2, 16, frames * 2) + std::string(frames * 2, '\0');
}

void MemoryFiles::put(const std::string& name, std::string bytes, std::uint64_t size) {
    Entry& e = entries[name];
    e.size = std::max<std::uint64_t>(size, bytes.size());
    e.bytes = std::move(bytes);
    e.status = Status::Ok;
}

void MemoryFiles::putTheFive() {
    for (const char* name : {"その他.wav", "禁止.wav", "駒打音.wav", "終局.wav", "BGM.wav"})
        put(name, wave());
}

Files::Opened MemoryFiles::open(std::string_view name) {
    const auto it = entries.find(name);
    if (it == entries.end()) return {};
    if (it->second.status != Status::Ok) return {it->second.status, -1, 0};
    opened_.push_back(&it->second);
    ++openFiles;
    return {Status::Ok, static_cast<int>(opened_.size() - 1), it->second.size};
}

bool MemoryFiles::read(int file, std::uint64_t offset, unsigned char* into, std::size_t n) {
    const Entry& e = *opened_.at(static_cast<std::size_t>(file));
    if (offset > e.size || n > e.size - offset) return false;
    const std::uint64_t held = e.bytes.size();
    const std::size_t copied =
        offset >= held ? 0 : static_cast<std::size_t>(std::min<std::uint64_t>(n, held - offset));
    if (copied > 0) std::memcpy(into, e.bytes.data() + offset, copied);
    std::memset(into + copied, 0, n - copied);
    bytesRead += n;
    return true;
}

void MemoryFiles::close(int) {
    --openFiles;
}

Files::Written MemoryFiles::replace(std::string_view name, std::string_view bytes) {
    if (writeResult == Written::Ok) put(std::string(name), std::string(bytes));
    return writeResult;
}

} // namespace tarvenko
