#pragma once

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

}  // namespace morv
