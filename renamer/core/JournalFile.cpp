#include "renamer/core/JournalFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "helpers/core/FileIo.h"

namespace morv::renamer {

namespace {

int LockOrClose(int& fd) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
    const int error = errno;
    ::close(fd);
    fd = -1;
    return error;
}

}  // namespace

int JournalFile::Create(const std::string& path) {
    Close();
    fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
    if (fd_ < 0) return errno;
    return LockOrClose(fd_);
}

int JournalFile::OpenLocked(const std::string& path) {
    Close();
    fd_ = open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
    if (fd_ < 0) return errno;
    return LockOrClose(fd_);
}

int JournalFile::Append(std::string_view bytes) {
    return fd_ < 0 ? EBADF : WriteAll(fd_, bytes);
}

int JournalFile::Sync() {
    if (fd_ < 0) return EBADF;
    return fdatasync(fd_) == 0 ? 0 : errno;
}

void JournalFile::SyncSoon() {
    if (fd_ < 0) return;
    {
        std::lock_guard lock(mutex_);
        wanted_ = true;
    }
    if (!syncer_.joinable()) syncer_ = std::thread(&JournalFile::Syncer, this);
    wake_.notify_one();
}

void JournalFile::Syncer() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return wanted_ || closing_; });
        if (closing_) return;
        wanted_ = false;
        lock.unlock();
        fdatasync(fd_);
        lock.lock();
    }
}

void JournalFile::Close() {
    if (syncer_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
        }
        wake_.notify_one();
        syncer_.join();
        closing_ = wanted_ = false;
    }
    if (fd_ >= 0) ::close(fd_);  // also lets go of the lock
    fd_ = -1;
}

int SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int error = fsync(fd) == 0 ? 0 : errno;
    close(fd);
    return error;
}

bool IsLockedByAnother(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    const bool locked = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);  // a lock taken here goes with it
    return locked;
}

}  // namespace morv::renamer
