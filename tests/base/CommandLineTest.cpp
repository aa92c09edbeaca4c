#include <utility>

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

namespace wylo {
namespace {

using Action = CommandLineRequest::Action;

TEST(ReadCommandLine, EachCommandForTheRunningWyloIsRead) {
    const std::pair<const char*, RemoteCommand> commands[] = {
        {"--change-now", RemoteCommand::ChangeNow},
        {"--previous", RemoteCommand::Previous},
        {"--next", RemoteCommand::Next},
        {"--quit", RemoteCommand::Quit},
        {"--never-again", RemoteCommand::NeverAgain},
        {"--keep", RemoteCommand::Keep},
    };
    for (const auto& [argument, command] : commands) {
        const CommandLineRequest r = ReadCommandLine({argument}, "wylo");
        EXPECT_EQ(r.action, Action::Command) << argument;
        EXPECT_EQ(r.command, command) << argument;
        // The same command twice is still one command.
        EXPECT_EQ(ReadCommandLine({argument, argument}, "wylo").command, command);
        EXPECT_EQ(RemoteCommandNamed(RemoteCommandName(command)), command);
    }
    EXPECT_NE(ReadCommandLine({"--help"}, "wylo").text.find("--change-now"), std::string::npos);
}

TEST(ReadCommandLine, TwoCommandsOrAShowAreMistakes) {
    const CommandLineRequest both = ReadCommandLine({"--next", "--quit"}, "wylo");
    EXPECT_EQ(both.action, Action::Mistake);
    EXPECT_FALSE(both.unknownArgument);
    EXPECT_NE(both.text.find("one command at a time"), std::string::npos) << both.text;
    // What a bare start sends is no option of its own.
    EXPECT_TRUE(ReadCommandLine({"--show"}, "wylo").unknownArgument);
    EXPECT_TRUE(ReadCommandLine({"change-now"}, "wylo").unknownArgument);
    EXPECT_FALSE(RemoteCommandNamed("Next"));
}

}  // namespace
}  // namespace wylo
