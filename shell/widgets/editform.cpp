#include "shell/widgets/editform.h"

#include "common/globals.h"
#include "common/lib1.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/widgets/fonts.h"
#include "common/widgets/printjob.h"
#include "common/widgets/qtext.h"
#include "shell/widgets/finddialogs.h"

#include <algorithm>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

namespace kolshell {

int TEditForm::NewEditorNumber = 0;
int TEditForm::EditorsCreated = 0;

namespace {
QTextDocument::FindFlags Flags(bool backward, bool matchCase, bool wholeWord) {
    QTextDocument::FindFlags f;
    if (backward) f |= QTextDocument::FindBackward;
    if (matchCase) f |= QTextDocument::FindCaseSensitively;
    if (wholeWord) f |= QTextDocument::FindWholeWords;
    return f;
}
} // namespace

TEditor::TEditor(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName("Editor");
    setFont(TerminalFont());
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(false);
    setTabStopDistance(8 * fontMetrics().horizontalAdvance(' '));
    QPalette p = palette();
    p.setColor(QPalette::Text, Qt::black);
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        p.setColor(QPalette::Inactive, role, p.color(QPalette::Active, role));
    setPalette(p);
}

void TEditor::AppendLine(const QString& line) {
    appendPlainText(line);
}

int TEditor::LineCount() const {
    return document()->isEmpty() ? 0 : document()->blockCount();
}

QString TEditor::Line(int i) const {
    return document()->findBlockByNumber(i - 1).text();
}

bool TEditor::HasSelection() const {
    return textCursor().hasSelection();
}

void TEditor::Selection(int& startLine, int& startCol, int& endLine, int& endCol) const {
    QTextCursor c = textCursor();
    QTextBlock a = document()->findBlock(c.selectionStart());
    QTextBlock b = document()->findBlock(c.selectionEnd());
    startLine = a.blockNumber() + 1;
    startCol = c.selectionStart() - a.position() + 1;
    endLine = b.blockNumber() + 1;
    endCol = c.selectionEnd() - b.position() + 1;
}

void TEditor::SetCaret(int line, int col) {
    SetSelection(line, col, line, col);
}

void TEditor::SetSelection(int startLine, int startCol, int endLine, int endCol) {
    auto position = [this](int line, int col) {
        QTextBlock b = document()->findBlockByNumber(std::max(0, line - 1));
        if (!b.isValid()) b = document()->lastBlock();
        return b.position() + std::min(std::max(0, col - 1), b.length() - 1);
    };
    QTextCursor c(document());
    c.setPosition(position(startLine, startCol));
    c.setPosition(position(endLine, endCol), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

void TEditor::InsertText(const QString& text) {
    insertPlainText(text);
}

bool TEditor::Search(const QString& text, bool backward, bool matchCase, bool wholeWord) {
    if (text.isEmpty()) return false;
    const QTextCursor found =
        document()->find(text, textCursor(), Flags(backward, matchCase, wholeWord));
    if (found.isNull()) return false;
    setTextCursor(found);
    return true;
}

int TEditor::Replace(const QString& find, const QString& with, bool all, bool matchCase,
                     bool wholeWord) {
    if (find.isEmpty()) return -1;
    const QTextDocument::FindFlags flags = Flags(false, matchCase, wholeWord);
    QTextCursor from = textCursor();
    from.setPosition(all ? 0 : from.selectionStart());
    int count = 0;
    QTextCursor edit(document());
    edit.beginEditBlock();
    for (QTextCursor c = document()->find(find, from, flags); !c.isNull();
         c = document()->find(find, c, flags)) {
        c.insertText(with);
        ++count;
        if (!all) {
            setTextCursor(c);
            Search(find, false, matchCase, wholeWord); // the next one stands selected
            break;
        }
    }
    edit.endEditBlock();
    return count ? count : -1;
}

void TEditor::SetOverwrite(bool on) {
    setOverwriteMode(on);
    setCursorWidth(on ? fontMetrics().horizontalAdvance('M') : 1);
}

void TEditor::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
        SetOverwrite(!overwriteMode());
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TEditor::mousePressEvent(QMouseEvent* event) {
    pressUsed_ = event->button() == Qt::RightButton && MouseDown && MouseDown(event);
    if (!pressUsed_) QPlainTextEdit::mousePressEvent(event);
}

// The platform follows a right press (or its release) with a context menu request: after a
// press that toggled the marks, no menu.
void TEditor::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Mouse && pressUsed_) {
        pressUsed_ = false;
        event->accept();
        return;
    }
    QPlainTextEdit::contextMenuEvent(event);
}

TEditForm::TEditForm(QWidget* parent) : TChildForm(TWindowKind::Deck, parent) {
    setObjectName("EditForm");
    setProperty("HelpContext", 122);
    resize(435, 300);
    editor_ = new TEditor(this);
    setWidget(editor_);
    connect(editor_, &QPlainTextEdit::modificationChanged, this, &TChildForm::ShowModified);
    findDialog_ = new TFindDialog(false, this);
    replaceDialog_ = new TFindDialog(true, this);
    findDialog_->OnFind = [this] { Find(findDialog_); };
    replaceDialog_->OnFind = [this] { Find(replaceDialog_); };
    replaceDialog_->OnReplace = [this] { Replace(); };
    editor_->MouseDown = [this](QMouseEvent* e) { return EditorMouseDown(e); };
    // Never the name of a file already there: saving would replace it unasked.
    SetFileName(UnusedNumberedName("NoName", ".DCK", NewEditorNumber));
    ++EditorsCreated;
    editor_->SetCaret(1, 1);
}

void TEditForm::SetFileName(const std::string& name) {
    fileName_ = name;
    SetCaption(ToQ(name));
}

bool TEditForm::IsModified() const {
    return editor_->document()->isModified();
}

namespace {
// Each line's own ending is kept with its block, where it is not the file's most common one
// (a block without one takes that); lines the user adds have none.
const std::vector<std::string> LineEnds = {"\n", "\r\n", "\r"};

int EndKind(std::string_view end) {
    const auto kind = std::find(LineEnds.begin(), LineEnds.end(), end);
    return kind == LineEnds.end() ? -1 : int(kind - LineEnds.begin());
}

void KeepLineEnds(QTextDocument* document, const std::vector<int8_t>& kinds, int common) {
    QTextBlock block = document->firstBlock();
    for (size_t i = 0; block.isValid() && i < kinds.size(); ++i, block = block.next())
        if (kinds[i] != common && kinds[i] >= 0) block.setUserState(kinds[i]);
}

std::string LineEnd(const QTextBlock& block, const std::string& otherwise) {
    const int kind = block.userState();
    return kind >= 0 && size_t(kind) < LineEnds.size() ? LineEnds[size_t(kind)] : otherwise;
}

// The file's lines joined by LF, and the ending of each (as its place in LineEnds, -1 for a
// last line without one): one copy of the text, however many lines it has.
struct TEditText {
    bool Bom = false;
    std::string Joined;
    std::vector<int8_t> Kinds;
    size_t Counts[3] = {0, 0, 0};
};

TEditText EditText(const std::string& bytes) {
    TEditText t;
    t.Joined.reserve(bytes.size());
    t.Bom = ForEachLine(bytes, true, [&t](std::string_view line, std::string_view end) {
        if (!t.Kinds.empty()) t.Joined += '\n';
        t.Joined.append(line);
        const int kind = EndKind(end);
        t.Kinds.push_back(int8_t(kind));
        if (kind >= 0) ++t.Counts[kind];
    });
    return t;
}
} // namespace

bool TEditForm::Open(const std::string& name) {
    SetWindowKind(ExtOf(name) == ".DCK" ? TWindowKind::Deck : TWindowKind::Text);
    SetFileName(name);
    editor_->clear();
    std::string bytes;
    if (IsDirectory(name) || !ReadFileBytes(name, bytes)) {
        ShowMsg("File " + name + " cannot be read.", MsgKind::Error, true);
        return false;
    }
    // Written back as it came: its encoding, its byte-order mark and each line's ending.
    encoding_ = EncodingOf(bytes);
    TEditText text = EditText(bytes);
    std::string().swap(bytes);
    bom_ = text.Bom;
    finalBreak_ = text.Kinds.empty() || text.Kinds.back() >= 0;
    newLineEnd_ = MostUsedEnd(text.Counts[0], text.Counts[1], text.Counts[2]);
    {
        const QString shown = ToQ(text.Joined, encoding_);
        std::string().swap(text.Joined);
        editor_->setPlainText(shown);
    }
    KeepLineEnds(editor_->document(), text.Kinds, EndKind(newLineEnd_));
    editor_->horizontalScrollBar()->setValue(0);
    editor_->verticalScrollBar()->setValue(0);
    editor_->SetCaret(1, 1);
    editor_->document()->setModified(false);
    return true;
}

bool TEditForm::Save() {
    std::string bytes, refused;
    if (!TextBytes(bytes, refused)) {
        ShowMsg(RefusedCharacterText(refused, fileName_, encoding_), MsgKind::Error, true);
        return false;
    }
    if (!WriteFileAtomic(fileName_, bytes)) {
        ShowMsg(WriteFailureText(fileName_, "File " + fileName_ +
                                                " could not be written. It is left as it was, "
                                                "and your changes stay in the window."),
                MsgKind::Error, true);
        return false;
    }
    editor_->document()->setModified(false);
    return true;
}

std::optional<std::string> TEditForm::UnsavedBytes() {
    if (!IsModified()) return std::nullopt;
    std::string bytes, refused;
    // A character the file's encoding cannot hold is kept as UTF-8 rather than lost.
    if (!TextBytes(bytes, refused)) return editor_->toPlainText().toStdString();
    return bytes;
}

void TEditForm::RestoredAs(const std::string& name) {
    SetFileName(name);
    editor_->document()->setModified(true);
    emit MenuChanged();
}

bool TEditForm::TextBytes(std::string& bytes, std::string& refused) const {
    TTextLines text;
    text.Bom = bom_;
    const int count = editor_->LineCount();
    QTextBlock block = editor_->document()->firstBlock();
    for (int i = 1; i <= count; ++i, block = block.next()) {
        std::string line;
        if (!FromQ(block.text(), encoding_, line, refused)) return false;
        text.Lines.push_back(line);
        text.Ends.push_back(i < count || finalBreak_ ? LineEnd(block, newLineEnd_) : "");
    }
    bytes = JoinLines(text);
    return true;
}

void TEditForm::Find(TFindDialog* sender) {
    const QString text = sender->FindText();
    if (!editor_->Search(text, !sender->Down(), sender->MatchCase(), sender->WholeWord())) Beep();
    findDialog_->SetFindText(text);
    replaceDialog_->SetFindText(text);
}

void TEditForm::Replace() {
    const bool all = replaceDialog_->ReplaceAll();
    const int n = editor_->Replace(replaceDialog_->FindText(), replaceDialog_->ReplaceText(), all,
                                   replaceDialog_->MatchCase(), replaceDialog_->WholeWord());
    if (n < 0 && !all) Beep();
    emit MenuChanged();
}

bool TEditForm::FormCloseQuery() {
    if (!IsModified()) return true;
    const std::string name = fileName_.empty() ? "This file" : fileName_;
    switch (ShowMsg(name + " has been changed.  Save it?", MsgKind::WarningYesNoCancel, false)) {
    case MsgAnswer::Yes:
        if (fileName_.empty()) {
            emit SaveAsRequested();
            return !IsModified();
        }
        return MayWrite() && Save();
    case MsgAnswer::No:
        return true;
    default:
        return false;
    }
}

bool TEditForm::EditorMouseDown(QMouseEvent*) {
    if ((WindowKind() != TWindowKind::Deck && WindowKind() != TWindowKind::AnnotatedText) ||
        !editor_->HasSelection())
        return false;
    int l1, c1, l2, c2;
    editor_->Selection(l1, c1, l2, c2);
    const int last = (c2 == 1 && l2 > l1) ? l2 - 1 : l2; // ends in column 1: not that line
    for (int line = l1; line <= last; ++line)
        ToggleMarker(line);
    return true;
}

void TEditForm::ToggleMarker(int line) {
    if (!editor_->Line(line).startsWith("*\\")) {
        editor_->SetCaret(line, 1);
        editor_->InsertText("*\\");
    } else {
        editor_->SetSelection(line, 1, line, 3);
        editor_->cut();
    }
}

void TEditForm::EditCut() {
    editor_->cut();
}

void TEditForm::EditCopy() {
    editor_->copy();
}

void TEditForm::EditPaste() {
    editor_->paste();
}

void TEditForm::EditClear() {
    editor_->textCursor().removeSelectedText();
}

void TEditForm::EditFind() {
    findDialog_->Execute();
}

void TEditForm::EditReplace() {
    replaceDialog_->Execute();
}

void TEditForm::EditSearchAgain(bool findMode, bool replaceMode) {
    if (findMode) Find(findDialog_);
    if (replaceMode) Replace();
}

bool TEditForm::Print(TPrintJob& job) {
    PrintTextLines(job, editor_->LineCount(), [this](int i) { return editor_->Line(i); });
    return true;
}

} // namespace kolshell
