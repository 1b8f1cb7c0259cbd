#include "kolsed/deckwriter.h"

#include "common/paths.h"
#include "kolsed/annotation.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>

namespace kolshell {

namespace {

const std::string Disabled = "*|#";

// The number a numeric field stands for, in primary units: the program's own value while
// the field shows the text the program made of it, else the user's text read (and
// converted back from unit system 2).
bool FieldDeckValue(const TInput& in, int unitSystem, Extended& v) {
    if (!in.Typed) {
        v = in.Value;
        return true;
    }
    std::string t = in.Text;
    TrimBlanks(t, ShortStringMax);
    if (!TryStrToReal(t, v)) return false;
    if (unitSystem == 2) v = v / in.Factor - in.Offset;
    return true;
}

// The entry of a list file whose field in the show column is the text shown; false when
// the file cannot be read (after a message) or holds no such entry.
bool FindEntry(const TFormModel& form, const TFileInput& list, std::vector<std::string>& entry,
               TDiagnostics& diagnostics) {
    std::vector<std::vector<std::string>> entries;
    const std::string file = FindDeckFile(list.ListFile, form.DeckName);
    if (file.empty() || !ReadListFile(file, entries)) {
        ReportError(diagnostics, "File " + list.ListFile + " was not found", false);
        return false;
    }
    const std::string& shown = list.Entries[size_t(list.ItemIndex)];
    for (auto& e : entries)
        if (FieldAt(e, list.ShowColumn) == shown) {
            entry = std::move(e);
            return true;
        }
    return false;
}

// Looks the new choices of the visible lists up in their list files, and gives the hidden
// companions of each such list their own column of the same entry. Lists whose choice did
// not change, and their companions, keep their deck lines.
void RefreshLists(TFormModel& form, TDiagnostics& diagnostics) {
    for (auto& item : form.Items)
        if (item->List) item->List->Rewrite = false;
    for (auto& item : form.Items) {
        TFileInput* list = item->List.get();
        if (!list || !list->Active || list->ItemIndex == list->SavedIndex) continue;
        if (list->ItemIndex < 0 || size_t(list->ItemIndex) >= list->Entries.size()) continue;
        std::vector<std::string> entry;
        if (!FindEntry(form, *list, entry, diagnostics)) continue;
        list->Value = FieldAt(entry, list->ValueColumn).substr(0, 80);
        list->Rewrite = true;
        // The hidden companions of this list are the ones after it on the same list file, up
        // to the next visible list of that file: another list's companions stay as they are.
        const auto at = std::find(form.Items.begin(), form.Items.end(), item);
        for (auto o = std::next(at); o != form.Items.end(); ++o) {
            TFileInput* other = (*o)->List.get();
            if (!other || UpStr(other->ListFile) != UpStr(list->ListFile)) continue;
            if (other->Active) break;
            other->Value = FieldAt(entry, other->ValueColumn).substr(0, 80);
            other->Rewrite = true;
        }
    }
}

// The name part of a value line: its text before the "=" (blanks kept).
std::string ValueName(const TFormItem& item, const std::string& line) {
    const size_t eq = line.find('=');
    return eq == std::string::npos ? item.Name : line.substr(0, eq);
}

// A changed numeric field's line; false (after a beep) when its text is no number.
bool NumberLine(const TFormModel& form, const TFormItem& item, const std::string& l,
                std::string& out) {
    const TInput& in = *item.Input;
    if (!in.Numeric) {
        out = ValueName(item, l) + "= " + in.Text;
        return true;
    }
    Extended v = 0;
    if (!FieldDeckValue(in, form.UnitSystem, v) || !std::isfinite(v)) {
        Beep();
        return false; // an unreadable field leaves its value line as it was
    }
    out = ValueName(item, l) + "= " + DeckValueText(v);
    return true;
}

// The replacement of line L by an item, without the prefix; false when L stays as it is,
// which it does unless the user changed the item's value.
bool ItemLine(const TFormModel& form, const TFormItem& item, const std::string& l,
              const std::string& target, std::string& out) {
    switch (item.Kind) {
    case ikText:
        if (!item.Input || !item.Input->Modified) return false;
        out = "*|*" + item.Heading + "|" + item.Input->Text;
        if (!item.HelpText.empty()) out += "|" + item.HelpText;
        return true;
    case ikNumber:
        return item.Input->Modified && NumberLine(form, item, l, out);
    case ikList: {
        const TFileInput& list = *item.List;
        if (!list.Rewrite) return false;
        out = list.IsAssign ? item.Name + " " + list.Value + " " + std::to_string(list.Unit)
                            : ValueName(item, l) + "= " + list.Value;
        return true;
    }
    case ikAssign: {
        const TOpenFile& f = *item.FileField;
        if (!f.Changed) return false;
        out = item.Name + " " + AssignFileText(f.FileName, target) + " " + std::to_string(f.Unit);
        return true;
    }
    default:
        return false;
    }
}

// The deck's lines with the changed values put in; every line keeps its own ending.
TTextLines CopyLines(const TFormModel& form, const TTextLines& text, const std::string& target) {
    const std::vector<std::string>& source = text.Lines;
    TTextLines out = text;
    out.Lines.clear();
    bool s = true;        // false inside a switched-off group
    bool grouped = false; // between a group's line and its "*|]"
    size_t current = 0;
    for (size_t i = 0; i < source.size(); ++i) {
        const int n = int(i) + 1;
        if (form.StopLine > 0 && n >= form.StopLine) {
            out.Lines.push_back(source[i]); // the reader stopped before this line
            continue;
        }
        std::string l = source[i];
        // An item whose line was already passed (two items on one line) writes nothing.
        while (current < form.Items.size() && form.Items[current]->Line < n)
            ++current;
        const bool groupLine = current < form.Items.size() && form.Items[current]->Line == n &&
                               form.Items[current]->Kind == ikGroup;
        grouped = grouped || groupLine;
        // Only a group switches its lines: a "*|#" line outside any is copied as read.
        if (!grouped && l.compare(0, 3, Disabled) == 0) {
            out.Lines.push_back(l);
            continue;
        }
        if (l.compare(0, 3, Disabled) == 0) l.erase(0, 3);
        std::string replaced;
        bool done = false;
        if (current < form.Items.size() && form.Items[current]->Line == n) {
            const TFormItem& item = *form.Items[current++];
            if (!item.InGroup) s = true;
            if (item.Kind == ikGroup) s = item.OwnGroup->On;
            done = ItemLine(form, item, l, target, replaced);
            if (done) out.Lines.push_back((item.InGroup && !s ? Disabled : "") + replaced);
        }
        if (!done) out.Lines.push_back((s ? "" : Disabled) + l);
        if (l.compare(0, 3, "*|]") == 0) s = true, grouped = false;
    }
    return out;
}

// Both files lie in one folder ("." and "..", links and the case of names resolved).
bool SameFolder(const std::string& a, const std::string& b) {
    const auto folder = [](const std::string& name) {
        std::error_code ec;
        const std::filesystem::path dir = ExtractFileDir(AbsolutePath(name));
        const std::filesystem::path canonical = std::filesystem::weakly_canonical(dir, ec);
        return ec ? dir.lexically_normal() : canonical;
    };
    return folder(a) == folder(b);
}

// A file name that an ASSIGN line can carry; otherwise a message says why not.
bool AssignNameFits(const std::string& text, TDiagnostics& diagnostics) {
    if (text.empty()) {
        ReportError(diagnostics, "An ASSIGN line needs a file name.", true);
        return false;
    }
    if (text.find_first_of(" \t") == std::string::npos) return true;
    ReportError(diagnostics,
                text + " cannot be written in an ASSIGN line: the engine reads a file name only "
                       "up to its first blank.  Choose a file without blanks in its name, or one "
                       "in the deck's folder.",
                true);
    return false;
}

// The changed file fields all give names that the deck under targetName can carry.
bool AssignFilesFit(const TFormModel& form, const std::string& targetName,
                    TDiagnostics& diagnostics) {
    for (const auto& item : form.Items)
        if (item->FileField && item->FileField->Changed &&
            !AssignNameFits(AssignFileText(item->FileField->FileName, targetName), diagnostics))
            return false;
    return true;
}

// Keeps the deck's present text as its backup; false after a message when it cannot. The
// deck itself is not moved: it is replaced only once its new text is complete, and so it
// stays the file it was (its link, its permissions).
bool MakeBackup(const std::string& deck, const std::string& backup, const std::string& bytes,
                TDiagnostics& diagnostics) {
    if (WriteFileAtomic(backup, bytes)) return true;
    ReportError(diagnostics,
                WriteFailureText(backup, "The backup " + backup + " could not be written; " + deck +
                                             " is left as it was."),
                true);
    return false;
}

} // namespace

std::string DeckValueText(Extended x) {
    const double d = double(x);
    char buf[64];
    int digits = 1;
    for (; digits < 17; ++digits) {
        std::snprintf(buf, sizeof buf, "%.*E", digits - 1, d);
        double back = 0;
        const auto r = std::from_chars(buf, buf + std::strlen(buf), back);
        if (r.ec == std::errc() && back == d) break;
    }
    std::snprintf(buf, sizeof buf, "%.*E", digits - 1, d);
    const char* e = std::strchr(buf, 'E');
    const int exponent = e ? std::atoi(e + 1) : 0;
    if (exponent < -5 || exponent >= 15) return buf;
    std::snprintf(buf, sizeof buf, "%.*f", std::max(0, digits - 1 - exponent), d);
    return buf;
}

std::string BackupName(const std::string& deckName) {
    const std::string backup = ReplaceFromFirstDot(deckName, ".BAK");
    // Never the deck itself: erasing the old backup would erase the deck.
    if (UpStr(ExtractFileName(backup)) == UpStr(ExtractFileName(deckName)))
        return deckName + ".BAK";
    return backup;
}

std::string AssignFileText(const std::string& file, const std::string& deckName) {
    if (ExtractFileDir(file).empty()) return file;
    return SameFolder(file, deckName) ? ExtractFileName(file) : file;
}

bool ChooseAssignFile(TFormModel& form, TFormItem& item, const std::string& file,
                      TDiagnostics& diagnostics) {
    if (!item.FileField || !AssignNameFits(AssignFileText(file, form.DeckName), diagnostics))
        return false;
    item.FileField->FileName = file;
    item.FileField->Changed = true;
    return true;
}

// A typed character the deck's encoding cannot hold stops the save, named; so does a "|" in
// a text field, which would split its line's fields.
bool FieldsFitEncoding(const TFormModel& form, const std::string& targetName,
                       TDiagnostics& diagnostics) {
    for (const auto& item : form.Items) {
        if (item->Kind == ikText && item->Input && item->Input->Modified &&
            item->Input->Text.find('|') != std::string::npos) {
            ReportError(diagnostics,
                        "The text of " + item->Heading +
                            " cannot hold the character |: it separates the parts of its line.",
                        true);
            return false;
        }
        if (item->Input && !item->Input->Refused.empty()) {
            ReportError(diagnostics,
                        RefusedCharacterText(item->Input->Refused, targetName, form.Encoding),
                        true);
            return false;
        }
    }
    return true;
}

// ---- The user's edits put into a deck another program changed ----

namespace {

// What names an item in every version of its deck: its kind and its variable, heading or
// group, and for an ASSIGN line its unit number.
std::string ItemKey(const TFormItem& item) {
    std::string key = std::to_string(int(item.Kind)) + "|";
    if (item.Kind == ikText) return key + item.Heading;
    if (item.OwnGroup) return key + UpStr(item.OwnGroup->Name);
    key += UpStr(Trimmed(item.Name));
    if (item.FileField) key += "|" + std::to_string(item.FileField->Unit);
    if (item.List && item.List->IsAssign) key += "|" + std::to_string(item.List->Unit);
    return key;
}

// The items of a form by key and occurrence: the second AREA of one version is the second
// AREA of the other.
std::map<std::pair<std::string, int>, TFormItem*> ItemsByKey(const TFormModel& form) {
    std::map<std::pair<std::string, int>, TFormItem*> items;
    std::map<std::string, int> seen;
    for (const auto& item : form.Items) {
        const std::string key = ItemKey(*item);
        items[{key, seen[key]++}] = item.get();
    }
    return items;
}

bool Edited(const TFormItem& item) {
    if (item.Input && item.Input->Modified) return true;
    if (item.List && item.List->Active && item.List->ItemIndex != item.List->SavedIndex)
        return true;
    if (item.FileField && item.FileField->Changed) return true;
    return item.Kind == ikGroup && item.OwnGroup->On != item.OwnGroup->InitiallyOn;
}

// How the user knows an item: its caption and its variable ("Tank cross-section (AREA)").
std::string ItemTitle(const TFormItem& item) {
    if (item.Kind == ikText) return Trimmed(item.Heading);
    if (item.OwnGroup) return Trimmed(item.OwnGroup->Caption) + " (" + item.OwnGroup->Name + ")";
    const std::string name = Trimmed(item.Name);
    const std::string caption = item.Caption ? Trimmed(item.Caption->Text) : std::string();
    return caption.empty() ? name : caption + " (" + name + ")";
}

void CarryInput(const TFormModel& mine, const TInput& from, TInput& to) {
    Extended v = 0;
    if (from.Numeric && to.Numeric && FieldDeckValue(from, mine.UnitSystem, v)) {
        to.Value = v; // the deck's number: the other version may show other units
        to.Typed = false;
        to.Text = FormatReal(to.Format, mine.UnitSystem == 2 ? (v + to.Offset) * to.Factor : v);
    } else {
        to.Text = from.Text;
        to.Typed = from.Typed;
    }
    to.Refused = from.Refused;
    to.Modified = true;
}

// Gives an item of the deck as it is now the user's edit of the same item; false when it
// cannot take it (a list that no longer offers the entry chosen).
bool CarryEdit(const TFormModel& mine, const TFormItem& from, TFormItem& to) {
    if (from.Input && from.Input->Modified) {
        if (!to.Input) return false;
        CarryInput(mine, *from.Input, *to.Input);
    }
    if (from.List && from.List->ItemIndex != from.List->SavedIndex) {
        const TFileInput& l = *from.List;
        if (!to.List || l.ItemIndex < 0 || size_t(l.ItemIndex) >= l.Entries.size()) return false;
        const auto& entries = to.List->Entries;
        const auto found =
            std::find(entries.begin(), entries.end(), l.Entries[size_t(l.ItemIndex)]);
        if (found == entries.end()) return false;
        to.List->ItemIndex = int(found - entries.begin());
    }
    if (from.FileField && from.FileField->Changed) {
        if (!to.FileField) return false;
        to.FileField->FileName = from.FileField->FileName;
        to.FileField->Changed = true;
    }
    if (from.Kind == ikGroup) to.OwnGroup->On = from.OwnGroup->On;
    return true;
}

// Puts every edit of mine into theirs; the titles of the edits that have no place there.
std::vector<std::string> CarryEdits(const TFormModel& mine, TFormModel& theirs) {
    const auto targets = ItemsByKey(theirs);
    std::map<std::string, int> seen;
    std::vector<std::string> lost;
    for (const auto& item : mine.Items) {
        const std::string key = ItemKey(*item);
        const int occurrence = seen[key]++;
        if (!Edited(*item)) continue;
        const auto it = targets.find({key, occurrence});
        if (it == targets.end() || !CarryEdit(mine, *item, *it->second))
            lost.push_back(ItemTitle(*item));
    }
    return lost;
}

std::string TitleList(const std::vector<std::string>& titles) {
    std::string text;
    for (size_t i = 0; i < titles.size(); ++i)
        text += (i == 0 ? "" : i + 1 == titles.size() ? " and " : ", ") + titles[i];
    return text;
}

bool WriteDeckText(const std::string& deck, const std::string& out, TDiagnostics& diagnostics) {
    if (WriteFileAtomic(deck, out)) return true;
    ReportError(diagnostics,
                WriteFailureText(deck, "File " + deck + " could not be written.  " + deck +
                                           " is left as it was."),
                true);
    return false;
}

// The deck as another program left it, with the user's edits: false, writing nothing, when
// it cannot be read as a form or lacks an item the user edited.
bool WriteOverChangedDeck(TFormModel& form, const TFormMetrics& metrics,
                          TDiagnostics& diagnostics) {
    const std::string deck = form.DeckName;
    const std::string keep = "  Nothing was written; Save as keeps your version in another file.";
    if (form.Source != form.OnDisk) { // restored after a crash: its edits are not marked
        ReportError(diagnostics,
                    deck +
                        " was changed by another program, and the restored "
                        "changes of this form cannot be put into it item by "
                        "item." +
                        keep,
                    true);
        return false;
    }
    TFormModel theirs;
    theirs.UnitSystem = form.UnitSystem;
    const TDiagnostics read = ReadDeck(theirs, deck, metrics);
    if (theirs.Stop == ReadStop::Close || theirs.ErrorLevel != 0) {
        diagnostics.insert(diagnostics.end(), read.begin(), read.end());
        ReportError(diagnostics,
                    deck +
                        " as changed by another program cannot be read as a "
                        "form, so your changes cannot be put into it." +
                        keep,
                    true);
        return false;
    }
    const std::vector<std::string> lost = CarryEdits(form, theirs);
    if (!lost.empty()) {
        ReportError(diagnostics,
                    deck + " was changed by another program and no longer has " + TitleList(lost) +
                        " as this form shows " +
                        (lost.size() == 1 ? "it, so your change to it" : "them, so your changes") +
                        " cannot be put into the deck." + keep,
                    true);
        return false;
    }
    if (!FieldsFitEncoding(theirs, deck, diagnostics) ||
        !MakeBackup(deck, BackupName(deck), theirs.Source, diagnostics))
        return false;
    RefreshLists(theirs, diagnostics);
    const std::string out =
        JoinLines(CopyLines(theirs, SplitLinesWithEnds(theirs.Source, false), deck));
    if (!WriteDeckText(deck, out, diagnostics)) return false;
    // The form becomes the deck as written, read as any deck is (its buttons follow its
    // groups).
    TFormModel written;
    written.UnitSystem = form.UnitSystem;
    (void)ReadDeck(written, deck, metrics);
    if (written.Stop == ReadStop::Close) {
        written = std::move(theirs);
        written.Source = written.OnDisk = out;
    }
    ClearModify(written);
    form = std::move(written);
    return true;
}

} // namespace

bool WriteDeck(TFormModel& form, const std::string& targetName, TDiagnostics& diagnostics,
               const TFormMetrics& metrics, bool* reapplied) {
    if (reapplied) *reapplied = false;
    const std::string deck = form.DeckName;
    if (deck.empty()) {
        ReportError(diagnostics, "This form has no deck file to write from.", true);
        return false;
    }
    // A read-only target is refused before its backup is made, so it stays as it was.
    if (IsReadOnlyFile(targetName)) {
        ReportError(diagnostics, ReadOnlyText(targetName), true);
        return false;
    }
    if (!AssignFilesFit(form, targetName, diagnostics) ||
        !FieldsFitEncoding(form, targetName, diagnostics))
        return false;
    const bool own = targetName == deck;
    std::string present;
    const bool exists = own && ReadFileBytes(deck, present);
    if (exists && !form.Source.empty() && present != form.OnDisk) {
        const bool written = WriteOverChangedDeck(form, metrics, diagnostics);
        if (reapplied) *reapplied = written;
        return written;
    }
    if (exists && !MakeBackup(deck, BackupName(deck), present, diagnostics)) return false;
    if (form.Source.empty()) ReadFileBytes(deck, form.Source); // a form built, not read
    RefreshLists(form, diagnostics);
    const std::string out =
        JoinLines(CopyLines(form, SplitLinesWithEnds(form.Source, false), targetName));
    if (!WriteFileAtomic(targetName, out)) {
        ReportError(
            diagnostics,
            WriteFailureText(targetName, "File " + targetName + " could not be written." +
                                             (own ? "  " + deck + " is left as it was." : "")),
            true);
        return false;
    }
    form.DeckName = targetName;
    form.Source = form.OnDisk = out;
    ClearModify(form);
    return true;
}

std::string DeckBytes(TFormModel& form) {
    std::string source = form.Source;
    if (source.empty()) ReadFileBytes(form.DeckName, source);
    TDiagnostics unused; // the bytes are kept for recovery: a list file's problem is told at Save
    RefreshLists(form, unused);
    return JoinLines(CopyLines(form, SplitLinesWithEnds(source, false), form.DeckName));
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
        if (item->List) {
            item->List->SavedIndex = item->List->ItemIndex;
            item->List->Rewrite = false;
        }
        if (item->FileField) item->FileField->Changed = false;
        if (item->Kind == ikGroup) item->OwnGroup->InitiallyOn = item->OwnGroup->On;
    }
    form.Modified = false;
}

void RestoredDeck(TFormModel& form, const std::string& deckName) {
    form.DeckName = deckName;
    form.Modified = true;
    if (!ReadFileBytes(deckName, form.OnDisk)) form.OnDisk.clear();
}

void ConvertUnits(TFormModel& form, int oldSystem, int newSystem) {
    if (oldSystem == newSystem) return;
    for (auto& item : form.Items) {
        if (item->Kind != ikNumber || !item->Input) continue;
        TInput& in = *item->Input;
        if (item->UnitLabel) item->UnitLabel->Text = oldSystem == 2 ? item->UnitSI : item->UnitEng;
        if (!in.Numeric) continue;
        Extended v = 0;
        if (!FieldDeckValue(in, oldSystem, v)) {
            Beep(); // a text that is no number has no unit: it stays as typed
            continue;
        }
        in.Value = v;
        in.Text = FormatReal(in.Format, newSystem == 2 ? (v + in.Offset) * in.Factor : v);
        in.Typed = false;
    }
    form.UnitSystem = newSystem;
}

} // namespace kolshell
