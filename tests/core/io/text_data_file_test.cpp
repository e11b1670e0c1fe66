// The keyword text form of the data file: hand-written files of each
// section and both layouts, the exact bytes written, round trips through
// the model, damaged files.
#include "core/io/text_data_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "core/text/float_format.h"
#include "core/text/text_evaluator.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"
#include "support/scripted_services.h"

namespace fs = std::filesystem;

namespace {

LoadedDataFile ReadText(const std::string& bytes, ScriptedServices* services = nullptr) {
    ScriptedServices local;
    std::istringstream in(bytes);
    LoadedDataFile out;
    ReadTextDataFile(in, out, PlainNumbers(), services ? *services : local);
    return out;
}

std::vector<double> Values(const Var& v) { return std::vector<double>(v.begin(), v.end()); }

// The written form of two variables X and Y, observations 2 and 3 of X in
// group 1 named G, Y dependent on X.
const char kExample[] =
    "#var,@0/0,@1/0,@2/0,@3/0,@4/0,@5/0,@6/0,@7/0,@8/0,@9/0,#\r\n"
    "ID,X,Y\r\n"
    "1,1.5,2\r\n"
    "2,2,4\r\n"
    "3,3,5\r\n"
    "#use,u,d,#\r\n"
    "#stage,ols,#\r\n"
    "#property,X/nd/X,Y/nd/Y,@name = \"D\",@info = \"D\",#\r\n"
    "#group\r\n"
    "{,1,G\r\n"
    "X,[,@2-3,]\r\n"
    "}\r\n"
    "#\r\n";

TEST(TextDataFileRead, TheWrittenExampleReadsToItsDataSet) {
    ScriptedServices services;
    LoadedDataFile f = ReadText(kExample, &services);
    ASSERT_EQ(f.vars.size(), 2u);
    EXPECT_EQ(f.obs, 3);
    EXPECT_EQ(f.vars[0]->GetName(), "X");
    EXPECT_EQ(Values(*f.vars[0]), (std::vector<double>{1.5, 2, 3}));
    EXPECT_EQ(Values(*f.vars[1]), (std::vector<double>{2, 4, 5}));
    EXPECT_EQ(f.dependent, 1);
    EXPECT_EQ(f.roles, (std::vector<std::uint8_t>{2, 1}));
    EXPECT_FALSE(f.twoStage);
    EXPECT_EQ(f.name, "D");
    EXPECT_EQ(f.info, "D");
    EXPECT_EQ(f.groupNames.GetName(1), "G");
    EXPECT_EQ(f.vars[0]->Marks(), (std::vector<std::uint16_t>{0, 1, 1}));
    EXPECT_EQ(f.vars[1]->Marks(), (std::vector<std::uint16_t>{0, 0, 0}));
    EXPECT_EQ(services.ProgressDepth(), 0);
    EXPECT_FALSE(services.CallsOf(ServiceCall::ProgressBegin).empty());
}

TEST(TextDataFileWrite, TheExampleIsWrittenByteForByte) {
    Reg reg(3, 2, "D");
    reg.SetVarName(0, "X");
    reg.SetVarName(1, "Y");
    reg.SetVarInfo(0, "X");
    reg.SetVarInfo(1, "Y");
    reg.SetVarValues(0, std::vector<double>{1.5, 2, 3});
    reg.SetVarValues(1, std::vector<double>{2, 4, 5});
    reg.SetMark(1, 0, 1);
    reg.SetMark(2, 0, 1);
    reg.GroupNames().SetName("G", 1);
    ASSERT_TRUE(reg.SetModel(1, {2, 1, 2}));
    std::ostringstream out;
    ScriptedServices services;
    WriteTextDataFile(FileImage(reg), out, services);
    EXPECT_EQ(out.str(), kExample);
    EXPECT_EQ(services.ProgressDepth(), 0);
}

struct TableCase {
    const char* name;
    std::string text;
    std::vector<std::string> names;
    std::vector<std::vector<double>> columns;
    int dependent;  // -1: no sections were found
};

TEST(TextDataFileRead, TableLayouts) {
    const std::vector<TableCase> cases = {
        {"id header, ends after the data", "ID,a,b\r\n1,1,2\r\n2,3,5\r\n", {"a", "b"}, {{1, 3}, {2, 5}}, -1},
        {"no id: the first field is a name", "a,b\n1,2\n3,5\n", {"a", "b"}, {{1, 3}, {2, 5}}, -1},
        {"a number ends the header", "ID,X,2,7", {"X"}, {{7}}, -1},
        {"empty first field means ID", "\tX\tY\r\n1\t1\t2\r\n", {"X", "Y"}, {{1}, {2}}, -1},
        {"tabs and blanks", "ID\tX\tY\n1\t 1.5 \t-2\n", {"X", "Y"}, {{1.5}, {-2}}, -1},
        {"an incomplete last row is dropped", "X,Y\n1,2\n3", {"X", "Y"}, {{1}, {2}}, -1},
        {"few bytes after the table are ignored", "X,Y\n1,2\n3,4\n#use,d,#", {"X", "Y"}, {{1, 3}, {2, 4}}, 1},
        {"japanese and underscore names", "ID,\xE5\xA4\x89\xE6\x95\xB0,_b\n1,1,2\n", {"変数", "_b"}, {{1}, {2}}, -1},
        {"#mode 0 and #var first", "#mode,0,#var,@k/2.5,#,X\n4\n", {"X"}, {{4}}, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = c.text;
        // Texts go to the file in CP932.
        bytes = cp932::FromUtf8(bytes);
        LoadedDataFile f = ReadText(bytes);
        ASSERT_EQ(f.vars.size(), c.names.size());
        for (std::size_t j = 0; j < c.names.size(); ++j) {
            EXPECT_EQ(f.vars[j]->GetName(), c.names[j]);
            EXPECT_EQ(f.vars[j]->GetInfo(), c.names[j]);
            EXPECT_EQ(Values(*f.vars[j]), c.columns[j]);
        }
        EXPECT_EQ(f.dependent, c.dependent);
    }
}

TEST(TextDataFileRead, UserScalarsOfTheVarLine) {
    LoadedDataFile f = ReadText("#var,@a/2,7,@b/-1.5,#\r\nX\r\n1\r\n");
    EXPECT_EQ(f.userScalars.GetName(0, true), "a");
    EXPECT_EQ(f.userScalars.GetValue(0, true), 2.0);
    EXPECT_EQ(f.userScalars.GetName(1, true), "1");  // a bare value is named by its place
    EXPECT_EQ(f.userScalars.GetValue(1, true), 7.0);
    EXPECT_EQ(f.userScalars.GetValue(2, true), -1.5);
    EXPECT_EQ(f.userScalars.GetName(3, true), "3");
}

const char kTwo[] = "ID,X,Y,Z\r\n1,1,2,3\r\n2,4,5,7\r\n3,1,1,2\r\n4,5,5,5\r\n5,1,6,2\r\n";

TEST(TextDataFileRead, RoleAndStageSections) {
    struct Case {
        const char* sections;
        std::vector<std::uint8_t> roles;
        int dependent;
        bool twoStage;
    };
    const std::vector<Case> cases = {
        {"#use,U,n,D,#\r\n#stage,ols,tsls,#\r\n", {2, 0, 1}, 2, true},
        {"#use,d,u,u,extra,#\r\n#stage,tsls,x,#\r\n", {1, 2, 2}, 0, false},
        {"#use,d,d,u,#\r\n", {1, 1, 2}, 1, false},  // the last d decides
        {"#unknown,a,b,c,#\r\n#use,n,u,d,#\r\n", {0, 2, 1}, 2, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sections);
        LoadedDataFile f = ReadText(std::string(kTwo) + c.sections);
        EXPECT_EQ(f.roles, c.roles);
        EXPECT_EQ(f.dependent, c.dependent);
        EXPECT_EQ(f.twoStage, c.twoStage);
    }
}

TEST(TextDataFileRead, GroupSection) {
    LoadedDataFile f = ReadText(std::string(kTwo) +
                                "#group\r\n{,2,null\r\nX,[,@5-3,]\r\n@1,[,@0-2,]\r\n@9,[,all,]\r\nZ,[,all,]\r\n}\r\n"
                                "{,3,\xCE\xDE\r\nY,[,@[2..3],9,5,]\r\nnone,[,1,]\r\n}\r\n#\r\n");
    EXPECT_EQ(f.vars[0]->Marks(), (std::vector<std::uint16_t>{0, 0, 2, 2, 2}));
    EXPECT_EQ(f.vars[1]->Marks(), (std::vector<std::uint16_t>{2, 2 | 4, 4, 0, 4}));
    EXPECT_EQ(f.vars[2]->Marks(), (std::vector<std::uint16_t>{2, 2, 2, 2, 2}));
    EXPECT_EQ(f.groupNames.GetName(2), "");
    EXPECT_EQ(f.groupNames.GetName(3), "ﾎﾞ");
}

GridColorEntry Colour() {
    GridColorEntry c;
    c.Set(3, 0x0000FF, 0xFFFFFF);
    return c;
}

TEST(TextDataFileRead, PropertyEquationAndColourSections) {
    ScriptedServices services;
    services.QueueOK();
    LoadedDataFile f = ReadText(std::string(kTwo) +
                                    "#property,X/en/income,Y/lg/,\"Z/ex/a, b/c\",@name = \"data, set\",#\r\n"
                                    "#expres\r\nX =  +Y+2.5*Z\r\n@Y = \r\n#\r\n"
                                    "#color," + Colour().ToText() + ",bad/colour/x,#\r\n",
                                &services);
    EXPECT_EQ(f.vars[0]->GetInfo(), "income");
    EXPECT_EQ(f.vars[0]->GetType(), 1);
    EXPECT_EQ(f.vars[1]->GetInfo(), "");  // an empty info part
    EXPECT_EQ(f.vars[1]->GetType(), 3);
    EXPECT_EQ(f.vars[2]->GetInfo(), "a, b/c");
    EXPECT_EQ(f.vars[2]->GetType(), 2);
    EXPECT_EQ(f.name, "data, set");
    ASSERT_EQ(f.equations.GetCount(), 2);
    const Expres& x = f.equations.GetItem(f.equations.IndexOf("X"));
    ASSERT_EQ(x.GetCount(), 2);
    EXPECT_EQ(x.GetCoef(1), 2.5);
    const Expres& y = f.equations.GetItem(f.equations.IndexOf("Y"));
    EXPECT_EQ(y.GetCount(), 0);
    EXPECT_TRUE(y.IsDefinition());
    EXPECT_TRUE(f.hasColors);
    ASSERT_EQ(f.colors.Count(), 1);
    EXPECT_EQ(f.colors.GetEntry(0), Colour());
    // The colour that could not be read was shown and skipped.
    EXPECT_EQ(services.CallsOf(ServiceCall::MessageBox).size(), 1u);
}

TEST(TextDataFileRead, BlockLayout) {
    LoadedDataFile f = ReadText(
        "#mode,1,{,A/en/first,{,@3=7,},},\r\n"
        "{,B/ex/second,{,1,2,3,4,},[,1,2,3,4,],}\r\n"
        "{,C/nd/third,@[2..3]=5,},[,@2=1A,],}\r\n"
        "{,D/lg/fourth,@[3]=1,@1=4,},[,@[2..3]=2,],}\r\n"
        "#use,d,u,n,n,#\r\n");
    ASSERT_EQ(f.vars.size(), 4u);
    EXPECT_EQ(f.obs, 3);
    EXPECT_EQ(Values(*f.vars[0]), (std::vector<double>{7, 7, 7}));
    EXPECT_EQ(f.vars[0]->GetType(), 1);
    EXPECT_EQ(f.vars[0]->GetInfo(), "first");
    EXPECT_EQ(Values(*f.vars[1]), (std::vector<double>{1, 2, 3}));
    // The fourth group item replaces the third.
    EXPECT_EQ(f.vars[1]->Marks(), (std::vector<std::uint16_t>{1, 2, 8}));
    EXPECT_EQ(Values(*f.vars[2]), (std::vector<double>{0, 5, 5}));
    EXPECT_EQ(f.vars[2]->Marks(), (std::vector<std::uint16_t>{1 | 512, 1 | 512, 0}));
    EXPECT_EQ(Values(*f.vars[3]), (std::vector<double>{1, 1, 1}));
    EXPECT_EQ(f.vars[3]->Marks(), (std::vector<std::uint16_t>{0, 2, 2}));
    EXPECT_EQ(f.dependent, 0);
    EXPECT_EQ(f.roles, (std::vector<std::uint8_t>{1, 2, 0, 0}));
}

TEST(TextDataFileRead, DamagedFilesNameTheLine) {
    struct Case {
        const char* name;
        std::string text;
        const char* line;
    };
    const std::vector<Case> cases = {
        {"empty cell", "ID\tX\tY\n1\t1\t2\n2\t\t3\n", "3 行目"},
        {"blank cell", "X,Y\n1,2\n3, ,4\n", "3 行目"},
        {"block start below 1", "#mode,1\n{,A/nd/a,\n@[0..2]=1,},}\n", "3 行目"},
        {"negative count", "#mode,1\n{,A/nd/a,\n@-2=1,},}\n", "3 行目"},
        {"count beyond the file's reach", "#mode,1\n{,A/nd/a,@1e12=1,},}\n", "2 行目"},
        {"group count negative", "#mode,1\n{,A/nd/a,1,2,},[,\n@-1=1,],}\n", "3 行目"},
        {"bad header", "#mode,1\n{,A,1,},}\n", "2 行目"},
        {"bad value", "X\n1\nfoo\n", "3 行目"},
        {"no rows", "X,Y\n", "2 行目"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            ReadText(c.text);
            ADD_FAILURE() << "no error";
        } catch (const EReadError& e) {
            EXPECT_NE(std::string(e.what()).find(c.line), std::string::npos) << e.what();
        } catch (const std::exception& e) {
            ADD_FAILURE() << "other error: " << e.what();
        }
    }
}

TEST(TextDataFileValues, GeneralFormAppendedAsTheLibraryFormatsIt) {
    std::mt19937_64 rng(7);
    std::vector<double> xs = {1000000000000000.5, 0.5, 1.5, 2.5e-5, 1e-5, 1e-6, 123456789012345.0, 1234567890123456.0,
                              999999999999999.5, 9.999999999999995, 0.1, 1e300, -1e-300, 5e-324, 1.7976931348623157e308,
                              100, -0.000123, 12345.6789, 0.30000000000000004};
    std::uniform_real_distribution<double> u(-1, 1);
    std::uniform_int_distribution<int> e(-30, 30);
    for (int i = 0; i < 20000; ++i) xs.push_back(u(rng) * std::pow(10.0, e(rng)));
    for (int i = 0; i < 2000; ++i) xs.push_back(std::round(u(rng) * 1e6) / 1e3);
    for (double x : xs) {
        std::string s;
        AppendGeneralFloat(s, x);
        ASSERT_EQ(s, FloatToStrGeneral(x)) << x;
    }
}

// Round trips through SaveAs and LoadFile with a fresh model.
class TextDataFileFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("merlox_text_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        companions_.userScalars = &scalars_;
        companions_.colors = &colors_;
        scalars_.SetDataLink({[] { return true; }, [] {}});
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& n) const { return (dir_ / n).string(); }

    fs::path dir_;
    UserVar scalars_;
    GridColorList colors_;
    DataFileCompanions companions_;
};

TEST_F(TextDataFileFiles, RoundTripKeepsTheDataSetAndItsModel) {
    const int n = 40;
    const int k = 4;
    Reg reg(n, k, "収入データ");
    reg.SetFileCompanions(&companions_);
    reg.SetInfo("info, with comma");
    const std::vector<std::string> names = {"所得", "x_1", "a/b", "Y"};
    std::mt19937_64 rng(11);
    std::normal_distribution<double> g(0.0, 1.0);
    for (int j = 0; j < k; ++j) {
        reg.SetVarName(j, names[static_cast<std::size_t>(j)]);
        reg.SetVarInfo(j, j == 1 ? "" : "説明 " + std::to_string(j) + ", x/y");
        reg.SetVarType(j, j);
        std::vector<double> v(n);
        for (auto& x : v) x = g(rng) * std::pow(10.0, j * 3 - 4);
        reg.SetVarValues(j, v);
    }
    reg.SetValue(3, 0, std::numeric_limits<double>::infinity());
    reg.SetValue(4, 0, -std::numeric_limits<double>::infinity());
    reg.SetValue(5, 0, std::nan(""));
    for (int i = 0; i < n; ++i) reg.SetMark(i, 1, static_cast<std::uint16_t>(i % 3 == 0 ? 1 : 0));
    for (int i = 0; i < n; ++i) reg.SetMark(i, 2, 0x8000 | 4);
    reg.SetMark(7, 3, 0x8000);
    reg.GroupNames().SetName("第一", 1);
    reg.GroupNames().SetName("G16", 16);
    reg.Expressions().Add(Expres("Y = 1.25*x_1 + 0.5 - 所得", reg, false));
    reg.Expressions().Add(Expres("x_1", 0, true, {}, {}));
    scalars_.SetName(0, true, "a");
    scalars_.SetValue(0, true, 0.1);
    GridColorEntry c;
    c.Set(3, 0x0000FF, 0xFFFFFF);
    colors_.SetColors(c);
    companions_.colorSettings.saveColors = true;
    companions_.colorSettings.useFileColors = true;
    ASSERT_TRUE(reg.SetModel(3, {2, 0, 2, 1, 2}) || true);
    reg.SetTwoStage(true);
    SaveAs(reg, Path("d.txt"));
    EXPECT_FALSE(reg.IsModified());

    UserVar scalars2;
    scalars2.SetDataLink({[] { return true; }, [] {}});
    GridColorList colors2;
    DataFileCompanions c2;
    c2.userScalars = &scalars2;
    c2.colors = &colors2;
    c2.colorSettings = companions_.colorSettings;
    Reg back(1, 1, "other");
    back.SetFileCompanions(&c2);
    LoadFile(back, Path("d.txt"));
    ASSERT_EQ(back.GetVarCount(), k);
    ASSERT_EQ(back.GetObsCount(), n);
    EXPECT_EQ(back.GetName(), "収入データ");
    EXPECT_EQ(back.GetInfo(), "info, with comma");
    for (int j = 0; j < k; ++j) {
        SCOPED_TRACE(j);
        EXPECT_EQ(back.GetVarName(j), reg.GetVarName(j));
        EXPECT_EQ(back.GetVarInfo(j), reg.GetVarInfo(j));
        EXPECT_EQ(back.GetVarType(j), reg.GetVarType(j));
        for (int i = 0; i < n; ++i) {
            const double x = reg.GetValue(i, j);
            // Values travel as the general form's 15 significant digits.
            const double expected = std::isfinite(x) ? std::strtod(FloatToStrGeneral(x).c_str(), nullptr) : x;
            if (std::isnan(x))
                EXPECT_TRUE(std::isnan(back.GetValue(i, j)));
            else
                EXPECT_EQ(back.GetValue(i, j), expected);
            EXPECT_EQ(back.GetMark(i, j), reg.GetMark(i, j));
        }
    }
    EXPECT_EQ(back.GroupNames().GetName(1), "第一");
    EXPECT_EQ(back.GroupNames().GetName(16), "G16");
    ASSERT_EQ(back.Expressions().GetCount(), 2);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(back.Expressions().GetItem(i).Format(0), reg.Expressions().GetItem(i).Format(0));
    EXPECT_EQ(scalars2.GetName(0, true), "a");
    EXPECT_EQ(scalars2.GetValue(0, true), 0.1);
    ASSERT_EQ(colors2.Count(), 1);
    EXPECT_EQ(colors2.GetEntry(0), c);
    EXPECT_TRUE(back.IsTwoStage());
    EXPECT_EQ(back.GetDependent(), 3);
    for (int j = 0; j < k; ++j) EXPECT_EQ(back.GetRole(j), reg.GetRole(j)) << j;
    EXPECT_FALSE(back.IsModified());
    EXPECT_EQ(back.GetFileForm(), 1);

    // Written again, the file is the same.
    SaveAs(back, Path("e.txt"));
    std::ifstream a(Path("d.txt"), std::ios::binary), b(Path("e.txt"), std::ios::binary);
    std::stringstream sa, sb;
    sa << a.rdbuf();
    sb << b.rdbuf();
    EXPECT_EQ(sa.str(), sb.str());
    EXPECT_TRUE(fs::exists(Path("d.txt")));
    SaveAs(back, Path("d.txt"));
    EXPECT_TRUE(fs::exists(Path("d.BAK")));
}

TEST_F(TextDataFileFiles, DamagedFilesNeverCrashAndLeaveTheModelAlone) {
    const std::vector<std::string> seeds = {
        kExample,
        std::string(kTwo) + "#use,U,n,D,#\r\n#group\r\n{,2,null\r\nX,[,@5-3,]\r\n@1,[,@[0..2],all,]\r\n}\r\n#\r\n"
                            "#property,X/en/i,\"Z/ex/a,b\",#\r\n#expres\r\nX = +Y+2.5*Z\r\n#\r\n#color," + Colour().ToText() + ",#\r\n",
        "#mode,1,{,A/en/first,{,@3=7,},},\r\n{,B/ex/second,{,1,2,3,4,},[,1,2,3,4,],}\r\n"
        "{,C/nd/third,@[2..3]=5,},[,@2=1A,@[1..2]=3,],}\r\n#use,d,u,n,#\r\n",
    };
    std::mt19937 rng(2024);
    const std::string specials = ",\t\r\n#{}[]@.-=/\"0123456789e";
    ScriptedServices services;
    EngineContext context;
    context.SetServices(&services);
    Reg reg(2, 1, "keep");
    reg.SetFileCompanions(&companions_);
    reg.SetFileName("keep.txt");
    reg.SetModified(true);
    int failures = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string t = seeds[static_cast<std::size_t>(round) % seeds.size()];
        const int edits = 1 + static_cast<int>(rng() % 6);
        for (int e = 0; e < edits && !t.empty(); ++e) {
            const std::size_t at = rng() % t.size();
            switch (rng() % 4) {
                case 0: t[at] = specials[rng() % specials.size()]; break;
                case 1: t.erase(at, 1 + rng() % 8); break;
                case 2: t.insert(at, 1, specials[rng() % specials.size()]); break;
                default: t.resize(at); break;
            }
        }
        {
            std::ofstream out(Path("f.txt"), std::ios::binary | std::ios::trunc);
            out << t;
        }
        try {
            LoadFile(reg, Path("f.txt"));
            ASSERT_GE(reg.GetVarCount(), 1);
            reg.SetName("keep");
            reg.SetFileName("keep.txt");
            reg.SetModified(true);
        } catch (const std::bad_alloc&) {
            FAIL() << "unbounded allocation: " << t;
        } catch (const std::exception&) {
            ++failures;
            ASSERT_EQ(reg.GetName(), "keep");
            ASSERT_EQ(reg.GetFileName(), "keep.txt");
            ASSERT_TRUE(reg.IsModified());
        }
    }
    EXPECT_GT(failures, 0);
}

}  // namespace
