// The ".MCR" source file with its backup, and the source record of a stream.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "core/settings/engine_context.h"
#include "macro/macro_object.h"
#include "macro/macro_opcodes.h"
#include "platform/errors.h"
#include "support/scripted_services.h"

namespace fs = std::filesystem;

namespace {

// "macro 日本(a) { write "語" }" + CR LF, in code page 932: 日 93 FA,
// 本 96 7B, 語 8C EA.
const std::string kSource = "macro 日本(a) { write \"語\" }\r\n";
const std::string kSourceBytes =
    "macro \x93\xFA\x96\x7B(a) { write \"\x8C\xEA\" }\r\n";

class MacroSourceFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("merlox_mcr_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        context_.SetServices(&services_);
        context_.Work().dataFolder = dir_.string() + "/";
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
    ScriptedServices services_;
    EngineContext context_;
};

TEST_F(MacroSourceFile, SaveWritesCp932AndAZeroByte) {
    MacroObject m;
    m.SetSource(kSource);
    m.SaveSource(Path("a.MCR"), context_);
    EXPECT_EQ(ReadAll(Path("a.MCR")), kSourceBytes + std::string(1, '\0'));
}

TEST_F(MacroSourceFile, LoadReadsUpToTheFirstZeroWithoutCompiling) {
    WriteAll(Path("b.MCR"), kSourceBytes + std::string(1, '\0') + "junk");
    MacroObject m;
    m.SetName("old");
    m.EmitNumber(opLDI, 5.0);
    m.LoadSource(Path("b.MCR"));
    EXPECT_EQ(m.Source(), kSource);
    EXPECT_TRUE(m.Name().empty());
    EXPECT_EQ(m.FileName(), Path("b.MCR"));
    EXPECT_EQ(m.CodeLength(), 9);  // the code is left for the caller to compile
}

TEST_F(MacroSourceFile, RoundTrip) {
    MacroObject a;
    a.SetSource(kSource);
    a.SaveSource(Path("r.MCR"), context_);
    MacroObject b;
    b.LoadSource(Path("r.MCR"));
    EXPECT_EQ(b.Source(), kSource);
}

TEST_F(MacroSourceFile, OldFileKeptAsBak) {
    MacroObject m;
    m.SetSource("first");
    m.SaveSource(Path("k.MCR"), context_);
    m.SetSource("second");
    m.SaveSource(Path("k.MCR"), context_);
    EXPECT_EQ(ReadAll(Path("k.MCR")), std::string("second") + '\0');
    EXPECT_EQ(ReadAll(Path("k.BAK")), std::string("first") + '\0');
}

TEST_F(MacroSourceFile, EmptyNameUsesStoredNameThenNoname) {
    MacroObject m;
    m.SetSource("1");
    m.SaveSource("", context_);
    EXPECT_EQ(ReadAll(Path("NONAME.MCR")), std::string("1") + '\0');

    WriteAll(Path("s.MCR"), std::string("2") + '\0');
    m.LoadSource(Path("s.MCR"));
    m.SetSource("3");
    m.SaveSource("", context_);
    EXPECT_EQ(ReadAll(Path("s.MCR")), std::string("3") + '\0');
}

TEST_F(MacroSourceFile, FailedSaveThrowsAndEndsNothing) {
    MacroObject m;
    m.SetSource("x");
    EXPECT_THROW(m.SaveSource(Path("missing/x.MCR"), context_), EStreamError);
    EXPECT_TRUE(services_.CallsOf(ServiceCall::Terminate).empty());
    EXPECT_TRUE(services_.CallsOf(ServiceCall::MessageBox).empty());
}

TEST_F(MacroSourceFile, LoadFailures) {
    MacroObject m;
    EXPECT_THROW(m.LoadSource(Path("none.MCR")), EStreamError);
    WriteAll(Path("bad.MCR"), "a\x81\x20");  // a lead byte without its trail byte
    m.SetSource("kept");
    EXPECT_THROW(m.LoadSource(Path("bad.MCR")), EStreamError);
    EXPECT_EQ(m.Source(), "kept");
}

// ---- records -----------------------------------------------------------------

std::string LittleEndian32(std::uint32_t n) {
    std::string s;
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
    return s;
}

MacroObject CompiledAs(const std::string& name, const std::string& source) {
    MacroObject m;
    m.SetName(name);
    m.SetSource(source);
    m.EmitNumber(opLDI, 1.0);
    m.Emit(opEND);
    m.FinishCode();
    return m;
}

TEST(MacroRecord, WriteIsLengthAndBytes) {
    MacroObject m;
    m.SetSource(kSource);
    std::ostringstream out;
    EXPECT_EQ(m.WriteRecord(out), 4 + static_cast<std::int64_t>(kSourceBytes.size()));
    EXPECT_EQ(out.str(), LittleEndian32(static_cast<std::uint32_t>(kSourceBytes.size())) + kSourceBytes);
}

TEST(MacroRecord, ReadCompilesTheSource) {
    std::istringstream in(LittleEndian32(static_cast<std::uint32_t>(kSourceBytes.size())) + kSourceBytes + "next");
    std::string seen;
    MacroObject m;
    m.SetFileName("/lib/f.MLB");
    const auto read = m.ReadRecord(in, [&](const std::string& source) {
        seen = source;
        return CompiledAs("日本", source);
    });
    EXPECT_EQ(read, 4 + static_cast<std::int64_t>(kSourceBytes.size()));
    EXPECT_EQ(seen, kSource);
    EXPECT_EQ(m.Name(), "日本");
    EXPECT_EQ(m.Source(), kSource);
    EXPECT_EQ(m.ListCode(), "*** 日本 ***\r\n0 : LDI 1\r\n9 : END\r\n");
    EXPECT_EQ(m.FileName(), "/lib/f.MLB");
    std::string rest;
    in >> rest;
    EXPECT_EQ(rest, "next");
}

TEST(MacroRecord, EmptyRecordCompilesEmptySource) {
    std::istringstream in(LittleEndian32(0));
    bool called = false;
    MacroObject m;
    EXPECT_EQ(m.ReadRecord(in, [&](const std::string& source) {
        called = true;
        EXPECT_TRUE(source.empty());
        return CompiledAs("", source);
    }), 4);
    EXPECT_TRUE(called);
}

TEST(MacroRecord, DamagedRecordsLeaveTheObject) {
    const std::string cases[] = {
        LittleEndian32(10) + "short",       // runs past the stream
        LittleEndian32(0xFFFFFFFFu) + "x",  // negative length
        std::string("\x01\x00", 2),         // cut inside the length
        LittleEndian32(2) + "\x81\x20",     // not code page 932
    };
    for (const std::string& bytes : cases) {
        std::istringstream in(bytes);
        MacroObject m = CompiledAs("keep", "1");
        bool called = false;
        EXPECT_THROW(m.ReadRecord(in, [&](const std::string& s) {
            called = true;
            return CompiledAs("new", s);
        }), EReadError);
        EXPECT_FALSE(called);
        EXPECT_EQ(m.Name(), "keep");
    }
}

TEST(MacroRecord, CompileErrorPropagatesAndLeavesTheObject) {
    std::istringstream in(LittleEndian32(1) + "(");
    MacroObject m = CompiledAs("keep", "1");
    EXPECT_THROW(m.ReadRecord(in, [](const std::string&) -> MacroObject { throw Exception("文法エラー"); }),
                 Exception);
    EXPECT_EQ(m.Name(), "keep");
    EXPECT_EQ(m.Source(), "1");
}

}  // namespace
