#include "extract/core/Report.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "extract/core/ListFile.h"
#include "extract/core/ReadAhead.h"
#include "helpers/core/PathHelpers.h"
#include "helpers/core/SystemFolder.h"

namespace morv {

namespace {

Error ReadError(const std::string& path, int number) {
    return Error{number, "mExtract::ExtractTags",
                 "Unable to read the file \"" + path + "\" (" + GetAPIErrorText(number) + ")"};
}

// Closes a descriptor when it goes out of scope.
class FdGuard {
  public:
    explicit FdGuard(int fd) : fd_(fd) {}
    ~FdGuard() {
        if (fd_ >= 0) ::close(fd_);
    }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    int get() const { return fd_; }
    // Closes now and reports a failed close (a delayed write error).
    int release_and_close() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd);
    }

  private:
    int fd_;
};

}  // namespace

int TickedKinds(const ExtractOptions& options) {
    int count = 0;
    for (bool ticked : options.tags)
        count += ticked ? 1 : 0;
    return count;
}

long ProgressTotal(size_t fileCount, const ExtractOptions& options) {
    return long(fileCount) + 1 + long(fileCount) * TickedKinds(options);
}

bool FileExists(const std::string& path) {
    std::string name = GetFileName(path);
    if (name.empty() || name[0] == '.') return false;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
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

namespace {

// Reads fd from where it stands to its end into buffer; size is the file's size as fstat saw it.
Status ReadDescriptor(int fd, const std::string& path, size_t size, FileBuffer& buffer) {
    // Room for the size the file has now, plus a little in case it grows while it is read.
    size_t used = 0;
    char* data = buffer.Reserve(size + 1);
    while (true) {
        if (used == buffer.capacity()) data = buffer.Reserve(buffer.capacity() * 2);
        ssize_t got = ::read(fd, data + used, buffer.capacity() - used);
        if (got < 0) {
            if (errno == EINTR) continue;
            return ReadError(path, errno);
        }
        if (got == 0) break;
        used += size_t(got);
        buffer.SetSize(used);
    }
    return Ok();
}

}  // namespace

Status ReadWholeFile(const std::string& path, FileBuffer& buffer) {
    buffer.SetSize(0);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return ReadError(path, errno);
    FdGuard guard(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) return ReadError(path, errno);
    if (!S_ISREG(st.st_mode)) return ReadError(path, EISDIR);
    return ReadDescriptor(fd, path, size_t(st.st_size), buffer);
}

Status ReadFileIfExists(const std::string& path, FileBuffer& buffer, bool& exists) {
    buffer.SetSize(0);
    exists = false;
    const std::string name = GetFileName(path);
    if (name.empty() || name[0] == '.') return Ok();
    // One open and a look at what it opened, instead of a look at the path and then an open:
    // half the path lookups. O_NONBLOCK keeps a named pipe from holding the run up.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        // A file that is there but cannot be opened is an error, as for ReadWholeFile.
        const int error = errno;
        exists = FileExists(path);
        return exists ? Status(ReadError(path, error)) : Ok();
    }
    FdGuard guard(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        exists = true;
        return ReadError(path, errno);
    }
    if (!S_ISREG(st.st_mode)) return Ok();
    exists = true;
    return ReadDescriptor(fd, path, size_t(st.st_size), buffer);
}

Result<std::string> ReadWholeFile(const std::string& path) {
    FileBuffer buffer;
    Status status = ReadWholeFile(path, buffer);
    if (!status) return status.error();
    return std::string(buffer.view());
}

Status WriteReport(const std::vector<std::string>& files, const ExtractOptions& options,
                   ReportWriter& out, ProgressObserver& progress) {
    progress.SetValue(0);
    progress.SetMax(ProgressTotal(files.size(), options));
    progress.SetAction("Extracting...");
    long counter = 0;
    FileReadAhead reader(files);
    StartMarkers starts;
    const bool anyKind = TickedKinds(options) > 0;
    for (const std::string& path : files) {
        if (progress.ShouldStop()) return UserInterrupt();
        progress.SetValue(++counter);
        progress.SetStatus(path);
        if (!options.noHeaders) {
            out.Write("[FILE = \"");
            out.Write(path);
            out.Line("\"]");
        }
        const FileReadAhead::File& file = reader.Next();
        if (file.exists) {
            if (!file.read) return file.read;
            const std::string_view text = file.text;
            if (anyKind) FindStartMarkers(text, starts);
            for (int k = 0; k < kTagKindCount; ++k) {
                if (!options.tags[size_t(k)]) continue;
                progress.SetValue(++counter);
                if (!options.noHeaders) {
                    out.Write("\r\n");
                    out.Line(SectionHeader(TagKind(k)));
                }
                RunScanner(TagKind(k), text, options.noRelativeLinks, out, progress, &starts);
            }
        } else if (!options.noHeaders) {
            out.Line("; Warning: File not found.\r\n");
        }
        out.Line("\r\n");
        if (out.failed()) return out.Flush();
    }
    progress.SetAction("Finalizing...");
    progress.SetStatus("");
    return out.Flush();
}

Result<std::string> ExtractReport(const ExtractRequest& request, ProgressObserver& progress) {
    if (!request.lastListFile.empty()) (void)WriteListFile(request.lastListFile, request.files);

    Result<std::string> temp = GetTempFile();
    if (!temp) return temp.error();
    TempFileGuard guard(temp.value());
    const long total = ProgressTotal(request.files.size(), request.options);
    if (request.onReportCreated) request.onReportCreated();

    Status written = [&]() -> Status {
        FdGuard fd(::open(guard.path().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
        if (fd.get() < 0) {
            return Error{errno, "mExtract::ExtractTags",
                         "Unable to open the report file (" + GetAPIErrorText(errno) + ")"};
        }
        ReportWriter out(fd.get());
        if (!request.options.clearText) {
            out.Write(request.head);
            out.Line("\r\n");
        }
        Status status = WriteReport(request.files, request.options, out, progress);
        if (!status) return status;
        if (fd.release_and_close() != 0) {
            return Error{errno, "mExtract::ExtractTags",
                         "Unable to write the report (" + GetAPIErrorText(errno) + ")"};
        }
        return Ok();
    }();
    if (!written) {
        progress.SetValue(total);
        return written.error();
    }
    Result<std::string> report = ReadWholeFile(guard.path());
    progress.SetValue(total);
    return report;
}

}  // namespace morv
