#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <functional>
#include <iosfwd>
#include <memory>
#include <streambuf>
#include <string>
#include <string_view>

#include "helpers/core/Result.h"

// The one way in and out of outside files for both programs and their tools: documents,
// settings, list files, reports, help pages. Every failure is an Error that carries the errno
// value, the path and a description that names the real cause.
namespace morv {

// Error numbers of our own, beside the errno values.
inline constexpr int kNotRegularFile = 1001;  // a pipe, device or socket where a file was wanted

// "<action> \"<path>\" (<reason>)"; the reason is the system's text for number unless given.
Error FileError(int number, std::string_view action, const std::string& path,
                std::string reason = {});

// What a failure means to a user: the system's text for an errno value, ours for our numbers.
std::string FileErrorText(int number);

// "Unable to write standard output (<reason>)": a tool's output that failed with number.
Error OutputError(int number);

// A file descriptor closed when the object goes.
class UniqueFd {
  public:
    explicit UniqueFd(int fd = -1) noexcept : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    ~UniqueFd() { reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset(int fd = -1);
    // Closes now: 0, or the errno of a failed close (a write error the system reported late).
    int Close();

  private:
    int fd_;
};

// A path as a folder handle and a name below it, so that a path longer than the system takes in
// one call (PATH_MAX) still reaches its file: the folders on its way are opened one stretch at a
// time. A shorter path stays as it is, relative to the current folder.
struct PathAt {
    UniqueFd folder;
    std::string name;
    int dir() const;  // the folder's handle, or AT_FDCWD
};
// 0, or the errno of a folder on the way that cannot be opened.
int LocatePath(const std::string& path, PathAt& at);

// open(2), stat(2) and lstat(2) for a path of any length. OpenPath adds O_CLOEXEC and returns -1
// with errno set on failure; StatPath returns 0 or the errno value.
int OpenPath(const std::string& path, int flags, mode_t mode = 0);
int StatPath(const std::string& path, struct stat& st, bool followLinks = true);

// What a reader takes in.
struct ReadOptions {
    size_t limit = 0;  // the most bytes accepted; a larger file is an error, read no further
    // Named pipes and character devices are read as streams to their end or to the limit,
    // waiting for data as any filter does (the tools). Otherwise only regular files are read,
    // and a pipe or device is refused at once, so a window never waits on one.
    bool streams = false;
    // Asked when a wait for a stream is interrupted by a signal; true ends the read with a user
    // interrupt.
    std::function<bool()> stop;
};

// The limit the programs choose for documents: those the editor opens, the files an extraction
// reads and the report it writes. A larger file is refused with a clear error.
inline constexpr size_t kMaxDocumentSize = size_t(1) << 30;

// A buffer that holds one file at a time and only grows, without clearing what it gains.
class FileBuffer {
  public:
    std::string_view view() const { return {data_.get(), size_}; }
    char* Reserve(size_t capacity);  // room for capacity bytes; keeps what is there
    size_t capacity() const { return capacity_; }
    void SetSize(size_t size) { size_ = size; }

  private:
    std::unique_ptr<char[]> data_;
    size_t capacity_ = 0;
    size_t size_ = 0;
};

// Reads a whole file. The open never waits (a named pipe without a writer, a device); a folder,
// and a pipe or device unless options.streams, is an error that says what it is.
Result<std::string> ReadFile(const std::string& path, const ReadOptions& options);
// The same into a buffer that is reused from file to file; opened, when given, receives what
// the file was when it was opened (its size and times before the bytes were read), and
// keepOpen, when given, the file's descriptor (after a read that succeeded) instead of its
// being closed.
Status ReadFile(const std::string& path, FileBuffer& buffer, const ReadOptions& options,
                struct stat* opened = nullptr, UniqueFd* keepOpen = nullptr);
// "FILE or standard input" of the tools: in when file is empty or "-", else the file, pipes and
// devices included (options.streams is implied). Over the limit is an error, never an abort.
Result<std::string> ReadFileOrInput(const std::string& file, std::istream& in,
                                    const ReadOptions& options);

// How a writer treats what it finds at the path.
struct WriteOptions {
    // A named pipe: wait until a program reads it and for room in it (the tools). Otherwise a
    // pipe that nobody reads, or that is full, fails at once, so a window never waits on one.
    bool waitForReader = false;
    // Tests: called before the steps "write", "sync" and "rename"; an errno value fails the step.
    std::function<int(std::string_view step)> beforeStep;
    // The new file is on the disk (fsync) before it takes the old one's place. false saves that
    // wait for a caller that writes many files: a crash of the program still leaves the old file
    // or the whole new one; after a power cut that rests on the file system writing the data of
    // a file that replaces another before the rename (ext4 does by default).
    bool sync = true;
};

// Whether candidate is a name that a FileWriter gives the new file it writes beside a file named
// name (what a write cut short by a crash leaves there).
bool IsNewFileNameFor(std::string_view candidate, std::string_view name);

// Writes a whole file so that nothing is lost:
//  - a regular file (or a new one) is replaced atomically by a complete new file written beside
//    it, with the old file's permissions and, where allowed, its owner;
//  - a symbolic link stays a link: the file it points to is written (a dangling link gets it);
//  - a file with several hard links, or in a folder that takes no new files, is rewritten in
//    place, and its old bytes are put back when that fails;
//  - a character device or a named pipe is written straight into, never replaced;
//  - a folder, a block device or a socket is refused.
// Without Commit the new content is dropped and the file is as it was.
class FileWriter {
  public:
    FileWriter() = default;
    ~FileWriter();
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    Status Open(const std::string& path, const WriteOptions& options = {});
    int fd() const { return fd_.get(); }  // where the new content goes
    Status Write(std::string_view bytes);
    Status Commit();
    // The description of a failed write of the new content (errno from a write to fd()).
    Error WriteError(int number) const;

  private:
    enum class Mode { Closed, Replace, InPlace, Direct };
    Status CommitInPlace();
    int Step(std::string_view step) const;

    Mode mode_ = Mode::Closed;
    std::string path_;  // as the caller named it
    PathAt target_;     // the file written, links resolved
    std::string temporary_;
    bool pipe_ = false;
    UniqueFd fd_;
    WriteOptions options_;
};

Status WriteWholeFile(const std::string& path, std::string_view bytes,
                      const WriteOptions& options = {});

// Writes all of bytes to fd: 0, or the errno of the write that failed (EAGAIN when a
// non-blocking descriptor takes no more).
int WriteAll(int fd, std::string_view bytes);

// A stream buffer over a file descriptor that keeps the errno of its first failure, so that a
// tool whose standard output is full can say so (the errno seen later would be stale). Output to
// a terminal goes out line by line.
class FdStreamBuf : public std::streambuf {
  public:
    explicit FdStreamBuf(int fd);
    ~FdStreamBuf() override;
    int error() const { return error_; }

  protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;
    int_type underflow() override;

  private:
    bool FlushOut();

    int fd_;
    bool lines_;  // a terminal: each line goes out at once
    int error_ = 0;
    std::unique_ptr<char[]> in_;
    std::string out_;
};

// The errno of a stream's failure when its buffer kept one, else EIO.
int StreamErrno(const std::ios& stream);

}  // namespace morv
