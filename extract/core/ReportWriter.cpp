#include "extract/core/ReportWriter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <ostream>

#include "helpers/core/FileIo.h"

namespace morv {

ReportWriter::ReportWriter(int fd, std::string path, size_t flushAt)
    : fd_(fd), path_(std::move(path)), flushAt_(flushAt) {
    if (fd_ >= 0) buffer_.reserve(flushAt_);
}

ReportWriter::ReportWriter(std::ostream& stream, size_t flushAt)
    : fd_(-1), stream_(&stream), flushAt_(flushAt) {
    buffer_.reserve(flushAt_);
}

bool ReportWriter::streaming() const {
    return fd_ >= 0 || stream_ != nullptr;
}

Error ReportWriter::WriteError(int number) const {
    if (stream_ != nullptr) return OutputError(number);
    return FileError(number, "Unable to write", path_);
}

void ReportWriter::Fail(int number) {
    failed_ = true;
    error_ = WriteError(number);
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
            stream_->write(text.data(), std::streamsize(text.size()));
            if (!*stream_) Fail(StreamErrno(*stream_));
        }
        return;
    }
    if (failed_) return;
    if (const int error = WriteAll(fd_, text)) Fail(error);
}

Status ReportWriter::Flush() {
    if (streaming() && !failed_) {
        WriteOut(buffer_);
        buffer_.clear();
        if (stream_ != nullptr && !failed_ && !stream_->flush()) Fail(StreamErrno(*stream_));
    }
    if (failed_) return error_;
    return Ok();
}

Status WriteFileReplacing(const std::string& path,
                          const std::function<Status(ReportWriter&)>& write) {
    FileWriter file;
    WriteOptions wait;
    wait.waitForReader = true;
    Status status = file.Open(path, wait);
    if (!status) return status;
    ReportWriter writer(file.fd(), path);
    status = write(writer);
    if (status) status = writer.Flush();
    if (status) status = file.Commit();
    return status;
}

bool IsStandardOutput(const std::string& path) {
    struct stat file {
    }, output{};
    return StatPath(path, file) == 0 && ::fstat(STDOUT_FILENO, &output) == 0 &&
           file.st_dev == output.st_dev && file.st_ino == output.st_ino;
}

}  // namespace morv
