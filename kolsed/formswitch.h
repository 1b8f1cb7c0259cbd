// What the user does on a form: switching groups from check boxes and radio buttons, and
// the value check when a field is left.
#pragma once

#include "kolsed/formmodel.h"

// Shows or hides the named group or block and moves everything after it by its height.
void SetGroupState(TFormModel& form, const std::string& name, bool on);

// The click handlers: the button's state is already set.
void CheckBoxClicked(TFormModel& form, TGroupBox& block, size_t button);
void RadioButtonClicked(TFormModel& form, TGroupBox& block, size_t button);
// What a user's click does: a check box toggles (or is set), a radio button is pressed.
void SetCheckBox(TFormModel& form, TGroupBox& block, size_t button, bool checked);
void PressRadioButton(TFormModel& form, TGroupBox& block, size_t button);

// The group or block of that name (any case), or null.
TFormItem* FindGroupItem(TFormModel& form, const std::string& name);
bool IsBlock(const TFormItem& item);
bool IsFrame(const TFormItem& item);

// The check run when a numeric field is left: true when the text is a number inside the
// field's range. Otherwise the message is shown and the form's ErrorLevel becomes 100.
bool CheckInputValue(TFormModel& form, const TInput& field);
// Checks every numeric field, stopping at the first bad one; returns its item or null.
TFormItem* CheckAllInputs(TFormModel& form);

// A control is seen when it and its group frame are visible.
bool ItemVisible(const TFormItem& item);
