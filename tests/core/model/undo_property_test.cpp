// Random sequences of data edits, with undo and redo mixed in: undoing every
// step gives back the starting model bit for bit, redoing every step the end.
#include <gtest/gtest.h>

#include <random>

#include "core/model/data_edit_commands.h"
#include "platform/errors.h"
#include "support/model_builder.h"
#include "undo_test_support.h"

namespace {

class Runner {
public:
    Runner(Reg& m, UndoStore& s, unsigned seed) : m_(m), s_(s), ed_{m, s, {}}, rng_(seed) {}

    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    double Val() { return std::normal_distribution<double>(0.0, 3.0)(rng_); }
    std::vector<double> Column(int n) {
        std::vector<double> c(static_cast<std::size_t>(n));
        for (double& x : c) x = Val();
        return c;
    }
    Var NewVar() {
        Var v("n" + std::to_string(counter_++), "c", m_.GetObsCount(), 0.0);
        const auto c = Column(m_.GetObsCount());
        for (int i = 0; i < v.Count(); ++i) v.At(i) = c[static_cast<std::size_t>(i)];
        v.SetType(static_cast<std::uint8_t>(Int(0, 3)));
        return v;
    }
    std::vector<std::uint16_t> Marks() {
        std::vector<std::uint16_t> w(static_cast<std::size_t>(m_.GetVarCount()));
        for (auto& x : w) x = static_cast<std::uint16_t>(Int(0, 3));
        return w;
    }

    // One random command; refusals are part of the game (nothing changes).
    void Step() {
        const int n = m_.GetObsCount(), k = m_.GetVarCount();
        try {
            switch (Int(0, 27)) {
                case 0: { Var v = NewVar(); AddVariableWithUndo(ed_, v); break; }
                case 1: { Var v = NewVar(); InsertVariableWithUndo(ed_, Int(0, k), v); break; }
                case 2: DeleteVariablesWithUndo(ed_, {Int(0, k - 1)}); break;
                case 3: DeleteVariablesWithUndo(ed_, {Int(0, k - 1), Int(0, k - 1)}); break;
                case 4: ExchangeVariablesWithUndo(ed_, Int(0, k - 1), Int(0, k - 1)); break;
                case 5: RenameVariableWithUndo(ed_, m_.GetVarName(Int(0, k - 1)), "r" + std::to_string(counter_++)); break;
                case 6: SetVariableValuesWithUndo(ed_, Int(0, k - 1), Column(n)); break;
                case 7: SetVariableTypeWithUndo(ed_, Int(0, k - 1), Int(0, 3)); break;
                case 8: SetVariableCommentWithUndo(ed_, Int(0, k - 1), "note" + std::to_string(Int(0, 5))); break;
                case 9: { auto c = Column(k); auto w = Marks(); AppendObservationWithUndo(ed_, c, w); break; }
                case 10: { auto c = Column(k); InsertObservationWithUndo(ed_, Int(0, n), c); break; }
                case 11: DeleteObservationsWithUndo(ed_, {Int(0, n - 1)}); break;
                case 12: DeleteObservationsWithUndo(ed_, {Int(0, n - 1), Int(0, n - 1), Int(0, n - 1)}); break;
                case 13: ExchangeObservationsWithUndo(ed_, Int(0, n - 1), Int(0, n - 1)); break;
                case 14: SetCellValueWithUndo(ed_, Int(0, n - 1), Int(0, k - 1), Int(0, 9) == 0 ? -0.0 : Val()); break;
                case 15: SetRangeValuesWithUndo(ed_, {{Int(0, n - 1), Int(0, k - 1), Val()}, {Int(0, n - 1), Int(0, k - 1), Val()}}); break;
                case 16: SortObservationsWithUndo(ed_, Int(0, k - 1), Int(0, 1) == 1); break;
                case 17: { int a = Int(0, n - 1), b = Int(a, n - 1), c = Int(0, k - 1), d = Int(c, k - 1);
                           SetGroupWithUndo(ed_, c, a, d, b, Int(0, 1) == 1, Int(0, 17)); break; }
                case 18: ClearGroupRangeWithUndo(ed_, 0, Int(0, n - 1), k - 1, n - 1); break;
                case 19: {
                    std::vector<double> coefs{Val(), Val()};
                    std::vector<std::string> names{m_.GetVarName(Int(0, k - 1)), Data::ConstantName()};
                    AddExpressionWithUndo(ed_, Expres(m_.GetVarName(Int(0, k - 1)), 2, Int(0, 1) == 1, coefs, names));
                    break;
                }
                case 20: if (m_.Expressions().GetCount() > 0) DeleteExpressionWithUndo(ed_, Int(0, m_.Expressions().GetCount() - 1)); break;
                case 21: if (Int(0, 3) == 0) ClearExpressionsWithUndo(ed_); break;
                case 22: SetDataNameWithUndo(ed_, "d" + std::to_string(Int(0, 9))); break;
                case 23: SetDataInfoWithUndo(ed_, "i" + std::to_string(Int(0, 9))); break;
                case 24: {
                    std::vector<std::uint8_t> f(static_cast<std::size_t>(k), 0);
                    f[static_cast<std::size_t>(Int(0, k - 1))] = 1;
                    BoxCoxExchangeWithUndo(ed_, f, {Column(n)}, Val());
                    break;
                }
                case 25: { std::vector<DataString> rows(static_cast<std::size_t>(Int(1, 3)), DataString(k, 1, Val()));
                           InsertRowsWithUndo(ed_, Int(0, n), rows); break; }
                case 26: s_.Undo(m_); break;
                case 27: s_.Redo(m_); break;
            }
        } catch (const Exception&) {
        }
    }

private:
    Reg& m_;
    UndoStore& s_;
    DataEdit ed_;
    std::mt19937 rng_;
    int counter_ = 0;
};

std::unique_ptr<Reg> StartModel(unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> z(0.0, 1.0);
    Columns cols(4, std::vector<double>(12));
    for (auto& c : cols)
        for (double& x : c) x = z(rng);
    auto m = MakeModel(cols, {2, 2, 1, 1}, {"a", "b", "c", "y"});
    std::vector<std::uint8_t> roles{2, 0, 2, 1, 2};
    static_cast<void>(m->SetModel(3, roles));
    std::vector<double> coefs{0.5, 1.5};
    std::vector<std::string> names{"a", "b"};
    m->AddExpres(Expres("c", 2, false, coefs, names));
    m->GroupNames().SetName("east", 1);
    m->SetMark(0, 0, 3);
    return m;
}

TEST(UndoProperty, UndoingEveryStepRestoresTheStartRedoingReachesTheEnd) {
    constexpr int kSeeds = 50, kSteps = 220;
    for (unsigned seed = 1; seed <= kSeeds; ++seed) {
        SCOPED_TRACE(seed);
        auto m = StartModel(seed);
        UndoStore store;
        store.SetLimit(1 << 20);
        store.ClearAll();
        m->SetModified(false);
        const ModelPicture start = Picture(*m);
        Runner run(*m, store, seed);
        for (int s = 0; s < kSteps; ++s) run.Step();
        const ModelPicture end = Picture(*m);
        const int leftOver = store.RedoStepCount();  // steps undone at the end stay undone
        const BoxCoxState endBoxCox = store.BoxCox();
        while (store.CanUndo()) ASSERT_TRUE(store.Undo(*m)) << store.Refusal();
        ASSERT_EQ(PictureDiff(Picture(*m), start), "");
        EXPECT_FALSE(m->IsModified());
        EXPECT_EQ(store.BoxCox().parameter, 0.0);
        while (store.RedoStepCount() > leftOver) ASSERT_TRUE(store.Redo(*m)) << store.Refusal();
        ASSERT_EQ(PictureDiff(Picture(*m), end), "");
        EXPECT_EQ(store.BoxCox().parameter, endBoxCox.parameter);
    }
}

}  // namespace
