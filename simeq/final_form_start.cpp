// Starting equations of the final form and the candidates for a term.
#include <climits>
#include <cmath>

#include "core/data/variable.h"
#include "core/model/regression_model.h"
#include "core/settings/engine_context.h"
#include "core/text/field_split.h"
#include "platform/errors.h"
#include "resources/string_table.h"
#include "simeq/final_form_algebra.h"
#include "simeq/final_form_assistant.h"
#include "simeq/system_build.h"

FFCell TermOfVariable(const Reg& data, const std::string& name, double coef, bool linkEndogenous) {
    if (name == Data::ConstantName()) return FFCell(name, Var::kExogenous, coef, 0);
    const int v = data.FindVar(name);
    if (v < 0 || v >= data.GetVarCount()) return FFCell(name, Var::kUndefined, coef, 0);
    const int type = data.GetVarType(v);
    FFCell plain(name, type, coef, 0);
    if (!linkEndogenous && type == Var::kEndogenous) return plain;
    const std::string info = data.GetVarInfo(v);
    if (info.empty() || info[0] != '@') return plain;
    double lag = 0.0;
    std::string base;
    int shift = 0;
    try {
        base = SplitNameValue(std::string_view(info).substr(1), lag, data.Context().Evaluator());
        shift = TruncToInt(lag, "ラグ");
    } catch (const Exception&) {
        return plain;  // a lag that cannot be read links nothing
    }
    const int w = data.FindVar(base);
    if (w < 0 || w >= data.GetVarCount() || shift == INT_MIN) return plain;
    return FFCell(base, data.GetVarType(w), coef, -shift);
}

bool BuildStartingEquations(const SimultaneousSystem& system, FinalFormLists& lists) {
    if (!system.IsBuilt()) return false;
    const Reg& data = *system.Model();
    const ExpresList& equations = system.Equations();
    lists.work.Clear();
    lists.decided.Clear();
    for (int g = 0; g < system.G(); ++g) {
        FFElement e;
        e.SetHead(FFCell(equations.GetEndogenousName(g), Var::kEndogenous, 1.0, 0));
        for (int k = 0; k < system.K(); ++k) {
            const double pi = equations.GetReducedFormCoef(g, k);
            if (pi != 0.0) e.AppendTerm(TermOfVariable(data, equations.GetPredeterminedName(k), pi, false));
        }
        lists.work.Append(e);
    }
    for (int p = 0; p < equations.GetCount(); ++p) {
        const Expres& x = equations.GetItem(p);
        const int v = data.FindVar(x.GetLeftName());
        const int type = v >= 0 && v < data.GetVarCount() ? data.GetVarType(v) : Var::kUndefined;
        FFElement e;
        e.SetHead(FFCell(x.GetLeftName(), type, 1.0, 0));
        for (int j = 0; j < x.GetCount(); ++j)
            if (x.GetCoef(j) != 0.0) e.AppendTerm(TermOfVariable(data, x.GetVarName(j), x.GetCoef(j), true));
        lists.decided.Append(e);
    }
    Merge(lists.work, lists.stored);
    return true;
}

bool SolveForTerm(const FFElement& d, int term, FFElement& out) {
    const FFCell u = d.GetTerm(term);
    const double c = u.GetCoef();
    if (!(std::fabs(c) >= kFinalFormDropBelow)) return false;
    const std::string& constant = Data::ConstantName();
    FFElement n;
    n.SetHead(FFCell(u.GetName(), u.GetKind(), 1.0, 0));
    n.AppendTerm(FFCell(d.GetName(), d.GetKind(), 1.0 / c, d.GetLag() - u.GetLag()));
    for (int j = 0; j < d.GetCount(); ++j) {
        if (j == term) continue;
        const FFCell t = d.GetTerm(j);
        const int lag = t.GetName() == constant ? 0 : t.GetLag() - u.GetLag();
        n.AppendTerm(FFCell(t.GetName(), t.GetKind(), -t.GetCoef() / c, lag));
    }
    out = n;
    return true;
}

FFList CandidatesFor(const FFList& decided, const std::string& v) {
    FFList out;
    for (int i = 0; i < decided.GetCount(); ++i) {
        const FFElement d = decided.GetElement(i);
        const int at = FindTerm(d, v);
        if (d.GetName() == v && at < 0) {
            out.Append(d);
            continue;
        }
        if (at < 0) continue;
        FFElement n;
        if (!SolveForTerm(d, at, n) || FindTerm(n, v) >= 0) continue;
        bool listed = false;
        for (int j = 0; j < out.GetCount() && !listed; ++j) listed = out.GetElement(j) == n;
        if (!listed) out.Append(n);
    }
    return out;
}

std::string TermLabel(const FFCell& term, const std::string& own) {
    if (term.GetName() == Data::ConstantName()) return term.GetName();
    std::string s = term.GetName();
    if (term.GetKind() == Var::kEndogenous && term.GetName() != own) s += "'";
    return s + LagText(term.GetLag());
}

std::string CandidateText(const FFElement& e) {
    std::string s;
    for (int i = 0; i < e.GetCount(); ++i) {
        const FFCell t = e.GetTerm(i);
        if (i > 0) s += ",";
        s += t.GetName();
        if (t.GetName() == Data::ConstantName()) continue;
        if (t.GetKind() == Var::kEndogenous) s += "'";
        if (t.GetLag() != 0) s += LagText(t.GetLag());
    }
    return s;
}
