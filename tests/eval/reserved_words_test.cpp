#include "eval/reserved_words.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "eval/app_state.h"
#include "core/model/regression_model.h"
#include "platform/errors.h"
#include "support/scripted_services.h"

namespace {

TEST(ReservedWords, NumbersOfNamedEntries) {
    struct Entry {
        int index;
        const char* word;
    };
    const Entry entries[] = {
        {0, "sin"},       {10, "gamma"},    {23, "pnor"},   {24, "qnor"},    {30, "real"},
        {31, "bce"},      {32, "invbce"},   {33, "loga"},   {34, "round"},   {35, "pt"},
        {41, "permut"},   {42, "pow"},      {43, "pf"},     {44, "qf"},      {45, "varp"},
        {50, "max"},      {51, "min"},      {52, "median"}, {53, "trimmean"}, {55, "percentile"},
        {56, "hornor"},   {57, "ave"},      {58, "sig"},    {59, "max"},     {60, "min"},
        {61, "break"},    {79, "pi"},       {92, "seed"},   {93, "ranuni"},  {94, "rannor"},
        {95, "row"},      {96, "col"},      {97, "vt"},     {98, "ve"},      {99, "R2"},
        {100, "fe"},      {101, "file"},    {102, "sys"},   {103, "poly"},   {104, "yobs"},
        {113, "hat"},     {117, "covratio"}, {121, "r2"},   {122, "rr2"},    {123, "tti"},
        {124, "dfb"},
    };
    for (const Entry& e : entries) {
        SCOPED_TRACE(e.index);
        EXPECT_STREQ(ReservedWords[e.index], e.word);
        EXPECT_STREQ(ReservedWord(e.index), e.word);
    }
    EXPECT_EQ(rwPf, 43);
    EXPECT_EQ(rwPi, 79);
    EXPECT_EQ(rwSys, 102);
    EXPECT_EQ(rwDfb, 124);
}

TEST(ReservedWords, GroupPointersAndSizes) {
    EXPECT_STREQ(FunctionNames[0], "sin");
    EXPECT_STREQ(FunctionNames[kFunctionWords - 1], "hornor");
    EXPECT_STREQ(AttributeNames[0], "ave");
    EXPECT_STREQ(AttributeNames[3], "min");
    EXPECT_STREQ(KeywordNames[0], "break");
    EXPECT_STREQ(KeywordNames[kKeywordWords - 1], "poly");
    EXPECT_STREQ(ResultNames[0], "yobs");
    EXPECT_STREQ(ResultNames[kResultNameWords - 1], "dfb");
    // Only max and min occur twice.
    std::set<std::string> seen;
    int duplicates = 0;
    for (const char* w : ReservedWords) {
        ASSERT_NE(w, nullptr);
        ASSERT_GT(std::strlen(w), 0u);
        if (!seen.insert(w).second) ++duplicates;
    }
    EXPECT_EQ(duplicates, 2);
}

TEST(ReservedWords, IndexOutOfRangeThrows) {
    EXPECT_THROW(ReservedWord(-1), ERangeError);
    EXPECT_THROW(ReservedWord(kReservedWordCount), ERangeError);
    EXPECT_THROW(ReservedWordMessage(3), ERangeError);
}

TEST(ReservedWords, LookupsAreExactFirstMatchAndCaseSensitive) {
    EXPECT_EQ(FindFunctionName("max"), 50);  // not the attribute 59
    EXPECT_EQ(FindFunctionName("min"), 51);
    EXPECT_EQ(FindFunctionName("Sin"), -1);
    EXPECT_EQ(FindFunctionName("ave"), -1);
    EXPECT_EQ(FindFunctionName("qf"), 44);
    EXPECT_EQ(FindFunctionName("hornor"), 56);
    EXPECT_EQ(FindFunctionName(""), -1);
    EXPECT_EQ(FindFunctionName("si"), -1);  // prefix of "sin" is no match
    EXPECT_EQ(FindAttributeName("sig"), 1);
    EXPECT_EQ(FindAttributeName("max"), 2);
    EXPECT_EQ(FindKeyword("break"), 0);
    EXPECT_EQ(FindKeyword("poly"), 42);
    EXPECT_EQ(FindKeyword("R2"), 38);
    EXPECT_EQ(FindKeyword("r2"), -1);
    EXPECT_EQ(FindResultName("r2"), 17);  // R² without the observation
    EXPECT_EQ(FindResultName("R2"), -1);
    EXPECT_EQ(FindResultName("yobs"), 0);
    EXPECT_EQ(FindResultName("welsch"), 16);
    EXPECT_EQ(FindResultName("tti"), 19);
    EXPECT_EQ(FindResultName("dfb"), 20);
    // Ranges reaching past the table are cut, not overrun.
    EXPECT_EQ(FindReservedWord("dfb", 120, 1000), 124);
    EXPECT_EQ(FindReservedWord("sin", -5, 6), 0);
    EXPECT_EQ(FindReservedWord("sin", 1, 0), -1);
}

TEST(ReservedWords, Messages) {
    EXPECT_EQ(ReservedWordMessage(kMsgMemory), "メモリーの確保に失敗しました。");
    EXPECT_EQ(ReservedWordMessage(kMsgReserved), "予約語は使えません");
    EXPECT_EQ(ReservedWordMessage(kMsgDuplicate), "二重定義エラー");
}

TEST(NewName, Classify) {
    const NameInUse vars = NameListLookup({"x", "y", "GNP"});
    const NameInUse scores = NameListLookup({"PC1", "PC2"});
    struct Case {
        const char* name;
        int withoutScores;
        int withScores;
    };
    const Case cases[] = {
        {"yobs", 0, 0},      {"dfb", 0, 0},  {"break", 0, 0},  {"sys", 0, 0},   {"R2", 0, 0},
        {"r2", 0, 0},        {"pi", 0, 0},   {"sin", 0, 0},    {"hornor", 0, 0}, {"max", 0, 0},
        {"min", 0, 0},       {"real", 0, 0}, {"poly", -1, -1}, {"ave", -1, -1}, {"sig", -1, -1},
        {"Sin", -1, -1},     {"x", 1, 1},    {"GNP", 1, 1},    {"gnp", -1, -1}, {"PC1", -1, 1},
        {"PC3", -1, -1},     {"", -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ClassifyNewName(c.name, vars), c.withoutScores);
        EXPECT_EQ(ClassifyNewName(c.name, vars, scores), c.withScores);
    }
    // Without a data set only reserved words are refused.
    EXPECT_EQ(ClassifyNewName("x", NameInUse{}), kNewNameFree);
    EXPECT_EQ(ClassifyNewName("cook", NameInUse{}), kNewNameReserved);
    // A reserved word is reported as reserved even when a variable has it.
    EXPECT_EQ(ClassifyNewName("sin", NameListLookup({"sin"})), kNewNameReserved);
}

TEST(NewName, AgainstTheCurrentModelAndScores) {
    // No data set open: only reserved words are refused.
    AppState app;
    EXPECT_EQ(ClassifyNewName(app, "x", false), kNewNameFree);
    EXPECT_EQ(ClassifyNewName(app, "cook", true), kNewNameReserved);

    auto reg = std::make_unique<Reg>(3, 2);
    reg->SetVarName(0, "GNP");
    reg->SetVarName(1, "y");
    app.SetModel(std::move(reg));
    app.SetScoreNameLookup(NameListLookup({"PC1"}));
    struct Case {
        const char* name;
        int withoutScores;
        int withScores;
    };
    const Case cases[] = {
        {"GNP", 1, 1}, {"y", 1, 1}, {"gnp", -1, -1}, {"PC1", -1, 1},
        {"PC2", -1, -1}, {"sin", 0, 0}, {"poly", -1, -1},
        // A variable by the constant term's name could never be reached.
        {"定数項", 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ClassifyNewName(app, c.name, false), c.withoutScores);
        EXPECT_EQ(ClassifyNewName(app, c.name, true), c.withScores);
    }
    {
        ScriptedServices ui;
        app.SetServices(&ui);
        ui.QueueOK();
        EXPECT_FALSE(CheckNewName(app, "y", false));
        EXPECT_TRUE(CheckNewName(app, "PC1", false));
        ui.QueueOK();
        EXPECT_FALSE(CheckNewName(app, "PC1", true));
        const auto boxes = ui.CallsOf(ServiceCall::MessageBox);
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[0].text, "二重定義エラー");
        EXPECT_EQ(boxes[1].text, "二重定義エラー");
        app.SetServices(nullptr);
    }
}

TEST(NewName, CheckShowsTheMessageWithOkOnly) {
    ScriptedServices ui;
    const NameInUse vars = NameListLookup({"x"});

    ui.QueueOK();
    EXPECT_FALSE(CheckNewName(ui, "max", vars));
    ui.QueueOK();
    EXPECT_FALSE(CheckNewName(ui, "x", vars));
    EXPECT_TRUE(CheckNewName(ui, "poly", vars));
    EXPECT_TRUE(CheckNewName(ui, "z", vars));

    const auto boxes = ui.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "予約語は使えません");
    EXPECT_EQ(boxes[0].msgKind, MsgKind::Error);
    EXPECT_EQ(boxes[0].value, static_cast<long>(mbOK));
    EXPECT_EQ(boxes[1].text, "二重定義エラー");
    EXPECT_EQ(boxes[1].msgKind, MsgKind::Error);
    EXPECT_EQ(boxes[1].value, static_cast<long>(mbOK));
}

}  // namespace
