#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

#include "helpers/core/Result.h"

namespace morv {

// Appends report text to an open file descriptor through a buffer, so that a report of any size
// is streamed to its file and memory stays flat. Without a descriptor (fd < 0) the text stays in
// memory(), which is what tests read. The first failed write is kept; later writes do nothing
// and Flush returns that failure, which names path.
class ReportWriter {
  public:
    explicit ReportWriter(int fd = -1, std::string path = {}, size_t flushAt = size_t(1) << 20);
    // Writes to a stream (standard output of the command-line tool) instead of a descriptor.
    explicit ReportWriter(std::ostream& stream, size_t flushAt = size_t(1) << 20);
    // The path comes second: a flush size given there would read as a null string.
    ReportWriter(int fd, size_t flushAt) = delete;
    ReportWriter(const ReportWriter&) = delete;
    ReportWriter& operator=(const ReportWriter&) = delete;

    void Write(std::string_view text);
    // The text followed by CR LF.
    void Line(std::string_view text) {
        Write(text);
        Write("\r\n");
    }
    // Writes what the buffer holds; the first failure of this writer, if any.
    Status Flush();

    bool failed() const { return failed_; }
    // The error of a write to this writer's file that failed with number.
    Error WriteError(int number) const;
    const std::string& memory() const { return buffer_; }

  private:
    void WriteOut(std::string_view text);

    void Fail(int number);
    bool streaming() const;

    int fd_;
    std::string path_;
    std::ostream* stream_ = nullptr;
    size_t flushAt_;
    std::string buffer_;
    bool failed_ = false;
    Error error_;
};

// Writes a file through write and FileWriter: a file is replaced only when write succeeds (it is
// left as it was and the new file removed when write fails or stops), with its permissions, links
// and other names kept; a device or a named pipe is written into (waiting for the pipe's reader,
// as a tool does).
Status WriteFileReplacing(const std::string& path,
                          const std::function<Status(ReportWriter&)>& write);

// True when path is the file the process's standard output already writes to (-o /dev/stdout):
// a tool then writes to its standard output as it would without -o, instead of opening the file
// a second time (which would write over what is there).
bool IsStandardOutput(const std::string& path);

}  // namespace morv
