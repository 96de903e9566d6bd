#include "platform/posix/PosixFiles.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvenko {

namespace {

bool endsInSlash(std::string_view name) {
    return !name.empty() && name.back() == '/';
}

} // namespace

Files::Opened PosixFiles::open(std::string_view name) {
    Opened result;
    std::string path;
    try {
        path = folder_.empty() ? std::string(name) : folder_ + '/' + std::string(name);
    } catch (...) {
        result.status = Status::Unreadable;
        return result;
    }
    // A name ending in '/' names a folder, whatever is there.
    if (endsInSlash(path)) {
        result.status = Status::NotAFile;
        return result;
    }
    // O_NONBLOCK: opening a FIFO with no writer, or a device, returns at once instead of
    // waiting; what it is shows on the descriptor just after.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        result.status = errno == ENOENT || errno == ENOTDIR ? Status::Missing : Status::Unreadable;
        return result;
    }
    struct stat info {};
    const bool known = ::fstat(fd, &info) == 0;
    if (!known || !S_ISREG(info.st_mode)) {
        result.status = known ? Status::NotAFile : Status::Unreadable;
        ::close(fd);
        return result;
    }
    result.status = Status::Ok;
    result.file = fd;
    result.size = info.st_size < 0 ? 0 : static_cast<std::uint64_t>(info.st_size);
    return result;
}

bool PosixFiles::read(int file, std::uint64_t offset, unsigned char* into, std::size_t n) {
    return readUpTo(file, offset, into, n) == static_cast<std::int64_t>(n);
}

std::int64_t PosixFiles::readUpTo(int file, std::uint64_t offset, unsigned char* into,
                                  std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(file, into + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break; // the end of the file
        done += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

void PosixFiles::close(int file) {
    ::close(file);
}

namespace {

Files::Written writtenOf(int error) {
    switch (error) {
    case 0:
        return Files::Written::Ok;
    case ENOENT:
    case ENOTDIR:
        return Files::Written::NoFolder;
    case EACCES:
    case EPERM:
    case EROFS:
        return Files::Written::NotAllowed;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return Files::Written::DiskFull;
    case EISDIR:
        return Files::Written::NotAFile;
    default:
        return Files::Written::Failed;
    }
}

// A file-size limit (ulimit -f) would end the program with SIGXFSZ mid-save; ignored, the
// write fails with EFBIG instead and is told like a full disk. Only the default action is
// replaced: a handler someone installed stays.
void ignoreFileSizeSignal() {
    struct sigaction now {};
    if (::sigaction(SIGXFSZ, nullptr, &now) == 0 && now.sa_handler == SIG_DFL &&
        !(now.sa_flags & SA_SIGINFO)) {
        std::signal(SIGXFSZ, SIG_IGN);
    }
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a name stands for once symbolic links are followed: saving through a link
// replaces the file it names and keeps the link. `info` is that file's, if `exists`.
int resolve(std::string& path, struct stat& info, bool& exists) {
    for (int links = 0;; ++links) {
        if (::lstat(path.c_str(), &info) != 0) {
            exists = false;
            return errno == ENOENT ? 0 : errno; // a dangling link makes the file it names
        }
        exists = true;
        if (!S_ISLNK(info.st_mode)) return 0;
        if (links == 40) return ELOOP;
        std::string to(info.st_size > 0 ? static_cast<std::size_t>(info.st_size) + 1 : 4096, '\0');
        const ssize_t n = ::readlink(path.c_str(), to.data(), to.size());
        if (n < 0) return errno;
        if (static_cast<std::size_t>(n) >= to.size()) return ENAMETOOLONG; // changed meanwhile
        to.resize(static_cast<std::size_t>(n));
        path = to.front() == '/' ? to : folderOf(path) + '/' + to;
    }
}

// Eight letters that differ from call to call and from process to process; the name is
// still created exclusively, so a clash only costs another try.
std::string uniqueSuffix() {
    static std::atomic<std::uint64_t> counter{0};
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::uint64_t x = static_cast<std::uint64_t>(now.tv_nsec) ^
                      (static_cast<std::uint64_t>(now.tv_sec) << 30) ^
                      (static_cast<std::uint64_t>(::getpid()) << 40) ^
                      (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
    // splitmix64's finaliser spreads every bit of the inputs over the result
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    std::string s = ".tmp-";
    for (int i = 0; i < 8; ++i, x >>= 5) s += "abcdefghijklmnopqrstuvwxyz234567"[x & 31];
    return s;
}

// Creates the new file beside `path`: its own name and a unique suffix, the name cut (at a
// whole UTF-8 character) where the folder's name limit needs it.
int createBeside(const std::string& path, mode_t mode, std::string& temp) {
    const std::string folder = folderOf(path);
    const std::size_t slash = path.rfind('/');
    const std::string_view base = slash == std::string::npos
                                      ? std::string_view(path)
                                      : std::string_view(path).substr(slash + 1);
    const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    const std::size_t nameMax = limit > 0 ? static_cast<std::size_t>(limit) : 255;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string suffix = uniqueSuffix();
        std::size_t keep = base.size();
        if (keep + suffix.size() > nameMax) {
            keep = nameMax > suffix.size() ? nameMax - suffix.size() : 0;
            while (keep > 0 && (static_cast<unsigned char>(base[keep]) & 0xC0) == 0x80) --keep;
        }
        temp = path.substr(0, path.size() - base.size());
        temp.append(base.substr(0, keep));
        temp += suffix;
        const int fd =
            ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

Files::Written PosixFiles::replace(std::string_view name, std::string_view bytes) {
    ignoreFileSizeSignal();
    std::string path, temp;
    struct stat old {};
    bool exists = false;
    try {
        path = folder_.empty() ? std::string(name) : folder_ + '/' + std::string(name);
        if (path.empty()) return Written::NoFolder;
        if (endsInSlash(path)) return Written::NotAFile;
        if (const int error = resolve(path, old, exists)) return writtenOf(error);
    } catch (...) {
        return Written::Failed;
    }
    if (exists) {
        if (!S_ISREG(old.st_mode)) return Written::NotAFile;
        // A read-only file says "keep me" even to a user (root) whom the system would let
        // write it; and one the user may not write is not replaced behind its back.
        if ((old.st_mode & 0222) == 0) return Written::NotAllowed;
        if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return writtenOf(errno);
    }
    int fd = -1;
    try {
        // A new record gets the usual mode (the umask applies); a replaced one gets its own.
        fd = createBeside(path, exists ? 0600 : 0666, temp);
    } catch (...) {
        return Written::Failed;
    }
    if (fd < 0) return writtenOf(errno == EEXIST ? EIO : errno);
    int error = 0;
    if (exists) {
        // The owner first: changing it clears set-id bits that the mode then puts back.
        if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
            ::fchown(fd, old.st_uid, old.st_gid) != 0) {
            [[maybe_unused]] const int ignored = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
        }
        if (::fchmod(fd, old.st_mode & 07777) != 0) error = errno;
    }
    std::size_t done = 0;
    while (done < bytes.size() && error == 0) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = errno;
        if (n == 0) error = EIO; // no progress and no reason: trying again would never end
        if (n > 0) done += static_cast<std::size_t>(n);
    }
    // On the disk before it takes the old file's name.
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && std::rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        return writtenOf(error);
    }
    // The rename itself on the disk, so that a power cut just after a save keeps it.
    const int folder = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        if (::fsync(folder) != 0 && errno == EIO) error = EIO;
        ::close(folder);
    }
    return writtenOf(error);
}

} // namespace tarvenko
