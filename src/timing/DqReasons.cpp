#include "timing/DqReasons.h"

#include <algorithm>

#include "results/ResultTable.h"

void DqReasons::Load(std::vector<std::string> lines) {
    lines_ = std::move(lines);
    selected_ = lines_.empty() ? -1 : 0;
}

void DqReasons::Click(int index) {
    if (index < 0 || index >= static_cast<int>(lines_.size())) {
        return;
    }
    selected_ = index;
    if (index == static_cast<int>(lines_.size()) - 1) {
        fieldText_ = OtherReason;
        fieldVisible_ = true;
    }
}

void DqReasons::Enter(const std::string& text) {
    if (!fieldVisible_ || TrimText(text).empty() || text == OtherReason ||
        std::find(lines_.begin(), lines_.end(), text) != lines_.end()) {
        return;
    }
    // A file without the closing "..." line keeps its last reason: the new one is appended.
    if (!lines_.empty() && lines_.back() == OtherReason) {
        lines_.back() = text;
    } else {
        lines_.push_back(text);
    }
    lines_.push_back(OtherReason);
    selected_ = static_cast<int>(lines_.size()) - 2;
    ++reasonsAdded_;
    fieldVisible_ = false;
}

std::string DqReasons::SelectedText() const {
    return selected_ >= 0 && selected_ < static_cast<int>(lines_.size()) ? lines_[selected_]
                                                                         : std::string();
}
