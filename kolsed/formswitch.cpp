#include "kolsed/formswitch.h"

#include "common/globals.h"

#include <unordered_set>
#include <utility>

namespace kolshell {

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

// The place of the first group or block named so (upper-cased), or npos; the whole chain
// is looked at again only after items were added to it.
size_t FrameAt(TFormModel& form, const std::string& upper) {
    if (form.FrameIndexItems != form.Items.size()) {
        form.FrameIndex.clear();
        for (size_t i = 0; i < form.Items.size(); ++i) {
            const TFormItem& item = *form.Items[i];
            if (IsFrame(item) && item.OwnGroup)
                form.FrameIndex.emplace(UpStr(item.OwnGroup->Name), i);
        }
        form.FrameIndexItems = form.Items.size();
    }
    const auto at = form.FrameIndex.find(upper);
    return at == form.FrameIndex.end() ? std::string::npos : at->second;
}

// Shows or hides the frame of item i; everything from it on moves by its height. An empty
// frame (height 0) stays hidden.
void ShowFrame(TFormModel& form, size_t i, bool show) {
    TGroupBox& g = *form.Items[i]->OwnGroup;
    const bool visible = show && g.Height > 0;
    if (g.Visible == visible) return;
    g.Visible = visible;
    const int delta = visible ? g.Height : -g.Height;
    for (size_t j = i; j < form.Items.size(); ++j) {
        TFormItem& item = *form.Items[j];
        MoveItem(item, delta);
        // Blocks inside the group come and go with it.
        if (j > i && IsBlock(item) && item.InGroup && item.Group == &g)
            item.OwnGroup->Visible = visible && item.OwnGroup->On && item.OwnGroup->Height > 0;
    }
}

// Switching off empties the form's commands that the group has, even when it is off already.
void SwitchOff(TFormModel& form, size_t i) {
    TGroupBox& g = *form.Items[i]->OwnGroup;
    ClearCommand(g.BeforeCommand, form.BeforeCommand);
    ClearCommand(g.AfterCommand, form.AfterCommand);
    g.On = false;
    ShowFrame(form, i, false);
}

void SwitchOn(TFormModel& form, size_t i) {
    TGroupBox& g = *form.Items[i]->OwnGroup;
    if (g.On) return;
    g.On = true;
    CopyCommand(g.BeforeCommand, form.BeforeCommand);
    CopyCommand(g.AfterCommand, form.AfterCommand);
    ShowFrame(form, i, true);
}

} // namespace

bool IsBlock(const TFormItem& item) {
    return item.Kind == ikCheckBlock || item.Kind == ikRadioBlock;
}

bool IsFrame(const TFormItem& item) {
    return item.Kind == ikGroup || IsBlock(item);
}

TFormItem* FindGroupItem(TFormModel& form, const std::string& name) {
    const size_t i = FrameAt(form, UpStr(name));
    return i == std::string::npos ? nullptr : form.Items[i].get();
}

void SetGroupState(TFormModel& form, const std::string& name, bool on) {
    const size_t i = FrameAt(form, UpStr(name));
    if (i == std::string::npos) return;
    if (on)
        SwitchOn(form, i);
    else
        SwitchOff(form, i);
}

// As switching off each group that is off, in order, but in one pass over the chain: each
// item moves once, by the heights of all the frames hidden before it and its own.
void HideSwitchedOffGroups(TFormModel& form) {
    std::unordered_set<const TGroupBox*> hidden;
    int shift = 0;
    for (auto& item : form.Items) {
        if (IsBlock(*item) && item->InGroup && hidden.count(item->Group))
            item->OwnGroup->Visible = false;
        if (IsFrame(*item) && !item->OwnGroup->On) {
            TGroupBox& g = *item->OwnGroup;
            ClearCommand(g.BeforeCommand, form.BeforeCommand);
            ClearCommand(g.AfterCommand, form.AfterCommand);
            if (g.Visible) {
                g.Visible = false;
                shift -= g.Height;
                hidden.insert(&g);
            }
        }
        if (shift != 0) MoveItem(*item, shift);
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

void TypeIntoField(TInput& field, const std::string& text) {
    field.Text = text;
    field.Modified = true;
    field.Typed = true;
}

namespace {

// A limit as the field shows it in unit system 2: converted like the value, then rounded to
// the field's format, so that a value at the limit, shown in the same format, stays inside.
Extended ShownLimit(const TInput& field, Extended limit) {
    const Extended shown = (limit + field.Offset) * field.Factor;
    Extended rounded = 0;
    return TryStrToReal(FormatReal(field.Format, shown), rounded) ? rounded : shown;
}

} // namespace

bool CheckInputValue(TFormModel& form, const TInput& field, TDiagnostics& diagnostics) {
    form.ErrorLevel = 0;
    if (!field.Numeric) return true;
    std::string text = field.Text;
    TrimBlanks(text, ShortStringMax);
    Extended low = field.Min, high = field.Max;
    if (form.UnitSystem == 2) {
        low = ShownLimit(field, field.Min);
        high = ShownLimit(field, field.Max);
        if (high < low) std::swap(low, high); // a negative factor turns the range round
    }
    Extended v = 0;
    std::string message;
    if (!TryStrToReal(text, v))
        message = text.empty() ? "The input field is empty" : "Illegal character in input";
    else if (!(low <= v && v <= high))
        message = "This parameter must be >= " + FormatReal(field.Format, low) +
                  " and <= " + FormatReal(field.Format, high);
    if (message.empty()) return true;
    form.ErrorLevel = ErrorStop;
    ReportError(diagnostics, message, true);
    return false;
}

bool ItemVisible(const TFormItem& item) {
    // A block inside a group is shown only while the group is.
    if (item.InGroup && item.Group && !item.Group->Visible) return false;
    if (IsFrame(item)) return item.OwnGroup->Visible;
    if (item.List) return item.List->Visible;
    return true;
}

} // namespace kolshell
