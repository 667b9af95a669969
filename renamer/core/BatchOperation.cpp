#include "renamer/core/BatchOperation.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <random>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "helpers/core/FileIo.h"
#include "helpers/core/PathHelpers.h"
#include "helpers/core/SystemFolder.h"
#include "helpers/core/TextUtil.h"

namespace morv::renamer {

namespace {

constexpr size_t npos = size_t(-1);

// The path with repeated separators and "." segments dropped, for comparing paths as the batch
// names them ("a//b/./c" and "a/b/c" are one file). ".." is left alone: behind a symbolic link
// it does not mean what it seems to.
std::string NormalisePath(std::string_view path) {
    // Most paths are normal already: no empty or "." part, no separator at the end.
    const bool plain = !path.empty() && path.find("//") == std::string_view::npos &&
                       path.find("/./") == std::string_view::npos && path.substr(0, 2) != "./" &&
                       path != "." && (path.size() == 1 || path.back() != kPathSeparator) &&
                       (path.size() < 2 || path.substr(path.size() - 2) != "/.");
    if (plain) return std::string(path);
    std::string result;
    const bool absolute = !path.empty() && path.front() == kPathSeparator;
    for (std::string_view part : Split(path, kPathSeparator)) {
        if (part.empty() || part == ".") continue;
        if (!result.empty() || absolute) result += kPathSeparator;
        result.append(part);
    }
    if (result.empty()) result = absolute ? "/" : ".";
    return result;
}

std::string NameProblem(const BatchItem& item) {
    const std::string& name = item.newName;
    const bool fine = !name.empty() && name.size() <= kMaxNameBytes && name != "." &&
                      name != ".." && name.find('\0') == std::string::npos &&
                      name.find(kPathSeparator) == std::string::npos;
    if (fine) return {};
    const std::string who = "The new name of " + Quoted(GetFileName(item.source));
    if (name.empty()) return who + " is empty";
    if (name.find('\0') != std::string::npos) return who + " holds a NUL character";
    if (name.find(kPathSeparator) != std::string::npos)
        return who + ", " + Quoted(name) + ", holds a \"/\"";
    if (name == "." || name == "..") return who + " is " + Quoted(name);
    if (name.size() > kMaxNameBytes)
        return who + " is longer than " + std::to_string(kMaxNameBytes) + " bytes";
    return {};
}

}  // namespace

std::string Quoted(std::string_view text) {
    std::string quoted = "'";
    quoted.append(text);
    quoted += '\'';
    return quoted;
}

std::string FolderOf(const std::string& path) {
    // GetFolderName gives "" both for "name" and for "/name".
    std::string folder = GetFolderName(path, false);
    if (folder.empty()) folder = !path.empty() && path.front() == kPathSeparator ? "/" : ".";
    return folder;
}

std::string CountOf(size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string NewTemporaryTag() {
    static std::mt19937_64 random(
        std::random_device{}() ^
        uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^ uint64_t(getpid()));
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string tag;
    for (int i = 0; i < 10; ++i)
        tag += kLetters[random() % (sizeof kLetters - 1)];
    return tag;
}

std::string TargetPath(const BatchItem& item) {
    return JoinPath(item.targetFolder.empty() ? std::string(".") : item.targetFolder, item.newName);
}

std::string TemporaryFileName(std::string_view tag, size_t index) {
    std::string name = ".trelo-";
    name.append(tag);
    name += '-';
    name += std::to_string(index);
    name += ".tmp";
    return name;
}

bool IsTemporaryFileName(std::string_view name) {
    return name.rfind(".trelo-", 0) == 0 && name.size() > 11 &&
           name.substr(name.size() - 4) == ".tmp";
}

size_t BatchResult::DoneCount() const {
    size_t done = 0;
    for (const ItemOutcome& item : items)
        done += IsDone(item.state);
    return done;
}

bool BatchResult::ok() const {
    return problems.empty() && !cancelled && DoneCount() == items.size();
}

bool AnyFailed(const BatchResult& result) {
    for (const ItemOutcome& item : result.items)
        if (item.state == ItemState::Failed) return true;
    return false;
}

BatchPlan PlanBatch(BatchMode mode, const std::vector<BatchItem>& items) {
    const size_t n = items.size();
    BatchPlan plan;
    plan.takesNameOf.assign(n, npos);
    plan.unchanged.assign(n, false);

    for (const BatchItem& item : items) {
        if (std::string problem = NameProblem(item); !problem.empty())
            plan.problems.push_back(std::move(problem));
    }
    if (!plan.problems.empty()) return plan;

    std::vector<std::string> sources(n), targets(n);
    std::unordered_map<std::string_view, size_t> bySource, byTarget;
    bySource.reserve(n), byTarget.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        sources[i] = NormalisePath(items[i].source);
        targets[i] = NormalisePath(TargetPath(items[i]));
    }
    for (size_t i = 0; i < n; ++i) {
        auto [it, added] = bySource.emplace(sources[i], i);
        if (!added) plan.problems.push_back(Quoted(items[i].source) + " is in the list twice");
        auto [jt, fresh] = byTarget.emplace(targets[i], i);
        if (!fresh) {
            const BatchItem& other = items[jt->second];
            plan.problems.push_back(Quoted(GetFileName(other.source)) + " and " +
                                    Quoted(GetFileName(items[i].source)) + " would both be named " +
                                    Quoted(items[i].newName) + " in " +
                                    Quoted(GetFolderName(targets[i], false)));
        }
    }
    // A move of a folder would take every file inside it along, so that a file of the batch
    // inside it is no longer where the batch looks for it.
    if (mode == BatchMode::Move && plan.problems.empty()) {
        for (size_t i = 0; i < n; ++i) {
            for (std::string_view up = sources[i];;) {
                const size_t slash = up.rfind(kPathSeparator);
                if (slash == std::string_view::npos || slash == 0) break;
                up = up.substr(0, slash);
                if (auto it = bySource.find(up); it != bySource.end() && it->second != i) {
                    plan.problems.push_back(Quoted(items[i].source) + " is inside the folder " +
                                            Quoted(items[it->second].source) +
                                            ", which the batch renames too: rename the folder "
                                            "in a batch of its own");
                    break;
                }
            }
        }
    }
    if (!plan.problems.empty()) return plan;

    // Who takes whose name. New paths are unique, so every item gives its name to at most one
    // other: the items form simple chains and cycles.
    std::vector<size_t> givenTo(n, npos);
    for (size_t i = 0; i < n; ++i) {
        if (targets[i] == sources[i]) {
            plan.unchanged[i] = true;
            continue;
        }
        if (auto it = bySource.find(targets[i]); it != bySource.end()) {
            plan.takesNameOf[i] = it->second;
            givenTo[it->second] = i;
        }
    }

    std::vector<bool> grouped(n, false);
    for (size_t i = 0; i < n; ++i) {
        if (grouped[i]) continue;
        // Follow the names taken until a free one (the chain's first item) or back to i.
        size_t head = i;
        bool cycle = false;
        while (plan.takesNameOf[head] != npos) {
            head = plan.takesNameOf[head];
            if (head == i) {
                cycle = true;
                break;
            }
        }
        BatchGroup group;
        group.cycle = cycle;
        for (size_t k = head; k != npos && !grouped[k];
             k = cycle ? plan.takesNameOf[k] : givenTo[k]) {
            group.items.push_back(k);
            grouped[k] = true;
        }
        plan.groups.push_back(std::move(group));
    }
    return plan;
}

namespace {

std::string ErrorText(int code) {
    return GetAPIErrorText(code);
}

int64_t Nanoseconds(const struct statx_timestamp& time) {
    return int64_t(time.tv_sec) * 1000000000 + time.tv_nsec;
}

FileIdentity IdentityOf(const struct statx& st) {
    FileIdentity identity;
    identity.device = (uint64_t(st.stx_dev_major) << 32) | st.stx_dev_minor;
    identity.inode = st.stx_ino;
    identity.size = int64_t(st.stx_size);
    identity.modifiedNs = Nanoseconds(st.stx_mtime);
    if (st.stx_mask & STATX_BTIME) identity.bornNs = Nanoseconds(st.stx_btime);
    return identity;
}

FileIdentity StatxIdentity(int dir, const char* path, int flags) {
    struct statx st {};
    if (statx(dir, path, flags, STATX_BASIC_STATS | STATX_BTIME, &st) != 0) return {};
    return IdentityOf(st);
}

struct timespec Timespec(const struct statx_timestamp& time) {
    return {time.tv_sec, time.tv_nsec};
}

// lstat, and the identity of the file, in one look.
bool LookWithIdentity(const std::string& path, struct stat& st, FileIdentity& identity) {
    struct statx x {};
    if (statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &x) !=
        0)
        return false;
    st = {};
    st.st_dev = makedev(x.stx_dev_major, x.stx_dev_minor);
    st.st_ino = x.stx_ino;
    st.st_mode = x.stx_mode;
    st.st_nlink = x.stx_nlink;
    st.st_uid = x.stx_uid;
    st.st_gid = x.stx_gid;
    st.st_size = off_t(x.stx_size);
    st.st_atim = Timespec(x.stx_atime);
    st.st_mtim = Timespec(x.stx_mtime);
    st.st_ctim = Timespec(x.stx_ctime);
    identity = IdentityOf(x);
    return true;
}

// rename(2) that never replaces: renameat2 with RENAME_NOREPLACE, else link and unlink (which
// also fails when the name exists), else look and rename on a file system that has neither.
// Returns 0 or an errno value.
int RenameNoReplace(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    int error = errno;
    if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP) return error;
    if (link(from.c_str(), to.c_str()) == 0) {
        if (unlink(from.c_str()) == 0) return 0;
        error = errno;
        unlink(to.c_str());
        return error;
    }
    error = errno;
    if (error != EPERM && error != EOPNOTSUPP && error != ENOSYS && error != EMLINK) return error;
    struct stat st {};
    if (lstat(to.c_str(), &st) == 0) return EEXIST;
    if (errno != ENOENT) return errno;
    return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int RenameReplace(const std::string& from, const std::string& to) {
    return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

using Fd = UniqueFd;

int CopyContents(int in, int out) {
    bool any = false;
    for (;;) {
        ssize_t copied = copy_file_range(in, nullptr, out, nullptr, size_t(1) << 30, 0);
        if (copied > 0) {
            any = true;
            continue;
        }
        if (copied == 0) return 0;
        int error = errno;
        if (error == EINTR) continue;
        if (any || (error != EXDEV && error != EINVAL && error != ENOSYS && error != EOPNOTSUPP &&
                    error != EBADF && error != EPERM))
            return error;
        break;  // not offered here: copy by hand
    }
    std::vector<char> buffer(1 << 20);
    for (;;) {
        ssize_t got = read(in, buffer.data(), buffer.size());
        if (got == 0) return 0;
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (const int error = WriteAll(out, {buffer.data(), size_t(got)})) return error;
    }
}

void SyncFolder(const std::string& folder) {
    Fd dir(open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) fsync(dir.get());
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// What the act phase does with one item.
enum class Action {
    Pending,     // move or copy to a free name (or one the batch frees first)
    Replace,     // the user said yes to replacing the file at the new path
    CaseOnly,    // same file under a name that differs in letter case only: via a temporary name
    DropSource,  // the new path is another name (hard link) of the same file, and may be replaced
    Final,       // decided already: the outcome is set
};

enum class FolderState { Present, Missing, Unusable };

struct FolderLook {
    FolderState state = FolderState::Present;
    int error = 0;  // why it is unusable
    size_t items = 0;
    off_t size = 0;
    bool indexed = false;  // its names were read: a name not among them needs no lstat
    std::unordered_set<std::string> names, folded;
};

enum class SourceLook { NotLooked, Present, Failed };

// One run of a batch, phase by phase.
class BatchRun {
  public:
    BatchRun(BatchMode mode, const std::vector<BatchItem>& items, BatchQuestions& questions,
             ProgressObserver& progress, const BatchOptions& options)
        : mode_(mode),
          items_(items),
          questions_(questions),
          progress_(progress),
          options_(options),
          n_(items.size()),
          tag_(options.temporaryTag.empty() ? NewTemporaryTag() : options.temporaryTag) {
        result_.items.resize(n_);
    }

    BatchResult Run() {
        if (!Plan() || !Look()) return std::move(result_);
        if (options_.dryRun) {
            DescribeDryRun();
            return std::move(result_);
        }
        if (!Ask() || !RecordPlan()) return std::move(result_);
        Act();
        if (options_.recorder != nullptr) options_.recorder->Finish(result_);
        return std::move(result_);
    }

  private:
    using StepHook = std::function<int(std::string_view step)>;

    // ----- plan -----
    bool Plan();
    // ----- look -----
    bool Look();
    bool LookAtSource(size_t i);
    void LookAtRecordedSources();
    void LookAtFolders();
    void IndexLargeFolders();
    void LookAtTargets();
    size_t SameFileInBatch(const struct stat& st);
    void DescribeDryRun();
    // ----- ask -----
    bool Ask();
    ReplaceQuestion QuestionFor(size_t i) const;
    void CancelRest();
    // ----- record -----
    bool RecordPlan();
    // ----- act -----
    void Act();
    void MoveSingle(size_t i);
    void MoveChain(const BatchGroup& group);
    void MoveCycle(const BatchGroup& group);
    void CopyGroup(const BatchGroup& group);
    std::string Move(size_t item, std::string_view step, const std::string& from,
                     const std::string& to, bool replace);
    std::string MoveAcross(size_t item, const std::string& from, const std::string& to,
                           bool replace);
    int MoveToTemporary(size_t item, const std::string& from, std::string& temporary);
    struct Copied {
        std::string temporary;  // the complete copy, or "" on failure
        std::string error;
    };
    Copied CopyToTemporary(size_t item, const std::string& from, const std::string& folder,
                           bool forMove);

    StepHook HookOf(size_t item) const {
        if (!options_.beforeStep) return {};
        return [this, item](std::string_view step) { return options_.beforeStep(item, step); };
    }
    static int Call(const StepHook& hook, std::string_view step) { return hook ? hook(step) : 0; }
    std::string TemporaryIn(size_t i, const std::string& folder) const {
        return JoinPath(folder, items_[i].temporaryName.empty() ? TemporaryFileName(tag_, i)
                                                                : items_[i].temporaryName);
    }
    void Fail(size_t i, std::string reason) {
        act_[i] = Action::Final;
        result_.items[i] = {ItemState::Failed, std::move(reason)};
    }
    void Done(size_t i) {
        act_[i] = Action::Final;
        result_.items[i] = {ItemState::Done, {}};
        if (recording_) options_.recorder->Done(i);
    }
    void NotRun(size_t i, std::string reason) {
        act_[i] = Action::Final;
        result_.items[i] = {ItemState::NotRun, std::move(reason)};
    }
    void Skip(size_t i, std::string reason) {
        act_[i] = Action::Final;
        result_.items[i] = {ItemState::Skipped, std::move(reason)};
    }
    std::string NameOf(size_t i) const { return Quoted(GetFileName(items_[i].source)); }
    bool Stopped() {
        if (!stopped_ && progress_.ShouldStop()) stopped_ = true;
        return stopped_;
    }

    const BatchMode mode_;
    const std::vector<BatchItem>& items_;
    BatchQuestions& questions_;
    ProgressObserver& progress_;
    const BatchOptions& options_;
    const size_t n_;
    const std::string tag_;
    BatchResult result_;
    BatchPlan plan_;
    bool recording_ = false;
    bool stopped_ = false;

    std::vector<Action> act_;
    std::vector<std::string> targets_;
    std::vector<std::string> folders_;  // each item's target folder as compared
    std::vector<struct stat> sourceStat_;
    std::vector<FileIdentity> sources_;  // a recorded batch's files
    std::vector<SourceLook> sourceLook_;
    std::vector<struct stat> targetStat_;
    std::unordered_map<std::string, FolderLook> folderLooks_;
    std::vector<FolderLook*> folderOf_;
    std::vector<std::string> missingFolders_;  // in the order the items first name them
    std::unordered_multimap<uint64_t, size_t> byInode_;
    std::vector<size_t> toAsk_;
    size_t handled_ = 0;
};

// ----- plan -----

bool BatchRun::Plan() {
    plan_ = PlanBatch(mode_, items_);
    if (!plan_.problems.empty()) {
        result_.problems = std::move(plan_.problems);
        return false;
    }
    act_.assign(n_, Action::Pending);
    targets_.reserve(n_);
    folders_.reserve(n_);
    for (size_t i = 0; i < n_; ++i) {
        targets_.push_back(TargetPath(items_[i]));
        if (i > 0 && items_[i].targetFolder == items_[i - 1].targetFolder)
            folders_.push_back(folders_.back());  // the usual batch: one folder throughout
        else
            folders_.push_back(
                NormalisePath(items_[i].targetFolder.empty() ? "." : items_[i].targetFolder));
    }
    return true;
}

// ----- look: read only -----

bool BatchRun::LookAtSource(size_t i) {
    if (sourceLook_[i] == SourceLook::NotLooked) {
        // A recorded batch notes each file's identity with the same look.
        const bool looked = options_.recorder != nullptr
                                ? LookWithIdentity(items_[i].source, sourceStat_[i], sources_[i])
                                : lstat(items_[i].source.c_str(), &sourceStat_[i]) == 0;
        if (looked) {
            sourceLook_[i] = SourceLook::Present;
        } else {
            sourceLook_[i] = SourceLook::Failed;
            Fail(i, ErrorText(errno));
        }
    }
    return sourceLook_[i] == SourceLook::Present;
}

// A recorded batch looks at every file before its first change, which a plain move does not
// (it looks only where a new name is taken). On a large batch a second thread takes half of
// those looks; each look touches only its own item's entries, so the halves share nothing.
void BatchRun::LookAtRecordedSources() {
    constexpr size_t kLooksForTwoThreads = 2048;
    if (options_.recorder == nullptr || n_ < kLooksForTwoThreads) return;
    auto look = [this](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i)
            (void)LookAtSource(i);
    };
    const size_t half = n_ / 2;
    try {
        std::thread second(look, half, n_);
        look(0, half);
        second.join();
    } catch (const std::system_error&) {
        // No second thread: the files not looked at yet are looked at in turn by Look.
    }
}

bool BatchRun::Look() {
    // A move needs a source's details only when its new path exists already (a rename of a
    // missing file fails by itself, with the system's text), so in the usual batch each file
    // costs one look before its rename; a copy checks every source first, and a recorded batch
    // notes the identity of every file.
    sourceStat_.resize(n_);
    sources_.resize(options_.recorder != nullptr ? n_ : 0);
    sourceLook_.assign(n_, SourceLook::NotLooked);
    targetStat_.resize(n_);
    LookAtRecordedSources();
    const bool everySource = mode_ == BatchMode::Copy || options_.recorder != nullptr;
    for (size_t i = 0; i < n_; ++i) {
        if (everySource && !LookAtSource(i)) continue;
        if (mode_ == BatchMode::Copy) {
            struct stat followed {};
            if (stat(items_[i].source.c_str(), &followed) != 0) {
                Fail(i, ErrorText(errno));
                continue;
            }
            if (S_ISDIR(followed.st_mode)) {
                Fail(i, ErrorText(EISDIR));
                continue;
            }
            if (!S_ISREG(followed.st_mode)) {
                Fail(i, "Not a regular file");
                continue;
            }
        }
        if (plan_.unchanged[i]) {
            if (!LookAtSource(i)) continue;
            if (mode_ == BatchMode::Copy) {
                Skip(i, "skipped: it would be copied onto itself");
            } else {
                act_[i] = Action::Final;
                result_.items[i] = {ItemState::Unchanged, {}};
            }
        }
    }
    LookAtFolders();
    IndexLargeFolders();
    LookAtTargets();
    if (!result_.problems.empty()) {
        for (ItemOutcome& item : result_.items)
            item = {};
        return false;
    }
    return true;
}

void BatchRun::LookAtFolders() {
    folderOf_.assign(n_, nullptr);
    for (size_t i = 0; i < n_; ++i) {
        if (act_[i] == Action::Final) continue;
        if (i > 0 && folderOf_[i - 1] != nullptr && folders_[i] == folders_[i - 1]) {
            folderOf_[i] = folderOf_[i - 1];
        } else {
            auto [it, fresh] = folderLooks_.try_emplace(folders_[i]);
            FolderLook& look = it->second;
            if (fresh) {
                struct stat st {};
                if (stat(folders_[i].c_str(), &st) != 0) {
                    look.error = errno;
                    look.state =
                        look.error == ENOENT ? FolderState::Missing : FolderState::Unusable;
                } else if (!S_ISDIR(st.st_mode)) {
                    look.state = FolderState::Unusable;
                    look.error = ENOTDIR;
                }
                look.size = st.st_size;
                if (look.state == FolderState::Missing) missingFolders_.push_back(folders_[i]);
            }
            folderOf_[i] = &look;
        }
        ++folderOf_[i]->items;
        if (folderOf_[i]->state == FolderState::Unusable) Fail(i, ErrorText(folderOf_[i]->error));
    }
}

// A folder that takes many files of the batch is read once, which costs less than a look at
// every new name; a file that appears after that is still never replaced (the renames refuse
// to). Letter case is folded too, so that a name a case-insensitive file system would find is
// looked at.
void BatchRun::IndexLargeFolders() {
    for (auto& [path, look] : folderLooks_) {
        if (look.state != FolderState::Present || look.items < 64 ||
            look.size > off_t(look.items) * 4096)
            continue;
        DIR* dir = opendir(path.c_str());
        if (dir == nullptr) continue;
        while (const struct dirent* entry = readdir(dir)) {
            look.names.emplace(entry->d_name);
            look.folded.insert(AsciiLowerCopy(entry->d_name));
        }
        closedir(dir);
        look.indexed = true;
    }
}

// The items by their source's file, made when a new path first turns out to exist.
size_t BatchRun::SameFileInBatch(const struct stat& st) {
    auto key = [](const struct stat& s) { return uint64_t(s.st_ino) ^ (uint64_t(s.st_dev) << 32); };
    if (byInode_.empty()) {
        byInode_.reserve(n_);
        for (size_t j = 0; j < n_; ++j)
            if (sourceLook_[j] == SourceLook::Present ||
                (sourceLook_[j] == SourceLook::NotLooked && act_[j] != Action::Final &&
                 LookAtSource(j)))
                byInode_.emplace(key(sourceStat_[j]), j);
    }
    auto [first, last] = byInode_.equal_range(key(st));
    for (auto it = first; it != last; ++it)
        if (SameFile(st, sourceStat_[it->second])) return it->second;
    return npos;
}

// The new paths that exist already.
void BatchRun::LookAtTargets() {
    for (size_t i = 0; i < n_; ++i) {
        if (act_[i] == Action::Final) continue;
        const FolderLook& look = *folderOf_[i];
        if (look.state == FolderState::Missing) continue;  // a missing folder holds nothing
        if (look.indexed && !look.names.contains(items_[i].newName) &&
            !look.folded.contains(AsciiLowerCopy(items_[i].newName)))
            continue;
        struct stat& st = targetStat_[i];
        if (lstat(targets_[i].c_str(), &st) != 0) {
            if (errno != ENOENT) Fail(i, ErrorText(errno));
            continue;
        }
        if (plan_.takesNameOf[i] != npos) {
            // The old name of another item of the batch: a move frees it first; a copy replaces
            // a file, which the user decides.
            if (mode_ == BatchMode::Copy) toAsk_.push_back(i);
            continue;
        }
        if (!LookAtSource(i)) continue;
        if (SameFile(st, sourceStat_[i])) {
            if (mode_ == BatchMode::Copy) {
                Skip(i, "skipped: it would be copied onto itself");
                continue;
            }
            const bool caseOnly =
                EqualsIgnoreCase(GetFileName(targets_[i]), GetFileName(items_[i].source)) &&
                NormalisePath(GetFolderName(targets_[i], false)) ==
                    NormalisePath(GetFolderName(items_[i].source, false));
            if (caseOnly) {
                act_[i] = Action::CaseOnly;
                continue;
            }
            act_[i] = Action::DropSource;  // once it may replace
            toAsk_.push_back(i);
            continue;
        }
        if (size_t j = SameFileInBatch(st); j != npos) {
            result_.problems.push_back("The new name of " + NameOf(i) + ", " + Quoted(targets_[i]) +
                                       ", is the file " + Quoted(items_[j].source) +
                                       " of the list under another path");
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            Fail(i, Quoted(targets_[i]) + " is a folder");
            continue;
        }
        toAsk_.push_back(i);
    }
}

void BatchRun::DescribeDryRun() {
    for (const std::string& folder : missingFolders_)
        for (size_t i = 0; i < n_; ++i)
            if (act_[i] != Action::Final && folders_[i] == folder)
                result_.items[i].reason = "would ask to create the folder " + Quoted(folder);
    for (size_t i : toAsk_)
        result_.items[i].reason = kWouldReplace + Quoted(targets_[i]);
}

// ----- ask: every question before the first change -----

ReplaceQuestion BatchRun::QuestionFor(size_t i) const {
    ReplaceQuestion question;
    question.target = targets_[i];
    question.source = items_[i].source;
    const struct stat& target = targetStat_[i];
    question.targetSize = target.st_size;
    question.targetModified = target.st_mtime;
    if (S_ISLNK(target.st_mode)) {
        // What the user knows is the file the link shows, not the link.
        question.targetIsLink = true;
        std::string buffer(4096, '\0');
        const ssize_t length = readlink(targets_[i].c_str(), buffer.data(), buffer.size());
        if (length >= 0) question.linkTarget = buffer.substr(0, size_t(length));
        struct stat followed {};
        if (stat(targets_[i].c_str(), &followed) == 0) {
            question.targetSize = followed.st_size;
            question.targetModified = followed.st_mtime;
        } else {
            question.targetSize = -1;
        }
    }
    struct stat source = sourceStat_[i];
    if (mode_ == BatchMode::Copy) stat(items_[i].source.c_str(), &source);  // a copy reads through
    question.sourceSize = source.st_size;
    question.sourceModified = source.st_mtime;
    return question;
}

void BatchRun::CancelRest() {
    result_.cancelled = true;
    for (size_t i = 0; i < n_; ++i)
        if (act_[i] != Action::Final) NotRun(i, "Cancelled");
}

bool BatchRun::Ask() {
    for (const std::string& folder : missingFolders_) {
        if (!questions_.AskCreateFolder(folder)) {
            CancelRest();
            return false;
        }
    }
    bool replaceAll = false;
    for (size_t i : toAsk_) {
        const ReplaceAnswer answer =
            replaceAll ? ReplaceAnswer::YesToAll : questions_.AskReplace(QuestionFor(i));
        switch (answer) {
            case ReplaceAnswer::YesToAll:
                replaceAll = true;
                [[fallthrough]];
            case ReplaceAnswer::Yes:
                if (act_[i] != Action::DropSource) act_[i] = Action::Replace;
                break;
            case ReplaceAnswer::No:
                Skip(i, Quoted(GetFileName(targets_[i])) + " already exists");
                break;
            case ReplaceAnswer::Cancel:
                CancelRest();
                return false;
        }
    }
    return true;
}

// ----- record: the plan goes to the journal before the first change -----

bool BatchRun::RecordPlan() {
    if (options_.recorder == nullptr) return true;
    std::vector<ItemDecision> decisions(n_, ItemDecision::Go);
    for (size_t i = 0; i < n_; ++i) {
        switch (act_[i]) {
            case Action::Replace:
            case Action::DropSource:
                decisions[i] = ItemDecision::Replace;
                break;
            case Action::Final:
                decisions[i] =
                    result_.items[i].state == ItemState::Unchanged ? ItemDecision::Unchanged
                    : result_.items[i].state == ItemState::Skipped ? ItemDecision::Skipped
                                                                   : ItemDecision::Failed;
                break;
            default:
                break;
        }
    }
    if (std::string error = options_.recorder->Begin(mode_, items_, sources_, decisions);
        !error.empty()) {
        result_.problems.push_back(std::move(error));
        for (ItemOutcome& item : result_.items)
            item = {};
        return false;
    }
    recording_ = true;
    return true;
}

// ----- act -----

void BatchRun::Act() {
    for (const std::string& folder : missingFolders_) {
        if (!MakeFolders(folder)) {
            const int code = errno;
            for (size_t i = 0; i < n_; ++i)
                if (act_[i] != Action::Final && folders_[i] == folder)
                    Fail(i, ErrorText(code == 0 ? EACCES : code));
        }
    }
    progress_.SetMax(long(n_));
    progress_.SetValue(0);
    for (const BatchGroup& group : plan_.groups) {
        if (Stopped()) break;
        if (mode_ == BatchMode::Copy)
            CopyGroup(group);
        else if (group.cycle)
            MoveCycle(group);
        else
            MoveChain(group);
        if (recording_) options_.recorder->GroupDone(group.cycle);
        handled_ += group.cycle || mode_ == BatchMode::Copy ? group.items.size() : 0;
        progress_.SetValue(long(handled_));
    }
    if (stopped_) CancelRest();
}

// One step on disk: the hook may fail it first. "" or the error text. Within a file system this
// is one rename; across file systems the file is copied.
std::string BatchRun::Move(size_t item, std::string_view step, const std::string& from,
                           const std::string& to, bool replace) {
    if (int injected = Call(HookOf(item), step)) return ErrorText(injected);
    int error = replace ? RenameReplace(from, to) : RenameNoReplace(from, to);
    if (error == 0) return {};
    if (error != EXDEV) return ErrorText(error);
    return MoveAcross(item, from, to, replace);
}

// The file is copied next to its new name, renamed into place, and only then is the source
// deleted.
std::string BatchRun::MoveAcross(size_t item, const std::string& from, const std::string& to,
                                 bool replace) {
    struct stat st {};
    if (lstat(from.c_str(), &st) != 0) return ErrorText(errno);
    if (!S_ISREG(st.st_mode)) return ErrorText(EXDEV);  // folders and links stay on their disk
    if (access(FolderOf(from).c_str(), W_OK) != 0) return ErrorText(errno);
    const std::string toFolder = FolderOf(to);
    Copied copy = CopyToTemporary(item, from, toFolder, true);
    if (!copy.error.empty()) return copy.error;
    int error = replace ? RenameReplace(copy.temporary, to) : RenameNoReplace(copy.temporary, to);
    if (error != 0) {
        unlink(copy.temporary.c_str());
        return ErrorText(error);
    }
    SyncFolder(toFolder);
    error = Call(HookOf(item), "delete source");
    if (error == 0 && unlink(from.c_str()) != 0) error = errno;
    if (error != 0) {
        // Put things back as they were when nothing was replaced; otherwise keep both files.
        if (!replace && unlink(to.c_str()) == 0) return ErrorText(error);
        return "Copied, but the original could not be deleted: " + ErrorText(error);
    }
    return {};
}

// Moves from to the item's temporary name in its own folder: 0 or an errno value.
int BatchRun::MoveToTemporary(size_t item, const std::string& from, std::string& temporary) {
    temporary = TemporaryIn(item, FolderOf(from));
    return RenameNoReplace(from, temporary);
}

// Copies the file at from, whole, to the item's temporary name in folder, with its permissions
// and times (and owner, when moving). A failure leaves nothing behind.
BatchRun::Copied BatchRun::CopyToTemporary(size_t item, const std::string& from,
                                           const std::string& folder, bool forMove) {
    // Without waiting: a named pipe in the list must not hold the batch up.
    Fd in(OpenPath(from, O_RDONLY | O_NONBLOCK | O_NOCTTY));
    if (in.get() < 0) return {{}, ErrorText(errno)};
    struct stat st {};
    if (fstat(in.get(), &st) != 0) return {{}, ErrorText(errno)};
    if (S_ISDIR(st.st_mode)) return {{}, ErrorText(EISDIR)};
    if (!S_ISREG(st.st_mode)) return {{}, "Not a regular file"};

    const std::string temporary = TemporaryIn(item, folder);
    Fd out(open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.get() < 0) return {{}, ErrorText(errno)};
    int error = CopyContents(in.get(), out.get());
    if (error == 0) error = Call(HookOf(item), "copy data");
    if (error == 0 && forMove) (void)!fchown(out.get(), st.st_uid, st.st_gid);
    if (error == 0 && fchmod(out.get(), st.st_mode & 07777) != 0) error = errno;
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (error == 0 && futimens(out.get(), times) != 0) error = errno;
    if (error == 0 && forMove && fsync(out.get()) != 0) error = errno;
    const FileIdentity written = error == 0 ? LookAtFile(out.get()) : FileIdentity();
    if (error == 0 && !written.known()) error = errno;
    if (error == 0) error = out.Close();
    if (error != 0) {
        unlink(temporary.c_str());
        return {{}, ErrorText(error)};
    }
    if (recording_) options_.recorder->Placing(item, written);
    return {temporary, {}};
}

void BatchRun::MoveSingle(size_t i) {
    const std::string& from = items_[i].source;
    const std::string& to = targets_[i];
    switch (act_[i]) {
        case Action::Pending:
        case Action::Replace: {
            std::string error = Move(i, "move", from, to, act_[i] == Action::Replace);
            error.empty() ? Done(i) : Fail(i, error);
            return;
        }
        case Action::DropSource: {
            int code = Call(HookOf(i), "delete source");
            if (code == 0 && unlink(from.c_str()) != 0) code = errno;
            code == 0 ? Done(i) : Fail(i, ErrorText(code));
            return;
        }
        case Action::CaseOnly: {
            std::string temporary;
            int code = Call(HookOf(i), "to temporary");
            if (code == 0) code = MoveToTemporary(i, from, temporary);
            if (code != 0) return Fail(i, ErrorText(code));
            code = Call(HookOf(i), "from temporary");
            if (code == 0) code = RenameNoReplace(temporary, to);
            if (code == 0) return Done(i);
            int back = Call(HookOf(i), "undo");
            if (back == 0) back = RenameNoReplace(temporary, from);
            Fail(i, back == 0 ? ErrorText(code)
                              : ErrorText(code) + "; the file is now named " + Quoted(temporary) +
                                    ": " + ErrorText(back));
            return;
        }
        case Action::Final:
            return;
    }
}

void BatchRun::MoveChain(const BatchGroup& group) {
    for (size_t k = 0; k < group.items.size(); ++k) {
        const size_t i = group.items[k];
        // Every step of a chain leaves the disk whole, so a stop may come between any two.
        if (k > 0 && Stopped()) return;
        ++handled_;
        if (k > 0) progress_.SetValue(long(handled_));
        if (act_[i] == Action::Final) continue;
        // The name this item takes is free only when the item before it has gone.
        if (k > 0 && !BatchResult::IsDone(result_.items[group.items[k - 1]].state)) {
            NotRun(i, "its new name is still taken by " + NameOf(group.items[k - 1]) +
                          ", which was not renamed");
            continue;
        }
        MoveSingle(i);
    }
}

void BatchRun::MoveCycle(const BatchGroup& group) {
    const std::vector<size_t>& members = group.items;
    for (size_t i : members) {
        if (act_[i] == Action::Final) {
            for (size_t j : members)
                if (act_[j] != Action::Final)
                    NotRun(j, "it takes part in a round of renames with " + NameOf(i) +
                                  ", which cannot be renamed");
            return;
        }
    }
    // The first member to a temporary name; then every other member, last first, into the name
    // the one after it has left; then the first member from its temporary name.
    struct Step {
        size_t item;
        std::string from, to;
    };
    std::vector<Step> done;
    std::string error;
    size_t failed = npos;
    bool stopped = false;
    auto step = [&](size_t item, std::string_view word, const std::string& from,
                    const std::string& to) {
        // A stop in the first half of the round turns it back; later it is quicker to finish.
        if (done.size() < (members.size() + 1) / 2 && Stopped()) {
            stopped = true;
            failed = item;
            return false;
        }
        error = Move(item, word, from, to, false);
        if (!error.empty()) {
            failed = item;
            return false;
        }
        done.push_back({item, from, to});
        return true;
    };

    const size_t first = members[0];
    std::string temporary;
    int code = Call(HookOf(first), "to temporary");
    if (code == 0) code = MoveToTemporary(first, items_[first].source, temporary);
    if (code != 0) {
        error = ErrorText(code);
        failed = first;
    } else {
        done.push_back({first, items_[first].source, temporary});
        bool ok = true;
        for (size_t k = members.size() - 1; ok && k >= 1; --k)
            ok = step(members[k], "move", items_[members[k]].source, targets_[members[k]]);
        if (ok) step(first, "from temporary", temporary, targets_[first]);
    }
    if (failed == npos) {
        for (size_t i : members)
            Done(i);
        return;
    }
    // Turn the round back, newest step first, so that no file is left under a temporary name.
    std::string stranded;
    for (auto it = done.rbegin(); it != done.rend(); ++it) {
        std::string back = Move(it->item, "undo", it->to, it->from, false);
        if (!back.empty())
            stranded += "; " + Quoted(it->from) + " is now named " + Quoted(it->to) + ": " + back;
    }
    if (stopped) {
        for (size_t i : members)
            NotRun(i, "Cancelled" + stranded);
        return;
    }
    Fail(failed, error + stranded);
    for (size_t i : members)
        if (i != failed)
            NotRun(i, "it takes part in a round of renames with " + NameOf(failed) +
                          ", which could not be renamed, so the round was undone" + stranded);
}

void BatchRun::CopyGroup(const BatchGroup& group) {
    // Every member is read into a temporary copy before any of them replaces a file, so a copy
    // whose new name is another member's old name still copies what that file held.
    std::vector<std::string> temporaries(group.items.size());
    for (size_t k = 0; k < group.items.size(); ++k) {
        const size_t i = group.items[k];
        if (act_[i] == Action::Final) continue;
        if (int code = Call(HookOf(i), "copy")) {
            Fail(i, ErrorText(code));
            continue;
        }
        Copied copy = CopyToTemporary(i, items_[i].source, FolderOf(targets_[i]), false);
        if (!copy.error.empty())
            Fail(i, copy.error);
        else
            temporaries[k] = std::move(copy.temporary);
    }
    for (size_t k = 0; k < group.items.size(); ++k) {
        const size_t i = group.items[k];
        if (act_[i] == Action::Final) continue;
        int code = Call(HookOf(i), "place");
        if (code == 0)
            code = act_[i] == Action::Pending ? RenameNoReplace(temporaries[k], targets_[i])
                                              : RenameReplace(temporaries[k], targets_[i]);
        if (code == 0) {
            Done(i);
        } else {
            unlink(temporaries[k].c_str());
            Fail(i, ErrorText(code));
        }
    }
}

}  // namespace

FileIdentity LookAtPath(const std::string& path) {
    return StatxIdentity(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW);
}

FileIdentity LookAtFile(int fd) {
    return StatxIdentity(fd, "", AT_EMPTY_PATH);
}

BatchResult RunBatch(BatchMode mode, const std::vector<BatchItem>& items, BatchQuestions& questions,
                     ProgressObserver& progress, const BatchOptions& options) {
    return BatchRun(mode, items, questions, progress, options).Run();
}

std::string DescribeResult(BatchMode mode, const std::vector<BatchItem>& items,
                           const BatchResult& result, size_t maxListed) {
    const char* verb = mode == BatchMode::Move ? "renamed" : "copied";
    auto files = [](size_t count) {
        return std::to_string(count) + (count == 1 ? " file" : " files");
    };
    auto list = [&](const std::vector<std::string>& lines) {
        std::string text;
        for (size_t k = 0; k < lines.size() && k < maxListed; ++k)
            text += "\n" + lines[k];
        if (lines.size() > maxListed)
            text += "\n... and " + std::to_string(lines.size() - maxListed) + " more";
        return text;
    };
    if (!result.problems.empty())
        return std::string("Nothing was ") + verb + ":" + list(result.problems);
    const size_t done = result.DoneCount();
    if (done == items.size()) return files(done) + (done == 1 ? " was " : " were ") + verb + ".";
    if (result.cancelled && done == 0) return std::string("Cancelled: nothing was ") + verb + ".";
    std::vector<std::string> lines;
    for (size_t i = 0; i < items.size() && i < result.items.size(); ++i) {
        const ItemOutcome& outcome = result.items[i];
        if (BatchResult::IsDone(outcome.state)) continue;
        lines.push_back(Quoted(GetFileName(items[i].source)) + " \xE2\x86\x92 " +
                        Quoted(items[i].newName) + ": " + outcome.reason);
    }
    return std::to_string(done) + " of " + files(items.size()) +
           (done == 1 || items.size() == 1 ? " was " : " were ") + verb +
           (result.cancelled ? " before the stop" : "") + ". " + std::to_string(lines.size()) +
           (lines.size() == 1 ? " was" : " were") + " not:" + list(lines);
}

}  // namespace morv::renamer
