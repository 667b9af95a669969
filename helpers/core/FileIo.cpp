#include "helpers/core/FileIo.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <istream>
#include <random>

#include "helpers/core/PathHelpers.h"
#include "helpers/core/SystemFolder.h"

namespace morv {

namespace {

constexpr size_t kChunk = size_t(64) << 10;
constexpr int kMaxLinks = 40;  // as the system follows them

// A size in the largest unit it fills, rounded down: "more than" it stays true.
std::string SizeText(size_t bytes) {
    if (bytes >= (size_t(1) << 30) && bytes % (size_t(1) << 30) == 0)
        return std::to_string(bytes >> 30) + " GiB";
    if (bytes >= (size_t(1) << 20)) return std::to_string(bytes >> 20) + " MiB";
    if (bytes >= 1024) return std::to_string(bytes >> 10) + " KiB";
    return std::to_string(bytes) + " bytes";
}

std::string TooLarge(size_t limit) {
    return "File too large: more than " + SizeText(limit);
}

std::string NotRegular(mode_t mode) {
    if (S_ISFIFO(mode)) return "Is a named pipe, not a file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "Is a device, not a file";
    if (S_ISSOCK(mode)) return "Is a socket, not a file";
    return FileErrorText(kNotRegularFile);
}

// The reason a write to a pipe failed at once, where the system's text would puzzle.
std::string PipeReason(int number) {
    if (number == ENXIO) return "No program reads the named pipe";
    if (number == EAGAIN) return "The named pipe is full";
    return {};
}

// One byte past the limit: a read that gets it has found more than the limit allows.
size_t PastLimit(size_t limit) {
    return limit < SIZE_MAX ? limit + 1 : limit;
}

// The errno a stream's buffer kept, or 0.
int KeptError(const std::ios& stream) {
    const auto* buffer = dynamic_cast<const FdStreamBuf*>(stream.rdbuf());
    return buffer != nullptr ? buffer->error() : 0;
}

// Waits until a pipe or device has data or its writer is gone. 0, EINTR or an errno value.
int WaitReadable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, -1) < 0 ? errno : 0;
}

// The store behind a read: a FileBuffer, or a string.
struct StringStore {
    std::string& bytes;
    char* Reserve(size_t capacity) {
        bytes.resize(capacity);
        return bytes.data();
    }
    size_t capacity() const { return bytes.size(); }
    void SetSize(size_t) {}
};

struct BufferStore {
    FileBuffer& buffer;
    char* Reserve(size_t capacity) { return buffer.Reserve(capacity); }
    size_t capacity() const { return buffer.capacity(); }
    void SetSize(size_t size) { buffer.SetSize(size); }
};

// Reads the open fd to its end into store; returns the number of bytes through used.
template <typename Store>
Status ReadOpen(int fd, const std::string& path, const struct stat& st, Store store,
                const ReadOptions& options, size_t& used) {
    used = 0;
    const bool regular = S_ISREG(st.st_mode);
    if (regular && size_t(st.st_size) > options.limit)
        return FileError(EFBIG, "Unable to read", path, TooLarge(options.limit));
    // A regular file: its size and one byte more, which shows the end (or that it grew); a
    // stream grows its room as data comes.
    const size_t first = regular ? size_t(st.st_size) + 1 : kChunk;
    char* data = store.Reserve(std::min(std::max<size_t>(first, 1), PastLimit(options.limit)));
    while (true) {
        if (used == store.capacity()) {
            const size_t next = std::max(store.capacity() * 2, kChunk);
            data = store.Reserve(std::min(next, PastLimit(options.limit)));
        }
        if (!regular) {
            const int waited = WaitReadable(fd);
            if (waited == EINTR) {
                if (options.stop && options.stop()) return UserInterrupt();
                continue;
            }
            if (waited != 0) return FileError(waited, "Unable to read", path);
        }
        const ssize_t got = ::read(fd, data + used, store.capacity() - used);
        if (got < 0) {
            if (errno == EINTR || (errno == EAGAIN && !regular)) continue;
            return FileError(errno, "Unable to read", path);
        }
        if (got == 0) break;
        used += size_t(got);
        store.SetSize(used);
        if (used > options.limit)
            return FileError(EFBIG, "Unable to read", path, TooLarge(options.limit));
    }
    return Ok();
}

// Opens path for reading without waiting, and says what is there.
Status OpenForReading(const std::string& path, const ReadOptions& options, UniqueFd& fd,
                      struct stat& st) {
    fd.reset(OpenPath(path, O_RDONLY | O_NONBLOCK | O_NOCTTY));
    if (!fd) return FileError(errno, "Unable to read", path);
    if (::fstat(fd.get(), &st) != 0) return FileError(errno, "Unable to read", path);
    if (S_ISDIR(st.st_mode)) return FileError(EISDIR, "Unable to read", path);
    const bool stream = S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode);
    if (!S_ISREG(st.st_mode) && !(stream && options.streams))
        return FileError(kNotRegularFile, "Unable to read", path, NotRegular(st.st_mode));
    return Ok();
}

// The path with its symbolic links followed to the file they lead to, which need not exist.
int ResolveLinks(std::string& path) {
    for (int hops = 0; hops <= kMaxLinks; ++hops) {
        struct stat st {};
        if (StatPath(path, st, false) != 0 || !S_ISLNK(st.st_mode)) return 0;
        PathAt at;
        if (const int error = LocatePath(path, at)) return error;
        std::string target(size_t(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
        const ssize_t length =
            ::readlinkat(at.dir(), at.name.c_str(), target.data(), target.size());
        if (length < 0) return errno;
        target.resize(size_t(length));
        if (target.empty() || target.front() == kPathSeparator) {
            path = target;
        } else {
            const std::string folder = GetFolderName(path, true);
            path = folder + target;
        }
    }
    return ELOOP;
}

// A new file's name: "." + the name (its first kKeptNameBytes bytes) + "." + kRandomLetters
// letters or digits.
constexpr std::string_view kLetters =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr size_t kKeptNameBytes = 200, kRandomLetters = 8;

std::string TemporaryName(const std::string& name) {
    thread_local std::mt19937 random{std::random_device{}()};
    std::string temp(1, '.');
    temp.append(name, 0, kKeptNameBytes);
    temp += '.';
    for (size_t i = 0; i < kRandomLetters; ++i)
        temp += kLetters[random() % kLetters.size()];
    return temp;
}

}  // namespace

bool IsNewFileNameFor(std::string_view candidate, std::string_view name) {
    const std::string_view kept = name.substr(0, kKeptNameBytes);
    return candidate.size() == kept.size() + 2 + kRandomLetters && candidate[0] == '.' &&
           candidate.substr(1, kept.size()) == kept && candidate[kept.size() + 1] == '.' &&
           candidate.find_first_not_of(kLetters, kept.size() + 2) == std::string_view::npos;
}

Error FileError(int number, std::string_view action, const std::string& path, std::string reason) {
    if (reason.empty()) reason = FileErrorText(number);
    std::string description(action);
    description += " \"" + path + "\" (" + reason + ")";
    return Error{number, "mFileIo", std::move(description), path};
}

std::string FileErrorText(int number) {
    if (number == kNotRegularFile) return "Not a regular file";
    return GetAPIErrorText(number);
}

Error OutputError(int number) {
    return Error{number, "mFileIo",
                 "Unable to write standard output (" + FileErrorText(number) + ")"};
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
}

void UniqueFd::reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

int UniqueFd::Close() {
    const int fd = release();
    return fd < 0 || ::close(fd) == 0 ? 0 : errno;
}

int PathAt::dir() const {
    return folder ? folder.get() : AT_FDCWD;
}

int LocatePath(const std::string& path, PathAt& at) {
    at.folder.reset();
    at.name = path;
    if (path.size() < PATH_MAX) return 0;
    size_t pos = 0;
    while (path.size() - pos >= PATH_MAX) {
        // The longest stretch of whole folders that fits in one call.
        const size_t slash = path.rfind(kPathSeparator, pos + PATH_MAX - 1);
        if (slash == std::string::npos || slash <= pos) return ENAMETOOLONG;
        const std::string stretch = path.substr(pos, slash - pos);
        const int fd = ::openat(at.dir(), stretch.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return errno;
        at.folder.reset(fd);
        pos = slash + 1;
        while (pos < path.size() && path[pos] == kPathSeparator)
            ++pos;
    }
    at.name = pos < path.size() ? path.substr(pos) : ".";
    return 0;
}

int OpenPath(const std::string& path, int flags, mode_t mode) {
    PathAt at;
    if (const int error = LocatePath(path, at)) {
        errno = error;
        return -1;
    }
    return ::openat(at.dir(), at.name.c_str(), flags | O_CLOEXEC, mode);
}

int StatPath(const std::string& path, struct stat& st, bool followLinks) {
    PathAt at;
    if (const int error = LocatePath(path, at)) return error;
    const int flags = followLinks ? 0 : AT_SYMLINK_NOFOLLOW;
    return ::fstatat(at.dir(), at.name.c_str(), &st, flags) == 0 ? 0 : errno;
}

char* FileBuffer::Reserve(size_t capacity) {
    if (capacity > capacity_) {
        std::unique_ptr<char[]> bigger(new char[capacity]);
        if (size_ > 0) std::memcpy(bigger.get(), data_.get(), size_);
        data_ = std::move(bigger);
        capacity_ = capacity;
    }
    return data_.get();
}

Status ReadFile(const std::string& path, FileBuffer& buffer, const ReadOptions& options,
                struct stat* opened, UniqueFd* keepOpen) {
    buffer.SetSize(0);
    UniqueFd fd;
    struct stat st {};
    Status open = OpenForReading(path, options, fd, st);
    if (!open) return open;
    if (opened != nullptr) *opened = st;
    size_t used = 0;
    Status read = ReadOpen(fd.get(), path, st, BufferStore{buffer}, options, used);
    if (!read) buffer.SetSize(0);
    if (read && keepOpen != nullptr) *keepOpen = std::move(fd);
    return read;
}

Result<std::string> ReadFile(const std::string& path, const ReadOptions& options) {
    UniqueFd fd;
    struct stat st {};
    Status opened = OpenForReading(path, options, fd, st);
    if (!opened) return opened.error();
    std::string bytes;
    size_t used = 0;
    Status read = ReadOpen(fd.get(), path, st, StringStore{bytes}, options, used);
    if (!read) return read.error();
    bytes.resize(used);
    return bytes;
}

Result<std::string> ReadFileOrInput(const std::string& file, std::istream& in,
                                    const ReadOptions& options) {
    if (!file.empty() && file != "-") {
        ReadOptions streams = options;
        streams.streams = true;
        return ReadFile(file, streams);
    }
    auto failure = [](int number, std::string reason) {
        return Error{number, "mFileIo", "Unable to read standard input (" + reason + ")", ""};
    };
    std::string bytes;
    while (true) {
        const size_t old = bytes.size();
        const size_t room = std::min(std::max(old, kChunk), PastLimit(options.limit) - old);
        bytes.resize(old + room);
        in.read(bytes.data() + old, std::streamsize(room));
        bytes.resize(old + size_t(in.gcount()));
        if (bytes.size() > options.limit) return failure(EFBIG, TooLarge(options.limit));
        if (in.bad() || KeptError(in) != 0) {
            const int number = StreamErrno(in);
            return failure(number, FileErrorText(number));
        }
        if (!in) break;
    }
    return bytes;
}

FileWriter::~FileWriter() {
    fd_.reset();
    if (!temporary_.empty()) ::unlinkat(target_.dir(), temporary_.c_str(), 0);
}

int FileWriter::Step(std::string_view step) const {
    return options_.beforeStep ? options_.beforeStep(step) : 0;
}

Error FileWriter::WriteError(int number) const {
    return FileError(number, "Unable to write", path_, pipe_ ? PipeReason(number) : std::string());
}

Status FileWriter::Open(const std::string& path, const WriteOptions& options) {
    path_ = path;
    options_ = options;
    auto failure = [&path](int number, std::string reason = {}) {
        return FileError(number, "Unable to write", path, std::move(reason));
    };
    // A regular file, or none, at the path itself is what most writes find: one look tells all
    // that the looks through links below would.
    struct stat st {};
    int looked = StatPath(path, st, false);
    const bool plain = (looked == 0 && S_ISREG(st.st_mode)) || looked == ENOENT;
    if (!plain) looked = StatPath(path, st, true);
    if (looked != 0 && looked != ENOENT) return failure(looked);
    if (looked == 0 && S_ISDIR(st.st_mode)) return failure(EISDIR);
    if (looked == 0 && (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode))) {
        // Written straight into: a device or pipe is never replaced by a file.
        pipe_ = S_ISFIFO(st.st_mode);
        const int wait = options.waitForReader ? 0 : O_NONBLOCK;
        fd_.reset(OpenPath(path, O_WRONLY | O_NOCTTY | wait));
        if (!fd_) return failure(errno, pipe_ ? PipeReason(errno) : std::string());
        mode_ = Mode::Direct;
        return Ok();
    }
    if (looked == 0 && !S_ISREG(st.st_mode))
        return failure(kNotRegularFile, NotRegular(st.st_mode));

    std::string target = path;
    if (!plain) {
        if (const int error = ResolveLinks(target)) return failure(error);
    }
    if (const int error = LocatePath(target, target_)) return failure(error);
    struct stat old = st;
    const bool exists =
        plain ? looked == 0 : ::fstatat(target_.dir(), target_.name.c_str(), &old, 0) == 0;
    if (exists && !S_ISREG(old.st_mode)) return failure(kNotRegularFile, NotRegular(old.st_mode));

    if (!exists || old.st_nlink == 1) {
        for (int attempt = 0; attempt < 100 && !fd_; ++attempt) {
            // Beside the file, in its folder: the name may be a whole path from the current
            // folder, which can lie on another file system.
            temporary_ = GetFolderName(target_.name, true) + TemporaryName(GetFileName(target));
            fd_.reset(::openat(target_.dir(), temporary_.c_str(),
                               O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
            if (!fd_ && errno != EEXIST) break;
        }
        if (fd_) {
            if (exists) {
                // The owner first: changing it clears the set-user-ID bits that chmod then sets.
                (void)!::fchown(fd_.get(), old.st_uid, old.st_gid);
                ::fchmod(fd_.get(), old.st_mode & 07777);
            } else {
                const mode_t mask = ::umask(0);
                ::umask(mask);
                ::fchmod(fd_.get(), 0666 & ~mask);
            }
            mode_ = Mode::Replace;
            return Ok();
        }
        const int error = errno;
        temporary_.clear();
        // A folder that takes no new files may still hold a file that can be written.
        if (!exists || ::faccessat(target_.dir(), target_.name.c_str(), W_OK, 0) != 0)
            return failure(error);
    }
    // In place: the new content waits in a nameless temporary file until Commit.
    Result<std::string> staging = GetTempFile();
    if (!staging) return failure(staging.error().number);
    fd_.reset(::open(staging.value().c_str(), O_RDWR | O_CLOEXEC));
    const int error = errno;
    ::unlink(staging.value().c_str());
    if (!fd_) return failure(error);
    mode_ = Mode::InPlace;
    return Ok();
}

Status FileWriter::Write(std::string_view bytes) {
    int error = Step("write");
    if (error == 0) error = WriteAll(fd_.get(), bytes);
    return error == 0 ? Ok() : Status(WriteError(error));
}

Status FileWriter::Commit() {
    const Mode mode = mode_;
    mode_ = Mode::Closed;
    if (mode == Mode::Direct) {
        const int error = fd_.Close();
        return error == 0 ? Ok() : Status(WriteError(error));
    }
    if (mode == Mode::InPlace) return CommitInPlace();
    if (mode != Mode::Replace) return WriteError(EBADF);
    int error = Step("sync");
    if (error == 0 && options_.sync && ::fsync(fd_.get()) != 0) error = errno;
    if (const int closed = fd_.Close(); error == 0) error = closed;
    if (error == 0) error = Step("rename");
    if (error == 0 &&
        ::renameat(target_.dir(), temporary_.c_str(), target_.dir(), target_.name.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) return WriteError(error);  // the destructor removes the temporary file
    temporary_.clear();
    return Ok();
}

Status FileWriter::CommitInPlace() {
    UniqueFd target(::openat(target_.dir(), target_.name.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!target) return WriteError(errno);
    // The old bytes, to put back if the new ones cannot all be written.
    std::string old;
    char chunk[kChunk];
    for (ssize_t got; (got = ::read(target.get(), chunk, sizeof chunk)) != 0;) {
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return WriteError(errno);
        old.append(chunk, size_t(got));
    }
    auto rewrite = [&target](const auto& copy) {
        if (::lseek(target.get(), 0, SEEK_SET) < 0) return errno;
        off_t size = 0;
        if (const int error = copy(size)) return error;
        if (::ftruncate(target.get(), size) != 0) return errno;
        return ::fsync(target.get()) != 0 && errno != EINVAL ? errno : 0;
    };
    int error = ::lseek(fd_.get(), 0, SEEK_SET) < 0 ? errno : 0;
    if (error == 0) {
        error = rewrite([&](off_t& size) {
            for (ssize_t got; (got = ::read(fd_.get(), chunk, sizeof chunk)) != 0;) {
                if (got < 0 && errno == EINTR) continue;
                if (got < 0) return errno;
                if (const int failed = Step("write")) return failed;
                if (const int failed = WriteAll(target.get(), {chunk, size_t(got)})) return failed;
                size += got;
            }
            return Step("sync");
        });
    }
    fd_.reset();
    if (error != 0) {
        rewrite([&](off_t& size) {
            size = off_t(old.size());
            return WriteAll(target.get(), old);
        });
        return WriteError(error);
    }
    if (const int closed = target.Close()) return WriteError(closed);
    return Ok();
}

Status WriteWholeFile(const std::string& path, std::string_view bytes,
                      const WriteOptions& options) {
    FileWriter file;
    Status status = file.Open(path, options);
    if (status) status = file.Write(bytes);
    if (status) status = file.Commit();
    return status;
}

int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (written == 0) return EIO;
        bytes.remove_prefix(size_t(written));
    }
    return 0;
}

FdStreamBuf::FdStreamBuf(int fd) : fd_(fd), lines_(::isatty(fd) == 1), in_(new char[kChunk]) {}

FdStreamBuf::~FdStreamBuf() {
    FlushOut();
}

bool FdStreamBuf::FlushOut() {
    if (error_ == 0) error_ = WriteAll(fd_, out_);
    out_.clear();
    return error_ == 0;
}

// Every write comes here (there is no put area): kept until a chunk is full, or a line is
// complete on a terminal.
std::streamsize FdStreamBuf::xsputn(const char* s, std::streamsize n) {
    if (error_ != 0) return 0;
    out_.append(s, size_t(n));
    const bool line = lines_ && std::memchr(s, '\n', size_t(n)) != nullptr;
    if ((out_.size() >= kChunk || line) && !FlushOut()) return 0;
    return n;
}

FdStreamBuf::int_type FdStreamBuf::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return sync() == 0 ? 0 : c;
    const char byte = traits_type::to_char_type(c);
    return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

int FdStreamBuf::sync() {
    return FlushOut() ? 0 : -1;
}

FdStreamBuf::int_type FdStreamBuf::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    while (true) {
        const ssize_t got = ::read(fd_, in_.get(), kChunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) error_ = errno;
        if (got <= 0) return traits_type::eof();
        setg(in_.get(), in_.get(), in_.get() + got);
        return traits_type::to_int_type(*gptr());
    }
}

int StreamErrno(const std::ios& stream) {
    const int kept = KeptError(stream);
    return kept != 0 ? kept : EIO;
}

}  // namespace morv
