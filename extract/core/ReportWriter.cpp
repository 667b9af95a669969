#include "extract/core/ReportWriter.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ostream>

#include "helpers/core/PathHelpers.h"
#include "helpers/core/SystemFolder.h"

namespace morv {

ReportWriter::ReportWriter(int fd, size_t flushAt) : fd_(fd), flushAt_(flushAt) {
    if (fd_ >= 0) buffer_.reserve(flushAt_);
}

ReportWriter::ReportWriter(std::ostream& stream, size_t flushAt)
    : fd_(-1), stream_(&stream), flushAt_(flushAt) {
    buffer_.reserve(flushAt_);
}

bool ReportWriter::streaming() const {
    return fd_ >= 0 || stream_ != nullptr;
}

void ReportWriter::Fail(int number) {
    failed_ = true;
    error_ = Error{number, "mExtract::WriteReport",
                   "Unable to write the report (" + GetAPIErrorText(number) + ")"};
}

void ReportWriter::Write(std::string_view text) {
    if (failed_) return;
    if (!streaming()) {
        buffer_.append(text);
        return;
    }
    if (buffer_.size() + text.size() < flushAt_) {
        buffer_.append(text);
        return;
    }
    // Large pieces (a long script element) go straight to the file instead of through the buffer.
    WriteOut(buffer_);
    buffer_.clear();
    if (text.size() >= flushAt_)
        WriteOut(text);
    else
        buffer_.append(text);
}

void ReportWriter::WriteOut(std::string_view text) {
    if (stream_ != nullptr) {
        if (!failed_ && !text.empty()) {
            errno = 0;
            stream_->write(text.data(), std::streamsize(text.size()));
            if (!*stream_) Fail(errno != 0 ? errno : EIO);
        }
        return;
    }
    while (!failed_ && !text.empty()) {
        ssize_t written = ::write(fd_, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            Fail(errno);
            return;
        }
        text.remove_prefix(size_t(written));
    }
}

Status ReportWriter::Flush() {
    if (streaming() && !failed_) {
        WriteOut(buffer_);
        buffer_.clear();
        if (stream_ != nullptr && !failed_ && !stream_->flush()) Fail(errno != 0 ? errno : EIO);
    }
    if (failed_) return error_;
    return Ok();
}

Status WriteFileReplacing(const std::string& path,
                          const std::function<Status(ReportWriter&)>& write) {
    auto cannotWrite = [&path](int number) {
        return Error{number, "", "cannot write '" + path + "': " + GetAPIErrorText(number)};
    };
    std::string folder = GetFolderName(path, true);
    std::string pattern = (folder.empty() ? std::string("./") : folder) + ".morv-report-XXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd < 0) return cannotWrite(errno);
    TempFileGuard guard(pattern);
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    ReportWriter writer(fd);
    Status status = write(writer);
    if (status) status = writer.Flush();
    int closed = ::close(fd);
    if (status && closed != 0) status = Error{errno, "", GetAPIErrorText(errno)};
    if (!status) return status;
    if (::rename(pattern.c_str(), path.c_str()) != 0) return cannotWrite(errno);
    guard.reset({});  // in place now: nothing to delete
    return Ok();
}

}  // namespace morv
