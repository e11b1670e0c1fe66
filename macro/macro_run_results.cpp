// SVR: reads of the data set, of the design matrix and of the results of
// the fit. A variable index a from the code counts from 0 (the constant term
// is the variable count); numbers popped at run time count from 1.
#include <cmath>

#include "core/model/regression_data_blocks.h"
#include "core/model/regression_model.h"
#include "macro/macro_run.h"
#include "macro/macro_run_errors.h"
#include "platform/text/cp932.h"

namespace {

// The result codes of SVR start here; the row code is the code minus 300.
constexpr int kFirstResultCode = 100;
constexpr int kResultCodeBase = 300;
// Rows that take a variable: the deleted t values and DFBETA.
constexpr int kRowDeletedT = 19;
constexpr int kRowDfbeta = 20;
constexpr int kDfbetaBase = 100;

int CheckedIndex(double x, int count, int address) {
    if (!(x >= 1.0 && x < static_cast<double>(count) + 1.0)) ThrowRunError(kRunRange, address);
    return static_cast<int>(x);
}

}  // namespace

void MacroRun::DataRead(int a, int s, int address) {
    Reg& m = RequireModel(address);
    if (s >= kFirstResultCode) return ReadResult(m, a, s, address);
    if (s == -11 || (s >= -4 && s <= -1)) return ReadDesign(m, a, s, address);
    const int n = m.GetObsCount();
    const int k = m.GetVarCount();
    // A variable of the code: 0 .. k, k being the constant term.
    auto coded = [&] {
        if (a < 0 || a > k) ThrowRunError(kRunRange, address);
        return a;
    };
    auto popped = [&](int count) { return CheckedIndex(std::trunc(PopNumber()), count, address) - 1; };
    switch (s) {
        case -10: {
            const int i = popped(n);
            PushNumber(m.GetValue(i, coded()));
            break;
        }
        case 0: PushNumber(m.GetMean(coded())); break;
        case 1: PushNumber(m.GetStdDev(coded())); break;
        case 2: PushNumber(m.GetMax(coded())); break;
        case 3: PushNumber(m.GetMin(coded())); break;
        case 4: PushNumber(n); break;
        case 5: PushNumber(k); break;
        case 6: {
            // The moment matrix has a row and a column for the constant.
            const Matrix& moments = m.Moments();
            const int j = popped(k + 1);
            const int i = popped(k + 1);
            if (i >= moments.Rows() || j >= moments.Cols()) ThrowRunError(kRunRange, address);
            PushNumber(moments.At(i, j));
            break;
        }
        case 7: {
            const int j = popped(k);
            const int i = popped(n);
            PushNumber(m.GetValue(i, j));
            break;
        }
        case 8: {
            if (a >= 0) {
                PushNumber(a);
                break;
            }
            const int j = m.FindVar(cp932::ToUtf8(PopText()));
            if (j < 0) ThrowRunError(kRunRange, address);
            PushNumber(j + 1);
            break;
        }
        case 9: PushNumber(m.GetMean(popped(k))); break;
        case 10: PushNumber(m.GetStdDev(popped(k))); break;
        case 11: PushNumber(m.GetMax(popped(k))); break;
        case 12: PushNumber(m.GetMin(popped(k))); break;
        case 13: PushText(cp932::FromUtf8(m.GetVarName(popped(k)))); break;
        // The figures of the fit exist only with an estimate.
        case 14: m.RequireEstimate(); PushNumber(m.GetS2()); break;
        case 15: m.RequireEstimate(); PushNumber(m.GetVarY()); break;
        case 16: m.RequireEstimate(); PushNumber(m.GetResidualDf()); break;
        case 17: m.RequireEstimate(); PushNumber(m.GetR2()); break;
        default: ThrowRunError(kRunSystem, address);
    }
}

// Codes -11 (a cell) and -1 .. -4 (mean, standard deviation, maximum,
// minimum) of design column a.
void MacroRun::ReadDesign(Reg& m, int a, int s, int address) {
    const Matrix& design = m.Design();
    if (a < 0 || a >= design.Cols() || design.Rows() < 1) ThrowRunError(kRunRange, address);
    switch (s) {
        case -11: {
            const int i = CheckedIndex(std::trunc(PopNumber()), design.Rows(), address) - 1;
            PushNumber(design.At(i, a));
            break;
        }
        case -1: PushNumber(GetDesignMean(m, a)); break;
        case -2: PushNumber(GetDesignStdDev(m, a)); break;
        case -3: PushNumber(GetDesignMax(m, a)); break;
        default: PushNumber(GetDesignMin(m, a)); break;
    }
}

// Codes 300 and up: row s - 300 of the analysis table at a popped
// observation; a negative a is a variable named by a popped text.
void MacroRun::ReadResult(Reg& m, int a, int s, int address) {
    if (a < 0) {
        a = m.FindVar(cp932::ToUtf8(PopText()));
        if (a < 0) ThrowRunError(kRunRange, address);
    }
    int row = s - kResultCodeBase;
    if (row == kRowDeletedT) row = a + kRowDeletedT;
    else if (row == kRowDfbeta) row = a - kDfbetaBase;
    m.RequireEstimate();
    const RAData& table = m.Analysis();
    const int i = CheckedIndex(std::trunc(PopNumber()), m.GetObsCount(), address) - 1;
    if (table.RowOf(row) < 0 || i >= table.Columns()) ThrowRunError(kRunRange, address);
    PushNumber(table.GetValue(row, i));
}
