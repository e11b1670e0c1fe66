#include "core/data/variable_type_names.h"

#include <array>

#include "resources/string_table.h"

namespace {

const std::array<std::string, 4>& TypeNames() {
    static const std::array<std::string, 4> names{LoadStrByNumber(52), LoadStrByNumber(53), LoadStrByNumber(54),
                                                  "ラグ付き" + LoadStrByNumber(53)};
    return names;
}

}  // namespace

const std::string& GetVarTypeName(int type) {
    const auto& names = TypeNames();
    return type >= 0 && type < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(type)] : names[0];
}

int FindVarType(const std::string& name) {
    const auto& names = TypeNames();
    for (std::size_t t = 0; t < names.size(); ++t)
        if (names[t] == name) return static_cast<int>(t);
    return 0;
}
