#include "extract/core/Report.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "extract/core/ListFile.h"
#include "extract/core/ReadAhead.h"
#include "helpers/core/PathHelpers.h"
#include "helpers/core/SystemFolder.h"

namespace morv {

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
    return StatPath(path, st) == 0 && S_ISREG(st.st_mode);
}

Status ReadFileIfExists(const std::string& path, FileBuffer& buffer, bool& exists,
                        struct stat* opened) {
    buffer.SetSize(0);
    exists = false;
    const std::string name = GetFileName(path);
    if (name.empty() || name[0] == '.') return Ok();
    // One open and a look at what it opened, instead of a look at the path and then an open:
    // half the path lookups.
    Status read = ReadFile(path, buffer, ReadOptions{kMaxDocumentSize, false, {}}, opened);
    exists = read.ok();
    if (read || read.error().number == kNotRegularFile || read.error().number == EISDIR)
        return Ok();
    // A file that is there but cannot be read is an error; one that is not there is missing.
    exists = FileExists(path);
    return exists ? read : Ok();
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
        UniqueFd fd(OpenPath(guard.path(), O_WRONLY | O_TRUNC));
        if (!fd) return FileError(errno, "Unable to write", guard.path());
        ReportWriter out(fd.get(), guard.path());
        if (!request.options.clearText) {
            out.Write(request.head);
            out.Line("\r\n");
        }
        Status status = WriteReport(request.files, request.options, out, progress);
        if (!status) return status;
        if (const int error = fd.Close()) return out.WriteError(error);
        return Ok();
    }();
    if (!written) {
        progress.SetValue(total);
        return written.error();
    }
    Result<std::string> report = ReadFile(guard.path(), ReadOptions{kMaxDocumentSize, false, {}});
    progress.SetValue(total);
    return report;
}

}  // namespace morv
