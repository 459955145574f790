#pragma once

#include <string>
#include <vector>

// The disqualification reasons list with its free-text field. By convention the last line is
// "..." and stands for a reason not in the list; choosing it opens the field to type one.
class DqReasons {
public:
    static constexpr const char* OtherReason = "...";

    // The lines of the reasons file; the first line becomes the selected one.
    void Load(std::vector<std::string> lines);

    // Selects a line; choosing the last line shows the free-text field with "..." (a window puts
    // FieldText into its field when the field is shown, not while the operator types).
    void Click(int index);
    // Enter in the free-text field: a text that is neither blank, "..." nor a line of the list
    // becomes a new reason before the closing "..." line, is selected and closes the field.
    // Anything else changes nothing and leaves the field open.
    void Enter(const std::string& text);
    // The field lost the focus.
    void HideField() { fieldVisible_ = false; }

    const std::vector<std::string>& Lines() const { return lines_; }
    int Selected() const { return selected_; }
    // The selected line, or empty when the list is empty.
    std::string SelectedText() const;
    const std::string& FieldText() const { return fieldText_; }
    bool FieldVisible() const { return fieldVisible_; }
    // Number of reasons typed since start-up; the list is worth writing back only when > 0.
    int ReasonsAdded() const { return reasonsAdded_; }

private:
    std::vector<std::string> lines_;
    int selected_ = -1;
    std::string fieldText_ = OtherReason;
    bool fieldVisible_ = false;
    int reasonsAdded_ = 0;
};
