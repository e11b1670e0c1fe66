// A full picture of a model for comparing states bit for bit.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/model/regression_model.h"

struct ModelPicture {
    std::string name, info;
    int n = 0, k = 0;
    std::vector<std::string> names, infos;
    std::vector<int> types;
    std::vector<std::vector<std::uint64_t>> bits;
    std::vector<std::vector<std::uint16_t>> marks;
    std::vector<std::uint8_t> roles;
    std::vector<std::string> groups;
    std::vector<std::string> equations;
    bool operator==(const ModelPicture&) const = default;
};

inline ModelPicture Picture(const Reg& m) {
    ModelPicture p;
    p.name = m.GetName();
    p.info = m.GetInfo();
    p.n = m.GetObsCount();
    p.k = m.GetVarCount();
    for (int j = 0; j < p.k; ++j) {
        const Var& v = m.GetVar(j);
        p.names.push_back(v.GetName());
        p.infos.push_back(v.GetInfo());
        p.types.push_back(v.GetType());
        std::vector<std::uint64_t> b(static_cast<std::size_t>(v.Count()));
        std::memcpy(b.data(), v.Data(), b.size() * sizeof(double));
        p.bits.push_back(std::move(b));
        p.marks.push_back(v.Marks());
    }
    p.roles = m.Roles();
    for (int g = 1; g <= 16; ++g) p.groups.push_back(m.GroupNames().GetName(g));
    const ExpresList& list = m.Expressions();
    for (int e = 0; e < list.GetCount(); ++e) {
        const Expres& x = list.GetItem(e);
        std::string s = x.GetLeftName() + (x.IsDefinition() ? "=d" : "=");
        for (int t = 0; t < x.GetCount(); ++t) {
            std::uint64_t c;
            const double coef = x.GetCoef(t);
            std::memcpy(&c, &coef, sizeof c);
            s += " " + std::to_string(c) + "*" + x.GetVarName(t);
        }
        p.equations.push_back(s);
    }
    return p;
}

// The first field in which two pictures differ ("" when equal).
inline std::string PictureDiff(const ModelPicture& a, const ModelPicture& b) {
    if (a.name != b.name || a.info != b.info) return "name/info";
    if (a.n != b.n || a.k != b.k) return "shape " + std::to_string(a.n) + "x" + std::to_string(a.k) + " vs " +
                                          std::to_string(b.n) + "x" + std::to_string(b.k);
    if (a.names != b.names) return "names";
    if (a.infos != b.infos) return "comments";
    if (a.types != b.types) return "types";
    if (a.bits != b.bits) return "values";
    if (a.marks != b.marks) return "marks";
    if (a.roles != b.roles) {
        std::string s = "roles";
        for (auto r : a.roles) s += " " + std::to_string(r);
        s += " vs";
        for (auto r : b.roles) s += " " + std::to_string(r);
        return s;
    }
    if (a.groups != b.groups) return "group names";
    if (a.equations != b.equations) return "equations";
    return {};
}
