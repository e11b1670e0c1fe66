// Bytes of a text data file: a NUL byte, which no such file holds, is
// refused where it stands, and a field of megabytes is read whole.
#include "core/io/text_data_file.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/text/text_evaluator.h"
#include "platform/errors.h"
#include "support/scripted_services.h"

namespace {

using namespace std::string_literals;

constexpr std::size_t kMiB = std::size_t{1} << 20;

LoadedDataFile ReadBytes(const std::string& bytes, std::size_t chunk) {
    ScriptedServices services;
    std::istringstream in(bytes);
    LoadedDataFile out;
    ReadTextDataFile(in, out, PlainNumbers(), services, chunk);
    return out;
}

// The message, or "" when the file was read.
std::string Refusal(const std::string& bytes, std::size_t chunk) {
    try {
        ReadBytes(bytes, chunk);
    } catch (const EReadError& e) {
        return e.what();
    }
    return "";
}

const char kNul[] = " 行目: NUL 文字（0 のバイト）があります。テキスト形式のデータファイルではありません";

TEST(TextDataBytes, ANulByteIsRefusedNamingItsLine) {
    const std::pair<std::string, int> cases[] = {
        {std::string(3 * kMiB, '\0'), 1},           // what a ".MDF" of zero bytes is read as
        {"ID,x\r\n1,2\r\n3, \0 4\r\n"s, 3},         // in a value
        {"#mode,1\r\n{,a/nd/a,1,\0}\r\n"s, 2},      // in a block
        {"ID,x\r\n1,2\r\n#use,\r\nd,\0,#\r\n"s, 4},  // in a section
        {"ID,x\r\n1,2\r\n#u,\0"s, 3},               // after the data, too short for a section
    };
    for (const std::size_t chunk : {kTextReadChunk, std::size_t{5}}) {
        for (const auto& [bytes, line] : cases)
            EXPECT_EQ(Refusal(bytes, chunk), std::to_string(line) + kNul) << chunk << " " << line;
    }
}

TEST(TextDataBytes, AFieldOfMegabytesIsReadWhole) {
    const std::string blanks(5 * kMiB, ' ');
    const std::string name(3 * kMiB, 'a');
    for (const std::size_t chunk : {kTextReadChunk, std::size_t{4096}}) {
        SCOPED_TRACE(chunk);
        const LoadedDataFile padded = ReadBytes("ID,x\r\n1," + blanks + "7\r\n2,8" + blanks + "\r\n", chunk);
        ASSERT_EQ(padded.vars.size(), 1u);
        EXPECT_EQ(std::vector<double>(padded.vars[0]->begin(), padded.vars[0]->end()), (std::vector<double>{7, 8}));
        const LoadedDataFile named = ReadBytes("ID," + name + "\r\n1,2\r\n", chunk);
        ASSERT_EQ(named.vars.size(), 1u);
        EXPECT_EQ(named.vars[0]->GetName(), name);
        // Text without any separator: one name and no data.
        EXPECT_EQ(Refusal(name, chunk), "1 行目: データの行がありません");
    }
}

}  // namespace
