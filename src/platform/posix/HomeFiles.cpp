#include "platform/posix/HomeFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvenko::homefiles {

namespace {

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string cannotRead(int error) {
    return std::string("cannot be read (") + std::strerror(error) + ")";
}

} // namespace

Read read(const std::string& path, std::string& bytes, std::string& problem) {
    bytes.clear();
    problem.clear();
    // O_NONBLOCK: a FIFO with no writer opens at once instead of waiting for one.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return Read::Missing;
        problem = cannotRead(errno);
        return Read::Unreadable;
    }
    struct stat info {};
    Read result = Read::Ok;
    if (::fstat(fd, &info) != 0) {
        problem = cannotRead(errno);
        result = Read::Unreadable;
    } else if (!S_ISREG(info.st_mode)) {
        problem = "is not a regular file";
        result = Read::NotAFile;
    } else if (info.st_size > static_cast<off_t>(kMostBytes)) {
        result = Read::TooLarge;
    } else {
        // Read to the end, one byte past the limit: a size of 0 may say nothing (/proc).
        bytes.resize(kMostBytes + 1);
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                problem = cannotRead(errno);
                result = Read::Unreadable;
                break;
            }
            if (n == 0) break;
            got += static_cast<std::size_t>(n);
        }
        if (result == Read::Ok && got > kMostBytes) result = Read::TooLarge;
        bytes.resize(result == Read::Ok ? got : 0);
    }
    if (result == Read::TooLarge) problem = "is larger than 64 KiB";
    ::close(fd);
    return result;
}

bool binary(const std::string& bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = s[i];
        if (c == 0) return true;
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more = 0;
        unsigned int low = 0x80; // the least a sequence of this length may encode
        unsigned int cp = 0;
        if ((c & 0xE0) == 0xC0) {
            more = 1, cp = c & 0x1F, low = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2, cp = c & 0x0F, low = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            more = 3, cp = c & 0x07, low = 0x10000;
        } else {
            return true;
        }
        for (std::size_t k = 1; k <= static_cast<std::size_t>(more); ++k) {
            if (i + k >= n || (s[i + k] & 0xC0) != 0x80) return true;
            cp = (cp << 6) | (s[i + k] & 0x3Fu);
        }
        if (cp < low || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return true;
        i += static_cast<std::size_t>(more) + 1;
    }
    return false;
}

std::string identity(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return {};
    char text[160];
    std::snprintf(
        text, sizeof text, "%llx:%llx:%llx:%lld.%09ld:%o",
        static_cast<unsigned long long>(info.st_dev), static_cast<unsigned long long>(info.st_ino),
        static_cast<unsigned long long>(info.st_size), static_cast<long long>(info.st_mtim.tv_sec),
        info.st_mtim.tv_nsec, static_cast<unsigned>(info.st_mode));
    return text;
}

bool moveAside(const std::string& path, std::string& aside) {
    aside = path + ".broken";
    return std::rename(path.c_str(), aside.c_str()) == 0;
}

Lock::Lock(const std::string& path, bool wait) : name_(path + ".lock") {
    // A holder keeps the lock for the few milliseconds of one write; one that keeps it far
    // longer (stopped in a debugger) is not waited for.
    constexpr int kTries = 2000;
    constexpr long kPauseNs = 5'000'000;
    for (int tries = 0; tries < kTries; ++tries) {
        const int fd = ::open(
            name_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
        if (fd < 0) return;
        struct stat mine {};
        if (::fstat(fd, &mine) != 0 || !S_ISREG(mine.st_mode)) {
            ::close(fd);
            return;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            if (errno != EWOULDBLOCK || !wait) return;
            timespec pause{0, kPauseNs};
            ::nanosleep(&pause, nullptr);
            continue;
        }
        // The holder before removes the file as it lets go: a lock on a name that no longer
        // leads to this file is no lock at all, and the next try takes the new one.
        struct stat now {};
        if (::lstat(name_.c_str(), &now) == 0 && now.st_dev == mine.st_dev &&
            now.st_ino == mine.st_ino) {
            fd_ = fd;
            return;
        }
        ::close(fd);
    }
}

Lock::~Lock() {
    if (fd_ < 0) return;
    ::unlink(name_.c_str());
    ::close(fd_);
}

namespace {

// NAME.tmp-xxxxxxxx: NAME, when `entry` is a temporary file's name; empty otherwise.
std::string_view stemOfTemporary(std::string_view entry) {
    constexpr std::string_view tag = ".tmp-";
    constexpr std::size_t letters = 8;
    if (entry.size() <= tag.size() + letters) return {};
    const std::size_t at = entry.size() - tag.size() - letters;
    if (entry.substr(at, tag.size()) != tag) return {};
    for (char c : entry.substr(at + tag.size())) {
        if (!((c >= 'a' && c <= 'z') || (c >= '2' && c <= '7'))) return {};
    }
    return entry.substr(0, at);
}

} // namespace

void clearLeftovers(const std::string& path, bool (*written)(std::string_view name)) {
    const Lock lock(path, false);
    if (!lock.held()) return; // being written now, or a folder nothing can be removed from
    const std::string folder = folderOf(path);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        const std::string_view stem = stemOfTemporary(name);
        if (stem.empty() || !written(stem)) continue;
        const std::string full = folder + '/' + std::string(name);
        struct stat info {};
        if (::lstat(full.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ::unlink(full.c_str());
    }
    ::closedir(dir);
}

} // namespace tarvenko::homefiles
