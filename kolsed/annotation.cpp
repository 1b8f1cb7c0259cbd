#include "kolsed/annotation.h"

#include "common/globals.h"
#include "common/paths.h"
#include "kolsed/formbuilder.h"
#include "kolsed/formswitch.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kolshell {

namespace {

constexpr size_t ItemTextMax = 128, UnitMax = 25, NameMax = 10, FontNameMax = 30;

std::string LeftTrimmed(const std::string& s) {
    const size_t b = s.find_first_not_of(' ');
    return b == std::string::npos ? "" : s.substr(b);
}

bool StartsWith(const std::string& s, const char* prefix) {
    return s.compare(0, std::strlen(prefix), prefix) == 0;
}

bool Contains(const std::string& s, const char* part) {
    return s.find(part) != std::string::npos;
}

// An integer field: empty means 0.
bool ReadInt(const std::string& field, int& value) {
    const std::string t = Trimmed(field);
    if (t.empty()) {
        value = 0;
        return true;
    }
    size_t i = (t[0] == '+' || t[0] == '-') ? 1 : 0;
    if (i == t.size() || t.find_first_not_of("0123456789", i) != std::string::npos) return false;
    if (t.size() > 10) return false;
    const long long v = std::stoll(t);
    if (v < INT32_MIN || v > INT32_MAX) return false;
    value = int(v);
    return true;
}

bool ReadReal(const std::string& field, Extended& value) {
    return TryStrToReal(Trimmed(field), value);
}

// The first `count` "|"-separated fields of a text (missing ones empty); when the last of
// them ended at a "|", `rest` gets what follows it.
std::vector<std::string> SplitFields(const std::string& text, size_t count, std::string* rest,
                                     bool* hasRest) {
    std::vector<std::string> fields;
    size_t start = 0;
    bool more = true;
    while (fields.size() < count) {
        const size_t bar = more ? text.find('|', start) : std::string::npos;
        fields.push_back(more ? text.substr(start, bar - start) : "");
        more = more && bar != std::string::npos;
        if (more) start = bar + 1;
    }
    *hasRest = more;
    *rest = more ? text.substr(start) : "";
    return fields;
}

// The first word, the next word, and the rest of an "ASSIGN file unit" line.
void SplitAssign(const std::string& line, std::string& name, std::string& file,
                 std::string& unitText) {
    const size_t b1 = line.find(' ');
    name = line.substr(0, b1);
    const std::string after = b1 == std::string::npos ? "" : LeftTrimmed(line.substr(b1 + 1));
    const size_t b2 = after.find(' ');
    file = after.substr(0, b2);
    unitText = b2 == std::string::npos ? "" : after.substr(b2 + 1);
}

void LinkOf(const std::string& link, int& slot, std::string& parameters) {
    slot = 0;
    const size_t d = link.find_first_of("1234");
    if (d == std::string::npos) return;
    slot = link[d] - '0';
    const size_t bar = link.find('|');
    parameters = bar == std::string::npos ? "" : link.substr(bar + 1);
}

// The value of a value line: the number after the "=", up to a blank (a comment may follow).
// The value after "=": blanks and tabs around it, as the engine reads it.
std::string ValueText(const std::string& text) {
    const size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return text.substr(b, text.find_first_of(" \t", b) - b);
}

bool ReadValue(const std::string& text, Extended& value) {
    return ReadReal(ValueText(text), value);
}

NumberFormat FormatOfMax(const std::string& maxField) {
    const std::string t = Trimmed(maxField);
    if (t.find_first_of("Ee") != std::string::npos) return NumberFormat{0, 4};
    const size_t dot = t.find('.');
    return NumberFormat{1, int16_t(dot == std::string::npos ? 0 : t.size() - dot - 1)};
}

class TReader {
  public:
    TReader(TFormModel& form, const TFormMetrics& metrics, TDiagnostics& diagnostics)
        : form_(form), b_(form, metrics), m_(metrics), diagnostics_(diagnostics) {}
    void Run(const std::vector<std::string>& lines, const std::function<void(int)>& progress);

  private:
    void HandleLine(const std::string& line, bool disabled);
    bool Command(const std::string& line, const std::string& upper);
    void Number(const std::string& line);
    void Heading(const std::string& line);
    void List(const std::string& line);
    void Assign(const std::string& line);
    void GroupOpen(const std::string& line, bool disabled);
    void GroupClose();
    void Block(const std::string& line, ItemKind kind);
    bool ReadButtons(TFormItem& block, char endChar);
    void Picture(const std::string& line, int slot);
    bool PictureOf(const std::string& text, TImage& image, std::string& after, int& w, int& h);
    void FontCommand(const std::string& line, char n, const std::string& value);
    void TabCommand(const std::string& line, char n, const std::string& value);
    void StyleCommand(TFontDef& font, const std::string& value);
    void FormCommand(const std::string& line);

    void StopKeep(const std::string& text, bool setLevel = true);
    void StopClose(const std::string& text);
    void InputError(const std::string& line);
    void CommandError(const std::string& line) { StopKeep("***Input Error***   " + line); }
    bool Stopped() const { return form_.Stop != ReadStop::None || form_.ErrorLevel > 0; }
    // A line that is not blank becomes PrevLine.
    void Remember(const std::string& line) {
        if (line.find_first_not_of(" \t") == std::string::npos) return;
        prevLine_ = line;
        prevLineNo_ = lineNo_;
    }
    TFormItem& ValueItem(ItemKind kind, const std::string& line);

    TFormModel& form_;
    TFormBuilder b_;
    const TFormMetrics& m_;
    TDiagnostics& diagnostics_;
    const std::vector<std::string>* lines_ = nullptr;
    size_t next_ = 0;
    int lineNo_ = 0;
    std::string prevLine_;
    int prevLineNo_ = 0; // the number of the line PrevLine came from
};

bool StripPrefix(std::string& line) {
    if (!StartsWith(line, "*|#")) return false;
    line.erase(0, 3);
    return true;
}

void TReader::Run(const std::vector<std::string>& lines, const std::function<void(int)>& progress) {
    lines_ = &lines;
    while (next_ < lines.size() && !Stopped()) {
        std::string line = lines[next_++];
        ++lineNo_;
        const bool disabled = StripPrefix(line);
        HandleLine(line, disabled);
        if (form_.Stop == ReadStop::Keep) form_.StopLine = lineNo_;
        Remember(line);
        if (progress) progress(lineNo_);
    }
    if (form_.Stop == ReadStop::Close) return;
    if (!Stopped() && b_.InGroup()) {
        ReportError(diagnostics_, "This file is missing a group close command.", false);
        form_.Stop = ReadStop::Keep;
    }
    if (Stopped())
        HideSwitchedOffGroups(form_); // what was built shows the groups' states as read
    else
        b_.Finish(diagnostics_);
}

void TReader::StopKeep(const std::string& text, bool setLevel) {
    ReportError(diagnostics_, text, true);
    if (setLevel) form_.ErrorLevel = ErrorStop;
    form_.Stop = ReadStop::Keep;
}

void TReader::StopClose(const std::string& text) {
    ReportError(diagnostics_, text, true);
    form_.ErrorLevel = ErrorStop;
    form_.Stop = ReadStop::Close;
}

void TReader::InputError(const std::string& line) {
    StopClose("****Input Error****\r" + prevLine_.substr(0, 148) + "\r" + line);
}

void TReader::HandleLine(const std::string& line, bool disabled) {
    if (line.size() <= 1 || !StartsWith(line, "*|")) return;
    const std::string upper = UpStr(line);
    if (Contains(line, "*|{"))
        Block(line, ikCheckBlock);
    else if (Contains(line, "*|("))
        Block(line, ikRadioBlock);
    else if (Contains(line, "*|["))
        GroupOpen(line, disabled);
    else if (StartsWith(line, "*|]"))
        GroupClose();
    else if (Command(line, upper))
        return;
    else if (StartsWith(upper, "*|<APPLINK"))
        Picture(line,
                upper.size() > 10 && upper[10] >= '1' && upper[10] <= '4' ? upper[10] - '0' : 1);
    else if (StartsWith(upper, "*|<PICTURE>"))
        Picture(line, 0);
    else if (line.size() > 2 && line[2] == '*')
        Heading(line);
    else if (StartsWith(upper.substr(2), "<BACKGROUND>") ||
             StartsWith(upper.substr(2), "<BEFORE>") || StartsWith(upper.substr(2), "<AFTER>"))
        FormCommand(line);
    else if (line.size() > 2 && line[2] == '?')
        Assign(line);
    else if (line.size() > 2 && line[2] == '<')
        List(line);
    else
        Number(line);
}

// The slot commands FONT, TAB, ALIGN, SIZE, STYLE and COLOR; false for any other line.
bool TReader::Command(const std::string& line, const std::string& upper) {
    static const char* const keys[] = {"*|<FONT", "*|<TAB",   "*|<ALIGN",
                                       "*|<SIZE", "*|<STYLE", "*|<COLOR"};
    for (int k = 0; k < 6; ++k) {
        const size_t at = upper.find(keys[k]);
        if (at == std::string::npos) continue;
        const size_t slotAt = at + std::strlen(keys[k]);
        const char n = slotAt < line.size() ? line[slotAt] : '\0';
        const std::string value = slotAt + 2 <= line.size() ? line.substr(slotAt + 2) : "";
        const char low = k == 1 ? '0' : '1';
        if (n < low || n > '3') {
            CommandError(line);
            return true;
        }
        TPresentation& p = form_.Presentation;
        TFontDef& font = p.Fonts[n == '0' ? 1 : n - '0'];
        const std::string uv = Trimmed(UpStr(value));
        switch (k) {
        case 0:
            FontCommand(line, n, value);
            break;
        case 1:
            TabCommand(line, n, value);
            break;
        case 2: {
            TAlignment& a = p.Align[n - '0'];
            if (Contains(uv, "LEFT")) a = alLeft;
            if (Contains(uv, "RIGHT")) a = alRight;
            if (Contains(uv, "CENTER")) a = alCenter;
            break;
        }
        case 3: {
            int size = 0;
            if (!ReadInt(value, size) || Trimmed(value).empty())
                CommandError(line);
            else
                font.Size = size;
            break;
        }
        case 4:
            StyleCommand(font, uv);
            break;
        case 5:
            if (!FindColour(uv, font.Color)) StopKeep("***Unrecognized color***   " + line, false);
            break;
        }
        return true;
    }
    return false;
}

void TReader::FontCommand(const std::string& line, char n, const std::string& value) {
    const std::string v = LeftTrimmed(UpStr(value));
    TFontDef& font = form_.Presentation.Fonts[n - '0'];
    const size_t digit = v.find_first_of("0123456789");
    if (digit == std::string::npos) {
        font.Name = v.substr(0, FontNameMax);
        return;
    }
    if (digit == 0 || v[digit - 1] != ' ') return;
    int size = 0;
    if (!ReadInt(v.substr(digit), size)) {
        CommandError(line);
        return;
    }
    font.Name = v.substr(0, std::min(digit - 1, FontNameMax));
    font.Size = size;
}

void TReader::TabCommand(const std::string& line, char n, const std::string& value) {
    const std::string v = LeftTrimmed(value);
    const size_t numLen = std::min(v.find_first_not_of("-0123456789."), v.size());
    const std::string unit = UpStr(v.substr(numLen));
    Extended number = 0;
    if (LeftTrimmed(unit).compare(0, 3, "DEF") == 0)
        number = -1;
    else if (!ReadReal(v.substr(0, numLen), number)) {
        CommandError(line);
        return;
    }
    if (Contains(unit, "CM"))
        number = number * 96 * 0.3937007874015748L;
    else if (Contains(unit, "IN"))
        number = number * 96;
    // Kept within a range the layout adds up without overflow (the builder cuts it to the
    // form's width); not a number counts as the default.
    const double limited =
        std::isnan(double(number))
            ? -1.0
            : std::clamp(double(number), -double(TabPixelsMax), double(TabPixelsMax));
    int pixels = int(std::lround(limited));
    if (n == '0' && pixels < 0) pixels = 0;
    form_.Presentation.Tab[n - '0'] = pixels;
}

void TReader::StyleCommand(TFontDef& font, const std::string& value) {
    font.Bold = Contains(value, "BOLD");
    font.Italic = Contains(value, "ITALIC");
    font.Underline = Contains(value, "UNDERLINE");
    if (Contains(value, "NONE")) font.Bold = font.Italic = font.Underline = false;
}

void TReader::FormCommand(const std::string& line) {
    const std::string body = UpStr(line.substr(2));
    if (StartsWith(body, "<BACKGROUND>")) {
        if (!FindColour(body.substr(12), form_.Background))
            ReportError(diagnostics_, "***Unrecognized color***   " + line, true);
        return;
    }
    // The command keeps the case the deck wrote: its arguments may name files.
    const std::string text = line.substr(2);
    const std::string command = Trimmed(text.substr(text.find('>') + 1));
    const bool before = StartsWith(body, "<BEFORE>");
    (before ? form_.BeforeCommand : form_.AfterCommand) = command;
    if (TGroupBox* g = b_.CurrentGroup()) (before ? g->BeforeCommand : g->AfterCommand) = command;
}

// A value item rewrites the line PrevLine came from (blank lines may stand between).
TFormItem& TReader::ValueItem(ItemKind kind, const std::string& line) {
    TFormItem& item = b_.NewItem(kind, prevLineNo_);
    item.PrevText = prevLine_.substr(0, ItemTextMax);
    item.LineText = line.substr(0, ItemTextMax);
    return item;
}

void TReader::Number(const std::string& line) {
    std::string link;
    bool hasLink = false;
    const auto f = SplitFields(line.substr(2), 8, &link, &hasLink);
    Extended offset = 0, factor = 0, min = 0, max = 0, value = 0;
    int help = 0;
    const size_t eq = prevLine_.find('=');
    if (!ReadReal(f[3], offset) || !ReadReal(f[4], factor) || !ReadReal(f[5], min) ||
        !ReadReal(f[6], max) || !ReadInt(f[7], help) || eq == std::string::npos ||
        !ReadValue(prevLine_.substr(eq + 1), value) || factor == 0) {
        // A factor of 0 could never be converted back from the second unit system.
        InputError(line);
        return;
    }
    TFormItem& item = ValueItem(ikNumber, line);
    item.Help = help;
    item.UnitSI = Trimmed(f[1]).substr(0, UnitMax);
    item.UnitEng = Trimmed(f[2]).substr(0, UnitMax);
    item.Name = prevLine_.substr(0, std::min(eq, NameMax));
    item.Input = std::make_unique<TInput>();
    TInput& in = *item.Input;
    in.Numeric = true;
    in.Value = value;
    in.Offset = offset;
    in.Factor = factor;
    in.Min = min;
    in.Max = max;
    in.Help = help;
    in.Format = FormatOfMax(f[6]);
    in.Text = FormatReal(in.Format, form_.UnitSystem == 2 ? (value + offset) * factor : value);
    int slot = 0;
    std::string parameters;
    if (hasLink) LinkOf(link, slot, parameters);
    b_.PlaceNumber(item, f[0], slot, parameters);
}

void TReader::Heading(const std::string& line) {
    TFormItem& item = b_.NewItem(ikText, lineNo_);
    item.LineText = line.substr(0, ItemTextMax);
    item.PrevText = prevLine_.substr(0, ItemTextMax);
    const std::string body = line.substr(3);
    const size_t bar = body.find('|');
    item.Heading = body.substr(0, bar);
    std::string text;
    if (bar != std::string::npos) {
        const std::string rest = body.substr(bar + 1);
        const size_t bar2 = rest.find('|');
        text = rest.substr(0, bar2);
        if (bar2 != std::string::npos) {
            item.HelpText = rest.substr(bar2 + 1);
            if (!ReadInt(item.HelpText, item.Help)) item.Help = 0;
        }
    }
    b_.PlaceHeading(item, bar != std::string::npos, text);
    if (item.Input) item.Input->Help = item.Help;
}

void TReader::List(const std::string& line) {
    std::string link;
    bool hasLink = false;
    const auto f = SplitFields(line.substr(3), 5, &link, &hasLink);
    int show = 0, column = 0, help = 0;
    if (!ReadInt(f[2], show) || !ReadInt(f[3], column) || !ReadInt(f[4], help)) {
        InputError(line);
        return;
    }
    auto list = std::make_unique<TFileInput>();
    std::string name, key;
    if (StartsWith(UpStr(prevLine_), "ASSIGN")) {
        std::string unitText;
        SplitAssign(prevLine_, name, key, unitText);
        list->IsAssign = true;
        if (!ReadInt(unitText, list->Unit) || Trimmed(unitText).empty()) {
            InputError(line);
            return;
        }
    } else if (const size_t eq = prevLine_.find('='); eq != std::string::npos) {
        name = prevLine_.substr(0, std::min(eq, NameMax));
        key = ValueText(prevLine_.substr(eq + 1));
    } else {
        InputError(line);
        return;
    }
    list->ListFile = Trimmed(f[1]);
    const std::string file = FindDeckFile(list->ListFile, form_.DeckName);
    std::vector<std::vector<std::string>> entries;
    if (file.empty() || !ReadListFile(file, entries)) {
        StopClose(list->ListFile + " was not found");
        return;
    }
    list->ShowColumn = show;
    list->ValueColumn = column;
    list->Help = help;
    list->Value = key;
    list->Active = show > 0;
    for (const auto& entry : entries) {
        if (list->ItemIndex < 0 && UpStr(FieldAt(entry, column)) == UpStr(key))
            list->ItemIndex = int(list->Entries.size());
        list->Entries.push_back(FieldAt(entry, show));
    }
    list->SavedIndex = list->ItemIndex;
    TFormItem& item = ValueItem(ikList, line);
    item.Help = help;
    item.Name = name;
    item.List = std::move(list);
    int slot = 0;
    std::string parameters;
    if (hasLink) LinkOf(link, slot, parameters);
    b_.PlaceList(item, f[0], slot, parameters);
}

void TReader::Assign(const std::string& line) {
    const std::string body = line.substr(3);
    const size_t bar = body.find('|');
    const std::string caption = body.substr(0, bar);
    int help = 0, unit = 0;
    std::string name, file, unitText;
    SplitAssign(prevLine_, name, file, unitText);
    if (!ReadInt(bar == std::string::npos ? "" : body.substr(bar + 1), help) ||
        !StartsWith(UpStr(prevLine_), "ASSIGN") || !ReadInt(unitText, unit) ||
        Trimmed(unitText).empty()) {
        InputError(line);
        return;
    }
    if (FindDeckFile(file, form_.DeckName).empty()) {
        StopClose(file + " was not found");
        return;
    }
    TFormItem& item = ValueItem(ikAssign, line);
    item.Help = help;
    item.Name = name.substr(0, NameMax);
    item.FileField = std::make_unique<TOpenFile>();
    item.FileField->FileName = file;
    item.FileField->Unit = unit;
    item.FileField->Help = help;
    b_.PlaceAssign(item, caption);
}

void NameAndCaption(const std::string& text, TGroupBox& g) {
    const size_t bar = text.find('|');
    g.Name = Trimmed(text.substr(0, bar));
    g.Caption = bar == std::string::npos ? "" : Trimmed(text.substr(bar + 1));
}

void TReader::GroupOpen(const std::string& line, bool disabled) {
    if (b_.InGroup()) {
        StopKeep("Line " + std::to_string(lineNo_) + ".  Groups cannot be nested.");
        return;
    }
    TFormItem& item = b_.NewItem(ikGroup, lineNo_);
    item.LineText = line.substr(0, ItemTextMax);
    item.OwnGroup = std::make_unique<TGroupBox>();
    NameAndCaption(line.substr(line.find("*|[") + 3), *item.OwnGroup);
    item.OwnGroup->InitiallyOn = item.OwnGroup->On = !disabled;
    b_.OpenGroup(item);
}

void TReader::GroupClose() {
    if (!b_.InGroup()) {
        StopKeep("Line " + std::to_string(lineNo_) +
                 ".  Groups close command encountered with no open group.");
        return;
    }
    b_.CloseGroup();
}

void TReader::Block(const std::string& line, ItemKind kind) {
    TFormItem& item = b_.NewItem(kind, lineNo_);
    item.LineText = line.substr(0, ItemTextMax);
    item.OwnGroup = std::make_unique<TGroupBox>();
    const char* open = kind == ikCheckBlock ? "*|{" : "*|(";
    NameAndCaption(line.substr(line.find(open) + 3), *item.OwnGroup);
    b_.OpenBlock(item);
    if (ReadButtons(item, kind == ikCheckBlock ? '}' : ')')) b_.CloseBlock(item);
}

TGButton ButtonOf(const std::string& body, size_t bar) {
    TGButton button;
    button.Caption = Trimmed(body.substr(0, bar));
    std::string names = body.substr(bar + 1);
    while (button.Groups.size() < MaxButtonGroups) {
        const size_t next = names.find('|');
        std::string name = names.substr(0, next);
        if (next == std::string::npos && name.empty()) break;
        const bool sense = name.empty() || name[0] != '_';
        if (!sense) name.erase(0, 1);
        button.Groups.push_back(name.substr(0, GroupNameMax));
        button.Senses.push_back(sense);
        if (next == std::string::npos) break;
        names.erase(0, next + 1);
    }
    return button;
}

// The block's own lines up to its end line or the end of the file; false on an error.
bool TReader::ReadButtons(TFormItem& block, char endChar) {
    while (next_ < lines_->size()) {
        std::string l = (*lines_)[next_++];
        ++lineNo_;
        StripPrefix(l);
        Remember(l);
        if (l.empty() || StartsWith(l, "**")) continue;
        const std::string n = std::to_string(lineNo_);
        if (!StartsWith(l, "*|")) {
            StopClose("Error in line " + n + ".  Checkbox command expected.");
            return false;
        }
        if (l.size() > 2 && l[2] == endChar) return true;
        if (l.size() > 2 && (l[2] == '[' || l[2] == '{' || l[2] == '(')) {
            StopClose("Error in line " + n + ".  Groups cannot be nested.");
            return false;
        }
        const std::string body = l.substr(2);
        const size_t bar = body.find('|');
        if (bar != std::string::npos) b_.AddButton(block, ButtonOf(body, bar));
    }
    return true;
}

// A quoted text or a bitmap file name at the start of text; `after` gets the rest.
bool TReader::PictureOf(const std::string& text, TImage& image, std::string& after, int& w,
                        int& h) {
    const std::string t = LeftTrimmed(text);
    if (!t.empty() && t[0] == '"') {
        const size_t close = t.find('"', 1);
        if (close == std::string::npos) {
            StopClose("Missing quote character in " + t);
            return false;
        }
        image.QuotedText = t.substr(1, close - 1);
        after = t.substr(close + 1);
        TFontDef italic = form_.Presentation.Fonts[2];
        italic.Italic = true;
        w = m_.TextWidth(italic, image.QuotedText + "  ");
        h = m_.TextHeight(italic, image.QuotedText);
        return true;
    }
    const size_t blank = t.find(' ');
    const std::string name = t.substr(0, blank);
    after = blank == std::string::npos ? "" : t.substr(blank);
    image.File = FindDeckFile(name, form_.DeckName);
    if (image.File.empty()) {
        StopClose("Figure file " + name + " was not found");
        return false;
    }
    if (!m_.PictureSize(image.File, w, h)) {
        StopClose("Figure file " + name + " cannot be shown: it is no picture.");
        return false;
    }
    return true;
}

void TReader::Picture(const std::string& line, int slot) {
    auto image = std::make_unique<TImage>();
    image->Slot = slot;
    std::string after;
    int w = 0, h = 0;
    const size_t blank = line.find(' ');
    const std::string text = slot == 0                    ? line.substr(11)
                             : blank == std::string::npos ? ""
                                                          : line.substr(blank + 1);
    if (!PictureOf(text, *image, after, w, h)) return;
    const std::string upper = UpStr(after);
    if (slot == 0) {
        image->Alignment = Contains(upper, "LEFT")    ? alLeft
                           : Contains(upper, "RIGHT") ? alRight
                                                      : alCenter;
    } else {
        std::string rest = LeftTrimmed(after);
        const std::string ur = UpStr(rest);
        image->Alignment = alCenter;
        for (auto [word, a] :
             {std::pair{"LEFT ", alLeft}, {"CENTER ", alCenter}, {"RIGHT ", alRight}})
            if (StartsWith(ur, word)) {
                image->Alignment = a;
                rest.erase(0, std::strlen(word));
                break;
            }
        image->Parameters = Trimmed(rest);
    }
    TFormItem& item = b_.NewItem(slot == 0 ? ikPicture : ikLinkPicture, lineNo_);
    item.LineText = line.substr(0, ItemTextMax);
    item.Picture = std::move(image);
    b_.PlacePicture(item, w, h);
}

} // namespace

std::string FindDeckFile(const std::string& name, const std::string& deckName) {
    if (name.empty()) return "";
    if (FileExists(name)) return name;
    if (IsSeparator(name[0])) {
        // "\KOLWIN\Month1.dat" with no such folder at the root: the engine directory's.
        std::string engineDir = ProgramDirs().Dirs[pdEngine];
        if (!IsDirectory(engineDir)) engineDir = Globals().KolshellDir;
        const std::string shipped = JoinPath(engineDir, name.substr(1));
        return FileExists(shipped) ? shipped : "";
    }
    if (name.size() > 1 && name[1] == ':') return "";
    const std::string beside = JoinPath(ExtractFileDir(deckName), name);
    return FileExists(beside) ? beside : "";
}

std::vector<std::string> ListEntryFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (true) {
        const size_t cut = line.find_first_of(",\t", start);
        fields.push_back(Trimmed(line.substr(start, cut - start)));
        if (cut == std::string::npos) break;
        start = cut + 1;
    }
    return fields;
}

bool ReadListFile(const std::string& file, std::vector<std::vector<std::string>>& entries) {
    std::vector<std::string> lines;
    if (!ReadTextLines(file, lines)) return false;
    int n = 0;
    if (lines.empty() || !ReadInt(lines[0], n)) return false;
    entries.clear();
    for (size_t i = 1; i < lines.size() && int(i) <= n; ++i)
        entries.push_back(ListEntryFields(lines[i]));
    return true;
}

std::string FieldAt(const std::vector<std::string>& fields, int column) {
    return column >= 1 && size_t(column) <= fields.size() ? fields[column - 1] : "";
}

TDiagnostics ReadDeck(TFormModel& form, const std::string& fileName, const TFormMetrics& metrics,
                      const std::function<void(int)>& progress) {
    form.DeckName = fileName;
    form.BeforeCommand.clear();
    form.AfterCommand.clear();
    TDiagnostics diagnostics;
    if (!ReadFileBytes(fileName, form.Source)) {
        form.Source.clear();
        ReportError(diagnostics, "Cannot open file " + fileName + ".", true);
        form.ErrorLevel = ErrorStop;
        form.Stop = ReadStop::Close;
        return diagnostics;
    }
    form.OnDisk = form.Source;
    form.Encoding = EncodingOf(form.Source);
    std::vector<std::string> lines = SplitLinesWithEnds(form.Source, false).Lines;
    for (std::string& line : lines)
        if (line.size() > 255) line.resize(255);
    TReader(form, metrics, diagnostics).Run(lines, progress);
    return diagnostics;
}

} // namespace kolshell
