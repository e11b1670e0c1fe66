// Bytes of a text data file: a NUL byte, which no such file holds, is
// refused where it stands, and a field of megabytes is read whole.
#include "core/io/text_data_file.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "core/text/text_evaluator.h"
#include "platform/errors.h"
#include "support/scripted_services.h"

namespace {

using namespace std::string_literals;

constexpr std::size_t kMiB = std::size_t{1} << 20;

// The name of the file's first variable, or the message it is refused with.
std::string Read(const std::string& bytes, std::size_t chunk) {
    ScriptedServices services;
    std::istringstream in(bytes);
    LoadedDataFile out;
    try {
        ReadTextDataFile(in, out, PlainNumbers(), services, chunk);
    } catch (const EReadError& e) {
        return e.what();
    }
    return out.vars.at(0)->GetName();
}

TEST(TextDataBytes, ANulByteIsRefusedNamingItsLineAndAFieldOfMegabytesIsReadWhole) {
    const std::string nul = " 行目: NUL 文字（0 のバイト）があります。テキスト形式のデータファイルではありません";
    const std::string name(3 * kMiB, 'a');
    const std::pair<std::string, std::string> cases[] = {
        {std::string(3 * kMiB, '\0'), "1" + nul},              // what a ".MDF" of zero bytes is read as
        {"ID,x\r\n1,2\r\n3, \0 4\r\n"s, "3" + nul},            // in a value
        {"ID,x\r\n1,2\r\n#use,\r\nd,\0,#\r\n"s, "4" + nul},     // in a section
        {"ID,x\r\n1,2\r\n#u,\0"s, "3" + nul},                  // after the data, too short for a section
        {"ID," + name + "\r\n1,2\r\n", name},                   // a name of megabytes
        {name, "1 行目: データの行がありません"},                // no separator: a name, no data
    };
    for (const std::size_t chunk : {kTextReadChunk, std::size_t{5}})
        for (std::size_t i = 0; i < std::size(cases); ++i)
            EXPECT_EQ(Read(cases[i].first, chunk), cases[i].second) << chunk << " " << i;
}

}  // namespace
