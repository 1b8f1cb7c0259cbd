// The text editor window for decks and any other text, and its editor control.
#pragma once

#include "common/textfile.h"

#include "common/widgets/childform.h"

#include <QPlainTextEdit>
#include <functional>

namespace kolshell {

class TFindDialog;

// A plain-text editor control: fixed pitch, tabs kept as text, Insert switches to overwrite
// mode with a block caret, the selection stays visible without the focus. Lines and columns
// are 1-based.
class TEditor : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit TEditor(QWidget* parent = nullptr);

    void AppendLine(const QString& line);
    int LineCount() const;
    QString Line(int i) const;
    bool HasSelection() const;
    // Start line and column, end line and column of the selection (or of the caret).
    void Selection(int& startLine, int& startCol, int& endLine, int& endCol) const;
    void SetCaret(int line, int col);
    void SetSelection(int startLine, int startCol, int endLine, int endCol);
    void InsertText(const QString& text);
    bool Search(const QString& text, bool backward, bool matchCase, bool wholeWord);
    // Replaces the next occurrence from the selection on, or all of them; the count replaced,
    // or -1 when there was none.
    int Replace(const QString& find, const QString& with, bool all, bool matchCase, bool wholeWord);
    void SetOverwrite(bool on);

    // A right button press; true when it was used, and so pops up no context menu.
    std::function<bool(QMouseEvent*)> MouseDown;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    bool pressUsed_ = false;
};

class TEditForm : public TChildForm {
    Q_OBJECT
  public:
    explicit TEditForm(QWidget* parent = nullptr);

    // New editors are numbered from 1 for the whole run; the count of editors created is
    // cleared by the main window at start.
    static int NewEditorNumber;
    static int EditorsCreated;

    TEditor* Editor() const { return editor_; }
    TFindDialog* FindDialog() const { return findDialog_; }
    TFindDialog* ReplaceDialog() const { return replaceDialog_; }

    std::string FileName() const override { return fileName_; }
    void SetFileName(const std::string& name);
    bool IsModified() const override;
    std::optional<std::string> UnsavedBytes() override;
    void RestoredAs(const std::string& name) override;

    // Reads a file with its lines whole; false (with a message) when it cannot be read.
    bool Open(const std::string& name);
    // Writes every line with the line end the file was read with (CR LF for a new file), and
    // a line end after the last line unless the file had none; a failure is reported, leaves
    // the file as it was and keeps the window modified.
    bool Save();

    void Find(TFindDialog* sender);
    void Replace();
    bool FormCloseQuery() override;
    bool Print(TPrintJob& job) override;
    std::optional<TEditCommands> EditCommands() const override {
        using C = TEditCommand;
        return TEditCommands{C::Cut,  C::Copy,    C::Paste,      C::Clear,
                             C::Find, C::Replace, C::SearchAgain};
    }
    // Toggles the "*\" marks of the selected deck lines; false when there was nothing to do.
    bool EditorMouseDown(QMouseEvent* event);

    void EditCut() override;
    void EditCopy() override;
    void EditPaste() override;
    void EditClear() override;
    void EditFind() override;
    void EditReplace() override;
    void EditSearchAgain(bool findMode, bool replaceMode) override;

  private:
    // The text as Save writes it; false, with the character, when the encoding cannot hold one.
    bool TextBytes(std::string& bytes, std::string& refused) const;
    void ToggleMarker(int line);

    TEditor* editor_;
    TFindDialog* findDialog_;
    TFindDialog* replaceDialog_;
    std::string fileName_;
    // What the file had besides its lines' text: written back as it came.
    TEncoding encoding_ = TEncoding::Utf8;
    bool bom_ = false;
    bool finalBreak_ = true;
    std::string newLineEnd_ = "\r\n";
};

} // namespace kolshell
