#include "renamer/core/BatchJournal.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "helpers/core/FileIo.h"
#include "helpers/core/PathHelpers.h"
#include "helpers/core/SystemFolder.h"
#include "helpers/core/TextUtil.h"

namespace morv::renamer {

namespace {

constexpr const char* kPrefix = "batch-";
// Far more than the plan of a batch of a million files.
constexpr size_t kMaxJournalSize = size_t(1) << 31;
constexpr const char* kSuffix = ".journal";

const char* DecisionWord(ItemDecision decision) {
    switch (decision) {
        case ItemDecision::Go:
            return "go";
        case ItemDecision::Replace:
            return "replace";
        case ItemDecision::Unchanged:
            return "unchanged";
        case ItemDecision::Skipped:
            return "skipped";
        case ItemDecision::Failed:
            return "failed";
    }
    return "failed";
}

bool ReadDecision(std::string_view word, ItemDecision& decision) {
    for (ItemDecision d : {ItemDecision::Go, ItemDecision::Replace, ItemDecision::Unchanged,
                           ItemDecision::Skipped, ItemDecision::Failed}) {
        if (word == DecisionWord(d)) {
            decision = d;
            return true;
        }
    }
    return false;
}

template <typename T>
bool ReadNumber(std::string_view text, T& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

std::string Number(int64_t value) {
    return std::to_string(value);
}

// The identity fields of a record: device, inode, size, modification and birth times.
constexpr size_t kIdentityFields = 5;

bool ReadIdentity(const std::vector<std::string>& fields, size_t at, FileIdentity& identity) {
    return fields.size() >= at + kIdentityFields && ReadNumber(fields[at], identity.device) &&
           ReadNumber(fields[at + 1], identity.inode) &&
           ReadNumber(fields[at + 2], identity.size) &&
           ReadNumber(fields[at + 3], identity.modifiedNs) &&
           ReadNumber(fields[at + 4], identity.bornNs);
}

void AppendIdentity(std::string& line, const FileIdentity& identity) {
    for (int64_t value : {int64_t(identity.device), int64_t(identity.inode), identity.size,
                          identity.modifiedNs, identity.bornNs}) {
        line += '\t';
        line += Number(value);
    }
}

std::string ErrorText(int code) {
    return GetAPIErrorText(code);
}

}  // namespace

std::string JournalFolder() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state == '/')
        return JoinPath(state, "trellin");
    const char* home = std::getenv("HOME");
    const std::string base = home != nullptr && *home != '\0' ? home : GetTempFolder();
    return JoinPath(JoinPath(base, ".local/state"), "trellin");
}

namespace {

// The bytes a journal field writes as an escape: the backslash and the control characters.
constexpr std::array<bool, 256> kEscapedBytes = [] {
    std::array<bool, 256> bytes{};
    for (int c = 0; c < 0x20; ++c)
        bytes[c] = true;
    bytes['\\'] = bytes[0x7f] = true;
    return bytes;
}();

}  // namespace

void AppendEscapedField(std::string& out, std::string_view field) {
    static const char kHex[] = "0123456789abcdef";
    constexpr uint64_t kOnes = 0x0101010101010101, kHighs = 0x8080808080808080;
    auto hasZero = [](uint64_t word) { return ((word - kOnes) & ~word & kHighs) != 0; };
    size_t plain = 0;  // the start of the bytes not yet written
    for (size_t i = 0; i < field.size(); ++i) {
        // Eight bytes at a time while none of them is below a blank, a backslash or DEL.
        while (i + 8 <= field.size()) {
            uint64_t word = 0;
            std::memcpy(&word, field.data() + i, 8);
            if (((word - kOnes * 0x20) & ~word & kHighs) != 0 || hasZero(word ^ (kOnes * '\\')) ||
                hasZero(word ^ (kOnes * 0x7f)))
                break;
            i += 8;
        }
        if (i == field.size()) break;
        const auto byte = static_cast<unsigned char>(field[i]);
        if (!kEscapedBytes[byte]) continue;
        out.append(field.data() + plain, i - plain);
        plain = i + 1;
        switch (byte) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += "\\x";
                out += kHex[byte >> 4];
                out += kHex[byte & 15];
        }
    }
    out.append(field.data() + plain, field.size() - plain);
}

std::string EscapeField(std::string_view field) {
    std::string text;
    text.reserve(field.size());
    AppendEscapedField(text, field);
    return text;
}

bool UnescapeField(std::string_view text, std::string& field) {
    field.clear();
    field.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            field += text[i];
            continue;
        }
        if (++i == text.size()) return false;
        switch (text[i]) {
            case '\\':
                field += '\\';
                break;
            case 't':
                field += '\t';
                break;
            case 'n':
                field += '\n';
                break;
            case 'r':
                field += '\r';
                break;
            case 'x': {
                unsigned value = 0;
                if (i + 2 >= text.size()) return false;
                auto [end, ec] =
                    std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
                if (ec != std::errc() || end != text.data() + i + 3) return false;
                field += char(value);
                i += 2;
                break;
            }
            default:
                return false;
        }
    }
    return true;
}

void AppendJournalRecord(std::string& out, std::initializer_list<std::string_view> fields) {
    bool first = true;
    for (std::string_view field : fields) {
        if (!first) out += '\t';
        first = false;
        AppendEscapedField(out, field);
    }
    out += '\n';
}

void AppendPageRecords(std::string& out, size_t index, const JournalPage& page,
                       const std::vector<LinkEdit>& edits) {
    const std::string number = Number(int64_t(index));
    AppendJournalRecord(out,
                        {"page", number, page.item == kNoItem ? "-" : Number(int64_t(page.item)),
                         page.copy ? "copy" : "same", Number(page.before.size), page.before.hash,
                         Number(page.after.size), page.after.hash, page.path, page.newPath});
    for (const LinkEdit& edit : edits)
        AppendJournalRecord(
            out, {"edit", number, Number(int64_t(edit.offset)), edit.oldText, edit.newText});
}

std::string JournalRecord(std::initializer_list<std::string_view> fields) {
    std::string line;
    AppendJournalRecord(line, fields);
    return line;
}

size_t JournalState::DoneCount() const {
    size_t done = 0;
    for (const JournalItem& item : items)
        done += item.done;
    return done;
}

Result<JournalState> ParseJournal(std::string_view text) {
    auto notJournal = [] { return Error{EINVAL, "", "It is not a batch journal"}; };
    JournalState state;
    bool first = true, described = false;
    std::vector<std::string> fields;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        if (end == std::string_view::npos) break;  // cut short by a crash
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        fields.clear();
        bool valid = true;
        for (std::string_view part : Split(line, '\t')) {
            fields.emplace_back();
            valid = valid && UnescapeField(part, fields.back());
        }
        if (first) {
            int version = 0;
            if (fields.size() < 2 || fields[0] != kJournalMagic || !ReadNumber(fields[1], version))
                return notJournal();
            if (version > kJournalVersion)
                return Error{EINVAL, "", "The batch journal was written by a newer version"};
            state.version = version;
            first = false;
            continue;
        }
        if (!valid || fields.empty()) continue;
        const std::string& type = fields[0];
        size_t index = 0;
        const bool indexed =
            fields.size() >= 2 && ReadNumber(fields[1], index) && index < state.items.size();
        if (type == "batch" && fields.size() >= 5) {
            size_t count = 0;
            if (!ReadNumber(fields[3], state.started) || !ReadNumber(fields[4], count))
                return notJournal();
            state.tag = fields[1];
            state.mode = fields[2] == "copy" ? BatchMode::Copy : BatchMode::Move;
            state.items.reserve(count);
            described = true;
        } else if (type == "item" && fields.size() >= 3 + kIdentityFields + 4 && !state.begun) {
            JournalItem item;
            if (!ReadNumber(fields[1], index) || index != state.items.size() ||
                !ReadDecision(fields[2], item.decision) || !ReadIdentity(fields, 3, item.source))
                continue;
            const size_t at = 3 + kIdentityFields;
            item.item = {fields[at], fields[at + 1], fields[at + 2], fields[at + 3]};
            state.items.push_back(std::move(item));
        } else if (type == "page" && fields.size() >= 10 && !state.begun) {
            JournalPage page;
            size_t item = kNoItem;
            if (!ReadNumber(fields[1], index) || index != state.pages.size() ||
                !(fields[2] == "-" || (ReadNumber(fields[2], item) && item < state.items.size())) ||
                !ReadNumber(fields[4], page.before.size) || !ReadNumber(fields[6], page.after.size))
                continue;
            page.item = item;
            page.copy = fields[3] == "copy";
            page.before.hash = fields[5];
            page.after.hash = fields[7];
            page.path = fields[8];
            page.newPath = fields[9];
            state.pages.push_back(std::move(page));
        } else if (type == "edit" && fields.size() >= 5 && !state.begun) {
            LinkEdit edit;
            if (!ReadNumber(fields[1], index) || index + 1 != state.pages.size() ||
                !ReadNumber(fields[2], edit.offset))
                continue;
            edit.oldText = fields[3];
            edit.newText = fields[4];
            state.pages.back().edits.push_back(std::move(edit));
        } else if (type == "unwritten" && fields.size() >= 2 && ReadNumber(fields[1], index) &&
                   index < state.pages.size()) {
            state.pages[index].unwritten = true;
        } else if (type == "begin") {
            state.begun = true;
        } else if (type == "placing" && indexed) {
            FileIdentity written;
            if (ReadIdentity(fields, 2, written)) state.items[index].written.push_back(written);
        } else if (type == "done" && indexed) {
            state.items[index].done = true;
        } else if (type == "back" && indexed) {
            state.items[index].done = false;
        } else if (type == "end") {
            state.ended = true;
            state.stopped = fields.size() >= 2 && fields[1] == "stopped";
        } else if (type == "undo") {
            state.undoing = true;
        } else if (type == "settled") {
            state.ended = true;
            state.undoing = false;
        }
        // Anything else is a record of a later version: skipped.
    }
    if (first || !described) return notJournal();
    return state;
}

Result<JournalState> ReadJournal(const std::string& path) {
    // A journal is a regular file; anything else in its place is not read.
    Result<std::string> bytes = ReadFile(path, ReadOptions{kMaxJournalSize, false, {}});
    if (!bytes) {
        Error error = bytes.error();
        error.description = "'" + path + "': " + error.description;
        return error;
    }
    Result<JournalState> state = ParseJournal(bytes.value());
    if (!state) {
        Error error = state.error();
        error.description = "'" + path + "': " + error.description;
        return error;
    }
    state.value().path = path;
    return state;
}

std::vector<std::string> ListJournals(const std::string& folder) {
    std::vector<std::pair<long long, std::string>> found;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const struct dirent* entry = readdir(dir)) {
            const std::string_view name = entry->d_name;
            long long number = 0;
            if (name.rfind(kPrefix, 0) != 0 || name.size() <= 14 ||
                name.substr(name.size() - 8) != kSuffix ||
                !ReadNumber(name.substr(6, name.size() - 14), number))
                continue;
            found.emplace_back(number, JoinPath(folder, name));
        }
        closedir(dir);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& [number, path] : found)
        paths.push_back(std::move(path));
    return paths;
}

Result<std::unique_ptr<BatchJournal>> BatchJournal::Create(const std::string& folder) {
    auto failed = [&](int code) {
        return Error{code, "",
                     "The batch journal could not be made in '" + folder + "': " + ErrorText(code)};
    };
    if (!MakeFolders(folder)) return failed(errno != 0 ? errno : EACCES);
    long long next = 1;
    if (std::vector<std::string> existing = ListJournals(folder); !existing.empty()) {
        const std::string name = GetFileName(existing.back());
        ReadNumber(std::string_view(name).substr(6, name.size() - 14), next);
        ++next;
    }
    std::unique_ptr<BatchJournal> journal(new BatchJournal);
    journal->folder_ = folder;
    journal->tag_ = NewTemporaryTag();
    for (int attempt = 0;; ++attempt, ++next) {
        char name[48];
        std::snprintf(name, sizeof name, "%s%06lld%s", kPrefix, next, kSuffix);
        journal->path_ = JoinPath(folder, name);
        const int error = journal->file_.Create(journal->path_);
        if (error == 0) break;
        if (error != EEXIST || attempt == 100) return failed(error);
    }
    return journal;
}

Result<std::unique_ptr<BatchJournal>> BatchJournal::Continue(const JournalState& state) {
    std::unique_ptr<BatchJournal> journal(new BatchJournal);
    if (int error = journal->file_.OpenLocked(state.path)) {
        if (error == EWOULDBLOCK)
            return Error{error, "", "Another Trellin is working on that batch now"};
        return Error{error, "", "'" + state.path + "': " + ErrorText(error)};
    }
    journal->path_ = state.path;
    journal->folder_ = GetFolderName(state.path, false);
    journal->tag_ = state.tag;
    journal->continuing_ = true;
    journal->began_ = true;
    return journal;
}

std::string BatchJournal::Begin(BatchMode mode, const std::vector<BatchItem>& items,
                                const std::vector<FileIdentity>& sources,
                                const std::vector<ItemDecision>& decisions) {
    if (continuing_) return {};
    const int version = pageRecords_.empty() ? kJournalVersionNoPages : kJournalVersion;
    std::string plan = std::string(kJournalMagic) + "\t" + Number(version) + "\n";
    plan += JournalRecord({"batch", tag_, mode == BatchMode::Copy ? "copy" : "move",
                           Number(int64_t(std::time(nullptr))), Number(int64_t(items.size()))});
    for (size_t i = 0; i < items.size(); ++i) {
        const BatchItem& item = items[i];
        std::string line = "item\t" + Number(int64_t(i)) + "\t" + DecisionWord(decisions[i]);
        AppendIdentity(line, sources[i]);
        for (const std::string& field :
             {item.source, item.targetFolder, item.newName,
              item.temporaryName.empty() ? TemporaryFileName(tag_, i) : item.temporaryName}) {
            line += '\t';
            AppendEscapedField(line, field);
        }
        line += '\n';
        plan += line;
    }
    // The page records follow as they are: they may be many megabytes.
    int error = file_.Append(plan);
    if (error == 0 && !pageRecords_.empty()) error = file_.Append(pageRecords_);
    if (error == 0) error = file_.Append("begin\n");
    if (error == 0) error = file_.Sync();
    if (error == 0) error = SyncFolder(folder_);
    if (error != 0) {
        Remove();
        return "The batch journal '" + path_ + "' could not be written: " + ErrorText(error);
    }
    began_ = true;
    return {};
}

void BatchJournal::Flush(bool sync) {
    if (!pending_.empty()) {
        file_.Append(pending_);
        pending_.clear();
    }
    if (sync) {
        file_.Sync();
        steps_ = 0;
    }
}

void BatchJournal::FlushAndSyncSoon() {
    Flush(false);
    file_.SyncSoon();
    steps_ = 0;
}

void BatchJournal::Placing(size_t item, const FileIdentity& written) {
    // On its way to the kernel before the name is taken, so that a crash finds it recorded.
    std::string line = "placing\t" + Number(int64_t(Mapped(item)));
    AppendIdentity(line, written);
    pending_ += line + "\n";
    Flush(false);
}

void BatchJournal::Done(size_t item) {
    ++done_;
    if (!continuing_) pending_ += "done\t" + Number(int64_t(Mapped(item))) + "\n";
    if (++steps_ >= kSyncEverySteps) FlushAndSyncSoon();
}

void BatchJournal::GroupDone(bool cycle) {
    // A round of renames starts a sync when it is over. It runs beside the batch, and requests
    // that come while one runs are served by the next, so a batch of many swaps is not held up
    // by one wait for the disk each (the round's temporary name is in the plan, on the disk
    // already).
    if (cycle) FlushAndSyncSoon();
}

void BatchJournal::Finish(const BatchResult& result) {
    if (!pageRecords_.empty() && !continuing_) {
        Flush(true);  // the pages come next
        return;
    }
    if (!continuing_) {
        pending_ += JournalRecord({"end", result.cancelled ? "stopped" : "complete"});
    }
    Flush(true);
    if (!continuing_ && done_ == 0) Remove();
}

void BatchJournal::End(bool stopped) {
    pending_ += JournalRecord({"end", stopped ? "stopped" : "complete"});
    Flush(true);
}

void BatchJournal::ContinueHere() {
    Flush(false);
    continuing_ = true;
    began_ = true;
}

void BatchJournal::PageUnwritten(size_t page) {
    pending_ += JournalRecord({"unwritten", Number(int64_t(page))});
}

int BatchJournal::Write(const std::vector<std::string>& records) {
    Flush(false);
    for (const std::string& record : records)
        pending_ += record;
    const std::string bytes = std::move(pending_);
    pending_.clear();
    int error = file_.Append(bytes);
    if (error == 0) error = file_.Sync();
    return error;
}

void BatchJournal::Remove() {
    if (path_.empty()) return;
    unlink(path_.c_str());
    SyncFolder(folder_);
    file_.Close();
    began_ = false;
}

}  // namespace morv::renamer
