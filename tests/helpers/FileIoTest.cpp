#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "helpers/core/FileIo.h"
#include "tests/extract/TempTree.h"
#include "tests/support/SpecialFiles.h"

using namespace morv;
using namespace special_files;

namespace {

using Make = std::function<bool(TempTree&, const std::string& path)>;

bool Nothing(TempTree&, const std::string&) {
    return true;
}
Make Bytes(std::string bytes) {
    return [bytes](TempTree&, const std::string& p) {
        return bool(std::ofstream(p, std::ios::binary) << bytes);
    };
}
Make Device(dev_t device) {
    return [device](TempTree&, const std::string& p) { return MakeDevice(p, device); };
}
Make LinkTo(Make make) {
    return [make](TempTree& t, const std::string& p) {
        return make(t, t.Path("target")) && symlink("target", p.c_str()) == 0;
    };
}
bool Pipe(TempTree&, const std::string& p) {
    return MakeFifo(p);
}
bool Folder(TempTree&, const std::string& p) {
    return mkdir(p.c_str(), 0755) == 0;
}

TEST(FileIo, ReadersTakeFilesAndRefuseWhatWouldHangOrFlood) {
    struct Row {
        const char* name;
        Make make;  // false: cannot be made here (device nodes need root)
        size_t limit;
        bool streams;
        int number;          // 0: read "abc"
        const char* reason;  // part of the error's description
    } rows[] = {
        {"regular file", Bytes("abc"), 3, false, 0, ""},
        {"link to a file", LinkTo(Bytes("abc")), 3, false, 0, ""},
        {"missing", Nothing, 3, false, ENOENT, "(No such file or directory)"},
        {"folder", Folder, 3, true, EISDIR, "(Is a directory)"},
        {"pipe without a writer", Pipe, 3, false, kNotRegularFile, "(Is a named pipe, not a file)"},
        {"zero device", Device(kZeroDevice), 3, false, kNotRegularFile,
         "(Is a device, not a file)"},
        {"link to a zero device", LinkTo(Device(kZeroDevice)), 3, false, kNotRegularFile, "device"},
        {"over the limit", Bytes("abcd"), 3, false, EFBIG, "(File too large: more than 3 bytes)"},
        {"zero device as a stream", Device(kZeroDevice), 3, true, EFBIG, "more than 3 bytes"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempTree tree;
        const std::string path = tree.Path("in");
        if (!row.make(tree, path)) continue;
        const ReadOptions options{row.limit, row.streams, {}};
        Result<std::string> read = ReadFile(path, options);
        FileBuffer buffer;
        struct stat opened {};
        UniqueFd kept;
        Status intoBuffer = ReadFile(path, buffer, options, &opened, &kept);
        ASSERT_EQ(read ? 0 : read.error().number, row.number);
        EXPECT_EQ(intoBuffer.ok(), read.ok());
        // The descriptor kept open is the file's that was read, only after a read.
        struct stat held {};
        EXPECT_EQ(bool(kept), read.ok());
        if (kept) {
            ASSERT_EQ(fstat(kept.get(), &held), 0);
            EXPECT_EQ(held.st_ino, opened.st_ino);
        }
        if (read) {
            EXPECT_EQ(read.value(), "abc");
            EXPECT_EQ(buffer.view(), "abc");
        } else {
            EXPECT_EQ(read.error().path, path);
            EXPECT_NE(read.error().description.find(row.reason), std::string::npos)
                << read.error().description;
        }
    }
}

TEST(FileIo, PipeNamedAsInputWaitsForItsWriter) {
    TempTree tree;
    const std::string fifo = tree.Path("pipe");
    ASSERT_TRUE(MakeFifo(fifo));
    // The writer comes after the reader has opened the pipe: the reader waits for it.
    std::thread writer([&] {
        const int fd = open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
        (void)!write(fd, "from the pipe", 13);
        close(fd);
    });
    std::istringstream unused;
    Result<std::string> piped = ReadFileOrInput(fifo, unused, ReadOptions{100, false, {}});
    writer.join();
    EXPECT_EQ(piped ? piped.value() : piped.error().description, "from the pipe");
}

// What is at the path stays what it was: its kind, its mode, its inode when it has two names;
// a file (or the file a link leads to) holds the new bytes, a device or pipe gets them.
TEST(FileIo, WriterKeepsWhatIsAtThePath) {
    const mode_t mask = umask(022);
    umask(mask);
    int reader = -1;
    struct Row {
        const char* name;
        Make make;
        int number;  // 0: written
    } rows[] = {
        {"new file", Nothing, 0},
        {"file of mode 0640",
         [](TempTree& t, const std::string& p) {
             return Bytes("old")(t, p) && chmod(p.c_str(), 0640) == 0;
         },
         0},
        {"symbolic link", LinkTo(Bytes("old")), 0},
        {"dangling link", LinkTo(Nothing), 0},
        {"hard links",
         [](TempTree& t, const std::string& p) {
             return Bytes("old")(t, p) && link(p.c_str(), t.Path("twin").c_str()) == 0;
         },
         0},
        {"pipe with a reader",
         [&](TempTree&, const std::string& p) {
             reader = MakeFifo(p) ? open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
             return reader >= 0;
         },
         0},
        {"pipe without a reader", Pipe, ENXIO},
        {"null device", Device(kNullDevice), 0},
        {"full device", Device(kFullDevice), ENOSPC},
        {"folder", Folder, EISDIR},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempTree tree;
        const std::string path = tree.Path("out");
        if (!row.make(tree, path)) continue;
        struct stat before {
        }, after{}, target{};
        const bool existed = lstat(path.c_str(), &before) == 0;
        stat(path.c_str(), &target);
        Status written = WriteWholeFile(path, "new");
        EXPECT_EQ(written ? 0 : written.error().number, row.number);
        ASSERT_EQ(lstat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode, existed ? before.st_mode : S_IFREG | (0666 & ~mask));
        stat(path.c_str(), &after);
        EXPECT_TRUE(target.st_nlink < 2 || after.st_ino == target.st_ino) << "the shared file";
        EXPECT_EQ(S_ISREG(after.st_mode) ? TempTree::Read(path) : "new", "new");
        if (reader >= 0) {
            char got[4] = {};
            EXPECT_EQ(read(reader, got, 3), 3);
            EXPECT_STREQ(got, "new");
            close(reader);
            reader = -1;
        }
        for (const std::string& name : tree.Names()) {
            EXPECT_NE(name[0], '.') << "a temporary file is left behind";
        }
    }
}

TEST(FileIo, NewBytesWaitBesideTheFile) {
    // Not in the current folder, which may lie on another file system.
    TempTree tree;
    const std::string path = tree.Write("doc.txt", "old");
    std::vector<std::string> waiting;
    WriteOptions options;
    options.beforeStep = [&](std::string_view step) {
        if (step == "rename") waiting = tree.Names();
        return 0;
    };
    ASSERT_TRUE(WriteWholeFile(path, "new", options));
    ASSERT_EQ(waiting.size(), 2u);
    EXPECT_EQ(waiting[0].rfind(".doc.txt.", 0), 0u) << waiting[0];
    EXPECT_EQ(tree.Names(), std::vector<std::string>{"doc.txt"});
    // What a crash at that moment would leave is told as the new file of doc.txt, and of no
    // other name.
    EXPECT_TRUE(IsNewFileNameFor(waiting[0], "doc.txt"));
    for (const char* other : {"doc.tx", "doc.txt.", "odc.txt"})
        EXPECT_FALSE(IsNewFileNameFor(waiting[0], other)) << other;
    EXPECT_FALSE(IsNewFileNameFor(".doc.txt.abc-efgh", "doc.txt"));  // not eight letters
}

TEST(FileIo, FailedWriteLeavesTheOldBytes) {
    struct Row {
        const char* name;
        bool hardLinked;  // rewritten in place
        const char* failAt;
    } rows[] = {
        {"replace, sync fails", false, "sync"},
        {"replace, rename fails", false, "rename"},
        {"in place, sync fails after the new bytes", true, "sync"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempTree tree;
        const std::string path = tree.Write("doc.txt", "the old bytes, longer than the new");
        if (row.hardLinked) {
            ASSERT_EQ(link(path.c_str(), tree.Path("twin").c_str()), 0);
        }
        WriteOptions options;
        options.beforeStep = [&](std::string_view step) { return step == row.failAt ? EIO : 0; };
        Status written = WriteWholeFile(path, "new", options);
        ASSERT_FALSE(written.ok());
        EXPECT_EQ(written.error().description,
                  "Unable to write \"" + path + "\" (Input/output error)");
        EXPECT_EQ(TempTree::Read(path), "the old bytes, longer than the new");
        EXPECT_EQ(tree.Names().size(), row.hardLinked ? 2u : 1u);
    }
}

}  // namespace
