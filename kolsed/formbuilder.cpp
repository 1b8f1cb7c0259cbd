#include "kolsed/formbuilder.h"

#include "common/globals.h"
#include "kolsed/formswitch.h"

#include <algorithm>

namespace kolshell {

namespace {

constexpr int GroupStartHeight = 24;
constexpr int LinkButtonWidth = 25; // the hidden speed button every link button copies

std::string UnitText(const TFormItem& item, int unitSystem) {
    return unitSystem == 2 ? item.UnitEng : item.UnitSI;
}

} // namespace

TFormBuilder::TFormBuilder(TFormModel& form, const TFormMetrics& metrics)
    : form_(form), metrics_(metrics) {
    const TFontDef measuring; // Arial 10
    form_.LineHeight = GetHeight(measuring) + 2;
    form_.CharWidth = metrics_.TextWidth(measuring, "8");
}

int TFormBuilder::GetHeight(const TFontDef& font) const {
    return metrics_.TextHeight(font, "gh");
}

int TFormBuilder::GetWidth(const TFontDef& font, const std::string& text) const {
    return metrics_.TextWidth(font, text + "  ");
}

int TFormBuilder::AveCharWidth(const TFontDef& font) const {
    static const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    return metrics_.TextWidth(font, letters) / 52;
}

TFormItem& TFormBuilder::NewItem(ItemKind kind, int line) {
    auto item = std::make_unique<TFormItem>();
    item->Index = int(form_.Items.size()) + 1;
    item->Line = line;
    item->Kind = kind;
    item->InGroup = group_ != nullptr && kind != ikGroup;
    item->Group = group_;
    ComputeNextTop(*item);
    if (!form_.Items.empty()) {
        item->Prev = form_.Items.back().get();
        item->Prev->Next = item.get();
    }
    form_.Items.push_back(std::move(item));
    return *form_.Items.back();
}

void TFormBuilder::ComputeNextTop(const TFormItem& item) {
    if (form_.Items.empty()) {
        nextTop_ = 10;
        return;
    }
    const TFormItem& prev = *form_.Items.back();
    if (!prev.Caption || !prev.Caption->Advances) return;
    const int h = form_.LineHeight;
    const int step = IsFrame(item) ? h + h / 2 : GetHeight(prev.Caption->Font) * 5 / 4;
    nextTop_ = prev.Caption->Top + step;
    if (prev.InGroup && !IsFrame(prev) && prev.Group) nextTop_ += prev.Group->Top + h / 2;
}

int TFormBuilder::ElementTop(int stepHeight) {
    if (!group_) return nextTop_;
    group_->Height += stepHeight;
    return group_->Height - stepHeight;
}

void TFormBuilder::Fit(const TControlBox& box) {
    if (group_ && box.Right() + 20 > group_->Width) group_->Width = box.Right() + 20;
}

TDescriptor& TFormBuilder::MakeCaption(TFormItem& item, const std::string& text, int growNum,
                                       int growDen) {
    item.Caption = std::make_unique<TDescriptor>();
    TDescriptor& c = *item.Caption;
    c.Font = Slot(2);
    c.Text = text;
    const int h = GetHeight(c.Font);
    c.Top = ElementTop(h * growNum / growDen);
    c.Left = Margin() + TabAt(0);
    c.Height = h + 2;
    c.Width = metrics_.TextWidth(c.Font, text);
    Fit(c);
    return c;
}

void TFormBuilder::PlaceValueField(TFormItem& item, TControlBox& field) {
    const TDescriptor& c = *item.Caption;
    const int tab = TabAt(2);
    field.Left = tab >= 0 ? tab : int(c.Text.size() + 1) * AveCharWidth(c.Font);
    field.Top = c.Top;
    field.Height = GetHeight(Slot(2)) + 2;
    Fit(field);
}

void TFormBuilder::PlaceUnitAndLink(TFormItem& item, int linkSlot,
                                    const std::string& linkParameters) {
    const TControlBox& field = item.Input ? static_cast<TControlBox&>(*item.Input) : *item.List;
    int right = field.Right();
    if (item.Kind == ikNumber) {
        item.UnitLabel = std::make_unique<TDescriptor>();
        TDescriptor& u = *item.UnitLabel;
        u.Font = Slot(3);
        u.Text = UnitText(item, form_.UnitSystem);
        u.Top = item.Caption->Top;
        u.Left = field.Right() + AveCharWidth(u.Font);
        u.Width = int(u.Text.size()) * form_.CharWidth;
        u.Height = GetHeight(u.Font);
        Fit(u);
        right = u.Right();
    }
    if (linkSlot <= 0) return;
    item.AppButton = std::make_unique<TAppButton>();
    TAppButton& a = *item.AppButton;
    a.Slot = linkSlot;
    a.Parameters = linkParameters;
    a.Left = right + 10;
    a.Top = item.Caption->Top - 1;
    a.Width = a.Height = LinkButtonWidth;
    Fit(a);
}

void TFormBuilder::PlaceNumber(TFormItem& item, const std::string& caption, int linkSlot,
                               const std::string& linkParameters) {
    MakeCaption(item, caption, 5, 4);
    TInput& f = *item.Input;
    f.Font = Slot(2);
    // Ten characters, or the value's whole text when it is longer (the unit follows it).
    f.Width = std::max(10 * AveCharWidth(f.Font), GetWidth(f.Font, f.Text));
    PlaceValueField(item, f);
    PlaceUnitAndLink(item, linkSlot, linkParameters);
}

void TFormBuilder::PlaceHeading(TFormItem& item, bool withText, const std::string& text) {
    item.Caption = std::make_unique<TDescriptor>();
    TDescriptor& c = *item.Caption;
    c.Font = Slot(1);
    c.Alignment = form_.Presentation.Align[1];
    c.Text = item.Heading;
    const int h = GetHeight(c.Font);
    c.Top = ElementTop(h * 5 / 4);
    c.Left = c.Alignment == alLeft ? Margin() + TabAt(0) : Margin();
    c.Width = FormWidth() - c.Left;
    c.Height = h;
    if (!withText) return;
    item.Input = std::make_unique<TInput>();
    TInput& f = *item.Input;
    f.Font = Slot(1);
    f.Text = text;
    f.MaxLength = int(2 * text.size());
    f.Width = GetWidth(f.Font, text);
    f.Top = c.Top;
    f.Height = h + 2;
    PlaceHeadingField(item, c, f);
    Fit(f);
}

void TFormBuilder::PlaceHeadingField(TFormItem& item, TDescriptor& c, TInput& f) {
    const int tab1 = TabAt(1);
    if (tab1 >= 0) {
        f.Left = tab1;
        return;
    }
    if (c.Alignment == alLeft) {
        f.Left = Margin() + TabAt(0) + int(item.Heading.size() + 1) * AveCharWidth(c.Font);
        return;
    }
    // A centred or right-aligned heading with a field: both are placed as one line.
    const int hw = GetWidth(c.Font, item.Heading);
    c.Width = hw;
    c.Left =
        c.Alignment == alCenter ? (FormWidth() - hw - f.Width) / 2 : FormWidth() - hw - f.Width;
    c.Alignment = alLeft;
    f.Left = c.Left + hw + 2 * form_.CharWidth;
}

void TFormBuilder::PlaceList(TFormItem& item, const std::string& caption, int linkSlot,
                             const std::string& linkParameters) {
    TFileInput& l = *item.List;
    l.Font = Slot(2);
    if (!l.Active) {
        // A hidden companion takes no room.
        TDescriptor& c = MakeCaption(item, "", 0, 1);
        c.Advances = false;
        c.Height = 0;
        l.Visible = false;
        return;
    }
    MakeCaption(item, caption, 4, 3);
    for (const std::string& e : l.Entries)
        l.Width = std::max(l.Width, GetWidth(l.Font, e));
    PlaceValueField(item, l);
    PlaceUnitAndLink(item, linkSlot, linkParameters);
}

void TFormBuilder::PlaceAssign(TFormItem& item, const std::string& caption) {
    const TDescriptor& c = MakeCaption(item, caption, 5, 4);
    TOpenFile& f = *item.FileField;
    f.Font = Slot(2);
    f.Width = int(f.FileName.size() + 1) * AveCharWidth(c.Font);
    f.Height = GetHeight(f.Font) + 2;
    f.Left = int(caption.size() + 2) * form_.CharWidth;
    f.Top = c.Top;
    Fit(f);
}

void TFormBuilder::PlacePicture(TFormItem& item, int width, int height) {
    TImage& p = *item.Picture;
    const int h = form_.LineHeight;
    p.Width = width;
    p.Height = height;
    p.Top = ElementTop(height + h / 2);
    if (p.Alignment == alLeft)
        p.Left = 5;
    else if (p.Alignment == alCenter)
        p.Left = (FormWidth() - width) / 2 + Margin();
    else
        p.Left = FormWidth() - width - 5;
    p.Left = std::max(0, p.Left);
    if (group_ && p.Right() + 20 > group_->Width) group_->Width = p.Right() + 5;
    item.Caption = std::make_unique<TDescriptor>();
    TDescriptor& c = *item.Caption;
    c.Font = Slot(2);
    c.Left = -10;
    c.Height = GetHeight(c.Font);
    c.Top = p.Top + height - h;
    c.Visible = false;
}

void TFormBuilder::SetPlaceholder(TFormItem& item, const TControlBox& frame,
                                  const std::string& text) {
    if (!item.Caption) item.Caption = std::make_unique<TDescriptor>();
    TDescriptor& c = *item.Caption;
    c.Font = Slot(2);
    c.Text = text;
    c.Left = -10;
    c.Height = GetHeight(c.Font);
    c.Top = frame.Top + frame.Height - form_.LineHeight;
    c.Visible = false;
}

void TFormBuilder::OpenGroup(TFormItem& item) {
    TGroupBox& g = *item.OwnGroup;
    if (!item.InGroup) item.Group = &g; // a block in a group keeps the group it lies in
    g.Font = Slot(1);
    // A group's first row starts below its caption, as a block's first button does.
    g.Height = GroupStartHeight + (item.Kind == ikGroup ? ButtonOffset(g) : 0);
    g.Top = nextTop_;
    g.Left = Margin();
    g.Width = form_.Widest > 0 ? form_.Widest : FormWidth();
    if (item.Kind == ikGroup) {
        group_ = &g;
        SetPlaceholder(item, g, "x");
    }
}

void TFormBuilder::CloseGroup() {
    TGroupBox& g = *group_;
    if (g.Height == GroupStartHeight + ButtonOffset(g)) {
        g.Visible = false;
        g.Height = 0;
    } else {
        g.Height += 5;
    }
    g.FullHeight = g.Height;
    form_.Widest = std::max(form_.Widest, g.Width);
    TFormItem& last = *form_.Items.back();
    // The group's end stands for the next placement: an empty group, or one whose last
    // element is a block.
    if (last.OwnGroup.get() == group_ || (IsBlock(last) && last.Group == group_))
        SetPlaceholder(last, g, "x");
    group_ = nullptr;
}

// A block inside a group is a frame within the group's frame: it starts below what the group
// holds so far, and the group grows round it when the block ends.
void TFormBuilder::OpenBlock(TFormItem& item) {
    OpenGroup(item);
    if (!group_) return;
    TGroupBox& g = *item.OwnGroup;
    g.Top = group_->Top + group_->Height;
    g.Left = group_->Left + 10;
    g.Width = std::max(1, group_->Width - 20);
}

// The buttons' first row stays below the frame's caption, whatever the fonts measure.
int TFormBuilder::ButtonOffset(const TGroupBox& g) const {
    return std::max(0, metrics_.FontHeight(g.Font) - form_.LineHeight);
}

void TFormBuilder::AddButton(TFormItem& block, TGButton button) {
    TGroupBox& g = *block.OwnGroup;
    const int n = int(g.Buttons.size()) + 1;
    const int d = ButtonOffset(g);
    button.Font = Slot(2);
    button.Top = 20 * n + d;
    button.Left = 10;
    button.Width = int(button.Caption.size() + 5) * AveCharWidth(button.Font);
    button.Height = GetHeight(button.Font) + 2;
    button.Checked = true;
    if (block.Kind == ikRadioBlock)
        for (TGButton& other : g.Buttons)
            other.Checked = false;
    if (button.Width + 20 > g.Width) g.Width = button.Width + 20;
    g.Buttons.push_back(std::move(button));
}

void TFormBuilder::CloseBlock(TFormItem& block) {
    TGroupBox& g = *block.OwnGroup;
    g.Height = 20 * int(g.Buttons.size()) + GroupStartHeight + ButtonOffset(g);
    g.FullHeight = g.Height;
    if (group_) {
        group_->Height += g.Height + form_.LineHeight / 2;
        group_->Width = std::max(group_->Width, g.Width + 20);
        g.Width = group_->Width - 20;
    }
    form_.Widest = std::max(form_.Widest, g.Width);
    SetPlaceholder(block, g, "x");
}

void TFormBuilder::Finish(TDiagnostics& diagnostics) {
    form_.ErrorLevel = 0;
    bool anyLink = false;
    int rightmost = 0;
    for (const auto& item : form_.Items) {
        anyLink = anyLink || item->AppButton;
        const TControlBox* boxes[] = {item->Input.get(), item->UnitLabel.get(), item->List.get()};
        for (const TControlBox* box : boxes)
            if (box && !item->InGroup) rightmost = std::max(rightmost, box->Right() + 20);
    }
    if (anyLink) {
        // A form without frames lines its link buttons up right of its widest line.
        if (form_.Widest <= 0) form_.Widest = rightmost;
        form_.Widest += LinkButtonWidth + 10;
        // One column on the form: a button in a group stands where its frame puts it.
        for (auto& item : form_.Items)
            if (item->AppButton)
                item->AppButton->Left = form_.Widest - LinkButtonWidth - 5 -
                                        (item->InGroup && item->Group ? item->Group->Left : 0);
    }
    for (auto& item : form_.Items)
        if (IsFrame(*item) && form_.Widest > 0)
            item->OwnGroup->Width = form_.Widest - (item->InGroup ? 20 : 0);
    HideSwitchedOffGroups(form_);
    for (auto& item : form_.Items)
        if (IsBlock(*item)) ResolveButtons(*item, diagnostics);
    form_.Modified = false; // setting the initial states is no user change
    form_.Finished = true;
}

// A radio block's buttons are pressed in turn as their first groups ask; only the last press
// decides the states (every press switches all of the block's groups), so only that one is
// made: a block of thousands of buttons is then set up at once.
void TFormBuilder::ResolveButtons(TFormItem& block, TDiagnostics& diagnostics) {
    TGroupBox& g = *block.OwnGroup;
    size_t press = g.Buttons.size();
    for (size_t b = 0; b < g.Buttons.size(); ++b) {
        for (size_t k = 0; k < g.Buttons[b].Groups.size(); ++k) {
            TGButton& button = g.Buttons[b];
            TFormItem* target = FindGroupItem(form_, button.Groups[k]);
            if (!target) {
                ReportError(diagnostics, "Group " + button.Groups[k] + " is not defined.", true);
                form_.ErrorLevel = ErrorStop;
                continue;
            }
            if (k != 0) continue;
            const bool on = target->OwnGroup->InitiallyOn, sense = button.Senses[0];
            if (block.Kind == ikCheckBlock) {
                button.Checked = on ? sense : !sense;
                CheckBoxClicked(form_, g, b);
            } else if (on || IsBlock(*target)) {
                // A radio button whose first group is a plain group that is off is left
                // as it was.
                if (on ? sense : !sense)
                    press = b;
                else
                    button.Checked = false;
            }
        }
    }
    if (press < g.Buttons.size()) PressRadioButton(form_, g, press);
}

} // namespace kolshell
