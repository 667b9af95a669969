#include "renamer/core/BatchOperation.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <random>
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

std::string Quoted(std::string_view text) {
    std::string quoted = "'";
    quoted.append(text);
    quoted += '\'';
    return quoted;
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

std::string TargetPath(const BatchItem& item) {
    return JoinPath(item.targetFolder.empty() ? std::string(".") : item.targetFolder, item.newName);
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

BatchPlan PlanBatch(BatchMode, const std::vector<BatchItem>& items) {
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

// A name no file has yet, hidden, in folder.
std::string TemporaryName(const std::string& folder) {
    static std::mt19937_64 random(
        std::random_device{}() ^
        uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^ uint64_t(getpid()));
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = ".trelo-";
    for (int i = 0; i < 10; ++i)
        name += kLetters[random() % (sizeof kLetters - 1)];
    name += ".tmp";
    return JoinPath(folder, name);
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

// Injects a failure into one step of one item (tests): 0 goes on, an errno value fails the step.
using StepHook = std::function<int(std::string_view step)>;

int Call(const StepHook& hook, std::string_view step) {
    return hook ? hook(step) : 0;
}

struct Copied {
    std::string temporary;  // the complete copy, or "" on failure
    std::string error;
};

// Copies the file at from, whole, to a new temporary name in folder, with its permissions and
// times (and owner, when moving). A failure leaves nothing behind.
Copied CopyToTemporary(const std::string& from, const std::string& folder, bool forMove,
                       const StepHook& hook) {
    // Without waiting: a named pipe in the list must not hold the batch up.
    Fd in(OpenPath(from, O_RDONLY | O_NONBLOCK | O_NOCTTY));
    if (in.get() < 0) return {{}, ErrorText(errno)};
    struct stat st {};
    if (fstat(in.get(), &st) != 0) return {{}, ErrorText(errno)};
    if (S_ISDIR(st.st_mode)) return {{}, ErrorText(EISDIR)};
    if (!S_ISREG(st.st_mode)) return {{}, "Not a regular file"};

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = TemporaryName(folder);
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) return {{}, ErrorText(errno)};
    }
    if (fd < 0) return {{}, ErrorText(EEXIST)};
    Fd out(fd);
    int error = CopyContents(in.get(), out.get());
    if (error == 0) error = Call(hook, "copy data");
    if (error == 0 && forMove) (void)!fchown(out.get(), st.st_uid, st.st_gid);
    if (error == 0 && fchmod(out.get(), st.st_mode & 07777) != 0) error = errno;
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (error == 0 && futimens(out.get(), times) != 0) error = errno;
    if (error == 0 && forMove && fsync(out.get()) != 0) error = errno;
    if (error == 0) error = out.Close();
    if (error != 0) {
        unlink(temporary.c_str());
        return {{}, ErrorText(error)};
    }
    return {temporary, {}};
}

void SyncFolder(const std::string& folder) {
    Fd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) fsync(dir.get());
}

// Moves one file; "" or the error text. Within a file system this is one rename; across file
// systems the file is copied next to its new name, renamed into place, and only then is the
// source deleted.
std::string MoveOne(const std::string& from, const std::string& to, bool replace,
                    const StepHook& hook) {
    int error = replace ? RenameReplace(from, to) : RenameNoReplace(from, to);
    if (error == 0) return {};
    if (error != EXDEV) return ErrorText(error);

    struct stat st {};
    if (lstat(from.c_str(), &st) != 0) return ErrorText(errno);
    if (!S_ISREG(st.st_mode)) return ErrorText(EXDEV);  // folders and links stay on their disk
    const std::string fromFolder = GetFolderName(from, false);
    if (access(fromFolder.empty() ? "." : fromFolder.c_str(), W_OK) != 0) return ErrorText(errno);
    const std::string toFolder = GetFolderName(to, false);
    Copied copy = CopyToTemporary(from, toFolder.empty() ? "." : toFolder, true, hook);
    if (!copy.error.empty()) return copy.error;
    error = replace ? RenameReplace(copy.temporary, to) : RenameNoReplace(copy.temporary, to);
    if (error != 0) {
        unlink(copy.temporary.c_str());
        return ErrorText(error);
    }
    SyncFolder(toFolder.empty() ? "." : toFolder);
    error = Call(hook, "delete source");
    if (error == 0 && unlink(from.c_str()) != 0) error = errno;
    if (error != 0) {
        // Put things back as they were when nothing was replaced; otherwise keep both files.
        if (!replace && unlink(to.c_str()) == 0) return ErrorText(error);
        return "Copied, but the original could not be deleted: " + ErrorText(error);
    }
    return {};
}

// Moves from to a new temporary name in its own folder; the name, or "" with error set.
std::string MoveToTemporary(const std::string& from, std::string& error) {
    const std::string folder = GetFolderName(from, false);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temporary = TemporaryName(folder.empty() ? "." : folder);
        int code = RenameNoReplace(from, temporary);
        if (code == 0) return temporary;
        if (code != EEXIST) {
            error = ErrorText(code);
            return {};
        }
    }
    error = ErrorText(EEXIST);
    return {};
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// What the act phase does with one item.
enum class Act {
    Pending,     // move or copy to a free name (or one the batch frees first)
    Replace,     // the user said yes to replacing the file at the new path
    CaseOnly,    // same file under a name that differs in letter case only: via a temporary name
    DropSource,  // the new path is another name (hard link) of the same file, and may be replaced
    Final,       // decided already: the outcome is set
};

struct Runner {
    const std::vector<BatchItem>& items;
    const BatchOptions& options;
    BatchResult& result;
    std::vector<Act> act;
    std::vector<std::string> targets;

    StepHook HookOf(size_t item) const {
        if (!options.beforeStep) return {};
        return [this, item](std::string_view step) { return options.beforeStep(item, step); };
    }
    void Fail(size_t i, std::string reason) {
        act[i] = Act::Final;
        result.items[i] = {ItemState::Failed, std::move(reason)};
    }
    void Done(size_t i) {
        act[i] = Act::Final;
        result.items[i] = {ItemState::Done, {}};
    }
    void NotRun(size_t i, std::string reason) {
        act[i] = Act::Final;
        result.items[i] = {ItemState::NotRun, std::move(reason)};
    }
    std::string NameOf(size_t i) const { return Quoted(GetFileName(items[i].source)); }

    // One step on disk: the hook may fail it first. "" or the error text.
    std::string Move(size_t item, std::string_view step, const std::string& from,
                     const std::string& to, bool replace) const {
        const StepHook hook = HookOf(item);
        if (int injected = Call(hook, step)) return ErrorText(injected);
        return MoveOne(from, to, replace, hook);
    }

    void MoveSingle(size_t i);
    void MoveChain(const BatchGroup& group);
    void MoveCycle(const BatchGroup& group);
    void CopyGroup(const BatchGroup& group);
};

void Runner::MoveSingle(size_t i) {
    const std::string& from = items[i].source;
    const std::string& to = targets[i];
    switch (act[i]) {
        case Act::Pending:
        case Act::Replace: {
            std::string error = Move(i, "move", from, to, act[i] == Act::Replace);
            error.empty() ? Done(i) : Fail(i, error);
            return;
        }
        case Act::DropSource: {
            int code = Call(HookOf(i), "delete source");
            if (code == 0 && unlink(from.c_str()) != 0) code = errno;
            code == 0 ? Done(i) : Fail(i, ErrorText(code));
            return;
        }
        case Act::CaseOnly: {
            std::string error;
            int code = Call(HookOf(i), "to temporary");
            std::string temporary = code == 0 ? MoveToTemporary(from, error) : std::string();
            if (temporary.empty()) return Fail(i, code != 0 ? ErrorText(code) : error);
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
        case Act::Final:
            return;
    }
}

void Runner::MoveChain(const BatchGroup& group) {
    for (size_t k = 0; k < group.items.size(); ++k) {
        const size_t i = group.items[k];
        if (act[i] == Act::Final) continue;
        // The name this item takes is free only when the item before it has gone.
        if (k > 0 && !BatchResult::IsDone(result.items[group.items[k - 1]].state)) {
            NotRun(i, "its new name is still taken by " + NameOf(group.items[k - 1]) +
                          ", which was not renamed");
            continue;
        }
        MoveSingle(i);
    }
}

void Runner::MoveCycle(const BatchGroup& group) {
    const std::vector<size_t>& members = group.items;
    for (size_t i : members) {
        if (act[i] == Act::Final) {
            for (size_t j : members)
                if (act[j] != Act::Final)
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
    auto step = [&](size_t item, std::string_view word, const std::string& from,
                    const std::string& to) {
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
    if (int code = Call(HookOf(first), "to temporary"))
        error = ErrorText(code);
    else
        temporary = MoveToTemporary(items[first].source, error);
    if (temporary.empty()) {
        failed = first;
    } else {
        done.push_back({first, items[first].source, temporary});
        bool ok = true;
        for (size_t k = members.size() - 1; ok && k >= 1; --k)
            ok = step(members[k], "move", items[members[k]].source, targets[members[k]]);
        if (ok) step(first, "from temporary", temporary, targets[first]);
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
    Fail(failed, error + stranded);
    for (size_t i : members)
        if (i != failed)
            NotRun(i, "it takes part in a round of renames with " + NameOf(failed) +
                          ", which could not be renamed, so the round was undone" + stranded);
}

void Runner::CopyGroup(const BatchGroup& group) {
    // Every member is read into a temporary copy before any of them replaces a file, so a copy
    // whose new name is another member's old name still copies what that file held.
    std::vector<std::string> temporaries(group.items.size());
    for (size_t k = 0; k < group.items.size(); ++k) {
        const size_t i = group.items[k];
        if (act[i] == Act::Final) continue;
        const StepHook hook = HookOf(i);
        if (int code = Call(hook, "copy")) {
            Fail(i, ErrorText(code));
            continue;
        }
        const std::string folder = GetFolderName(targets[i], false);
        Copied copy = CopyToTemporary(items[i].source, folder.empty() ? "." : folder, false, hook);
        if (!copy.error.empty())
            Fail(i, copy.error);
        else
            temporaries[k] = std::move(copy.temporary);
    }
    for (size_t k = 0; k < group.items.size(); ++k) {
        const size_t i = group.items[k];
        if (act[i] == Act::Final) continue;
        int code = Call(HookOf(i), "place");
        if (code == 0)
            code = act[i] == Act::Pending ? RenameNoReplace(temporaries[k], targets[i])
                                          : RenameReplace(temporaries[k], targets[i]);
        if (code == 0) {
            Done(i);
        } else {
            unlink(temporaries[k].c_str());
            Fail(i, ErrorText(code));
        }
    }
}

}  // namespace

BatchResult RunBatch(BatchMode mode, const std::vector<BatchItem>& items, BatchQuestions& questions,
                     ProgressObserver& progress, const BatchOptions& options) {
    const size_t n = items.size();
    BatchResult result;
    result.items.resize(n);
    BatchPlan plan = PlanBatch(mode, items);
    if (!plan.problems.empty()) {
        result.problems = std::move(plan.problems);
        return result;
    }

    Runner run{items, options, result, std::vector<Act>(n, Act::Pending), {}};
    run.targets.reserve(n);
    std::vector<std::string> folders;  // each item's target folder as compared
    folders.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        run.targets.push_back(TargetPath(items[i]));
        if (i > 0 && items[i].targetFolder == items[i - 1].targetFolder)
            folders.push_back(folders.back());  // the usual batch: one folder throughout
        else
            folders.push_back(
                NormalisePath(items[i].targetFolder.empty() ? "." : items[i].targetFolder));
    }

    // Look at the disk, read only. A move needs a source's details only when its new path exists
    // already (a rename of a missing file fails by itself, with the system's text), so in the
    // usual batch each file costs one look before its rename; a copy checks every source first.
    std::vector<struct stat> sourceStat(n);
    std::vector<char> sourceLooked(n, 0);  // 0 not yet, 1 there, 2 failed
    auto lookAtSource = [&](size_t i) {
        if (sourceLooked[i] == 0) {
            sourceLooked[i] = lstat(items[i].source.c_str(), &sourceStat[i]) == 0 ? 1 : 2;
            if (sourceLooked[i] == 2) run.Fail(i, ErrorText(errno));
        }
        return sourceLooked[i] == 1;
    };
    for (size_t i = 0; i < n; ++i) {
        if (mode == BatchMode::Copy) {
            if (!lookAtSource(i)) continue;
            struct stat followed {};
            if (stat(items[i].source.c_str(), &followed) != 0) {
                run.Fail(i, ErrorText(errno));
                continue;
            }
            if (S_ISDIR(followed.st_mode)) {
                run.Fail(i, ErrorText(EISDIR));
                continue;
            }
            if (!S_ISREG(followed.st_mode)) {
                run.Fail(i, "Not a regular file");
                continue;
            }
        }
        if (plan.unchanged[i]) {
            if (!lookAtSource(i)) continue;
            run.act[i] = Act::Final;
            result.items[i] = {ItemState::Unchanged, {}};
        }
    }
    // The items by their source's file, made when a new path first turns out to exist.
    std::unordered_multimap<uint64_t, size_t> byInode;
    auto inodeKey = [](const struct stat& st) {
        return uint64_t(st.st_ino) ^ (uint64_t(st.st_dev) << 32);
    };
    auto sameFileInBatch = [&](const struct stat& st) -> size_t {
        if (byInode.empty()) {
            byInode.reserve(n);
            for (size_t j = 0; j < n; ++j)
                if (sourceLooked[j] == 1 ||
                    (sourceLooked[j] == 0 && run.act[j] != Act::Final && lookAtSource(j)))
                    byInode.emplace(inodeKey(sourceStat[j]), j);
        }
        auto [first, last] = byInode.equal_range(inodeKey(st));
        for (auto it = first; it != last; ++it)
            if (SameFile(st, sourceStat[it->second])) return it->second;
        return npos;
    };

    // Folders that are missing, in the order the items first name them.
    struct FolderLook {
        int code = 0;  // 0 there, 1 missing, else an errno
        size_t items = 0;
        off_t size = 0;
        bool indexed = false;  // its names were read: a name not among them needs no lstat
        std::unordered_set<std::string> names, folded;
    };
    std::vector<std::string> missingFolders;
    std::unordered_map<std::string, FolderLook> folderLooks;
    std::vector<FolderLook*> folderOf(n, nullptr);
    for (size_t i = 0; i < n; ++i) {
        if (run.act[i] == Act::Final) continue;
        if (i > 0 && folderOf[i - 1] != nullptr && folders[i] == folders[i - 1]) {
            folderOf[i] = folderOf[i - 1];
        } else {
            auto [it, fresh] = folderLooks.try_emplace(folders[i]);
            FolderLook& look = it->second;
            if (fresh) {
                struct stat st {};
                if (stat(folders[i].c_str(), &st) != 0)
                    look.code = errno == ENOENT ? 1 : errno;
                else if (!S_ISDIR(st.st_mode))
                    look.code = ENOTDIR;
                look.size = st.st_size;
                if (look.code == 1) missingFolders.push_back(folders[i]);
            }
            folderOf[i] = &look;
        }
        ++folderOf[i]->items;
        if (folderOf[i]->code > 1) run.Fail(i, ErrorText(folderOf[i]->code));
    }
    // A folder that takes many files of the batch is read once, which costs less than a look at
    // every new name; a file that appears after that is still never replaced (the renames refuse
    // to). Letter case is folded too, so that a name a case-insensitive file system would find is
    // looked at.
    for (auto& [path, look] : folderLooks) {
        if (look.code != 0 || look.items < 64 || look.size > off_t(look.items) * 4096) continue;
        DIR* dir = opendir(path.c_str());
        if (dir == nullptr) continue;
        while (const struct dirent* entry = readdir(dir)) {
            look.names.emplace(entry->d_name);
            look.folded.insert(AsciiLowerCopy(entry->d_name));
        }
        closedir(dir);
        look.indexed = true;
    }

    // The new paths that exist already.
    std::vector<size_t> toAsk;
    std::vector<struct stat> targetStat(n);
    for (size_t i = 0; i < n; ++i) {
        if (run.act[i] == Act::Final) continue;
        const FolderLook& look = *folderOf[i];
        if (look.code == 1) continue;  // a missing folder holds nothing
        if (look.indexed && !look.names.contains(items[i].newName) &&
            !look.folded.contains(AsciiLowerCopy(items[i].newName)))
            continue;
        struct stat& st = targetStat[i];
        if (lstat(run.targets[i].c_str(), &st) != 0) {
            if (errno != ENOENT) run.Fail(i, ErrorText(errno));
            continue;
        }
        const size_t owner = plan.takesNameOf[i];
        if (owner != npos) {
            // The old name of another item of the batch: a move frees it first; a copy replaces
            // a file, which the user decides.
            if (mode == BatchMode::Copy) toAsk.push_back(i);
            continue;
        }
        if (!lookAtSource(i)) continue;
        if (SameFile(st, sourceStat[i])) {
            const bool caseOnly =
                EqualsIgnoreCase(GetFileName(run.targets[i]), GetFileName(items[i].source)) &&
                NormalisePath(GetFolderName(run.targets[i], false)) ==
                    NormalisePath(GetFolderName(items[i].source, false));
            if (mode == BatchMode::Move && caseOnly) {
                run.act[i] = Act::CaseOnly;
                continue;
            }
            if (mode == BatchMode::Move) run.act[i] = Act::DropSource;  // once it may replace
            toAsk.push_back(i);
            continue;
        }
        if (size_t j = sameFileInBatch(st); j != npos) {
            result.problems.push_back("The new name of " + run.NameOf(i) + ", " +
                                      Quoted(run.targets[i]) + ", is the file " +
                                      Quoted(items[j].source) + " of the list under another path");
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            run.Fail(i, Quoted(run.targets[i]) + " is a folder");
            continue;
        }
        toAsk.push_back(i);
    }
    if (!result.problems.empty()) {
        for (ItemOutcome& item : result.items)
            item = {};
        return result;
    }

    if (options.dryRun) {
        for (const std::string& folder : missingFolders)
            for (size_t i = 0; i < n; ++i)
                if (run.act[i] != Act::Final && folders[i] == folder)
                    result.items[i].reason = "would ask to create the folder " + Quoted(folder);
        for (size_t i : toAsk)
            result.items[i].reason = "would ask before replacing " + Quoted(run.targets[i]);
        return result;
    }

    // Every question before the first change.
    for (const std::string& folder : missingFolders) {
        if (!questions.AskCreateFolder(folder)) {
            result.cancelled = true;
            for (size_t i = 0; i < n; ++i)
                if (run.act[i] != Act::Final) run.NotRun(i, "Cancelled");
            return result;
        }
    }
    bool replaceAll = false;
    for (size_t i : toAsk) {
        ReplaceAnswer answer = ReplaceAnswer::YesToAll;
        if (!replaceAll) {
            ReplaceQuestion question;
            question.target = run.targets[i];
            question.source = items[i].source;
            question.targetSize = targetStat[i].st_size;
            question.targetModified = targetStat[i].st_mtime;
            question.sourceSize = sourceStat[i].st_size;
            question.sourceModified = sourceStat[i].st_mtime;
            answer = questions.AskReplace(question);
        }
        switch (answer) {
            case ReplaceAnswer::YesToAll:
                replaceAll = true;
                [[fallthrough]];
            case ReplaceAnswer::Yes:
                if (run.act[i] != Act::DropSource) run.act[i] = Act::Replace;
                break;
            case ReplaceAnswer::No:
                run.act[i] = Act::Final;
                result.items[i] = {ItemState::Skipped,
                                   Quoted(GetFileName(run.targets[i])) + " already exists"};
                break;
            case ReplaceAnswer::Cancel:
                result.cancelled = true;
                for (size_t j = 0; j < n; ++j)
                    if (run.act[j] != Act::Final) run.NotRun(j, "Cancelled");
                return result;
        }
    }
    // Act.
    for (const std::string& folder : missingFolders) {
        if (!MakeFolders(folder)) {
            const int code = errno;
            for (size_t i = 0; i < n; ++i)
                if (run.act[i] != Act::Final && folders[i] == folder)
                    run.Fail(i, ErrorText(code == 0 ? EACCES : code));
        }
    }
    progress.SetMax(long(n));
    progress.SetValue(0);
    size_t handled = 0;
    for (const BatchGroup& group : plan.groups) {
        if (progress.ShouldStop()) {
            result.cancelled = true;
            for (size_t i = 0; i < n; ++i)
                if (run.act[i] != Act::Final) run.NotRun(i, "Cancelled");
            break;
        }
        if (mode == BatchMode::Copy)
            run.CopyGroup(group);
        else if (group.cycle)
            run.MoveCycle(group);
        else
            run.MoveChain(group);
        handled += group.items.size();
        progress.SetValue(long(handled));
    }
    return result;
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
           (result.cancelled ? " before the cancel" : "") + ". " + std::to_string(lines.size()) +
           (lines.size() == 1 ? " was" : " were") + " not:" + list(lines);
}

}  // namespace morv::renamer
