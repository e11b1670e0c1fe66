#include "components/view/explanatory_choice.h"

#include "platform/ui_services.h"
#include "resources/string_table.h"

int ChooseExplanatory(UiServices& ui, const std::vector<std::string>& names) {
    const InputAnswer answer = ui.AskInput(LoadStr(kStrChooseExplanatory), names, "");
    if (answer.result != mrOK) return -1;
    for (std::size_t j = 0; j < names.size(); ++j)
        if (names[j] == answer.text) return static_cast<int>(j);
    return -1;
}
