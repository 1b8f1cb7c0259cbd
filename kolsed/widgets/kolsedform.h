// The KOLSED form window: the items of an annotated deck as captions, fields, lists, file
// fields, frames with check boxes and radio buttons, pictures and link buttons, in one
// scrolling column. The form's model and every decision live in the core; this window
// makes a widget of each record, forwards the user's actions and shows the result.
#pragma once

#include "common/widgets/childform.h"
#include "kolsed/formmodel.h"

#include <QFont>
#include <QPixmap>
#include <functional>
#include <map>
#include <vector>

class QScrollArea;
class QLineEdit;
class QComboBox;
class QAbstractButton;
class QKeyEvent;
class QLabel;

namespace kolshell {

class TCompiling;

// Text measures of Qt fonts, for laying a form out on the screen.
class TQtFormMetrics : public TFormMetrics {
  public:
    int TextHeight(const TFontDef& font, const std::string& text) const override;
    int TextWidth(const TFontDef& font, const std::string& text) const override;
    bool PictureSize(const std::string& file, int& width, int& height) const override;
};

QFont QtFont(const TFontDef& font);

class TKOLSEDForm : public TChildForm {
    Q_OBJECT
  public:
    explicit TKOLSEDForm(QWidget* parent = nullptr);

    // Reads the deck and builds the window. False when reading ended with a stop-and-close
    // error: the window is then to be freed.
    bool ReadDeck(const std::string& fileName, TCompiling* progress = nullptr);

    // Sizes and places the window in its MDI area once it is there.
    void FrameWindow();

    TFormModel& Model() { return form_; }
    QScrollArea* ScrollBox() const { return scrollBox_; }

    std::string FileName() const override { return form_.DeckName; }
    bool IsModified() const override;
    bool CheckActiveInput() override;
    bool SaveDocument(const std::string& name) override;
    std::string BeforeRunCommand() const override { return form_.BeforeCommand; }
    std::string AfterRunCommand() const override { return form_.AfterCommand; }
    void ConvertUnits(int fromSystem, int toSystem) override;
    bool FormCloseQuery() override;
    std::optional<std::string> UnsavedBytes() override;
    void RestoredAs(const std::string& name) override;
    bool Print(TPrintJob& job) override;
    std::optional<TEditCommands> EditCommands() const override {
        return TEditCommands{TEditCommand::Cut, TEditCommand::Copy, TEditCommand::Paste,
                             TEditCommand::Clear};
    }
    // The Edit menu acts on the field that has (or last had) the keyboard focus.
    void EditCut() override { EditField(TEditCommand::Cut); }
    void EditCopy() override { EditField(TEditCommand::Copy); }
    void EditPaste() override { EditField(TEditCommand::Paste); }
    void EditClear() override { EditField(TEditCommand::Clear); }

  signals:
    // F1 on a field: the deck, the field's help topic (0 when it has none) and its caption.
    void HelpRequested(const std::string& deck, int topic, const std::string& caption);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Writes the form's values into the deck under name and shows what the writer reports.
    bool WriteDeck(const std::string& name);
    void EditField(TEditCommand command);
    void BuildWidgets();
    // New controls for the records, the old ones let go (after the deck was read again).
    void RebuildWidgets();
    QWidget* ParentOf(const TFormItem& item);
    void Place(QWidget* w, const TControlBox* box);
    QLabel* MakeLabel(QWidget* parent, const TDescriptor& d);
    void MakeFrame(TFormItem& item);
    void MakeField(TFormItem& item, QWidget* parent);
    void MakeList(TFormItem& item, QWidget* parent);
    void MakeFileField(TFormItem& item, QWidget* parent);
    void MakePicture(TFormItem& item, QWidget* parent);
    void MakeAppButton(TFormItem& item, QWidget* parent);
    // Positions, visibility and button states from the records, after a switch.
    void Sync();
    void RefreshTexts();
    void ButtonClicked(TFormItem& block, size_t n);
    void ShowOpenFileDlg(TFormItem& item);
    void StartLink(int slot, const std::string& parameters);
    bool FieldExit(QLineEdit* edit);
    bool HandleKey(QWidget* w, int key, Qt::KeyboardModifiers mods);
    static bool OpensChooser(const QKeyEvent& key);
    void FocusPage(QWidget* from, bool down);
    std::vector<QWidget*> Focusable() const;
    void FocusTo(QWidget* w);
    void PrintCaptionLine(TPrintJob& job, const TDescriptor& d, int left, const QFont& f);
    void PrintFramed(TPrintJob& job, int left, const std::string& text);
    void PrintButton(TPrintJob& job, const TGButton& b, bool radio, int left);

    TFormModel form_;
    QScrollArea* scrollBox_;
    QWidget* content_;
    std::vector<std::pair<QWidget*, const TControlBox*>> placed_;
    std::map<const TGroupBox*, QWidget*> frames_;
    std::map<QObject*, TFormItem*> fields_;    // value, text, list and file fields
    std::map<QObject*, TFormItem*> clickable_; // program pictures
    std::vector<std::pair<QAbstractButton*, const TGButton*>> buttons_;
    std::vector<std::pair<QLabel*, const TDescriptor*>> labels_;
    std::vector<std::pair<QLineEdit*, const TInput*>> edits_;
    std::vector<QWidget*> focusOrder_;
    std::map<const TImage*, QPixmap> pictures_;
    bool checking_ = false;
};

} // namespace kolshell
