#include "simeq/structural_store.h"

#include <algorithm>
#include <cmath>

#include "core/io/file_matrix.h"
#include "core/model/centred_fit_rows.h"
#include "core/model/regression_model.h"
#include "core/numeric/moment_matrix.h"
#include "core/text/number_format.h"
#include "platform/errors.h"

namespace {

// Rows moved per file transfer.
constexpr int kBlockRows = 4096;

// A regressor is a linear combination of the others when what is left of its
// spread after them is below this share of its own: the moments then hold
// rounding noise only.
constexpr long double kCollinearShare = 0x1p-40L;

}  // namespace

std::string LimlRatio::Text() const { return formed ? FormatNumber(false, value) : std::string("不能"); }

RegFile::RegFile(const Reg& model, int index, const TFileMatrix& firstStage, const TFileMatrix& observed,
                 const std::vector<std::string>& systemNames)
    : model_(&model), firstStage_(&firstStage), observed_(&observed) {
    const Expres& e = model.Expressions().GetItem(index);
    if (e.IsDefinition()) throw Exception("定義式 " + e.GetLeftName() + " は推定できません。");
    k_ = e.GetCount();
    if (k_ < 1 || e.GetVarName(k_ - 1) != Data::ConstantName())
        throw Exception("式 " + e.GetLeftName() + " は定数項で終わっていません。");
    n_ = model.GetObsCount();
    df_ = n_ - k_;
    if (df_ <= 0) throw Exception("自由度不足: 式 " + e.GetLeftName() + " は観測数が係数の数以下です。");

    names_.resize(static_cast<std::size_t>(k_));
    for (int i = 0; i < k_ - 1; ++i) names_[static_cast<std::size_t>(i)] = e.GetVarName(i);
    names_[static_cast<std::size_t>(k_ - 1)] = e.GetLeftName();
    columns_.assign(static_cast<std::size_t>(k_), -1);
    for (int i = 0; i < k_; ++i) {
        const std::string& name = names_[static_cast<std::size_t>(i)];
        auto it = std::find(systemNames.begin(), systemNames.end(), name);
        if (it == systemNames.end()) throw Exception(name + " は体系の変数ではありません。");
        const int c = static_cast<int>(it - systemNames.begin());
        if (c >= firstStage.Cols() || c >= observed.Cols()) throw ERangeError("体系のデータ表に " + name + " の列がありません。");
        columns_[static_cast<std::size_t>(i)] = c;
    }
    if (firstStage.Rows() < n_ || observed.Rows() < n_) throw ERangeError("体系のデータ表の観測数が足りません。");

    rows_ = std::make_unique<TFileMatrix>(model.Context(), n_, k_ + 3, 0.0);
    Estimate();
}

RegFile::~RegFile() = default;

void RegFile::Estimate() {
    WriteRowsAndMoments();
    varY_ = static_cast<double>(moments_[k_ - 1][k_ - 1]) / (n_ - 1);
    SweepRegressors();
    FillFittedValues();
}

void RegFile::WriteRowsAndMoments() {
    const int width = k_ + 3;
    const int cols = std::max(firstStage_->Cols(), observed_->Cols());
    // The record of observation t from one row of each table.
    auto makeRecord = [&](const double* fs, const double* ob, double* record) {
        for (int i = 0; i < k_ - 1; ++i) record[i] = fs[columns_[static_cast<std::size_t>(i)]];
        record[k_ - 1] = ob[columns_[static_cast<std::size_t>(k_ - 1)]];
        record[k_] = record[k_ + 1] = record[k_ + 2] = 0.0;
    };

    // The shift of the moment method from its sampled rows.
    const long long sampleCount = MomentSampleCount(n_);
    std::vector<double> fsRow(static_cast<std::size_t>(cols)), obRow(static_cast<std::size_t>(cols));
    std::vector<double> sample(static_cast<std::size_t>(sampleCount) * width);
    for (long long s = 0; s < sampleCount; ++s) {
        const int t = static_cast<int>(MomentSampleRow(s, n_));
        firstStage_->ReadRow(t, fsRow.data());
        observed_->ReadRow(t, obRow.data());
        makeRecord(fsRow.data(), obRow.data(), sample.data() + s * width);
    }
    std::vector<double> shift(static_cast<std::size_t>(k_));
    MomentShiftFromSample(sample.data(), sampleCount, width, k_, shift.data());
    MomentAccumulator sums(k_, shift.data());

    const std::size_t block = static_cast<std::size_t>(std::min(kBlockRows, n_));
    std::vector<double> fs(block * firstStage_->Cols()), ob(block * observed_->Cols()), records(block * width);
    for (int first = 0; first < n_; first += kBlockRows) {
        const int count = std::min(kBlockRows, n_ - first);
        firstStage_->ReadRows(first, count, fs.data());
        observed_->ReadRows(first, count, ob.data());
        for (int r = 0; r < count; ++r)
            makeRecord(fs.data() + static_cast<std::size_t>(r) * firstStage_->Cols(),
                       ob.data() + static_cast<std::size_t>(r) * observed_->Cols(),
                       records.data() + static_cast<std::size_t>(r) * width);
        rows_->WriteRows(first, count, records.data());
        sums.Add(records.data(), count, width);
    }
    sums.Finish(moments_);
    unswept_.Replace(moments_);
    // A value that is no finite number would make every figure NaN.
    for (int i = 0; i < k_; ++i)
        if (!std::isfinite(static_cast<double>(moments_[i][i])) || !std::isfinite(static_cast<double>(moments_[k_][i])))
            throw Exception(names_[static_cast<std::size_t>(i)] + " に数値でない値があります (式 " +
                            names_[static_cast<std::size_t>(k_ - 1)] + ")。");
}

void RegFile::SweepRegressors() {
    std::vector<long double> own(static_cast<std::size_t>(k_));
    for (int i = 0; i < k_ - 1; ++i) own[static_cast<std::size_t>(i)] = moments_[i][i];
    for (int i = 0; i < k_ - 1; ++i) {
        const long double pivot = moments_[i][i];
        // A zero pivot would be skipped silently and leave a coefficient of
        // nothing; such an equation is refused instead.
        if (!(own[static_cast<std::size_t>(i)] > 0.0L) || !(pivot > kCollinearShare * own[static_cast<std::size_t>(i)]) ||
            moments_.Sweep(i) != SweepResult::kSwept)
            throw EZeroDivide("掃き出し演算ができません: " + names_[static_cast<std::size_t>(i)] +
                              " は他の説明変数と共線です (式 " + names_[static_cast<std::size_t>(k_ - 1)] + ")。");
    }
}

void RegFile::FillFittedValues() {
    const int width = k_ + 3;
    const int q = k_ - 1;  // regressors; the dependent's column is q
    std::vector<int> vars(static_cast<std::size_t>(q));
    for (int i = 0; i < q; ++i) vars[static_cast<std::size_t>(i)] = i;
    // Fitted values from the observed regressors, leverages from the
    // first-stage ones, both centred on the first-stage means (a first
    // stage keeps the mean of what it fits).
    const CentredFitRows fit(moments_, unswept_, vars, q, n_);
    constexpr int kSub = CentredFitRows::kBlock;
    const int obCols = observed_->Cols();
    const std::size_t block = static_cast<std::size_t>(std::min(kBlockRows, n_));
    std::vector<double> records(block * width), ob(block * obCols), c(static_cast<std::size_t>(std::max(q, 1)) * kSub);
    long double fitted[kSub];
    double leverage[kSub];
    long double sse = 0.0L;
    for (int first = 0; first < n_; first += kBlockRows) {
        const int count = std::min(kBlockRows, n_ - first);
        rows_->ReadRows(first, count, records.data());
        observed_->ReadRows(first, count, ob.data());
        for (int start = 0; start < count; start += kSub) {
            const int len = std::min(kSub, count - start);
            double* rec = records.data() + static_cast<std::size_t>(start) * width;
            fit.CentreRows(ob.data() + static_cast<std::size_t>(start) * obCols, obCols, columns_.data(), len, c.data());
            fit.FittedBlock(c.data(), len, fitted);
            fit.CentreRows(rec, width, vars.data(), len, c.data());
            fit.LeverageBlock(c.data(), len, leverage);
            for (int t = 0; t < len; ++t) {
                double* row = rec + static_cast<std::size_t>(t) * width;
                // The record keeps fitted + residual = observed in doubles.
                const double f = static_cast<double>(fitted[t]);
                const double e = row[k_ - 1] - f;
                row[k_] = f;
                row[k_ + 1] = e;
                row[k_ + 2] = leverage[t];
                sse += static_cast<long double>(e) * e;
            }
        }
        rows_->WriteRows(first, count, records.data());
    }
    s2_ = static_cast<double>(sse / df_);
    // A constant dependent variable explains nothing and has no ratio.
    r2_ = varY_ > 0.0 ? 1.0 - s2_ / varY_ : 0.0;
}

std::vector<int> RegFile::Listed() const {
    std::vector<int> listed;
    for (int i = 0; i < k_ - 1; ++i) listed.push_back(i);
    listed.push_back(k_);
    return listed;
}

Matrix RegFile::SweptBlock() const {
    const std::vector<int> listed = Listed();
    const int p = static_cast<int>(listed.size());
    Matrix m(p, p);
    for (int r = 0; r < p; ++r)
        for (int c = 0; c < p; ++c) m[r][c] = static_cast<double>(moments_[listed[r]][listed[c]]);
    return m;
}

std::string RegFile::GetName(int i) const {
    if (i == k_) return Data::ConstantName();
    if (i < 0 || i > k_) throw ERangeError("範囲エラー");
    return names_[static_cast<std::size_t>(i)];
}

int RegFile::IndexOf(const std::string& name) const {
    for (int i = 0; i < k_; ++i)
        if (names_[static_cast<std::size_t>(i)] == name) return i;
    return -1;
}

double RegFile::GetCoef(int i) const {
    if ((i >= 0 && i < k_ - 1) || i == k_) return static_cast<double>(moments_[i][k_ - 1]);
    return 0.0;
}

double RegFile::GetCov(int i, int j) const { return s2_ * static_cast<double>(moments_.At(i, j)); }

int RegFile::GetColumn(int i) const {
    if (i < 0 || i >= k_) throw ERangeError("範囲エラー");
    return columns_[static_cast<std::size_t>(i)];
}

double RegFile::GetX(int t, int i) const {
    if (i >= k_ - 1) return 1.0;
    if (t < 0 || t >= n_ || i < 0) throw ERangeError("範囲エラー");
    return observed_->GetValue(t, columns_[static_cast<std::size_t>(i)]);
}

double RegFile::GetResidual(int t) const {
    if (t < 0 || t >= n_) throw ERangeError("範囲エラー");
    double e = 0.0;
    rows_->ReadSpan(t, k_ + 1, 1, &e);
    return e;
}

void RegFile::ReadRecord(int t, std::vector<double>& out) const {
    out.resize(static_cast<std::size_t>(k_ + 3));
    rows_->ReadRow(t, out.data());
}

const std::string& RegFile::RowFileName() const { return rows_->FileName(); }
