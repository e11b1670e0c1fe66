#include "core/io/stored_variables.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/errors.h"
#include "support/binary_bytes.h"
#include "support/fsync_recorder.h"

namespace fs = std::filesystem;

namespace {

const std::string kTest = "\x83\x65\x83\x58\x83\x67";  // テスト
const std::string kPrice = "\x89\xBF\x8A\x69";         // 価格
const std::string kQuantity = "\x90\x94\x97\xCA";      // 数量
const std::string kNote = "\x90\xE0\x96\xBE";          // 説明

using Values = std::vector<double>;

// Two variables of three observations with groups and an info section
// behind them; offsets counted by hand from the layout.
std::string Golden(const Values& price, const Values& quantity) {
    LeBytes b;
    b.raw(std::string("MDF\0", 4)).i32(140).text(kTest).i32(3).i32(2);
    b.u8(0x89).u8(4).u16(0xFF3B).i32(42);
    b.u8(0x90).u8(4).u16(0xFE85).i32(93);
    EXPECT_EQ(b.s.size(), 42u);
    b.text(kPrice).text(kNote).u8(2).i32(3);
    b.f64(price[0]).u16(0).f64(price[1]).u16(1).f64(price[2]).u16(3);
    EXPECT_EQ(b.s.size(), 93u);
    b.text(kQuantity).text("").u8(1).i32(3);
    b.f64(quantity[0]).u16(0).f64(quantity[1]).u16(0).f64(quantity[2]).u16(2);
    EXPECT_EQ(b.s.size(), 140u);
    b.i32(5).i32(161).text("Info text");
    return b.s;
}

std::string Golden() { return Golden({1.0, 2.0, 3.0}, {2.0, 4.0, 7.0}); }

// The name key of CP932 bytes, as the format defines it.
void Key(LeBytes& b, const std::string& name, std::int32_t offset) {
    unsigned sum = 0;
    for (const char c : name) sum += static_cast<unsigned>(static_cast<int>(static_cast<signed char>(c)));
    b.u8(static_cast<std::uint8_t>(name[0])).u8(static_cast<std::uint8_t>(name.size())).u16(sum & 0xFFFF).i32(offset);
}

// "acc" and "abd": same first byte, length and byte sum (97+99+99 = 97+98+100).
std::string CollidingNames() {
    LeBytes b;
    b.raw(std::string("MDF\0", 4)).i32(108).text("").i32(2).i32(2);
    Key(b, "acc", 36);
    Key(b, "abd", 72);
    EXPECT_EQ(b.s.size(), 36u);
    b.text("acc").text("").u8(0).i32(2).f64(10.0).u16(0).f64(11.0).u16(0);
    EXPECT_EQ(b.s.size(), 72u);
    b.text("abd").text("").u8(0).i32(2).f64(20.0).u16(0).f64(21.0).u16(4);
    EXPECT_EQ(b.s.size(), 108u);
    return b.s;
}

class StoredVariablesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("merlox_stored_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Put(const std::string& name, const std::string& bytes) const {
        const fs::path p = dir_ / name;
        WriteFileBytes(p, bytes);
        return p.string();
    }
    int FilesInFolder() const {
        int n = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++n;
        return n;
    }

    fs::path dir_;
};

// --- directory and names -----------------------------------------------------------

TEST_F(StoredVariablesTest, DirectoryOfTheGoldenFile) {
    std::istringstream in(Golden());
    std::vector<VarHash> keys;
    int obs = -1;
    ASSERT_EQ(ReadDataDirectory(in, keys, obs), 2);
    EXPECT_EQ(obs, 3);
    ASSERT_EQ(keys.size(), 2u);
    const struct {
        int first, length, sum, offset;
    } want[] = {{0x89, 4, 0xFF3B, 42}, {0x90, 4, 0xFE85, 93}};
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(keys[i].first, want[i].first);
        EXPECT_EQ(keys[i].length, want[i].length);
        EXPECT_EQ(keys[i].sum, want[i].sum);
        EXPECT_EQ(static_cast<int>(keys[i].offset), want[i].offset);
    }
}

TEST_F(StoredVariablesTest, FilesWithoutTheMagicHoldNoVariables) {
    for (const std::string& bytes : {std::string("#data,3\r\nx/ex/x\r\n1,2,3\r\n"), std::string("MD"),
                                     std::string(), std::string("MDF\x01", 4) + Golden().substr(4)}) {
        std::istringstream in(bytes);
        std::vector<VarHash> keys(3);
        int obs = -1;
        EXPECT_EQ(ReadDataDirectory(in, keys, obs), 0);
        EXPECT_TRUE(keys.empty());
        const std::string path = Put("a.MDF", bytes);
        std::vector<std::string> names{"stale"};
        EXPECT_EQ(ReadVariableNames(path, names), 0);
        EXPECT_TRUE(names.empty());
        double v[2] = {9, 9};
        ReadStoredVariableValues(path, "x", 0, 2, v);
        EXPECT_EQ(v[0], 0.0);
        EXPECT_EQ(v[1], 0.0);
        EXPECT_EQ(WriteStoredVariableValues(path, "x", 0, 2, v), 0);
        EXPECT_EQ(ReadFileBytes(path), bytes);
    }
}

TEST_F(StoredVariablesTest, NamesInDirectoryOrder) {
    std::vector<std::string> names;
    EXPECT_EQ(ReadVariableNames(Put("g.MDF", Golden()), names), 2);
    EXPECT_EQ(names, (std::vector<std::string>{"価格", "数量"}));
    EXPECT_EQ(ReadVariableNames(Put("c.MDF", CollidingNames()), names), 2);
    EXPECT_EQ(names, (std::vector<std::string>{"acc", "abd"}));
}

TEST_F(StoredVariablesTest, MissingFileIsAnOpenError) {
    std::vector<std::string> names;
    double v = 0;
    Var target;
    const std::string path = (dir_ / "none.MDF").string();
    EXPECT_THROW(ReadVariableNames(path, names), EFOpenError);
    EXPECT_THROW(ReadVariableFromFile(path, "x", target), EFOpenError);
    EXPECT_THROW(ReadStoredVariableValues(path, "x", 0, 1, &v), EFOpenError);
    EXPECT_THROW(WriteStoredVariableValues(path, "x", 0, 1, &v), EFOpenError);
    EXPECT_FALSE(fs::exists(path));
}

// --- reading ----------------------------------------------------------------------

TEST_F(StoredVariablesTest, WholeVariable) {
    const std::string path = Put("g.MDF", Golden());
    Var v;
    ASSERT_TRUE(ReadVariableFromFile(path, "価格", v));
    EXPECT_EQ(v.GetName(), "価格");
    EXPECT_EQ(v.GetInfo(), "説明");
    EXPECT_EQ(v.GetType(), 2);
    ASSERT_EQ(v.Count(), 3);
    const double values[] = {1.0, 2.0, 3.0};
    const std::uint16_t marks[] = {0, 1, 3};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(v.Data()[i], values[i]);
        EXPECT_EQ(v.GetMark(i), marks[i]);
    }
    EXPECT_DOUBLE_EQ(v.GetMean(), 2.0);

    Var other("keep", "", 2, 5.0);
    EXPECT_FALSE(ReadVariableFromFile(path, "価", other));
    EXPECT_FALSE(ReadVariableFromFile(path, "価格 ", other));
    EXPECT_FALSE(ReadVariableFromFile(path, "", other));
    EXPECT_EQ(other.GetName(), "keep");
    EXPECT_EQ(other.Count(), 2);
}

TEST_F(StoredVariablesTest, EqualKeysAreToldApartByTheName) {
    const std::string path = Put("c.MDF", CollidingNames());
    Var v;
    ASSERT_TRUE(ReadVariableFromFile(path, "abd", v));
    EXPECT_EQ(v.GetName(), "abd");
    EXPECT_EQ(v.Data()[0], 20.0);
    EXPECT_EQ(v.GetMark(1), 4);
    double out[2];
    ReadStoredVariableValues(path, "acc", 0, 2, out);
    EXPECT_EQ(out[0], 10.0);
    EXPECT_EQ(out[1], 11.0);
    // Same key, no such name.
    ReadStoredVariableValues(path, "bcb", 0, 2, out);
    EXPECT_FALSE(ReadVariableFromFile(path, "add", v));
    EXPECT_EQ(WriteStoredVariableValues(path, "add", 0, 2, out), 0);
    EXPECT_EQ(ReadFileBytes(path), CollidingNames());
}

TEST_F(StoredVariablesTest, StretchesOfValues) {
    const std::string path = Put("g.MDF", Golden());
    struct Case {
        const char* name;
        int start, count;
        Values want;
    } cases[] = {
        {"数量", 0, 3, {2, 4, 7}},
        {"数量", 1, 1, {4}},
        {"数量", 1, 4, {4, 7, 0, 0}},  // the tail, then zeros
        {"数量", 3, 2, {0, 0}},        // start at the stored count
        {"数量", 2, 0, {}},
        {"価格", 0, 5, {1, 2, 3, 0, 0}},
        {"無い", 0, 3, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.start) + " " + std::to_string(c.count));
        // Guards on both sides of the caller's array stay as they were.
        std::vector<double> buffer(static_cast<std::size_t>(c.count) + 2, -99.0);
        ReadStoredVariableValues(path, c.name, c.start, c.count, buffer.data() + 1);
        EXPECT_EQ(buffer.front(), -99.0);
        EXPECT_EQ(buffer.back(), -99.0);
        EXPECT_EQ(Values(buffer.begin() + 1, buffer.end() - 1), c.want);
    }
}

TEST_F(StoredVariablesTest, OutOfRangeStretchesAreRefused) {
    const std::string path = Put("g.MDF", Golden());
    const struct {
        int start, count;
    } cases[] = {{4, 1}, {-1, 2}, {0, -1}, {1000000, 0}, {-2147483647 - 1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.start) + " " + std::to_string(c.count));
        double buffer[4] = {-99, -99, -99, -99};
        EXPECT_THROW(ReadStoredVariableValues(path, "数量", c.start, c.count, buffer), ERangeError);
        const double in[4] = {5, 5, 5, 5};
        EXPECT_THROW(static_cast<void>(WriteStoredVariableValues(path, "数量", c.start, c.count, in)), ERangeError);
        for (const double v : buffer) EXPECT_EQ(v, -99.0);
    }
    EXPECT_THROW(ReadStoredVariableValues(path, "数量", 0, 1, nullptr), ERangeError);
    EXPECT_EQ(ReadFileBytes(path), Golden());
    EXPECT_EQ(FilesInFolder(), 1);
}

// --- writing ------------------------------------------------------------------------

TEST_F(StoredVariablesTest, WritingChangesOnlyTheValuesWritten) {
    struct Case {
        const char* name;
        int start, count;
        Values in;
        int written;
        Values price, quantity;
    } cases[] = {
        {"数量", 1, 5, {-1.5, 1e300, 8, 9, 10}, 2, {1, 2, 3}, {2, -1.5, 1e300}},
        {"数量", 0, 1, {0.1}, 1, {1, 2, 3}, {0.1, 4, 7}},
        {"価格", 0, 3, {-0.0, 6, 1.0 / 3.0}, 3, {-0.0, 6, 1.0 / 3.0}, {2, 4, 7}},
        {"価格", 3, 2, {6, 6}, 0, {1, 2, 3}, {2, 4, 7}},
        {"価格", 1, 0, {}, 0, {1, 2, 3}, {2, 4, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.start));
        const std::string path = Put("w.MDF", Golden());
        EXPECT_EQ(WriteStoredVariableValues(path, c.name, c.start, c.count, c.in.data()), c.written);
        // Group words, names, the other variable and the sections stay.
        EXPECT_EQ(ReadFileBytes(path), Golden(c.price, c.quantity));
        EXPECT_EQ(FilesInFolder(), 1);
    }
}

TEST_F(StoredVariablesTest, WriteIsFlushedUnderATemporaryNameAndRenamed) {
    const std::string path = Put("w.MDF", Golden());
    FsyncRecorder recorder(dir_);
    const double in[] = {5.0};
    EXPECT_EQ(WriteStoredVariableValues(path, "価格", 2, 1, in, recorder.Call()), 1);
    const std::vector<SyncEvent>& ev = recorder.Events();
    ASSERT_EQ(ev.size(), 2u);
    // The new file beside the old one, before the rename; then the folder.
    EXPECT_FALSE(ev[0].folder);
    const fs::path temp(ev[0].path);
    EXPECT_EQ(temp.parent_path(), fs::canonical(dir_));
    EXPECT_EQ(ev[0].entries, (std::vector<std::string>{"w.MDF", temp.filename().string()}));
    EXPECT_TRUE(ev[1].folder);
    EXPECT_EQ(ev[1].entries, (std::vector<std::string>{"w.MDF"}));
    EXPECT_EQ(ReadFileBytes(path), Golden({1, 2, 5}, {2, 4, 7}));
}

TEST_F(StoredVariablesTest, FailedFlushLeavesTheFileAsItWas) {
    const std::string path = Put("w.MDF", Golden());
    FsyncRecorder failing(dir_, EIO);
    const double in[] = {5.0, 6.0};
    EXPECT_THROW(static_cast<void>(WriteStoredVariableValues(path, "価格", 0, 2, in, failing.Call())), EWriteError);
    EXPECT_EQ(ReadFileBytes(path), Golden());
    EXPECT_EQ(FilesInFolder(), 1);
}

TEST_F(StoredVariablesTest, WritingThroughALinkReplacesTheFileItNames) {
    const std::string path = Put("w.MDF", Golden());
    const fs::path link = dir_ / "link.MDF";
    fs::create_symlink(path, link);
    const double in[] = {8.0};
    EXPECT_EQ(WriteStoredVariableValues(link.string(), "数量", 0, 1, in), 1);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(path), Golden({1, 2, 3}, {8, 4, 7}));
}

TEST_F(StoredVariablesTest, LargeVariableInBlocks) {
    // More observations than one block, so the block seams are crossed.
    const int n = 150000;
    LeBytes b;
    b.raw(std::string("MDF\0", 4)).i32(0).text("").i32(n).i32(1);
    Key(b, "x", 28);
    b.text("x").text("").u8(0).i32(n);
    for (int i = 0; i < n; ++i) b.f64(i * 0.5).u16(static_cast<std::uint16_t>(i & 7));
    const std::string path = Put("big.MDF", b.s);
    std::vector<double> in(100000);
    for (int i = 0; i < 100000; ++i) in[static_cast<std::size_t>(i)] = -i;
    EXPECT_EQ(WriteStoredVariableValues(path, "x", 60000, 100000, in.data()), 90000);
    std::vector<double> out(n + 10, 1.0);
    ReadStoredVariableValues(path, "x", 0, n + 10, out.data());
    int wrong = 0;
    for (int i = 0; i < n + 10; ++i) {
        const double want = i >= n ? 0.0 : i >= 60000 ? -(i - 60000) : i * 0.5;
        if (out[static_cast<std::size_t>(i)] != want) ++wrong;
    }
    EXPECT_EQ(wrong, 0);
    Var v;
    ASSERT_TRUE(ReadVariableFromFile(path, "x", v));
    int wrongMarks = 0;
    for (int i = 0; i < n; ++i)
        if (v.GetMark(i) != (i & 7)) ++wrongMarks;
    EXPECT_EQ(wrongMarks, 0);
}

// --- damaged files ------------------------------------------------------------------

// Every call on a damaged image either works or raises a stream error; a
// write keeps the file's size.
void Probe(const std::string& path, const std::string& bytes) {
    const auto run = [&](const char* what, auto&& call) {
        try {
            call();
        } catch (const EStreamError&) {
        } catch (const std::exception& e) {
            ADD_FAILURE() << what << ": " << typeid(e).name() << " " << e.what();
        }
    };
    WriteFileBytes(path, bytes);
    std::vector<std::string> names;
    run("names", [&] { ReadVariableNames(path, names); });
    Var v;
    run("variable", [&] { ReadVariableFromFile(path, "価格", v); });
    double out[4];
    run("values", [&] { ReadStoredVariableValues(path, "数量", 0, 4, out); });
    const double in[2] = {42.0, 43.0};
    run("write", [&] { static_cast<void>(WriteStoredVariableValues(path, "価格", 0, 2, in)); });
    EXPECT_EQ(ReadFileBytes(path).size(), bytes.size());
}

TEST_F(StoredVariablesTest, EveryTruncationFailsCleanly) {
    const std::string golden = Golden();
    const std::string path = (dir_ / "t.MDF").string();
    for (std::size_t n = 0; n < golden.size(); ++n) {
        SCOPED_TRACE(n);
        Probe(path, golden.substr(0, n));
    }
    // Cut inside a record: the values cannot be read.
    WriteFileBytes(path, golden.substr(0, 120));
    double out[3];
    EXPECT_THROW(ReadStoredVariableValues(path, "数量", 0, 3, out), EReadError);
}

TEST_F(StoredVariablesTest, FlippedBitsAndOverwrittenFields) {
    const std::string golden = Golden();
    const std::string path = (dir_ / "f.MDF").string();
    std::mt19937 rng(17);
    for (int round = 0; round < 300; ++round) {
        std::string bytes = golden;
        const int flips = 1 + static_cast<int>(rng() % 3);
        for (int f = 0; f < flips; ++f) bytes[rng() % bytes.size()] ^= static_cast<char>(1u << (rng() % 8));
        SCOPED_TRACE(round);
        Probe(path, bytes);
    }
    // Lengths, counts and offsets set to extremes, one at a time.
    // Name length, observations, variables, both record offsets, the records'
    // name and info lengths and counts, the section header.
    const std::size_t fields[] = {8, 18, 22, 30, 38, 42, 50, 59, 93, 101, 106, 140, 144};
    for (const std::size_t at : fields)
        for (const std::uint32_t value : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 1000u}) {
            SCOPED_TRACE(std::to_string(at) + " " + std::to_string(value));
            std::string bytes = golden;
            for (int b = 0; b < 4; ++b) bytes[at + static_cast<std::size_t>(b)] = static_cast<char>((value >> (8 * b)) & 0xFF);
            Probe(path, bytes);
        }
}

}  // namespace
