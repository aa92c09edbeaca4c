#include <gtest/gtest.h>

#include "base/CommandLine.h"

namespace wylo {
namespace {

using Action = CommandLineRequest::Action;

TEST(ReadCommandLine, NoArgumentsRunsTheProgram) {
    EXPECT_EQ(ReadCommandLine({}, "wylo").action, Action::Run);
}

TEST(ReadCommandLine, VersionIsThePackagesVersion) {
    const CommandLineRequest r = ReadCommandLine({"--version"}, "wylo");
    EXPECT_EQ(r.action, Action::Version);
    EXPECT_EQ(r.text, "Wylo " + std::string(ProgramVersion()) + "\n");
    EXPECT_FALSE(ProgramVersion().empty());
}

TEST(ReadCommandLine, HelpNamesEveryArgumentAndWinsOverTheRest) {
    for (const char* ask : {"--help", "-h", "/?"}) {
        const CommandLineRequest r = ReadCommandLine({"--version", ask}, "Wylo.exe");
        EXPECT_EQ(r.action, Action::Help) << ask;
        EXPECT_EQ(r.text.rfind("Usage: Wylo.exe [--version | --help]\n", 0), 0u) << r.text;
        EXPECT_NE(r.text.find("--version"), std::string::npos);
    }
    const CommandLineRequest qt = ReadCommandLine({"--help"}, "wylo", "Qt options: -platform\n");
    EXPECT_NE(qt.text.find("Qt options: -platform\n"), std::string::npos);
}

TEST(ReadCommandLine, AnythingElseIsAMistakeThatSaysWhatItWas) {
    const CommandLineRequest r = ReadCommandLine({"--verbose", "x"}, "wylo");
    EXPECT_EQ(r.action, Action::Mistake);
    EXPECT_EQ(r.text, "wylo: unknown argument '--verbose'\nTry 'wylo --help' for more.\n");
}

}  // namespace
}  // namespace wylo
