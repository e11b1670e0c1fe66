// Damaged binary data files: cut at every length, bits flipped, lengths and
// counts overwritten. Each one must give an error or a valid data set, and
// never a crash, a hang or a sanitizer report.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <sstream>
#include <string>

#include "core/io/data_file.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "platform/errors.h"

namespace {

// A small image with every section.
std::string SampleImage() {
    Reg reg(4, 3, "fuzz");
    const double v[4][3] = {{1, 2, 3}, {2, 1, 5}, {4, 3, 4}, {3, 5, 9}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j) {
            reg.SetValue(i, j, v[i][j]);
            reg.SetMark(i, j, static_cast<std::uint16_t>(i % 2 + j));
        }
    reg.SetInfo("info");
    reg.SetGroupName(1, "g1");
    const std::string names[] = {reg.GetVarName(0), Data::ConstantName()};
    const double coefs[] = {0.5, 1.0};
    reg.AddExpres(Expres(reg.GetVarName(2), 2, false, coefs, names));
    GridColorEntry e;
    e.Set(1, 0xFF, 0xFFFFFF);
    DataFileCompanions& companions = reg.FileCompanions();
    companions.colors->SetColors(e);
    companions.colorSettings = {true, true, nullptr};
    FFElement ff;
    ff.SetHead(FFCell(reg.GetVarName(2), 1, 1.0, 0));
    ff.AppendTerm(FFCell(reg.GetVarName(0), 2, 0.5, -1));
    companions.finalForm->Append(ff);
    std::ostringstream os;
    WriteBinaryImage(reg, os);
    return os.str();
}

struct Outcome {
    int ok = 0;
    int failed = 0;
};

// Reads an image as the loader does; a successful read is taken over by a
// model and estimated, so damaged contents reach the estimation too.
void Feed(const std::string& bytes, Outcome& outcome) {
    std::istringstream in(bytes);
    LoadedDataFile loaded;
    try {
        SilentServices silent;
        ReadBinaryDataFile(in, static_cast<std::int64_t>(bytes.size()), loaded, silent);
        Reg reg(3, 2);
        AdoptLoaded(reg, loaded);
        EXPECT_GE(reg.GetVarCount(), 1);
        for (int j = 0; j < reg.GetVarCount(); ++j) EXPECT_EQ(reg.GetVar(j).Count(), reg.GetObsCount());
        ++outcome.ok;
    } catch (const EReadError&) {
        ++outcome.failed;
    }
}

TEST(DataFileFuzz, EveryTruncationFailsCleanly) {
    const std::string image = SampleImage();
    Outcome o;
    for (std::size_t len = 0; len < image.size(); ++len) Feed(image.substr(0, len), o);
    // Only cuts right between two sections leave a readable file.
    EXPECT_GT(o.failed, static_cast<int>(image.size()) - 10);
    Feed(image, o);
    EXPECT_GE(o.ok, 1);
}

TEST(DataFileFuzz, FlippedBits) {
    const std::string image = SampleImage();
    std::mt19937 rng(7);
    Outcome o;
    for (std::size_t at = 0; at < image.size(); ++at) {
        for (int t = 0; t < 2; ++t) {
            std::string damaged = image;
            damaged[at] = static_cast<char>(damaged[at] ^ (1 << (rng() % 8)));
            Feed(damaged, o);
        }
    }
    EXPECT_EQ(o.ok + o.failed, static_cast<int>(2 * image.size()));
}

TEST(DataFileFuzz, OverwrittenLengthsAndCounts) {
    const std::string image = SampleImage();
    const std::uint32_t values[] = {0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0u, 1u, 3u, 0x10000u};
    Outcome o;
    for (std::size_t at = 0; at + 4 <= image.size(); ++at) {
        for (std::uint32_t v : values) {
            std::string damaged = image;
            for (int b = 0; b < 4; ++b) damaged[at + static_cast<std::size_t>(b)] = static_cast<char>((v >> (8 * b)) & 0xFF);
            Feed(damaged, o);
        }
    }
    EXPECT_GT(o.failed, 0);
}

}  // namespace
