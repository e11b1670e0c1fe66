// The ".MLB" library file: its bytes, round trips, damaged files and
// macros that compile only later.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "macro_engine_support.h"
#include "platform/errors.h"

namespace fs = std::filesystem;

namespace {

const std::string kSourceA = "macro A(x) { x * 2 }";
const std::string kSourceB = "macro B { @~A(3)+1 }";

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

// The file of A and B laid out by hand: end 72, count 2, the keys ('A', 1,
// sum 0x41, at 24) and ('B', 1, sum 0x42, at 48), then the two records of
// 20 bytes each.
std::string GoldenAB() {
    return Bytes({0x48, 0, 0, 0, 2, 0, 0, 0, 0x41, 1, 0x41, 0, 0x18, 0, 0, 0, 0x42, 1, 0x42, 0, 0x30, 0, 0, 0}) +
           Bytes({0x14, 0, 0, 0}) + kSourceA + Bytes({0x14, 0, 0, 0}) + kSourceB;
}

std::string Image(const MacroList& library) {
    std::ostringstream out;
    library.WriteLibrary(out);
    return out.str();
}

void Read(MacroList& library, const std::string& image) {
    std::istringstream in(image);
    library.ReadLibrary(in);
}

class MacroLibraryFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("merlox_mlb_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        f_.state.Work().dataFolder = dir_.string() + "/";
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    static std::string ReadAll(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void WriteAll(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    fs::path dir_;
    EngineFixture f_;
};

TEST_F(MacroLibraryFile, TwoMacrosGiveTheSeventyTwoByteFile) {
    f_.library.AddOrReplace(kSourceA);
    f_.library.AddOrReplace(kSourceB);
    EXPECT_EQ(Image(f_.library), GoldenAB());
}

TEST_F(MacroLibraryFile, PositionsCountFromTheStreamStart) {
    f_.library.AddOrReplace(kSourceA);
    std::ostringstream out;
    out << "0123";
    f_.library.WriteLibrary(out);
    // end 4 + 40, the key's record at 4 + 16.
    EXPECT_EQ(out.str(),
              "0123" + Bytes({0x2C, 0, 0, 0, 1, 0, 0, 0, 0x41, 1, 0x41, 0, 0x14, 0, 0, 0, 0x14, 0, 0, 0}) + kSourceA);
    MacroList other(f_.state);
    std::istringstream in(out.str());
    in.seekg(4);
    other.ReadLibrary(in);
    ASSERT_EQ(other.Count(), 1);
    EXPECT_EQ(other.EntrySource(0), kSourceA);
}

TEST_F(MacroLibraryFile, KeyOfAJapaneseName) {
    // 回帰 in code page 932: 89 F1 8B 41; signed byte sum -186 = 0xFF46.
    f_.library.AddOrReplace("macro 回帰 { 1 }");
    const std::string image = Image(f_.library);
    EXPECT_EQ(image.substr(8, 4), Bytes({0x89, 4, 0x46, 0xFF}));
    EXPECT_EQ(image.substr(12, 4), Bytes({16, 0, 0, 0}));
    EXPECT_EQ(image.substr(16), Bytes({16, 0, 0, 0}) + "macro \x89\xF1\x8B\x41 { 1 }");
}

TEST_F(MacroLibraryFile, EmptyLibraryIsEightBytes) {
    EXPECT_EQ(Image(f_.library), Bytes({8, 0, 0, 0, 0, 0, 0, 0}));
    f_.library.AddOrReplace(kSourceA);
    // A count of 0 reads no key.
    Read(f_.library, Bytes({8, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(f_.library.Count(), 0);
}

TEST_F(MacroLibraryFile, RoundTrip) {
    const std::string golden = GoldenAB();
    Read(f_.library, golden);
    ASSERT_EQ(f_.library.Count(), 2);
    EXPECT_EQ(f_.library.EntryName(0), "A");
    EXPECT_EQ(f_.library.EntryName(1), "B");
    EXPECT_TRUE(f_.library.IsCompiled(0));
    EXPECT_TRUE(f_.library.IsCompiled(1));
    EXPECT_EQ(Image(f_.library), golden);
    EXPECT_DOUBLE_EQ(f_.library.Call(1, {}), 7.0);
}

TEST_F(MacroLibraryFile, LaterMacroOfTheSameNameWins) {
    const std::string first = "macro A { 1 }";
    const std::string second = "macro A { 22 }";
    const std::string image = Bytes({59, 0, 0, 0, 2, 0, 0, 0, 0x41, 1, 0x41, 0, 24, 0, 0, 0, 0x41, 1, 0x41, 0, 41, 0,
                                     0, 0}) +
                              Bytes({13, 0, 0, 0}) + first + Bytes({14, 0, 0, 0}) + second;
    ASSERT_EQ(image.size(), 24u + 17u + 18u);
    Read(f_.library, image);
    ASSERT_EQ(f_.library.Count(), 1);
    EXPECT_EQ(f_.library.EntrySource(0), second);
}

TEST_F(MacroLibraryFile, MacroThatCallsALaterOneCompilesWhenCalled) {
    // B first, then A: B cannot compile while reading.
    MacroList writer(f_.state);
    writer.AddOrReplace(kSourceA);
    writer.AddOrReplace(kSourceB);
    writer.Remove("A");
    writer.AddOrReplace(kSourceA);
    Read(f_.library, Image(writer));
    ASSERT_EQ(f_.library.Count(), 2);
    EXPECT_EQ(f_.library.EntryName(0), "B");
    EXPECT_FALSE(f_.library.IsCompiled(0));
    EXPECT_TRUE(f_.library.IsCompiled(1));
    EXPECT_EQ(f_.library.ParameterCount(0), 0);
    EXPECT_DOUBLE_EQ(f_.host.EvaluateExpression("@~B"), 7.0);
    EXPECT_TRUE(f_.library.IsCompiled(0));
    // Written back as it was read.
    EXPECT_EQ(Image(f_.library), Image(writer));
}

TEST_F(MacroLibraryFile, MacroThatNeedsAnOpenDataSetIsKeptAsSource) {
    const std::string source = "macro D(p, q$: \"x, y\") { x1 + p }";
    const std::string image = Bytes({8 + 8 + 4 + 33, 0, 0, 0, 1, 0, 0, 0, 'D', 1, 'D', 0, 16, 0, 0, 0}) +
                              Bytes({33, 0, 0, 0}) + source;
    ASSERT_EQ(source.size(), 33u);
    Read(f_.library, image);
    ASSERT_EQ(f_.library.Count(), 1);
    EXPECT_EQ(f_.library.EntryName(0), "D");
    EXPECT_FALSE(f_.library.IsCompiled(0));
    // Read from the header: the comma inside the prompt does not count.
    EXPECT_EQ(f_.library.ParameterCount(0), 2);
    // Its error shows when it is called.
    f_.host.SetCurrentValue(3);
    f_.services.QueueOK();
    EXPECT_EQ(f_.host.EvaluateExpression("@~D(1, \"a\")"), 3.0);
    EXPECT_FALSE(f_.host.Done());
    ASSERT_EQ(f_.Messages().size(), 1u);
    EXPECT_EQ(f_.Messages()[0].rfind("【式実行時エラー】\n", 0), 0u);
    EXPECT_THROW(f_.library.Compiled(0), Exception);
    EXPECT_EQ(Image(f_.library), image);
}

TEST_F(MacroLibraryFile, DamagedFilesAreRefusedAndTheLibraryKept) {
    const std::string golden = GoldenAB();
    auto with = [&](std::size_t at, std::string bytes) {
        std::string s = golden;
        s.replace(at, bytes.size(), bytes);
        return s;
    };
    struct Case {
        const char* what;
        std::string image;
    };
    const Case cases[] = {
        {"empty", ""},
        {"short header", golden.substr(0, 7)},
        {"directory cut", golden.substr(0, 20)},
        {"last record cut", golden.substr(0, 71)},
        {"end beyond the file", with(0, Bytes({0x49, 0, 0, 0}))},
        {"end before the directory", with(0, Bytes({20, 0, 0, 0}))},
        {"count beyond the file", with(4, Bytes({0xFF, 0xFF, 0xFF, 0x7F}))},
        {"negative count", with(4, Bytes({0xFF, 0xFF, 0xFF, 0xFF}))},
        {"count of three", with(4, Bytes({3, 0, 0, 0}))},
        {"record inside the directory", with(12, Bytes({8, 0, 0, 0}))},
        {"record beyond the end", with(12, Bytes({0x48, 0, 0, 0}))},
        {"record length beyond the end", with(24, Bytes({0x30, 0, 0, 0}))},
        {"negative record length", with(24, Bytes({0xFF, 0xFF, 0xFF, 0xFF}))},
        {"not code page 932", with(28 + 6, Bytes({0x81}) + " ")},
    };
    for (const Case& c : cases) {
        EngineFixture f;
        f.library.AddOrReplace("macro Kept { 1 }");
        EXPECT_THROW(Read(f.library, c.image), EReadError) << c.what;
        ASSERT_EQ(f.library.Count(), 1) << c.what;
        EXPECT_EQ(f.library.EntryName(0), "Kept") << c.what;
    }
}

TEST_F(MacroLibraryFile, FuzzedFilesNeverBreakTheProgram) {
    const std::string golden = GoldenAB();
    std::mt19937 random(20240611);
    for (int round = 0; round < 3000; ++round) {
        std::string image = golden;
        const int kind = round % 3;
        if (kind == 0) {
            image.resize(random() % (golden.size() + 1));
        } else {
            const int flips = 1 + static_cast<int>(random() % 4);
            for (int k = 0; k < flips; ++k) image[random() % image.size()] = static_cast<char>(random() & 0xFF);
        }
        EngineFixture f;
        try {
            Read(f.library, image);
            // What was read can be written and read again.
            const std::string again = Image(f.library);
            Read(f.library, again);
            EXPECT_EQ(Image(f.library), again);
        } catch (const EReadError&) {
            EXPECT_EQ(f.library.Count(), 0);
        }
    }
}

TEST_F(MacroLibraryFile, SaveAndLoad) {
    f_.library.AddOrReplace(kSourceA);
    f_.library.AddOrReplace(kSourceB);
    f_.library.SaveLibrary(Path("lib.MLB"));
    EXPECT_EQ(ReadAll(Path("lib.MLB")), GoldenAB());
    // Saving does not make it the library's file.
    EXPECT_EQ(f_.library.FileName(), "");
    MacroList other(f_.state);
    other.LoadLibrary(Path("lib.MLB"));
    EXPECT_EQ(other.FileName(), Path("lib.MLB"));
    EXPECT_EQ(Image(other), GoldenAB());
}

TEST_F(MacroLibraryFile, SaveWithoutANameWritesNonameAndKeepsTheOldFile) {
    WriteAll(Path("NONAME.MLB"), "old");
    f_.library.AddOrReplace(kSourceA);
    f_.library.SaveLibrary("");
    EXPECT_EQ(ReadAll(Path("NONAME.BAK")), "old");
    const std::string image = ReadAll(Path("NONAME.MLB"));
    EXPECT_EQ(image.size(), 40u);
    // Without a name, the file last loaded is written again.
    f_.library.LoadLibrary(Path("NONAME.MLB"));
    EXPECT_EQ(f_.library.SaveTarget(""), Path("NONAME.MLB"));
    EXPECT_EQ(f_.library.SaveTarget(Path("x.MLB")), Path("x.MLB"));
}

TEST_F(MacroLibraryFile, FailedSaveIsReportedAndChangesNothing) {
    f_.library.AddOrReplace(kSourceA);
    EXPECT_THROW(f_.library.SaveLibrary(Path("no/such/folder/a.MLB")), EStreamError);
    EXPECT_EQ(f_.library.Count(), 1);
    EXPECT_FALSE(fs::exists(Path("no")));
}

TEST_F(MacroLibraryFile, SaveThatFailsWhileWritingKeepsTheOldFile) {
    WriteAll(Path("lib.MLB"), "old");
    // Text after the body is not compiled, but it is saved, and this
    // character has no code page 932 form.
    f_.library.AddOrReplace("macro A { 1 } \xF0\x9F\x98\x80");
    EXPECT_THROW(f_.library.SaveLibrary(Path("lib.MLB")), EWriteError);
    EXPECT_EQ(ReadAll(Path("lib.MLB")), "old");
    EXPECT_FALSE(fs::exists(Path("lib.BAK")));
    EXPECT_EQ(f_.library.Count(), 1);
}

TEST_F(MacroLibraryFile, UnnamedMacroHasAnEmptyKey) {
    f_.library.AddOrReplace("1 + 2");
    const std::string image = Image(f_.library);
    EXPECT_EQ(image, Bytes({25, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 16, 0, 0, 0, 5, 0, 0, 0}) + "1 + 2");
    MacroList other(f_.state);
    Read(other, image);
    ASSERT_EQ(other.Count(), 1);
    EXPECT_EQ(other.EntryName(0), "");
    EXPECT_DOUBLE_EQ(other.Call(0, {}), 3.0);
}

TEST_F(MacroLibraryFile, FailedLoadKeepsTheLibraryAndItsFile) {
    f_.library.AddOrReplace(kSourceA);
    f_.library.SaveLibrary(Path("good.MLB"));
    f_.library.LoadLibrary(Path("good.MLB"));
    WriteAll(Path("bad.MLB"), GoldenAB().substr(0, 50));
    EXPECT_THROW(f_.library.LoadLibrary(Path("bad.MLB")), EReadError);
    EXPECT_THROW(f_.library.LoadLibrary(Path("missing.MLB")), EFOpenError);
    EXPECT_EQ(f_.library.FileName(), Path("good.MLB"));
    EXPECT_EQ(f_.library.Count(), 1);
}

}  // namespace
