#include "simeq/final_form_assistant.h"

#include <algorithm>
#include <set>

#include "core/data/data_set.h"
#include "core/data/variable.h"
#include "simeq/final_form_algebra.h"

void TimeSet(FFElement& e) {
    const std::string& constant = Data::ConstantName();
    // The own variable's largest lead, read from the terms.
    int lead = 0, at = -1;
    for (int i = 0; i < e.GetCount(); ++i) {
        const FFCell t = e.GetTerm(i);
        if (t.GetName() == e.GetName() && t.GetLag() > lead) {
            lead = t.GetLag();
            at = i;
        }
    }
    if (at < 0) return;
    const FFCell u = e.GetTerm(at);
    const double a = u.GetCoef();
    e.DeleteTerm(at);
    e.AppendTerm(FFCell(e.GetName(), u.GetKind(), -1.0, 0));
    for (int i = 0; i < e.GetCount(); ++i) {
        FFCell t = e.GetTerm(i);
        t.SetCoef(t.GetCoef() / -a);
        if (t.GetName() != constant) t.SetLag(t.GetLag() - lead);
        e.SetTerm(i, t);
    }
    e.Sort();
}

void TrendSet(FFElement& e, const std::string& v) {
    TimeSet(e);
    std::set<int> lags;
    for (int i = 0; i < e.GetCount(); ++i) {
        const FFCell t = e.GetTerm(i);
        if (t.GetName() == v) lags.insert(t.GetLag());
    }
    double sum = 0.0, shift = 0.0;
    for (int lag : lags) {
        const int at = FindTerm(e, v, lag);
        const double c = e.GetTerm(at).GetCoef();
        e.DeleteTerm(at);
        sum += c;
        shift += static_cast<double>(lag) * c;
    }
    AddTerm(e, FFCell(v, Var::kExogenous, sum, 0));
    AddTerm(e, FFCell(Data::ConstantName(), Var::kExogenous, shift, 0));
}

void DeleteStored(FinalFormLists& lists, int i, Data* data) {
    if (i < 0 || i >= lists.stored.GetCount()) return;
    lists.stored.Delete(i);
    if (data) data->SetModified(true);
}

void ClearStored(FinalFormLists& lists, Data* data) {
    if (lists.stored.GetCount() == 0) return;
    lists.stored.Clear();
    if (data) data->SetModified(true);
}

void FinalFormAssistant::Activate() {
    if (current_ >= lists_.work.GetCount()) current_ = 0;
    if (lists_.work.GetCount() > 0) previous_ = Current();
    snapshot_ = lists_.work;
}

void FinalFormAssistant::ChooseEquation(const std::string& name) {
    current_ = std::max(FindElement(lists_.work, name), 0);
    if (lists_.work.GetCount() > 0) previous_ = Current();
}

void FinalFormAssistant::ClickTerm(int i) {
    candidates_.Clear();
    const FFElement e = Current();
    if (i < 0 || i >= e.GetCount()) return;
    const std::string v = e.GetTerm(i).GetName();
    if (v == Data::ConstantName()) return;
    candidates_ = CandidatesFor(lists_.decided, v);
}

bool FinalFormAssistant::ApplyCandidate(int k) {
    if (k < 0 || k >= candidates_.GetCount()) return false;
    const FFElement e = Current();
    FFElement result = e;
    previous_ = e;
    if (Substitute(result, candidates_.GetElement(k))) return false;
    StoreCurrent(result);
    return true;
}

void FinalFormAssistant::Undo() { StoreCurrent(previous_); }

void FinalFormAssistant::Reset() {
    if (current_ < snapshot_.GetCount()) StoreCurrent(snapshot_.GetElement(current_));
}

void FinalFormAssistant::TimeSet() {
    FFElement e = Current();
    ::TimeSet(e);
    StoreCurrent(e);
}

void FinalFormAssistant::TrendSet(const std::string& v) {
    FFElement e = Current();
    ::TrendSet(e, v);
    StoreCurrent(e);
}

void FinalFormAssistant::Decide(Data* data) {
    const FFElement e = Current();
    lists_.decided.Append(e);
    Put(lists_.stored, e);
    if (data) data->SetModified(true);
}
