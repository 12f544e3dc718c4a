// Line reading of update files: line ends, Ctrl-Z, chunk boundaries, errors.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/text_file.h"
#include "tests/image/image_test_files.h"

namespace {

using image_test::TempDir;
using Result = CTextFile::ReadResult;

std::vector<std::string> ReadAllLines(CTextFile& file) {
    std::vector<std::string> lines;
    std::string line;
    Result result;
    while ((result = file.ReadString(line)) == Result::Line) {
        lines.push_back(line);
    }
    EXPECT_EQ(result, Result::End);
    return lines;
}

struct LineCase {
    const char* pszName;
    std::string strContent;
    std::vector<std::string> lines;
};

TEST(TextFile, SplitsLinesAsATextModeFile) {
    // The first read takes kMaxLine + 2 bytes: this line's CR is its last.
    const std::string kLong(CTextFile::kMaxLine - 2, 'x');
    const std::string kMax(CTextFile::kMaxLine, 'm');
    const std::vector<LineCase> cases = {
        {"empty file", "", {}},
        {"LF", "a\nbc\n", {"a", "bc"}},
        {"CR LF", "a\r\nbc\r\n", {"a", "bc"}},
        {"mixed line ends", "a\r\nb\nc\r\n", {"a", "b", "c"}},
        {"last line without terminator", "a\nb", {"a", "b"}},
        {"empty lines stay lines", "\n\r\n\na", {"", "", "", "a"}},
        {"lone CR is part of the line", "a\rb\n", {"a\rb"}},
        {"CR CR LF keeps one CR", "a\r\r\n", {"a\r"}},
        {"Ctrl-Z ends the file",
         "a\nb\x1A"
         "c\nd\n",
         {"a", "b"}},
        {"Ctrl-Z at a line start", "a\n\x1A\nb\n", {"a"}},
        {"Ctrl-Z first",
         "\x1A"
         "a\n",
         {}},
        {"bytes after Ctrl-Z never read", "a\n\x1A\x1A\n:00", {"a"}},
        {"NUL bytes are kept", std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
        {"CR LF split between two reads", "ab\n" + kLong + "\r\nz", {"ab", kLong, "z"}},
        {"longest whole line with CR LF", kMax + "\r\n" + kMax, {kMax, kMax}},
        {"longer lines are cut", kMax + "+\n" + kMax + "+", {kMax, kMax}},
    };
    TempDir dir;
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        CTextFile file;
        ASSERT_TRUE(file.Open(dir.Write("lines.txt", c.strContent).c_str()));
        EXPECT_EQ(ReadAllLines(file), c.lines);
        std::string line = "left over";
        EXPECT_EQ(file.ReadString(line), Result::End) << "the end of the file is lasting";
        EXPECT_EQ(line, "");
    }
}

TEST(TextFile, LinesAcrossManyChunksArriveWhole) {
    std::string strContent;
    std::vector<std::string> expected;
    for (int i = 0; i < 40000; ++i) {
        expected.push_back(":" + std::to_string(i * 7919) +
                           std::string(static_cast<size_t>(i % 50), 'A'));
        strContent += expected.back() + (i % 3 == 0 ? "\n" : "\r\n");
    }
    TempDir dir;
    CTextFile file;
    ASSERT_TRUE(file.Open(dir.Write("many.hex", strContent).c_str()));
    EXPECT_EQ(ReadAllLines(file), expected);
}

TEST(TextFile, OverlongLineIsCutAndItsRestPassedOver) {
    const size_t nLong = 3 * CTextFile::kMaxLine + 17;
    TempDir dir;
    CTextFile file;
    ASSERT_TRUE(file.Open(dir.Write("long.txt", ":" + std::string(nLong, '0') + "\r\nnext\nlast" +
                                                    std::string(nLong, 'L'))
                              .c_str()));
    std::string line;
    ASSERT_EQ(file.ReadString(line), Result::Line);
    EXPECT_EQ(line.size(), CTextFile::kMaxLine);
    EXPECT_EQ(line.substr(0, 3), ":00");
    ASSERT_EQ(file.ReadString(line), Result::Line);
    EXPECT_EQ(line, "next");
    ASSERT_EQ(file.ReadString(line), Result::Line);
    EXPECT_EQ(line.substr(0, 5), "lastL");
    EXPECT_EQ(file.ReadString(line), Result::End);
}

TEST(TextFile, SeekToStartReadsTheSameLinesAgain) {
    TempDir dir;
    CTextFile file;
    ASSERT_TRUE(file.Open(dir.Write("again.txt", "one\r\ntwo\x1Athree").c_str()));
    EXPECT_EQ(ReadAllLines(file), (std::vector<std::string>{"one", "two"}));
    ASSERT_TRUE(file.SeekToStart());
    EXPECT_EQ(ReadAllLines(file), (std::vector<std::string>{"one", "two"}));
}

TEST(TextFile, OpenFailsForMissingFilesAndDirectories) {
    TempDir dir;
    CTextFile file;
    EXPECT_FALSE(file.Open((dir.Path() + "/missing.hex").c_str()));
    EXPECT_FALSE(file.Open(dir.Path().c_str()));
    EXPECT_FALSE(file.Open(nullptr));
    EXPECT_FALSE(file.IsOpen());
    std::string line;
    EXPECT_EQ(file.ReadString(line), Result::Error) << "no file open";
    EXPECT_FALSE(file.SeekToStart());
}

TEST(TextFile, ReadErrorIsReportedNotTakenForTheEnd) {
    // Reading this process's memory at address 0 fails with EIO.
    CTextFile file;
    ASSERT_TRUE(file.Open("/proc/self/mem"));
    std::string line;
    EXPECT_EQ(file.ReadString(line), Result::Error);
    EXPECT_EQ(file.ReadString(line), Result::Error);
}

}  // namespace
