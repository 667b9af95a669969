#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

// Special files for tests, always made inside the test's own temporary folder: named pipes,
// device nodes with the numbers of the system's null, zero and full devices (root only), folder
// chains longer than PATH_MAX, and runs of code in a child process under resource limits.
namespace special_files {

inline const dev_t kNullDevice = makedev(1, 3);
inline const dev_t kZeroDevice = makedev(1, 5);
inline const dev_t kFullDevice = makedev(1, 7);  // every write fails with "No space left"

inline bool MakeFifo(const std::string& path) {
    return mkfifo(path.c_str(), 0644) == 0;
}

// A character device node at path with the numbers of device; false when this user may not make
// one (tests then skip).
inline bool MakeDevice(const std::string& path, dev_t device) {
    return mknod(path.c_str(), S_IFCHR | 0666, device) == 0;
}

inline bool IsFifo(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

inline bool IsDevice(const std::string& path, dev_t device) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode) && st.st_rdev == device;
}

// Makes folders below root, each named with 200 letters, until the path is longer than
// PATH_MAX, and returns that path. Built through folder handles, as no single call takes it.
inline std::string MakeLongFolder(const std::string& root) {
    const std::string name(200, 'd');
    std::string path = root;
    int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (fd >= 0 && path.size() <= PATH_MAX) {
        mkdirat(fd, name.c_str(), 0755);
        const int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        fd = next;
        path += "/" + name;
    }
    if (fd >= 0) close(fd);
    return path;
}

// What a run in a child process gave: its exit status (-1 when it did not exit) and output.
struct ChildRun {
    int status = -1;
    std::string out, err;
};

// Lowers the soft limit of open file descriptors so that exactly count more can be opened (call
// it in a child).
inline void LimitDescriptors(int count) {
    std::vector<int> fds;
    for (int i = 0; i < count; ++i)
        fds.push_back(dup(0));
    struct rlimit rl {};
    getrlimit(RLIMIT_NOFILE, &rl);
    rl.rlim_cur = rlim_t(fds.empty() ? 0 : fds.back() + 1);
    for (int fd : fds)
        close(fd);
    setrlimit(RLIMIT_NOFILE, &rl);
}

// Runs body in a child process, so that the limits it sets (setrlimit) never reach the test.
inline ChildRun RunInChild(const std::function<int(std::ostream&, std::ostream&)>& body) {
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        std::ostringstream out, err;
        const int status = body(out, err);
        const std::string o = out.str(), e = err.str();
        (void)!write(outPipe[1], o.data(), o.size());
        close(outPipe[1]);
        (void)!write(errPipe[1], e.data(), e.size());
        _exit(status);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    ChildRun run;
    char chunk[4096];
    for (ssize_t n; (n = read(outPipe[0], chunk, sizeof chunk)) > 0;)
        run.out.append(chunk, size_t(n));
    for (ssize_t n; (n = read(errPipe[0], chunk, sizeof chunk)) > 0;)
        run.err.append(chunk, size_t(n));
    close(outPipe[0]);
    close(errPipe[0]);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    return run;
}

}  // namespace special_files
