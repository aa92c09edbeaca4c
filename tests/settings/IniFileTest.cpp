#include <gmock/gmock.h>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "base/Error.h"
#include "settings/IniFile.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// The bytes of a literal that holds NULs.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

IniFile FromText(std::string_view text) {
    IniFile ini;
    ini.Parse(text);
    return ini;
}

TEST(IniFileRead, MatchesNamesWithoutRegardToCaseAndTrimsValues) {
    const IniFile ini = FromText(
        "[settings]\n"
        "  currentChannel   =   3  \n"
        "\tRandomOrder\t=\t0\t\n"
        "Quoted=\"  spaced out  \"\n"
        "Single=' x '\n"
        "Lopsided=\"x\n"
        "Empty=\n"
        "Blanks=   \n");
    EXPECT_EQ(ini.Read("SETTINGS", "CurrentChannel"), "3");
    EXPECT_EQ(ini.Read("Settings", "randomorder"), "0");
    EXPECT_EQ(ini.Read("Settings", "Quoted"), "  spaced out  ");
    EXPECT_EQ(ini.Read("Settings", "Single"), " x ");
    EXPECT_EQ(ini.Read("Settings", "Lopsided"), "\"x");
    EXPECT_EQ(ini.Read("Settings", "Empty"), "");
    EXPECT_EQ(ini.Read("Settings", "Blanks"), "");
    EXPECT_EQ(ini.Read("Settings", "Missing"), std::nullopt);
    EXPECT_EQ(ini.Read("Other", "CurrentChannel"), std::nullopt);
}

TEST(IniFileRead, TakesTheFirstSectionAndKeyAndIgnoresNonEntries) {
    const IniFile ini = FromText(
        "Orphan=1\n"
        "[A]\n"
        "; Key=comment\n"
        "# Key=comment too\n"
        "no equals sign here\n"
        "=no name\n"
        "Key=first\n"
        "key=second\n"
        "[B] ; trailing remark\n"
        "Key=b\n"
        "[a]\n"
        "Other=in the second A\n"
        "[broken\n"
        "Late=still B? no, still the second A\n");
    EXPECT_EQ(ini.Read("A", "Key"), "first");
    EXPECT_EQ(ini.Read("B", "Key"), "b");
    // Only the first section of a name is looked at.
    EXPECT_EQ(ini.Read("A", "Other"), std::nullopt);
    EXPECT_EQ(ini.Read("", "Orphan"), std::nullopt);
    EXPECT_EQ(ini.Read("A", "; Key"), std::nullopt);
}

TEST(IniFileText, UntouchedDocumentsComeBackByteForByte) {
    const std::string samples[] = {
        "",
        "[S]\nK=V\n",
        "[S]\r\nK = V\r\n\r\n; note\r\n[T]\r\nX=1",
        "\xEF\xBB\xBF[S]\nK=V",
        "mixed\r\nendings\nhere\r\n",
        "\n\n\n",
        "[S]\nK=caf\xC3\xA9\n",
    };
    for (const std::string& sample : samples) {
        EXPECT_EQ(FromText(sample).Text(), sample);
    }
}

TEST(IniFileWrite, ReplacesTheValueInPlaceKeepingEverythingElse) {
    IniFile ini = FromText(
        "; Wylo settings\n"
        "\n"
        "[Other]\n"
        "CurrentImage=99\n"
        "\n"
        "[Settings]\n"
        "  currentimage  =  4   ; old\n"
        "Unknown=kept\n"
        "\n"
        "; the end\n");
    ini.Write("SETTINGS", "CurrentImage", "5");
    EXPECT_EQ(ini.Text(),
              "; Wylo settings\n"
              "\n"
              "[Other]\n"
              "CurrentImage=99\n"
              "\n"
              "[Settings]\n"
              "  currentimage  =  5\n"
              "Unknown=kept\n"
              "\n"
              "; the end\n");
    EXPECT_EQ(ini.Read("Settings", "CurrentImage"), "5");
}

TEST(IniFileWrite, AddsAMissingKeyAfterTheLastEntryOfItsSection) {
    IniFile ini = FromText(
        "[Settings]\n"
        "A=1\n"
        "\n"
        "; about the next section\n"
        "[Next]\n"
        "B=2\n");
    ini.Write("Settings", "New", "x");
    ini.Write("Next", "C", "3");
    EXPECT_EQ(ini.Text(),
              "[Settings]\n"
              "A=1\n"
              "New=x\n"
              "\n"
              "; about the next section\n"
              "[Next]\n"
              "B=2\n"
              "C=3\n");
}

TEST(IniFileWrite, AddsAMissingSectionAtTheEnd) {
    IniFile empty;
    empty.Write("Settings", "A", "1");
    empty.Write("Settings", "B", "2");
    EXPECT_EQ(empty.Text(), test::NativeLines("[Settings]\nA=1\nB=2\n"));

    IniFile unterminated = FromText("[Mine]\nX=1");
    unterminated.Write("Settings", "A", "1");
    EXPECT_EQ(unterminated.Text(), "[Mine]\nX=1\n\n[Settings]\nA=1\n");

    IniFile headerOnly = FromText("[Settings]");
    headerOnly.Write("Settings", "A", "1");
    EXPECT_EQ(headerOnly.Text(), test::NativeLines("[Settings]\nA=1\n"));
}

TEST(IniFileWrite, NewLinesFollowTheFilesLineEndings) {
    IniFile ini = FromText("[Settings]\r\nA=1\r\n");
    ini.Write("Settings", "B", "2");
    ini.Write("Extra", "C", "3");
    EXPECT_EQ(ini.Text(), "[Settings]\r\nA=1\r\nB=2\r\n\r\n[Extra]\r\nC=3\r\n");
}

TEST(IniFileWrite, RefusesNamesAndValuesThatWouldBreakTheFile) {
    IniFile ini;
    EXPECT_THROW(ini.Write("Settings", "Key", "two\nlines"), Error);
    EXPECT_THROW(ini.Write("Settings", "Key", "cr\r"), Error);
    EXPECT_THROW(ini.Write("Settings", "A=B", "1"), Error);
    EXPECT_THROW(ini.Write("Settings", "", "1"), Error);
    EXPECT_THROW(ini.Write("Settings", " Padded", "1"), Error);
    EXPECT_THROW(ini.Write("Settings", ";Comment", "1"), Error);
    EXPECT_THROW(ini.Write("Settings", "[Header", "1"), Error);
    EXPECT_THROW(ini.Write("Sec]tion", "Key", "1"), Error);
    EXPECT_THROW(ini.Write("Sec\ntion", "Key", "1"), Error);
    EXPECT_EQ(ini.Text(), "");
}

TEST(IniFileEncoding, Utf16FilesAreReadAndWrittenInUtf16) {
    // "[S]\r\nK=é😀\r\n" in UTF-16LE with its byte-order mark.
    const std::string le = Bytes("\xFF\xFE[\0S\0]\0\r\0\n\0K\0=\0\xE9\0\x3D\xD8\x00\xDE\r\0\n\0");
    IniFile ini = FromText(le);
    EXPECT_EQ(ini.Read("s", "k"), "\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(ini.Text(), le);

    ini.Write("S", "N", "1");
    EXPECT_EQ(ini.Text(), le + Bytes("N\0=\0001\0\r\0\n\0"));

    const std::string be = Bytes("\xFE\xFF\0[\0S\0]\0\n\0A\0=\0001");
    const IniFile bigEndian = FromText(be);
    EXPECT_EQ(bigEndian.Read("S", "A"), "1");
    EXPECT_EQ(bigEndian.Text(), be);
}

TEST(IniFileEncoding, AUtf8ByteOrderMarkIsKeptAndNotPartOfTheFirstName) {
    IniFile ini = FromText("\xEF\xBB\xBF[Settings]\nA=1\n");
    EXPECT_EQ(ini.Read("Settings", "A"), "1");
    ini.Write("Settings", "A", "2");
    EXPECT_EQ(ini.Text(), "\xEF\xBB\xBF[Settings]\nA=2\n");
}

TEST(IniFileLoad, AMissingFileIsAnEmptyDocument) {
    TempDir dir;
    IniFile ini = FromText("[Stale]\nA=1\n");
    ini.Load(dir / "absent.ini");
    EXPECT_EQ(ini.Text(), "");
    // A parent that is a file is as missing as a parent that is not there.
    WriteFile(dir / "file", "x");
    ini.Load(dir / "file" / "absent.ini");
    EXPECT_EQ(ini.Text(), "");
}

TEST(IniFileLoad, AFolderInPlaceOfTheFileIsAnError) {
    TempDir dir;
    std::filesystem::create_directory(dir / "Wylo.ini");
    IniFile ini;
    EXPECT_THROW(ini.Load(dir / "Wylo.ini"), Error);
}

std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(IniFileSave, CreatesTheFileAndNothingElse) {
    TempDir dir;
    IniFile ini;
    ini.Load(dir / "Wylo.ini");
    ini.Write("Settings", "A", "1");
    ini.Save(dir / "Wylo.ini");
    EXPECT_EQ(ReadFile(dir / "Wylo.ini"), test::NativeLines("[Settings]\nA=1\n"));
    EXPECT_THAT(FolderEntries(dir.path()), testing::ElementsAre("Wylo.ini"));
}

TEST(IniFileSave, LoadWriteSaveKeepsForeignContent) {
    TempDir dir;
    const std::string original =
        "; hand-written\r\n[Settings]\r\nA = 1\r\nMine=keep\r\n\r\n[Tool]\r\nX=y\r\n";
    WriteFile(dir / "Wylo.ini", original);
    IniFile ini;
    ini.Load(dir / "Wylo.ini");
    ini.Write("Settings", "A", "2");
    ini.Save(dir / "Wylo.ini");
    EXPECT_EQ(ReadFile(dir / "Wylo.ini"),
              "; hand-written\r\n[Settings]\r\nA = 2\r\nMine=keep\r\n\r\n[Tool]\r\nX=y\r\n");
}

#ifndef _WIN32
TEST(IniFileSave, KeepsTheFilesPermissions) {
    TempDir dir;
    WriteFile(dir / "Wylo.ini", "[S]\nA=1\n");
    ASSERT_EQ(::chmod((dir / "Wylo.ini").c_str(), 0640), 0);
    IniFile ini;
    ini.Load(dir / "Wylo.ini");
    ini.Write("S", "A", "2");
    ini.Save(dir / "Wylo.ini");
    struct stat info {};
    ASSERT_EQ(::stat((dir / "Wylo.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}
#endif

TEST(IniFileSave, FailureNamesTheFullPathAndLeavesNothingBehind) {
    TempDir dir;
    WriteFile(dir / "plain", "not a folder");
    IniFile ini = FromText("[S]\nA=1\n");

    const std::filesystem::path targets[] = {
        dir / "missing" / "Wylo.ini",  // folder does not exist
        dir / "plain" / "Wylo.ini",    // folder is a file
    };
    for (const auto& target : targets) {
        try {
            ini.Save(target);
            ADD_FAILURE() << "saved into " << target;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + target.string());
        }
    }
    EXPECT_THAT(FolderEntries(dir.path()), testing::ElementsAre("plain"));
    EXPECT_EQ(ReadFile(dir / "plain"), "not a folder");
}

TEST(IniFileSave, AFolderInPlaceOfTheFileIsNotReplaced) {
    TempDir dir;
    std::filesystem::create_directory(dir / "Wylo.ini");
    WriteFile(dir / "Wylo.ini" / "inside", "kept");
    const IniFile ini = FromText("[S]\nA=1\n");
    EXPECT_THROW(ini.Save(dir / "Wylo.ini"), Error);
    EXPECT_EQ(ReadFile(dir / "Wylo.ini" / "inside"), "kept");
    EXPECT_THAT(FolderEntries(dir.path()), testing::ElementsAre("Wylo.ini"));
}

TEST(IniFileSave, ARelativePathIsReportedInFull) {
    TempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const auto expected = std::filesystem::current_path() / "missing" / "Wylo.ini";
    try {
        FromText("[S]\nA=1\n").Save(std::filesystem::path("missing") / "Wylo.ini");
        ADD_FAILURE() << "saved into a missing folder";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + expected.string());
    }
    std::filesystem::current_path(previous);
}

TEST(IniFileSave, AReadOnlyFileIsNotReplaced) {
#ifndef _WIN32
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root may write any file";
    }
#endif
    TempDir dir;
    WriteFile(dir / "Wylo.ini", "[S]\nA=1\n");
    // Mode 0444, or the read-only attribute on Windows.
    std::filesystem::permissions(dir / "Wylo.ini", std::filesystem::perms::owner_read |
                                                       std::filesystem::perms::group_read |
                                                       std::filesystem::perms::others_read);
    EXPECT_THROW(FromText("[S]\nA=2\n").Save(dir / "Wylo.ini"), Error);
    EXPECT_EQ(ReadFile(dir / "Wylo.ini"), "[S]\nA=1\n");
}

}  // namespace
}  // namespace wylo
