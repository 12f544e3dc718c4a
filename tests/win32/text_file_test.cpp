// The update file on Windows: read as its own bytes, not through the C
// runtime's text mode, so that lines end exactly as on Linux.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image/text_file.h"

namespace {

TEST(TextFileWin32, LinesEndAsOnLinux) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"a\r\nb\n\n\r\nc\rd\ne\r\r\nlast", {"a", "b", "", "", "c\rd", "e\r", "last"}},
        {"a\nb\032c\nd\n", {"a", "b"}},
        {std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}},
    };
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "vanto-lines.txt";
    for (const auto& [strContent, lines] : cases) {
        std::ofstream(path, std::ios::binary) << strContent;
        CTextFile file;
        ASSERT_TRUE(file.Open(path.string().c_str()));
        std::vector<std::string> got;
        for (std::string_view line; file.ReadLine(line) == CTextFile::ReadResult::Line;) {
            got.emplace_back(line);
        }
        EXPECT_EQ(got, lines);
        ASSERT_TRUE(file.SeekToStart());  // a text-mode seek would land elsewhere
        std::string_view first;
        EXPECT_EQ(file.ReadLine(first), CTextFile::ReadResult::Line);
        EXPECT_EQ(first, lines.front());
    }
    std::filesystem::remove(path);
}

}  // namespace
