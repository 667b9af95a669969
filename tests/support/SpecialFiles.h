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
#include <streambuf>
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

// An input that never ends.
class EndlessInput : public std::streambuf {
  protected:
    int_type underflow() override {
        setg(chunk_, chunk_, chunk_ + sizeof chunk_);
        return traits_type::to_int_type(chunk_[0]);
    }

  private:
    char chunk_[4096] = {'<', 'a', '>', '\r', '\n'};
};

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
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        std::ostringstream out, err;
        const int status = body(out, err);
        const std::string both = out.str() + '\0' + err.str();
        (void)!write(fds[1], both.data(), both.size());
        _exit(status);
    }
    close(fds[1]);
    std::string both;
    char chunk[4096];
    for (ssize_t n; (n = read(fds[0], chunk, sizeof chunk)) > 0;)
        both.append(chunk, size_t(n));
    close(fds[0]);
    ChildRun run{-1, both.substr(0, both.find('\0')), ""};
    if (both.find('\0') != std::string::npos) run.err = both.substr(both.find('\0') + 1);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    return run;
}

}  // namespace special_files
