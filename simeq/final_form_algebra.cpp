#include "simeq/final_form_algebra.h"

#include <cmath>
#include <cstdio>

#include "core/text/float_format.h"
#include "resources/string_table.h"

namespace {

// Adds p to the term (name, lag), or appends (name, kind, lag, p).
void Accumulate(FFElement& e, const std::string& name, int kind, int lag, double p) {
    const int at = FindTerm(e, name, lag);
    if (at >= 0) {
        FFCell cell = e.GetTerm(at);
        cell.SetCoef(cell.GetCoef() + p);
        e.SetTerm(at, cell);
    } else {
        e.AppendTerm(FFCell(name, kind, p, lag));
    }
}

bool AllFinite(const FFElement& e) {
    for (int i = 0; i < e.GetCount(); ++i)
        if (!std::isfinite(e.GetTerm(i).GetCoef())) return false;
    return true;
}

void DropTiny(FFElement& e) {
    for (int i = e.GetCount() - 1; i >= 0; --i)
        if (std::fabs(e.GetTerm(i).GetCoef()) < kFinalFormDropBelow) e.DeleteTerm(i);
    e.Sort();
}

}  // namespace

bool AddTerm(FFElement& e, const FFCell& cell) {
    if (cell.GetCoef() == 0.0) return false;
    Accumulate(e, cell.GetName(), cell.GetKind(), cell.GetLag(), cell.GetCoef());
    return true;
}

int FindTerm(const FFElement& e, const std::string& name) {
    for (int i = 0; i < e.GetCount(); ++i)
        if (e.GetTerm(i).GetName() == name) return i;
    return -1;
}

int FindTerm(const FFElement& e, const std::string& name, int lag) {
    for (int i = 0; i < e.GetCount(); ++i) {
        const FFCell c = e.GetTerm(i);
        if (c.GetName() == name && c.GetLag() == lag) return i;
    }
    return -1;
}

bool Substitute(FFElement& e, const FFElement& f, int* passes) {
    const std::string& constant = LoadStr(kStrConstantName);
    int pass = 0;
    for (;;) {
        if (passes) *passes = pass;
        const int at = FindTerm(e, f.GetName());
        if (at < 0) return false;
        if (pass == kSubstituteMaxPasses) return true;
        ++pass;
        if (passes) *passes = pass;
        const FFCell occurrence = e.GetTerm(at);
        const int lag = occurrence.GetLag();
        const double c = occurrence.GetCoef();
        e.DeleteTerm(at);
        for (int i = 0; i < f.GetCount(); ++i) {
            const FFCell u = f.GetTerm(i);
            const double p = u.GetCoef() * c;
            if (std::fabs(p) < kFinalFormEpsilon) continue;
            // The constant stays at lag 0 whatever the shift.
            if (u.GetName() == constant) Accumulate(e, constant, 2, 0, p);
            else Accumulate(e, u.GetName(), u.GetKind(), u.GetLag() + lag, p);
        }
        const int own = FindTerm(e, e.GetName(), 0);
        if (own >= 0) {
            const double a = e.GetTerm(own).GetCoef();
            if (std::fabs(1.0 - a) <= kFinalFormEpsilon) return true;
            e.DeleteTerm(own);
            for (int i = 0; i < e.GetCount(); ++i) {
                FFCell cell = e.GetTerm(i);
                cell.SetCoef(cell.GetCoef() / (1.0 - a));
                e.SetTerm(i, cell);
            }
        }
        if (!AllFinite(e)) return true;
        DropTiny(e);
    }
}

std::string LagText(int lag) {
    if (lag == 0) return "[t]";
    char buf[32];
    std::snprintf(buf, sizeof buf, "[t%+d]", lag);
    return buf;
}

std::string GetText(const FFElement& e) {
    const std::string& constant = LoadStr(kStrConstantName);
    const std::string& picture = LoadStr(kStrCoefficientPicture);
    std::string s = e.GetName() + "[t] = ";
    for (int i = 0; i < e.GetCount(); ++i) {
        const FFCell c = e.GetTerm(i);
        if (c.GetName() == constant) {
            s += FormatFloat(picture, c.GetCoef());
            continue;
        }
        if (c.GetCoef() == 1.0) s += "+";
        else if (c.GetCoef() == -1.0) s += "-";
        else s += FormatFloat(picture, c.GetCoef()) + "*";
        s += c.GetName() + LagText(c.GetLag());
    }
    return s;
}

int FindElement(const FFList& list, const std::string& name) {
    for (int i = 0; i < list.GetCount(); ++i)
        if (list.GetElement(i).GetName() == name) return i;
    return -1;
}

void Put(FFList& list, const FFElement& e) {
    const int at = FindElement(list, e.GetName());
    if (at >= 0) list.SetElement(at, e);
    else list.Append(e);
}

void Merge(FFList& list, const FFList& other) {
    if (&list == &other) return;
    for (int i = 0; i < other.GetCount(); ++i) Put(list, other.GetElement(i));
}
