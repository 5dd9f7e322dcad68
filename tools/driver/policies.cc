// Ready-made answers for the driver; plain logic, no Windows calls.
#include <algorithm>
#include <memory>

#include "tools/driver/dialog_driver-win32.h"

namespace dialog_driver {

int default_answer(const DialogSeen& box) {
    if (box.buttons.empty()) return button::close;
    const auto marked = std::find_if(box.buttons.begin(), box.buttons.end(),
                                     [](const DialogButton& b) { return b.is_default; });
    return marked != box.buttons.end() ? marked->id : box.buttons.front().id;
}

Policy answer_default() { return default_answer; }

Policy answer_always(int id) {
    return [id](const DialogSeen&) { return id; };
}

Policy answer_in_order(std::vector<int> ids) {
    // The policy is copied around as a std::function: the position must be shared.
    auto next = std::make_shared<std::size_t>(0);
    return [ids = std::move(ids), next](const DialogSeen& box) {
        if (*next < ids.size()) return ids[(*next)++];
        return default_answer(box);
    };
}

Policy answer_by_text(std::vector<AnswerRule> rules, Policy fallback) {
    return [rules = std::move(rules), fallback = std::move(fallback)](const DialogSeen& box) {
        for (const auto& rule : rules)
            if (box.text.find(rule.text_contains) != std::wstring::npos) return rule.id;
        for (const auto& rule : rules)
            if (box.title.find(rule.text_contains) != std::wstring::npos) return rule.id;
        return fallback(box);
    };
}

}  // namespace dialog_driver
