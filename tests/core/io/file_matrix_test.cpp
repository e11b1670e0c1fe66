#include "core/io/file_matrix.h"
#include "core/settings/engine_context.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/numeric/moment_matrix.h"
#include "core/settings/file_services.h"
#include "core/settings/work_settings.h"
#include "platform/errors.h"

namespace fs = std::filesystem;

namespace {

std::string RawBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The little-endian bytes of a double, written out by hand.
const std::string kBytes1_5("\x00\x00\x00\x00\x00\x00\xF8\x3F", 8);
const std::string kBytes7_0("\x00\x00\x00\x00\x00\x00\x1C\x40", 8);
const std::string kBytesMinus2("\x00\x00\x00\x00\x00\x00\x00\xC0", 8);
const std::string kBytes0_1("\x9A\x99\x99\x99\x99\x99\xB9\x3F", 8);

// The 4 x 3 table used by the moment tests.
const double kTable[4][3] = {{1, 2, 3}, {4, 5, 7}, {2, 9, 1}, {6, 1, 8}};

class FileMatrixTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("merlox_fm_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        ctx_.Work().workFolder = dir_.string() + "/";
    }
    void TearDown() override {
        fs::remove_all(dir_);
    }
    int FilesInFolder() const {
        return static_cast<int>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
    }
    template <class M>
    void Fill(M& m) {
        for (int i = 0; i < 4; ++i) m.WriteRow(i, kTable[i]);
    }
    fs::path dir_;
    EngineContext ctx_;
};

TEST_F(FileMatrixTest, NewFileHoldsTheDefaultInPlace) {
    TFileMatrix m(ctx_, 2, 3, 1.5);
    EXPECT_EQ(m.FileName().rfind(dir_.string() + "/DUDOR_", 0), 0u) << m.FileName();
    std::string raw = RawBytes(m.FileName());
    ASSERT_EQ(raw.size(), 48u);
    for (int e = 0; e < 6; ++e) EXPECT_EQ(raw.substr(8 * e, 8), kBytes1_5);

    m.SetValue(1, 2, 7.0);
    std::string after = RawBytes(m.FileName());
    EXPECT_EQ(after.substr(40, 8), kBytes7_0);
    EXPECT_EQ(after.substr(0, 40), raw.substr(0, 40));
    EXPECT_EQ(m.GetValue(1, 2), 7.0);
    EXPECT_EQ(m.GetValue(0, 0), 1.5);
}

// A default of +0.0 is all zero bytes; -0.0 is not.
TEST_F(FileMatrixTest, NewFileOfZerosHoldsZeroBytesAndSignedZerosKeepTheirSign) {
    TFileMatrix zero(ctx_, 3, 5, 0.0);
    EXPECT_EQ(RawBytes(zero.FileName()), std::string(120, '\0'));
    zero.SetValue(2, 4, 1.5);
    EXPECT_EQ(RawBytes(zero.FileName()), std::string(112, '\0') + kBytes1_5);
    TFileMatrix negative(ctx_, 1, 2, -0.0);
    const std::string minusZero("\x00\x00\x00\x00\x00\x00\x00\x80", 8);
    EXPECT_EQ(RawBytes(negative.FileName()), minusZero + minusZero);
}

TEST_F(FileMatrixTest, ReadsOutsideGiveTheDefaultWithoutTheFile) {
    TFileMatrix m(ctx_, 2, 3, 1.5);
    // With the file emptied behind its back, an inside read fails while the
    // outside reads never touch the file.
    fs::resize_file(m.FileName(), 0);
    EXPECT_EQ(m.GetValue(2, 0), 1.5);
    EXPECT_EQ(m.GetValue(0, 3), 1.5);
    EXPECT_EQ(m.GetValue(-1, 0), 1.5);
    EXPECT_THROW(m.GetValue(0, 0), EReadError);

    TFileMatrix empty(ctx_, 0, 3, -2.0);
    EXPECT_EQ(fs::file_size(empty.FileName()), 0u);
    EXPECT_EQ(empty.GetValue(0, 0), -2.0);
}

TEST_F(FileMatrixTest, WritesOutsideTheShapeAreRefused) {
    TFileMatrix m(ctx_, 2, 3, 0.0);
    double row[3] = {1, 2, 3};
    double out[3];
    EXPECT_THROW(m.SetValue(2, 0, 1.0), ERangeError);
    EXPECT_THROW(m.SetValue(0, 3, 1.0), ERangeError);  // would land on the next row
    EXPECT_THROW(m.SetValue(-1, 0, 1.0), ERangeError);
    EXPECT_THROW(m.WriteRow(2, row), ERangeError);
    EXPECT_THROW(m.ReadRow(-1, out), ERangeError);
    EXPECT_THROW(m.RowProduct(0, 2), ERangeError);
    EXPECT_THROW(m.ReadColumn(3, out), ERangeError);
    EXPECT_EQ(fs::file_size(m.FileName()), 48u);
    EXPECT_THROW(TFileMatrix(ctx_, -1, 2, 0.0), ERangeError);
    EXPECT_THROW(TFileMatrix(ctx_, 2, -1, 0.0), ERangeError);
    EXPECT_THROW(TFileMatrix(ctx_, 0x7FFFFFFF, 0x7FFFFFFF, 0.0), ERangeError);  // no such file size
}

TEST_F(FileMatrixTest, SpansLandAtTheirElementsInTheFile) {
    TFileMatrix m(ctx_, 3, 4, 1.5);
    const double span[4] = {7.0, -2.0, 0.1, 7.0};
    m.WriteSpan(1, 1, 3, span);      // elements 5, 6, 7: the end of row 1
    m.WriteSpan(0, 3, 1, span + 1);  // element 3: the end of row 0
    m.WriteSpan(2, 0, 2, span + 2);  // elements 8, 9: the start of row 2
    m.WriteSpan(2, 4, 0, span);      // nothing, at the row's end
    const std::string* elements[12] = {&kBytes1_5, &kBytes1_5, &kBytes1_5,    &kBytesMinus2,
                                       &kBytes1_5, &kBytes7_0, &kBytesMinus2, &kBytes0_1,
                                       &kBytes0_1, &kBytes7_0, &kBytes1_5,    &kBytes1_5};
    std::string expected;
    for (const std::string* e : elements) expected += *e;
    EXPECT_EQ(RawBytes(m.FileName()), expected);

    // A span read gives the same values as element reads.
    double out[4];
    m.ReadSpan(1, 0, 4, out);
    const double row1[4] = {1.5, 7.0, -2.0, 0.1};
    for (int c = 0; c < 4; ++c) EXPECT_EQ(out[c], row1[c]) << c;
}

TEST_F(FileMatrixTest, BlocksOfRowsLandAtTheirElementsAndStayInsideTheShape) {
    TFileMatrix m(ctx_, 3, 2, 1.5);
    const double rows[4] = {7.0, -2.0, 0.1, 7.0};
    m.WriteRows(1, 2, rows);  // elements 2 .. 5
    const std::string* elements[6] = {&kBytes1_5, &kBytes1_5, &kBytes7_0, &kBytesMinus2, &kBytes0_1, &kBytes7_0};
    std::string expected;
    for (const std::string* e : elements) expected += *e;
    EXPECT_EQ(RawBytes(m.FileName()), expected);
    double out[6] = {};
    m.ReadRows(0, 3, out);
    const double all[6] = {1.5, 1.5, 7.0, -2.0, 0.1, 7.0};
    for (int c = 0; c < 6; ++c) EXPECT_EQ(out[c], all[c]) << c;
    EXPECT_THROW(m.WriteRows(2, 2, rows), ERangeError);  // one row past the end
    EXPECT_THROW(m.ReadRows(-1, 1, out), ERangeError);
    EXPECT_THROW(m.ReadRows(0, -1, out), ERangeError);
    EXPECT_EQ(RawBytes(m.FileName()), expected);
}

// A 3 x 4 matrix of 10 i + j with default -9: spans reaching outside the
// shape give the default for the outside part only.
TEST_F(FileMatrixTest, SpanReadsAcrossTheEdges) {
    TFileMatrix m(ctx_, 3, 4, -9.0);
    for (int i = 0; i < 3; ++i) {
        const double row[4] = {10.0 * i, 10.0 * i + 1, 10.0 * i + 2, 10.0 * i + 3};
        m.WriteRow(i, row);
    }
    const double d = -9.0;
    struct Case {
        int i, j, count;
        std::vector<double> expected;
    };
    const Case cases[] = {
        {1, 0, 4, {10, 11, 12, 13}},
        {1, 1, 2, {11, 12}},
        {1, 2, 4, {12, 13, d, d}},
        {1, -2, 3, {d, d, 10}},
        {1, -1, 6, {d, 10, 11, 12, 13, d}},
        {2, 3, 1, {23}},
        {0, 4, 2, {d, d}},
        {3, 0, 2, {d, d}},
        {-1, 1, 2, {d, d}},
        {0, -5, 3, {d, d, d}},
        {0, 0x7FFFFFFE, 3, {d, d, d}},  // the span's end is past the int range
        {0, -0x7FFFFFFF - 1, 2, {d, d}},
        {1, 0, 0, {}},
    };
    for (const Case& c : cases) {
        std::vector<double> out(c.expected.size() + 1, 42.0);
        m.ReadSpan(c.i, c.j, c.count, out.data());
        std::vector<double> got(out.begin(), out.end() - 1);
        EXPECT_EQ(got, c.expected) << c.i << "," << c.j << "," << c.count;
        EXPECT_EQ(out.back(), 42.0) << "written past the span " << c.i << "," << c.j;
    }
    double out[1];
    EXPECT_THROW(m.ReadSpan(0, 0, -1, out), ERangeError);

    // The outside part never touches the file: with the file emptied, only
    // a span with an inside part fails.
    fs::resize_file(m.FileName(), 0);
    double two[2];
    m.ReadSpan(0, 4, 2, two);
    m.ReadSpan(3, 0, 2, two);
    EXPECT_EQ(two[1], d);
    EXPECT_THROW(m.ReadSpan(0, 3, 2, two), EReadError);
}

TEST_F(FileMatrixTest, SpanWritesOutsideTheShapeAreRefusedWhole) {
    TFileMatrix m(ctx_, 2, 3, 0.5);
    const std::string before = RawBytes(m.FileName());
    const double v[4] = {1, 2, 3, 4};
    struct Case {
        int i, j, count;
    };
    const Case refused[] = {
        {0, 2, 2},           // would run on into row 1
        {1, 0, 4},           // longer than a row
        {1, 3, 1},
        {1, 4, 0},
        {2, 0, 1},
        {-1, 0, 1},
        {0, -1, 2},
        {0, 0, -1},
        {0, 0x7FFFFFFF, 1},
        {2, 0, 0},
    };
    for (const Case& c : refused)
        EXPECT_THROW(m.WriteSpan(c.i, c.j, c.count, v), ERangeError) << c.i << "," << c.j << "," << c.count;
    EXPECT_EQ(RawBytes(m.FileName()), before);
    m.WriteSpan(1, 3, 0, v);  // an empty span at the row's end is no error
    EXPECT_EQ(RawBytes(m.FileName()), before);

    TFileMatrix empty(ctx_, 0, 0, 0.0);
    EXPECT_THROW(empty.WriteSpan(0, 0, 0, v), ERangeError);
    double out[2] = {1, 1};
    empty.ReadSpan(0, 0, 2, out);
    EXPECT_EQ(out[1], 0.0);
}

TEST_F(FileMatrixTest, LongSpansMatchElementAccess) {
    // One span of more than a read block, in the middle of a long row.
    const int cols = 20000;
    TFileMatrix m(ctx_, 2, cols, -1.0);
    std::vector<double> v(12000);
    for (std::size_t t = 0; t < v.size(); ++t) v[t] = 0.25 * static_cast<double>(t) - 7.0;
    m.WriteSpan(1, 5000, 12000, v.data());
    EXPECT_EQ(fs::file_size(m.FileName()), 2u * cols * 8);
    EXPECT_EQ(m.GetValue(1, 4999), -1.0);
    EXPECT_EQ(m.GetValue(1, 5000), -7.0);
    EXPECT_EQ(m.GetValue(1, 16999), 0.25 * 11999 - 7.0);
    EXPECT_EQ(m.GetValue(1, 17000), -1.0);
    EXPECT_EQ(m.GetValue(0, cols - 1), -1.0);
    std::vector<double> back(12004);
    m.ReadSpan(1, 4998, 12004, back.data());
    EXPECT_EQ(back[0], -1.0);
    EXPECT_EQ(back[1], -1.0);
    for (std::size_t t = 0; t < v.size(); ++t) ASSERT_EQ(back[t + 2], v[t]) << t;
    EXPECT_EQ(back[12002], -1.0);
    EXPECT_EQ(back[12003], -1.0);
}

TEST_F(FileMatrixTest, RowsAndRowProducts) {
    TFileMatrix m(ctx_, 4, 3, 0.0);
    Fill(m);
    double row[3];
    m.ReadRow(1, row);
    EXPECT_EQ(row[0], 4.0);
    EXPECT_EQ(row[2], 7.0);
    const double squares[4] = {14, 90, 86, 101};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(m.RowProduct(i, i), squares[i]);
    EXPECT_EQ(m.RowProduct(1, 3), 85.0);
    EXPECT_EQ(m.RowProduct(3, 1), 85.0);
}

TEST_F(FileMatrixTest, BlocksOfWholeRows) {
    TFileMatrix m(ctx_, 4, 3, -1.0);
    const double rows[6] = {1, 2, 3, 4, 5, 6};
    m.WriteRows(1, 2, rows);
    EXPECT_EQ(m.GetValue(0, 2), -1.0);
    EXPECT_EQ(m.GetValue(1, 0), 1.0);
    EXPECT_EQ(m.GetValue(2, 2), 6.0);
    EXPECT_EQ(m.GetValue(3, 0), -1.0);
    double back[9];
    m.ReadRows(0, 3, back);
    const double expected[9] = {-1, -1, -1, 1, 2, 3, 4, 5, 6};
    for (int e = 0; e < 9; ++e) EXPECT_EQ(back[e], expected[e]);
    // Rows past the end are refused before anything is touched.
    EXPECT_THROW(m.WriteRows(3, 2, rows), ERangeError);
    EXPECT_EQ(m.GetValue(3, 0), -1.0);
    EXPECT_THROW(m.ReadRows(-1, 1, back), ERangeError);
    EXPECT_THROW(m.ReadRows(0, 5, back), ERangeError);
}

TEST_F(FileMatrixTest, DestroyedObjectsLeaveNoFile) {
    std::string name;
    std::string copyName;
    {
        TFileMatrix m(ctx_, 3, 2, 4.0);
        name = m.FileName();
        {
            TFileMatrix c(m);
            copyName = c.FileName();
            EXPECT_NE(copyName, name);
            EXPECT_TRUE(fs::exists(copyName));
        }
        EXPECT_FALSE(fs::exists(copyName));
        EXPECT_TRUE(fs::exists(name));
    }
    EXPECT_FALSE(fs::exists(name));
    {
        TNamedData d(ctx_, 2, 2);
        name = d.FileName();
        EXPECT_TRUE(fs::exists(name));
    }
    EXPECT_FALSE(fs::exists(name));
    EXPECT_EQ(FilesInFolder(), 0);
}

TEST_F(FileMatrixTest, CopiesAreIndependent) {
    TFileMatrix m(ctx_, 4, 3, 9.0);
    Fill(m);
    TFileMatrix c(m);
    EXPECT_EQ(RawBytes(c.FileName()), RawBytes(m.FileName()));
    EXPECT_EQ(c.Rows(), 4);
    EXPECT_EQ(c.Cols(), 3);
    EXPECT_EQ(c.GetValue(4, 0), 9.0);
    c.SetValue(0, 0, -1.0);
    EXPECT_EQ(m.GetValue(0, 0), 1.0);
    EXPECT_EQ(c.GetValue(0, 0), -1.0);
}

TEST_F(FileMatrixTest, ColumnsAcrossManyBlocks) {
    // 3000 rows of 7 columns are more than one read block.
    const int n = 3000;
    TFileMatrix m(ctx_, n, 7, 0.0);
    std::vector<double> row(7);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < 7; ++j) row[static_cast<std::size_t>(j)] = i * 7 + j + 0.5;
        m.WriteRow(i, row.data());
    }
    TFileMatrix other(ctx_, n - 10, 2, -1.0);
    for (int i = 0; i < n - 10; ++i) other.SetValue(i, 1, -i);

    std::vector<double> a(n), b(n);
    m.ReadColumn(3, a.data());
    for (int i = 0; i < n; ++i) ASSERT_EQ(a[static_cast<std::size_t>(i)], i * 7 + 3.5);
    m.ReadColumns(0, a.data(), 6, b.data());
    for (int i = 0; i < n; ++i) {
        ASSERT_EQ(a[static_cast<std::size_t>(i)], i * 7 + 0.5);
        ASSERT_EQ(b[static_cast<std::size_t>(i)], i * 7 + 6.5);
    }
    // The other matrix is addressed with its own shape; rows it does not
    // have give its default.
    m.ReadColumnPair(2, a.data(), 1, b.data(), other);
    for (int i = 0; i < n; ++i) {
        ASSERT_EQ(a[static_cast<std::size_t>(i)], i * 7 + 2.5);
        ASSERT_EQ(b[static_cast<std::size_t>(i)], i < n - 10 ? -i : -1.0);
    }
    m.CopyColumnFrom(5, other, 1);
    EXPECT_EQ(m.GetValue(17, 5), -17.0);
    EXPECT_EQ(m.GetValue(n - 1, 5), -1.0);
    EXPECT_EQ(m.GetValue(17, 4), 17 * 7 + 4.5);
    EXPECT_EQ(m.GetValue(17, 6), 17 * 7 + 6.5);
}

// Expected moment matrices from numpy: means and the sums of products of the
// deviations from them.
TEST_F(FileMatrixTest, MomentsOfTheFirstColumns) {
    TFileMatrix m(ctx_, 4, 3, 0.0);
    Fill(m);
    Matrix mm(3, 3, 99.0);  // room for two variables: the first two columns
    m.ComputeMoments(mm);
    const double expected[3][3] = {{14.75, -9.25, -3.25}, {-9.25, 38.75, -4.25}, {3.25, 4.25, 0.25}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(mm.At(i, j), expected[i][j], 1e-13) << i << "," << j;

    Matrix none;
    EXPECT_THROW(m.ComputeMoments(none), ERangeError);
}

TEST_F(FileMatrixTest, MomentsOfSelectedColumnsMatchATwoColumnMatrix) {
    TNamedData d(ctx_, 4, 3);
    Fill(d);
    d.SetSelected(1, 0);
    Matrix fromNamed;  // too small: resized to 3 x 3
    d.ComputeMoments(true, fromNamed);
    ASSERT_EQ(fromNamed.Rows(), 3);
    ASSERT_EQ(fromNamed.Cols(), 3);

    TFileMatrix two(ctx_, 4, 2, 0.0);
    for (int i = 0; i < 4; ++i) {
        two.SetValue(i, 0, kTable[i][0]);
        two.SetValue(i, 1, kTable[i][2]);
    }
    Matrix fromPlain(3, 3, 0.0);
    two.ComputeMoments(fromPlain);

    const double expected[3][3] = {{14.75, 19.25, -3.25}, {19.25, 32.75, -4.75}, {3.25, 4.75, 0.25}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            EXPECT_EQ(fromNamed.At(i, j), fromPlain.At(i, j));
            EXPECT_NEAR(fromNamed.At(i, j), expected[i][j], 1e-13);
        }
}

TEST_F(FileMatrixTest, MomentsOfAllColumnsKeepALargerTarget) {
    TNamedData d(ctx_, 4, 3);
    Fill(d);
    d.SetSelected(1, 0);
    Matrix m(5, 5, 7.0);
    d.ComputeMoments(false, m);
    ASSERT_EQ(m.Rows(), 5);
    const double expected[4][4] = {{14.75, -9.25, 19.25, -3.25},
                                   {-9.25, 38.75, -22.75, -4.25},
                                   {19.25, -22.75, 32.75, -4.75},
                                   {3.25, 4.25, 4.75, 0.25}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(m.At(i, j), expected[i][j], 1e-13) << i << "," << j;
    EXPECT_EQ(m.At(4, 4), 0.0);  // cleared, not used
}

// The chunks of a large table are read and summed on several threads: the
// moments must be the bits of one accumulator fed every row in order, at any
// size around the chunk and block edges and any thread count.
TEST_F(FileMatrixTest, MomentsOfALargeTableAreTheSequentialOnesOnAnyThreads) {
    constexpr int kCols = 5;
    for (const int rows : {0, 1, 63, 4096, 4097, 20 * 4096 + 77}) {
        TNamedData d(ctx_, rows, kCols);
        std::vector<double> all(static_cast<std::size_t>(rows) * kCols);
        for (int i = 0; i < rows; ++i)
            for (int j = 0; j < kCols; ++j)
                all[static_cast<std::size_t>(i) * kCols + j] = std::exp(8.0 * std::sin(0.37 * i * (j + 1))) + 1e3 * j;
        if (rows > 0) d.WriteRows(0, rows, all.data());
        d.SetSelected(1, 0);
        for (const bool selectedOnly : {false, true}) {
            // The expected bits: the kept columns fed row by row, in order.
            std::vector<double> kept;
            for (int i = 0; i < rows; ++i)
                for (int j = 0; j < kCols; ++j)
                    if (!selectedOnly || j != 1) kept.push_back(all[static_cast<std::size_t>(i) * kCols + j]);
            const int k = selectedOnly ? kCols - 1 : kCols;
            const long long count = MomentSampleCount(rows);
            std::vector<double> sample, shift(k);
            for (long long t = 0; t < count; ++t) {
                const double* r = kept.data() + MomentSampleRow(t, rows) * k;
                sample.insert(sample.end(), r, r + k);
            }
            MomentShiftFromSample(sample.data(), count, k, k, shift.data());
            MomentAccumulator sums(k, shift.data());
            for (int i = 0; i < rows; ++i) sums.Add(kept.data() + static_cast<std::size_t>(i) * k, 1, k);
            LongMatrix expected;
            sums.Finish(expected);
            for (const int threads : {1, 3, 8}) {
                ctx_.SetThreads(threads);
                Matrix m;
                d.ComputeMoments(selectedOnly, m);
                for (int i = 0; i <= k; ++i)
                    for (int j = 0; j <= k; ++j)
                        ASSERT_EQ(m.At(i, j), static_cast<double>(expected[i][j]))
                            << rows << " rows, " << threads << " threads, " << i << "," << j;
            }
        }
    }
}

TEST_F(FileMatrixTest, NamedColumnsAndSelection) {
    TNamedData d(ctx_, 2, 3);
    EXPECT_EQ(d.SelectedCount(), 3);
    EXPECT_EQ(d.GetColumnName(0), "");
    EXPECT_EQ(d.IsSelected(2), 1);
    EXPECT_EQ(d.GetValue(1, 2), 0.0);

    d.SetColumnName(0, "x");
    d.SetColumnName(1, "価格");
    d.SetColumnName(2, "x");
    EXPECT_EQ(d.FindColumn("x"), 0);
    EXPECT_EQ(d.FindColumn("価格"), 1);
    EXPECT_EQ(d.FindColumn("X"), -1);

    d.SetSelected(1, 0);
    d.SetSelected(1, 0);
    EXPECT_EQ(d.SelectedCount(), 2);
    d.SetSelected(1, 1);
    d.SetSelected(1, 2);  // another non-zero flag: still one column
    EXPECT_EQ(d.SelectedCount(), 3);
    EXPECT_EQ(d.IsSelected(1), 2);

    EXPECT_THROW(d.GetColumnName(3), ERangeError);
    EXPECT_THROW(d.SetColumnName(-1, "y"), ERangeError);
    EXPECT_THROW(d.SetSelected(3, 0), ERangeError);
    EXPECT_THROW(d.IsSelected(-1), ERangeError);
}

TEST_F(FileMatrixTest, ExistingFileUnderTheNextNameIsNeverOpened) {
    ctx_.SetTempNameCounter(41);
    // The name the next matrix would take, left behind by someone else.
    TFileMatrix probe(ctx_, 1, 1, 0.0);
    std::string probeName = probe.FileName();
    ASSERT_NE(probeName.find("~42.TMP"), std::string::npos) << probeName;
    std::string planted = probeName.substr(0, probeName.size() - 6) + "43.TMP";
    std::ofstream(planted) << "keep";

    TFileMatrix m(ctx_, 2, 2, 3.0);
    EXPECT_NE(m.FileName(), planted);
    EXPECT_EQ(RawBytes(planted), "keep");
    EXPECT_EQ(m.GetValue(1, 1), 3.0);
}

TEST_F(FileMatrixTest, FailedWritesAreReportedAndLeaveNoFile) {
    // A file-size limit makes the filling writes fail part of the way.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool threw = false;
    try {
        TFileMatrix big(ctx_, 100, 100, 1.0);
    } catch (const EWriteError&) {
        threw = true;
    }
    bool zerosThrew = false;
    try {
        TFileMatrix bigZeros(ctx_, 100, 100, 0.0);  // sized, not written
    } catch (const EWriteError&) {
        zerosThrew = true;
    }
    bool smallFits = true;
    try {
        TFileMatrix small8(ctx_, 8, 8, 1.0);  // 512 bytes: inside the limit
        small8.SetValue(7, 7, 2.0);
    } catch (const EWriteError&) {
        smallFits = false;
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(threw);
    EXPECT_TRUE(zerosThrew);
    EXPECT_TRUE(smallFits);
    EXPECT_EQ(FilesInFolder(), 0);
}

TEST_F(FileMatrixTest, MissingWorkFolderRaisesOpenError) {
    ctx_.Work().workFolder = (dir_ / "no" / "such").string() + "/";
    EXPECT_THROW(TFileMatrix(ctx_, 1, 1, 0.0), EFOpenError);
}

}  // namespace
