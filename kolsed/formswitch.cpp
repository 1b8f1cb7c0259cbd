#include "kolsed/formswitch.h"

#include "common/globals.h"
#include "common/messages.h"

namespace {

void Move(TControlBox* box, int delta) {
    if (box) box->Top += delta;
}

// Frames always move; the controls of items inside a group move with their frame.
void MoveItem(TFormItem& item, int delta) {
    if (IsFrame(item)) item.OwnGroup->Top += delta;
    if (item.InGroup) return;
    Move(item.Caption.get(), delta);
    Move(item.UnitLabel.get(), delta);
    Move(item.Input.get(), delta);
    Move(item.List.get(), delta);
    Move(item.FileField.get(), delta);
    Move(item.Picture.get(), delta);
    Move(item.AppButton.get(), delta);
}

void CopyCommand(const std::string& from, std::string& to) {
    if (from.size() > 4) to = from;
}

void ClearCommand(const std::string& own, std::string& formCommand) {
    if (own.size() > 4) formCommand.clear();
}

// The frame's name equals the upper-cased name, whatever its case; nothing is copied, as this
// runs for every item at every switch.
bool Named(const TFormItem& item, const std::string& upper) {
    if (!IsFrame(item) || !item.OwnGroup || item.OwnGroup->Name.size() != upper.size())
        return false;
    const std::string& name = item.OwnGroup->Name;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i] >= 'a' && name[i] <= 'z' ? char(name[i] - 'a' + 'A') : name[i];
        if (c != upper[i]) return false;
    }
    return true;
}

} // namespace

bool IsBlock(const TFormItem& item) {
    return item.Kind == ikCheckBlock || item.Kind == ikRadioBlock;
}

bool IsFrame(const TFormItem& item) {
    return item.Kind == ikGroup || IsBlock(item);
}

TFormItem* FindGroupItem(TFormModel& form, const std::string& name) {
    const std::string upper = UpStr(name);
    for (auto& item : form.Items)
        if (Named(*item, upper)) return item.get();
    return nullptr;
}

void SetGroupState(TFormModel& form, const std::string& name, bool on) {
    const std::string upper = UpStr(name);
    for (size_t i = 0; i < form.Items.size(); ++i) {
        TFormItem& item = *form.Items[i];
        if (!Named(item, upper)) continue;
        TGroupBox& g = *item.OwnGroup;
        int delta = 0;
        if (on) {
            if (g.Visible) return;
            g.Visible = true;
            delta = g.Height;
            CopyCommand(g.BeforeCommand, form.BeforeCommand);
            CopyCommand(g.AfterCommand, form.AfterCommand);
        } else {
            ClearCommand(g.BeforeCommand, form.BeforeCommand);
            ClearCommand(g.AfterCommand, form.AfterCommand);
            if (!g.Visible) return;
            g.Visible = false;
            delta = -g.Height;
        }
        for (size_t j = i; j < form.Items.size(); ++j)
            MoveItem(*form.Items[j], delta);
        return;
    }
}

void CheckBoxClicked(TFormModel& form, TGroupBox& block, size_t button) {
    const TGButton& b = block.Buttons[button];
    for (size_t k = 0; k < b.Groups.size(); ++k)
        SetGroupState(form, b.Groups[k], b.Checked == b.Senses[k]);
    form.Modified = true;
}

void RadioButtonClicked(TFormModel& form, TGroupBox& block, size_t button) {
    for (const TGButton& other : block.Buttons)
        for (const std::string& name : other.Groups)
            SetGroupState(form, name, false);
    const TGButton& b = block.Buttons[button];
    for (size_t k = 0; k < b.Groups.size(); ++k)
        SetGroupState(form, b.Groups[k], b.Senses[k]);
    form.Modified = true;
}

void SetCheckBox(TFormModel& form, TGroupBox& block, size_t button, bool checked) {
    block.Buttons[button].Checked = checked;
    CheckBoxClicked(form, block, button);
}

void PressRadioButton(TFormModel& form, TGroupBox& block, size_t button) {
    for (size_t i = 0; i < block.Buttons.size(); ++i)
        block.Buttons[i].Checked = i == button;
    RadioButtonClicked(form, block, button);
}

bool CheckInputValue(TFormModel& form, const TInput& field) {
    form.ErrorLevel = Globals().ErrorLevel = 0;
    if (!field.Numeric) return true;
    std::string text = field.Text;
    TrimBlanks(text, ShortStringMax);
    Extended v = 0;
    std::string message;
    if (!TryStrToReal(text, v))
        message = text.empty() ? "The input field is empty" : "Illegal character in input";
    else if (!(field.Min <= v && v <= field.Max))
        message = "This parameter must be >= " + FormatReal(field.Format, field.Min) +
                  " and <= " + FormatReal(field.Format, field.Max);
    if (message.empty()) return true;
    form.ErrorLevel = Globals().ErrorLevel = ErrorStop;
    ShowMsg(message, mkError, true);
    return false;
}

TFormItem* CheckAllInputs(TFormModel& form) {
    for (auto& item : form.Items)
        if (item->Kind == ikNumber && item->Input && !CheckInputValue(form, *item->Input))
            return item.get();
    return nullptr;
}

bool ItemVisible(const TFormItem& item) {
    if (IsFrame(item)) return item.OwnGroup->Visible;
    if (item.Group && !item.Group->Visible) return false;
    if (item.List) return item.List->Visible;
    return true;
}
