#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "helpers/core/FileIo.h"
#include "tests/support/SpecialFiles.h"
#include "tests/support/TempTree.h"

using namespace morv;
using namespace special_files;

namespace {

// An input that never ends.
class EndlessInput : public std::streambuf {
  public:
    EndlessInput() { setg(chunk_, chunk_, chunk_ + sizeof chunk_); }

  protected:
    int_type underflow() override {
        setg(chunk_, chunk_, chunk_ + sizeof chunk_);
        return 'x';
    }

  private:
    char chunk_[4096] = {};
};

struct ReadRow {
    const char* name;
    std::function<bool(const std::string& path)> make;  // false: cannot be made here
    size_t limit;
    bool streams;
    std::string bytes;   // what is read, when number is 0
    int number;          // the error's number
    const char* reason;  // part of its description
};

TEST(FileIo, ReadersTakeFilesAndRefuseWhatWouldHangOrFlood) {
    TempTree tree;
    const std::string file = tree.Write("file.txt", "abc");
    const std::string zero = tree.Path("zero");
    const bool haveZero = MakeDevice(zero, kZeroDevice);  // device nodes need root
    auto write = [](std::string bytes) {
        return [bytes](const std::string& p) { return !TempTree::WriteTo(p, bytes).empty(); };
    };
    auto link = [](const std::string& to, bool can) {
        return
            [to, can](const std::string& p) { return can && symlink(to.c_str(), p.c_str()) == 0; };
    };
    auto zeroDevice = [haveZero](const std::string& p) {
        return haveZero && MakeDevice(p, kZeroDevice);
    };
    const ReadRow rows[] = {
        {"regular file", write("abc"), 100, false, "abc", 0, ""},
        {"empty file", write(""), 100, false, "", 0, ""},
        {"link to a file", link(file, true), 100, false, "abc", 0, ""},
        {"missing", [](const std::string&) { return true; }, 100, false, "", ENOENT, "No such"},
        {"folder", [](const std::string& p) { return mkdir(p.c_str(), 0755) == 0; }, 100, true, "",
         EISDIR, "Is a directory"},
        {"pipe without a writer", MakeFifo, 100, false, "", kNotRegularFile, "Is a named pipe"},
        {"zero device", zeroDevice, 100, false, "", kNotRegularFile, "Is a device"},
        {"link to a zero device", link(zero, haveZero), 100, false, "", kNotRegularFile,
         "Is a device"},
        {"over the limit", write("abcdefgh"), 4, false, "", EFBIG, "more than 4 bytes"},
        {"zero device as a stream", zeroDevice, 4, true, "", EFBIG, "more than 4 bytes"},
    };
    for (const ReadRow& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = tree.Path(std::string("in-") + row.name);
        if (!row.make(path)) continue;
        const ReadOptions options{row.limit, row.streams, {}};
        Result<std::string> read = ReadFile(path, options);
        FileBuffer buffer;
        Status intoBuffer = ReadFile(path, buffer, options);
        ASSERT_EQ(read.ok() ? 0 : read.error().number, row.number)
            << (read ? "" : read.error().description);
        EXPECT_EQ(intoBuffer.ok(), read.ok());
        if (read) {
            EXPECT_EQ(read.value(), row.bytes);
            EXPECT_EQ(buffer.view(), row.bytes);
            continue;
        }
        EXPECT_EQ(read.error().path, path);
        EXPECT_NE(read.error().description.find(row.reason), std::string::npos)
            << read.error().description;
    }
}

TEST(FileIo, StreamsAreReadToTheirEndOrLimit) {
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
    ASSERT_TRUE(piped.ok()) << piped.error().description;
    EXPECT_EQ(piped.value(), "from the pipe");

    std::istringstream short_input("standard input");
    EXPECT_EQ(ReadFileOrInput("-", short_input, ReadOptions{100, false, {}}).value(),
              "standard input");
    EndlessInput endless;
    std::istream in(&endless);
    Result<std::string> flood = ReadFileOrInput("", in, ReadOptions{size_t(1) << 20, false, {}});
    ASSERT_FALSE(flood.ok());
    EXPECT_EQ(flood.error().number, EFBIG);
    EXPECT_EQ(flood.error().description,
              "Unable to read standard input (File too large: more than 1 MiB)");
}

struct WriteRow {
    const char* name;
    std::function<bool(TempTree&, const std::string& path)> make;
    std::function<void(TempTree&, const std::string& path)> check;
    int number;  // 0: written
};

TEST(FileIo, WriterKeepsWhatIsAtThePath) {
    const mode_t mask = umask(022);
    umask(mask);
    auto mode = [](const std::string& p) {
        struct stat st {};
        lstat(p.c_str(), &st);
        return st.st_mode;
    };
    auto holds = [](const std::string& p) { return TempTree::Read(p); };
    int reader = -1;  // of the pipe row
    const WriteRow rows[] = {
        {"new file", [](TempTree&, const std::string&) { return true; },
         [&](TempTree&, const std::string& p) {
             EXPECT_EQ(mode(p) & 0777, 0666 & ~mask);
             EXPECT_EQ(holds(p), "new");
         },
         0},
        {"file of mode 0640",
         [](TempTree& t, const std::string& p) {
             return !t.WriteTo(p, "old").empty() && chmod(p.c_str(), 0640) == 0;
         },
         [&](TempTree&, const std::string& p) {
             EXPECT_EQ(mode(p) & 07777, 0640u);
             EXPECT_EQ(holds(p), "new");
         },
         0},
        {"symbolic link",
         [](TempTree& t, const std::string& p) {
             return symlink(t.Write("target", "old").c_str(), p.c_str()) == 0;
         },
         [&](TempTree& t, const std::string& p) {
             EXPECT_TRUE(S_ISLNK(mode(p)));
             EXPECT_EQ(holds(t.Path("target")), "new");
         },
         0},
        {"dangling relative link",
         [](TempTree&, const std::string& p) { return symlink("made", p.c_str()) == 0; },
         [&](TempTree& t, const std::string& p) {
             EXPECT_TRUE(S_ISLNK(mode(p)));
             EXPECT_EQ(holds(t.Path("made")), "new");
         },
         0},
        {"hard links",
         [](TempTree& t, const std::string& p) {
             return link(t.Write("other", "old").c_str(), p.c_str()) == 0;
         },
         [&](TempTree& t, const std::string& p) {
             EXPECT_EQ(holds(t.Path("other")), "new");
             EXPECT_EQ(holds(p), "new");
         },
         0},
        {"pipe with a reader",
         [&](TempTree&, const std::string& p) {
             reader = MakeFifo(p) ? open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
             return reader >= 0;
         },
         [&](TempTree&, const std::string& p) {
             char got[8] = {};
             EXPECT_EQ(read(reader, got, sizeof got), 3);
             EXPECT_STREQ(got, "new");
             EXPECT_TRUE(IsFifo(p));
             close(reader);
         },
         0},
        {"pipe without a reader", [](TempTree&, const std::string& p) { return MakeFifo(p); },
         [&](TempTree&, const std::string& p) { EXPECT_TRUE(IsFifo(p)); }, ENXIO},
        {"null device", [](TempTree&, const std::string& p) { return MakeDevice(p, kNullDevice); },
         [&](TempTree&, const std::string& p) { EXPECT_TRUE(IsDevice(p, kNullDevice)); }, 0},
        {"full device", [](TempTree&, const std::string& p) { return MakeDevice(p, kFullDevice); },
         [&](TempTree&, const std::string& p) { EXPECT_TRUE(IsDevice(p, kFullDevice)); }, ENOSPC},
        {"folder", [](TempTree&, const std::string& p) { return mkdir(p.c_str(), 0755) == 0; },
         [&](TempTree&, const std::string& p) { EXPECT_TRUE(S_ISDIR(mode(p))); }, EISDIR},
    };
    for (const WriteRow& row : rows) {
        SCOPED_TRACE(row.name);
        TempTree tree;
        const std::string path = tree.Path("out");
        if (!row.make(tree, path)) continue;  // device nodes need root
        Status written = WriteWholeFile(path, "new");
        EXPECT_EQ(written.ok() ? 0 : written.error().number, row.number)
            << (written ? "" : written.error().description);
        row.check(tree, path);
        for (const std::string& name : tree.Names()) {
            EXPECT_NE(name[0], '.') << "a temporary file is left behind";
        }
    }
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

TEST(FileIo, PathsLongerThanPathMaxAreReachedThroughFolders) {
    TempTree tree;
    const std::string folder = MakeLongFolder(tree.root());
    const std::string path = folder + "/page.htm";
    ASSERT_GT(path.size(), size_t(PATH_MAX));
    ASSERT_TRUE(WriteWholeFile(path, "deep").ok());
    EXPECT_EQ(ReadFile(path, ReadOptions{100, false, {}}).value(), "deep");
    struct stat st {};
    EXPECT_EQ(StatPath(path, st), 0);
    EXPECT_EQ(st.st_size, 4);
}

TEST(FileIo, FullOutputSaysSoAfterOtherCalls) {
    TempTree tree;
    if (!MakeDevice(tree.Path("full"), kFullDevice)) GTEST_SKIP() << "device nodes need root";
    const int fd = open(tree.Path("full").c_str(), O_WRONLY | O_CLOEXEC);
    FdStreamBuf buffer(fd);
    std::ostream out(&buffer);
    out << "a line\n" << std::flush;
    errno = ENOENT;  // what a later look at a missing file leaves behind
    EXPECT_FALSE(out);
    EXPECT_EQ(StreamErrno(out), ENOSPC);
    close(fd);
}

}  // namespace
