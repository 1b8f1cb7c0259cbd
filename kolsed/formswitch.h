// What the user does on a form: switching groups from check boxes and radio buttons, and
// the value check when a field is left.
#pragma once

#include "common/diagnostics.h"
#include "kolsed/formmodel.h"

namespace kolshell {

// Switches the named group or block on or off: its frame shows or hides and everything
// after it moves by its height.
void SetGroupState(TFormModel& form, const std::string& name, bool on);
// After reading: the groups read as switched off are hidden, whether a button drives them
// or not, as switching them off would.
void HideSwitchedOffGroups(TFormModel& form);

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

// What typing into a field does: the text becomes the user's, and the field is changed.
void TypeIntoField(TInput& field, const std::string& text);

// The check run when a numeric field is left: true when the text is a number inside the
// field's range. Otherwise the message goes to diagnostics and the form's ErrorLevel becomes
// 100. In unit system 2 the limits are converted like the value and shown in its format.
bool CheckInputValue(TFormModel& form, const TInput& field, TDiagnostics& diagnostics);

// A control is seen when it and its group frame are visible.
bool ItemVisible(const TFormItem& item);

} // namespace kolshell
