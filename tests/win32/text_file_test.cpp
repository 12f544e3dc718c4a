// The update file on Windows: read as its own bytes, not through the C
// runtime's text mode, so that lines end exactly as on Linux (the other rules
// of the lines are the same code as there, tested there).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image/text_file.h"

namespace {

TEST(TextFileWin32, LinesEndAsOnLinux) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "vanto-lines.txt";
    std::ofstream(path, std::ios::binary) << "a\r\nb\n\n\r\nc\rd\ne\r\r\nlast";
    CTextFile file;
    ASSERT_TRUE(file.Open(path.string().c_str()));
    std::vector<std::string> got;
    for (std::string_view line; file.ReadLine(line) == CTextFile::ReadResult::Line;) {
        got.emplace_back(line);
    }
    EXPECT_EQ(got, (std::vector<std::string>{"a", "b", "", "", "c\rd", "e\r", "last"}));
    ASSERT_TRUE(file.SeekToStart());  // a text-mode seek would land elsewhere
    std::string_view first;
    EXPECT_EQ(file.ReadLine(first), CTextFile::ReadResult::Line);
    EXPECT_EQ(first, "a");
    file.Close();
    std::filesystem::remove(path);
}

}  // namespace
