// A listener that keeps what its controls told it: each change's tag and value, in order.
#pragma once

#include <utility>
#include <vector>

#include "toolkit/view.h"

namespace vexlo::test {

struct HeardControls : toolkit::CControlListener {
    std::vector<std::pair<int, float>> values;
    void valueChanged(toolkit::CControl* control) override { values.emplace_back(control->getTag(), control->getValue()); }
    std::vector<int> tags() const {
        std::vector<int> tags;
        for (const auto& value : values) tags.push_back(value.first);
        return tags;
    }
};

}  // namespace vexlo::test
