#include "options.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

struct Case {
    std::vector<const char*> args; // after the program name
    bool noprecspaces;
    bool notabs;
};

// Options match as whole strings, in any order and number; anything else is
// ignored. Catches prefix matching, case folding, and a stray argument that
// stops the scan or switches an option on.
TEST(ParseOptions, ExactWholeStringMatchAnyOrder)
{
    const Case cases[] = {
        {{}, false, false},
        {{"-noprecspaces"}, true, false},
        {{"-notabs"}, false, true},
        {{"-noprecspaces", "-notabs"}, true, true},
        {{"-notabs", "-noprecspaces"}, true, true},
        {{"-notabs", "-notabs", "-notabs"}, false, true},
        {{"file.vhd", "-noprecspaces", "--", "x"}, true, false},
        {{"-noprecspace", "-notab"}, false, false},
        {{"-NOTABS", "-NoPrecSpaces"}, false, false},
        {{"--notabs", "--noprecspaces"}, false, false},
        {{"-notabs ", " -noprecspaces", "-notabsx"}, false, false},
        {{"", "-", "notabs", "noprecspaces"}, false, false},
        {{"-noprecspaces-notabs"}, false, false},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"linetidy"};
        std::string shown;
        for (const char* arg : c.args) {
            argv.push_back(arg);
            shown += " '" + std::string(arg) + "'";
        }
        argv.push_back(nullptr);
        SCOPED_TRACE("arguments:" + shown);
        const linetidy::Options options =
            linetidy::parse_options(static_cast<int>(argv.size() - 1), argv.data());
        EXPECT_EQ(options.enable_noprecspaces, c.noprecspaces);
        EXPECT_EQ(options.enable_notabs, c.notabs);
    }
}

} // namespace
