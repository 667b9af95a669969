#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "extract/core/ExtractCli.h"
#include "helpers/core/CliCommand.h"
#include "linkfix/core/FixLinksCommand.h"
#include "search/core/SearchCli.h"
#include "sections/core/SectionsCli.h"
#include "tests/support/SpecialFiles.h"
#include "tests/support/TempTree.h"

using namespace morv;

namespace {

// Standard input that never ends.
class EndlessInput : public std::streambuf {
  protected:
    int_type underflow() override {
        setg(chunk_, chunk_, chunk_ + sizeof chunk_);
        return traits_type::to_int_type(chunk_[0]);
    }

  private:
    char chunk_[4096] = {'<', 'a', '>', '\r', '\n'};
};

// Every tool command that reads a document or a list, on input without end (standard input, a
// device with the numbers of the zero device): it stops at the tools' input limit, which follows
// the process's memory limit, and exits 1 with a message, never with an abort.
TEST(EndlessInput, EveryToolCommandEndsWithAMessage) {
    TempTree tree;
    const std::string zero = tree.Path("zero");
    const bool haveZero = special_files::MakeDevice(zero, special_files::kZeroDevice);
    SetToolInputLimit(size_t(1) << 20);
    struct Row {
        const char* name;
        CliMain command;
        std::vector<std::string> args;  // the input's name is added
    } rows[] = {
        {"sections", &RunSectionsCommand, {}},
        {"remove-sections", &RunRemoveSectionsCommand, {}},
        {"remove-empty", &RunRemoveEmptyCommand, {}},
        {"replace-all", &RunReplaceAllCommand, {"a", "b"}},
        {"fix-links", &RunFixLinksCommand, {"--root", "http://a.org"}},
        {"extract --list", &RunExtractCommand, {"--list"}},
    };
    for (const Row& row : rows) {
        for (const std::string& input : {std::string("-"), zero}) {
            SCOPED_TRACE(std::string(row.name) + " " + input);
            if (input == zero && !haveZero) continue;  // device nodes need root
            if (input == "-" && std::string(row.name) == "extract --list") continue;
            EndlessInput endless;
            std::istream in(&endless);
            std::ostringstream out, err;
            std::vector<std::string> args = row.args;
            args.push_back(input);
            EXPECT_EQ(row.command(args, in, out, err), kExitFailed);
            EXPECT_NE(err.str().find("(File too large: more than 1 MiB)"), std::string::npos)
                << err.str();
            EXPECT_EQ(out.str(), "");
        }
    }
    SetToolInputLimit(0);
}

}  // namespace
