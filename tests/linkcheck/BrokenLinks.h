#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "linkcheck/core/LinkCheck.h"

// The links Check Links finds missing or of other case in a site folder, as "page: link" lines.
namespace morv {

struct BrokenLinkList : LinkCheckSink {
    std::vector<std::string> found;
    void Page(const std::string& page, const PageProblems& problems) override {
        for (int k = 0; k < 2; ++k)
            for (const std::string& link : problems.links[k])
                found.push_back(page + ": " + link);
    }
    void Orphans(const std::string&, const std::vector<std::string>&) override {}
    void Summary(const LinkCheckCounts&, bool) override {}
};

inline std::vector<std::string> BrokenLinks(const std::string& folder,
                                            std::vector<std::string> addresses = {
                                                "http://www.example.org/"}) {
    LinkCheckOptions options;
    options.folder = folder;
    options.addresses = std::move(addresses);
    BrokenLinkList problems;
    EXPECT_TRUE(CheckLinks(options, problems, NoProgress()));
    return problems.found;
}

}  // namespace morv
