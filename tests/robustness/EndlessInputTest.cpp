#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "extract/core/ExtractCli.h"
#include "helpers/core/CliCommand.h"
#include "helpers/core/CoreHooks.h"
#include "linkfix/core/FixLinksCommand.h"
#include "search/core/SearchCli.h"
#include "sections/core/SectionsCli.h"
#include "tests/extract/TempTree.h"
#include "tests/support/SpecialFiles.h"

using namespace morv;

namespace {

// Every tool command that reads a document or a list, on input without end: it stops at the
// tools' input limit, which follows the process's memory limit, and exits 1 with a message,
// never with an abort.
TEST(EndlessInput, EveryToolCommandEndsWithAMessage) {
    TempTree tree;
    const std::string pipe = tree.Path("pipe");
    ASSERT_TRUE(special_files::MakeFifo(pipe));
    ScopedCoreHooks limit({.toolInputLimit = size_t(1) << 20});
    signal(SIGPIPE, SIG_IGN);  // the pipe's writer learns of the reader's end from write()
    struct Row {
        const char* name;
        CliMain command;
        std::vector<std::string> args;
    } rows[] = {
        {"sections", &RunSectionsCommand, {}},
        {"remove-sections", &RunRemoveSectionsCommand, {"-"}},
        {"remove-empty", &RunRemoveEmptyCommand, {}},
        {"replace-all", &RunReplaceAllCommand, {"a", "b"}},
        {"fix-links", &RunFixLinksCommand, {"--root", "http://a.org"}},
        // A list from a pipe whose writer never stops.
        {"extract --list", &RunExtractCommand, {"--list", pipe}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::thread writer;
        if (row.args.size() == 2 && row.args[1] == pipe) {
            writer = std::thread([&] {
                const int fd = open(pipe.c_str(), O_WRONLY | O_CLOEXEC);
                while (write(fd, "/a.htm\r\n/b.htm\r\n", 14) > 0) {
                }
                close(fd);
            });
        }
        special_files::EndlessInput endless;
        std::istream in(&endless);
        std::ostringstream out, err;
        EXPECT_EQ(row.command(row.args, in, out, err), kExitFailed);
        if (writer.joinable()) writer.join();
        EXPECT_NE(err.str().find("(File too large: more than 1 MiB)"), std::string::npos)
            << err.str();
        EXPECT_EQ(out.str(), "");
    }
}

}  // namespace
