// koltool's form commands: a form as the reader builds it, and a deck rewritten after
// edits made as a user would make them.
#include "tools/koltool_form.h"
#include "tools/koltool_diagnostics.h"

#include "common/json.h"
#include "kolsed/annotation.h"
#include "kolsed/deckwriter.h"
#include "kolsed/formswitch.h"

#include <cstdio>
#include <cstdlib>

using namespace kolshell;

namespace {

std::string Hex6(uint32_t rgb) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%06X", unsigned(rgb & 0xFFFFFF));
    return buf;
}

const char* StopName(ReadStop s) {
    return s == ReadStop::Close ? "close" : s == ReadStop::Keep ? "keep" : "none";
}

// What the item's field shows.
std::string FieldText(const TFormItem& item) {
    if (item.Input) return item.Input->Text;
    if (item.FileField) return item.FileField->FileName;
    if (item.List) {
        const TFileInput& l = *item.List;
        return l.ItemIndex >= 0 && size_t(l.ItemIndex) < l.Entries.size() ? l.Entries[l.ItemIndex]
                                                                          : l.Value;
    }
    if (item.Picture)
        return item.Picture->File.empty() ? item.Picture->QuotedText : item.Picture->File;
    return "";
}

std::string CaptionText(const TFormItem& item) {
    if (item.OwnGroup) return item.OwnGroup->Caption;
    if (item.Kind == ikText) return item.Heading;
    return item.Caption && !item.Picture ? item.Caption->Text : "";
}

// The box that places the item, in scroll-area coordinates.
TControlBox Placement(const TFormItem& item) {
    TControlBox box;
    if (item.OwnGroup)
        box = *item.OwnGroup;
    else if (item.Picture)
        box = *item.Picture;
    else if (item.Caption)
        box = *item.Caption;
    if (item.InGroup && item.Group && !item.OwnGroup) {
        box.Left += item.Group->Left;
        box.Top += item.Group->Top;
    }
    box.Visible = ItemVisible(item);
    return box;
}

std::string ButtonsJson(const TGroupBox& g) {
    std::vector<std::string> buttons;
    for (const TGButton& b : g.Buttons) {
        std::vector<std::string> senses;
        for (bool s : b.Senses)
            senses.push_back(JsonBool(s));
        buttons.push_back(JsonObject()
                              .Str("Caption", b.Caption)
                              .Raw("Groups", JsonStringArray(b.Groups))
                              .Raw("Senses", JsonArray(senses))
                              .Bool("Checked", b.Checked)
                              .Text());
    }
    return JsonArray(buttons);
}

std::string ItemJson(const TFormItem& item) {
    JsonObject o;
    const TInput* in = item.Kind == ikNumber ? item.Input.get() : nullptr;
    o.Int("Index", item.Index)
        .Int("Line", item.Line)
        .Int("Kind", item.Kind)
        .Int("Help", item.Help)
        .Str("Name", item.Name)
        .Str("Caption", CaptionText(item))
        .Str("UnitSI", item.UnitSI)
        .Str("UnitEng", item.UnitEng)
        .Num("Offset", in ? double(in->Offset) : 0)
        .Num("Factor", in ? double(in->Factor) : 1)
        .Num("Min", in ? double(in->Min) : 0)
        .Num("Max", in ? double(in->Max) : 0)
        .Int("FormatMode", in ? in->Format.Mode : 0)
        .Int("Digits", in ? in->Format.Digits : 0)
        .Str("Text", FieldText(item))
        .Str("Unit", item.UnitLabel ? item.UnitLabel->Text : "")
        .Str("Group", item.Group ? item.Group->Name : "")
        .Bool("InGroup", item.InGroup)
        .Bool("InitiallyOn", item.OwnGroup ? item.OwnGroup->InitiallyOn : false)
        .Bool("On", item.OwnGroup ? item.OwnGroup->On : false)
        .Raw("Buttons", item.OwnGroup ? ButtonsJson(*item.OwnGroup) : "[]")
        .Raw("ListEntries", item.List ? JsonStringArray(item.List->Entries) : "[]")
        .Int("Selected", item.List ? item.List->ItemIndex : -1);
    const TControlBox box = Placement(item);
    o.Int("Top", box.Top).Int("Left", box.Left).Int("Width", box.Width).Int("Height", box.Height);
    o.Bool("Visible", box.Visible);
    if (item.Input) o.Int("FieldLeft", item.Input->Left);
    if (item.List) o.Int("FieldLeft", item.List->Left);
    if (item.FileField) o.Int("FieldLeft", item.FileField->Left);
    const TAppButton* link = item.AppButton.get();
    const TImage* pic = item.Picture.get();
    o.Int("LinkSlot", link ? link->Slot : pic ? pic->Slot : 0);
    o.Str("Parameters", link ? link->Parameters : pic ? pic->Parameters : "");
    if (link) o.Int("LinkLeft", link->Left);
    return o.Text();
}

bool ReadUnitSystem(const std::string& text, int& system) {
    system = std::atoi(text.c_str());
    return system == 1 || system == 2;
}

// Applies one "--set INDEX=TEXT" edit as the user would type or choose it.
bool ApplySet(TFormModel& form, const std::string& def, TDiagnostics& diagnostics) {
    const size_t eq = def.find('=');
    const int index = std::atoi(def.substr(0, eq).c_str());
    if (eq == std::string::npos || index < 1 || size_t(index) > form.Items.size()) {
        std::fprintf(stderr, "koltool: no item %s\n", def.substr(0, eq).c_str());
        return false;
    }
    TFormItem& item = *form.Items[index - 1];
    const std::string text = def.substr(eq + 1);
    if (item.Input) {
        TypeIntoField(*item.Input, text);
        return CheckInputValue(form, *item.Input, diagnostics);
    }
    if (item.FileField) return ChooseAssignFile(form, item, text, diagnostics);
    if (item.List && item.List->Active) {
        const auto& e = item.List->Entries;
        for (size_t i = 0; i < e.size(); ++i)
            if (UpStr(e[i]) == UpStr(text)) {
                item.List->ItemIndex = int(i);
                return true;
            }
        std::fprintf(stderr, "koltool: item %d lists no entry %s\n", index, text.c_str());
        return false;
    }
    std::fprintf(stderr, "koltool: item %d has no field to set\n", index);
    return false;
}

// Applies one "--button INDEX.N=on|off": a check box set, or a radio button pressed.
bool ApplyButton(TFormModel& form, const std::string& def) {
    const size_t dot = def.find('.'), eq = def.find('=');
    const int index = std::atoi(def.substr(0, dot).c_str());
    const int n = dot == std::string::npos ? 0 : std::atoi(def.substr(dot + 1).c_str());
    const std::string state = eq == std::string::npos ? "" : def.substr(eq + 1);
    TFormItem* item =
        index >= 1 && size_t(index) <= form.Items.size() ? form.Items[index - 1].get() : nullptr;
    if (!item || !IsBlock(*item) || n < 1 || size_t(n) > item->OwnGroup->Buttons.size() ||
        (state != "on" && state != "off")) {
        std::fprintf(stderr, "koltool: no button %s\n", def.c_str());
        return false;
    }
    TGroupBox& g = *item->OwnGroup;
    if (item->Kind == ikCheckBlock) {
        SetCheckBox(form, g, size_t(n - 1), state == "on");
        return true;
    }
    if (state == "off") {
        std::fprintf(stderr, "koltool: a radio button goes off when another is pressed\n");
        return false;
    }
    PressRadioButton(form, g, size_t(n - 1));
    return true;
}

} // namespace

int FormCmd(const Args& a) {
    int system = 1;
    if (!(a.size() == 1 ||
          (a.size() == 3 && a[1] == "--unit-system" && ReadUnitSystem(a[2], system))))
        return Fail("usage: form FILE [--unit-system 1|2]");
    TFormModel form;
    form.UnitSystem = system;
    const TDiagnostics diagnostics = ReadDeck(form, a[0], TFixedMetrics());
    std::vector<std::string> items;
    for (const auto& item : form.Items)
        items.push_back(ItemJson(*item));
    std::printf("%s\n", JsonObject()
                            .Int("ErrorLevel", form.ErrorLevel)
                            .Str("Stop", StopName(form.Stop))
                            .Raw("Messages", DiagnosticsJson(diagnostics))
                            .Str("Background", Hex6(form.Background))
                            .Str("BeforeCommand", form.BeforeCommand)
                            .Str("AfterCommand", form.AfterCommand)
                            .Raw("Items", JsonArray(items))
                            .Text()
                            .c_str());
    return 0;
}

int WriteDeckCmd(const Args& a) {
    const char* usage = "usage: write-deck FILE TARGET [--unit-system 1|2] [--set INDEX=TEXT]... "
                        "[--button INDEX.N=on|off]...";
    if (a.size() < 2) return Fail(usage);
    int system = 1;
    std::vector<std::pair<std::string, std::string>> edits;
    for (size_t i = 2; i < a.size(); i += 2) {
        if (i + 1 >= a.size()) return Fail(usage);
        if (a[i] == "--unit-system" && ReadUnitSystem(a[i + 1], system)) continue;
        if (a[i] != "--set" && a[i] != "--button") return Fail(usage);
        edits.emplace_back(a[i], a[i + 1]);
    }
    TFormModel form;
    form.UnitSystem = system;
    bool reported = PrintDiagnostics(ReadDeck(form, a[0], TFixedMetrics()));
    if (form.Stop == ReadStop::Close) return 1;
    bool ok = true;
    for (const auto& [kind, def] : edits) {
        TDiagnostics diagnostics;
        if (!(kind == "--set" ? ApplySet(form, def, diagnostics) : ApplyButton(form, def)))
            ok = false;
        reported = PrintDiagnostics(diagnostics) || reported;
    }
    if (!ok) return 1;
    TDiagnostics diagnostics;
    const bool written = WriteDeck(form, a[1], diagnostics);
    reported = PrintDiagnostics(diagnostics) || reported;
    return written && !reported ? 0 : 1;
}
