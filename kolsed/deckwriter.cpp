#include "kolsed/deckwriter.h"

#include "common/messages.h"
#include "common/paths.h"
#include "kolsed/annotation.h"

#include <cerrno>
#include <cmath>
#include <cstdio>

namespace {

const std::string Disabled = "*|#";

// The lines of the source, whole (no cut), and whether they end in CR LF.
std::vector<std::string> SourceLines(const std::string& bytes, bool& crlf) {
    std::vector<std::string> lines;
    const size_t firstNl = bytes.find('\n');
    crlf = firstNl == std::string::npos || (firstNl > 0 && bytes[firstNl - 1] == '\r');
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t nl = bytes.find('\n', start);
        const size_t end = nl == std::string::npos ? bytes.size() : nl;
        size_t len = end - start;
        if (len > 0 && bytes[end - 1] == '\r') --len;
        lines.push_back(bytes.substr(start, len));
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    return lines;
}

// Looks the selected entries of the visible lists up in their list files, and gives the
// hidden companions of each list their own column of the same entry.
void RefreshLists(TFormModel& form) {
    for (auto& item : form.Items) {
        TFileInput* list = item->List.get();
        if (!list || !list->Active) continue;
        list->SavedIndex = list->ItemIndex;
        if (list->ItemIndex < 0 || size_t(list->ItemIndex) >= list->Entries.size()) continue;
        std::vector<std::vector<std::string>> entries;
        const std::string file = FindDeckFile(list->ListFile, form.DeckName);
        if (file.empty() || !ReadListFile(file, entries)) {
            ShowMsg("File " + list->ListFile + " was not found", mkError, false);
            continue;
        }
        const std::string& shown = list->Entries[list->ItemIndex];
        for (const auto& entry : entries) {
            if (FieldAt(entry, list->ShowColumn) != shown) continue;
            list->Value = FieldAt(entry, list->ValueColumn).substr(0, 80);
            for (auto& other : form.Items)
                if (other->List && !other->List->Active &&
                    UpStr(other->List->ListFile) == UpStr(list->ListFile))
                    other->List->Value = FieldAt(entry, other->List->ValueColumn).substr(0, 80);
            break;
        }
    }
}

// The name part of a value line: its text before the "=" (blanks kept).
std::string ValueName(const TFormItem& item, const std::string& line) {
    const size_t eq = line.find('=');
    return eq == std::string::npos ? item.Name : line.substr(0, eq);
}

// The replacement of line L by an item, without the prefix; false when L stays.
bool ItemLine(const TFormModel& form, TFormItem& item, const std::string& l, std::string& out) {
    switch (item.Kind) {
    case ikText:
        if (!item.Input) return false;
        out = "*|*" + item.Heading + "|" + item.Input->Text;
        if (!item.HelpText.empty()) out += "|" + item.HelpText;
        return true;
    case ikNumber: {
        const TInput& in = *item.Input;
        if (!in.Numeric) {
            out = ValueName(item, l) + "= " + in.Text;
            return true;
        }
        Extended v = 0;
        std::string t = in.Text;
        TrimBlanks(t, ShortStringMax);
        if (!TryStrToReal(t, v)) {
            Beep();
            return false; // an unreadable field leaves its value line as it was
        }
        if (form.UnitSystem == 2) v = v / in.Factor - in.Offset;
        if (!std::isfinite(v)) {
            Beep();
            return false;
        }
        out = ValueName(item, l) + "= " + DeckNumber(v);
        return true;
    }
    case ikList: {
        const TFileInput& list = *item.List;
        out = list.IsAssign ? item.Name + " " + list.Value + " " + std::to_string(list.Unit)
                            : ValueName(item, l) + "= " + list.Value;
        return true;
    }
    case ikAssign:
        out =
            item.Name + " " + item.FileField->FileName + " " + std::to_string(item.FileField->Unit);
        return true;
    default:
        return false;
    }
}

std::string CopyLines(TFormModel& form, const std::vector<std::string>& source, bool crlf) {
    const std::string eol = crlf ? "\r\n" : "\n";
    std::string out;
    bool s = true; // false inside a switched-off group
    size_t current = 0;
    int n = 0;
    for (std::string l : source) {
        if (l.compare(0, 3, Disabled) == 0) l.erase(0, 3);
        ++n;
        // An item whose line was already passed (two items on one line) writes nothing.
        while (current < form.Items.size() && form.Items[current]->Line < n)
            ++current;
        std::string replaced;
        bool done = false;
        if (current < form.Items.size() && form.Items[current]->Line == n) {
            TFormItem& item = *form.Items[current++];
            if (!item.InGroup) s = true;
            if (item.Kind == ikGroup) s = item.OwnGroup->Visible;
            done = ItemLine(form, item, l, replaced);
            if (done) out += (item.InGroup && !s ? Disabled : "") + replaced + eol;
        }
        if (!done) out += (s ? "" : Disabled) + l + eol;
        if (l.compare(0, 3, "*|]") == 0) s = true;
    }
    return out;
}

// Moves the deck to its backup name; false after a message when it cannot.
bool MakeBackup(const std::string& deck, const std::string& backup) {
    if (FileExists(backup) && !RemoveFile(backup)) {
        ShowMsg(IoErrorText(backup, errno) + ".  Could not erase " + backup, mkError, true);
        return false;
    }
    if (!RenameFile(deck, backup)) {
        ShowMsg("Unable to rename " + deck + " to " + backup, mkError, true);
        return false;
    }
    return true;
}

// After a failure with the deck already moved to its backup, puts it back.
void Restore(const std::string& deck, const std::string& backup, const std::string& text) {
    const bool back = RenameFile(backup, deck);
    ShowMsg(text + (back ? ".  " + deck + " is left as it was."
                         : ".  The previous deck is kept as " + backup + "."),
            mkError, true);
}

} // namespace

std::string DeckNumber(Extended x) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4Le", std::fabs(x));
    const std::string s = buf;
    const size_t e = s.find('e');
    const int exponent = std::stoi(s.substr(e + 1));
    char exp[16];
    std::snprintf(exp, sizeof exp, "%c%04d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return std::string(x < 0 ? "-" : " ") + s.substr(0, e) + "E" + exp;
}

std::string BackupName(const std::string& deckName) {
    return ReplaceFromFirstDot(deckName, ".BAK");
}

bool WriteDeck(TFormModel& form, const std::string& targetName) {
    const std::string deck = form.DeckName;
    if (deck.empty() || !FileExists(deck)) {
        ShowMsg(deck.empty() ? std::string("This form has no deck file to write from.")
                             : "File " + deck + " was not found; nothing was written.",
                mkError, true);
        return false;
    }
    // A read-only target is refused before its backup is made, so it stays as it was.
    if (IsReadOnlyFile(targetName)) {
        ShowMsg(ReadOnlyText(targetName), mkError, true);
        return false;
    }
    const bool own = targetName == deck;
    const std::string backup = BackupName(deck);
    if (own && !MakeBackup(deck, backup)) return false;
    const std::string source = own ? backup : deck;
    // A failure once the deck was moved puts it back.
    const auto failed = [&](const std::string& file) {
        const std::string text = IoErrorText(file, errno);
        if (own)
            Restore(deck, backup, text);
        else
            ShowMsg(text, mkError, true);
        return false;
    };
    std::string bytes;
    if (!ReadFileBytes(source, bytes)) return failed(source);
    RefreshLists(form);
    bool crlf = true;
    const std::vector<std::string> lines = SourceLines(bytes, crlf);
    const std::string out = CopyLines(form, lines, crlf);
    if (!WriteFileAtomic(targetName, out)) return failed(targetName);
    form.DeckName = targetName;
    ClearModify(form);
    return true;
}

bool DCKChanged(const TFormModel& form) {
    if (form.Modified) return true;
    for (const auto& item : form.Items) {
        if (item->Input && item->Input->Modified) return true;
        if (item->List && item->List->ItemIndex != item->List->SavedIndex) return true;
        if (item->FileField && item->FileField->Changed) return true;
    }
    return false;
}

void ClearModify(TFormModel& form) {
    for (auto& item : form.Items) {
        if (item->Input) item->Input->Modified = false;
        if (item->List) item->List->SavedIndex = item->List->ItemIndex;
        if (item->FileField) item->FileField->Changed = false;
    }
    form.Modified = false;
}

void ConvertUnits(TFormModel& form, int oldSystem, int newSystem) {
    if (oldSystem == newSystem) return;
    for (auto& item : form.Items) {
        if (item->Kind != ikNumber || !item->Input) continue;
        TInput& in = *item->Input;
        in.Modified = false;
        if (item->UnitLabel) item->UnitLabel->Text = oldSystem == 2 ? item->UnitSI : item->UnitEng;
        if (!in.Numeric) continue;
        std::string t = in.Text;
        TrimBlanks(t, ShortStringMax);
        Extended v = 0;
        if (!TryStrToReal(t, v)) {
            Beep(); // a text that is no number has no unit: it stays as typed
            continue;
        }
        in.Value = oldSystem == 2 ? v / in.Factor - in.Offset : (v + in.Offset) * in.Factor;
        in.Text = FormatReal(in.Format, in.Value);
    }
    form.UnitSystem = newSystem;
}
