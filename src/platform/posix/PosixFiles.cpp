#include "platform/posix/PosixFiles.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvenko {

Files::Opened PosixFiles::open(std::string_view name) {
    Opened result;
    std::string path;
    try {
        path = folder_.empty() ? std::string(name) : folder_ + '/' + std::string(name);
    } catch (...) {
        result.status = Status::Unreadable;
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
    while (n > 0) {
        const ssize_t got = ::pread(file, into, n, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        into += got;
        offset += static_cast<std::uint64_t>(got);
        n -= static_cast<std::size_t>(got);
    }
    return true;
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
    default:
        return Files::Written::Failed;
    }
}

} // namespace

Files::Written PosixFiles::replace(std::string_view name, std::string_view bytes) {
    std::string path, temp;
    try {
        path = folder_.empty() ? std::string(name) : folder_ + '/' + std::string(name);
        temp = path + ".tmp-" + std::to_string(::getpid());
    } catch (...) {
        return Written::Failed;
    }
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) return writtenOf(errno == EEXIST ? EIO : errno);
    int error = 0;
    std::size_t done = 0;
    while (done < bytes.size() && error == 0) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno != EINTR) error = errno;
        if (n > 0) done += static_cast<std::size_t>(n);
    }
    // On the disk before it takes the old file's name.
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && std::rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) ::unlink(temp.c_str());
    return writtenOf(error);
}

} // namespace tarvenko
