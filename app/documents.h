// The documents of the program: which window a file opens in, the companions of the input
// deck, the recent-file entries, and the New, Open, Save, Save as, Print and KOLSED commands.
#pragma once

#include "common/windowkind.h"
#include "shell/recentfiles.h"

#include <QObject>
#include <string>

class QAction;

namespace kolshell {

class TChildForm;
class TKOLSHELLFORM;

class TDocumentController : public QObject {
    Q_OBJECT
  public:
    explicit TDocumentController(TKOLSHELLFORM& main);

    void ReadaFile(const std::string& name);
    void GetLSTFile(const std::string& name, bool show);
    void GetOUTFile(const std::string& name, bool show);
    void GetPLTFile(const std::string& name, bool show);
    void GetTBLFile(const std::string& name, bool show);
    void GetDGMFile(const std::string& name);
    void OpenOutFile(QAction* sender);
    void OpenFileItem(QAction* sender);
    void FixFileNameList();
    // Opens the command-line file at start, as the start-up sequence does.
    void OpenStartFile(const std::string& argument);
    TChildForm* CreateEditor(const std::string& name, TWindowKind kind);
    TChildForm* CreateViewer(const std::string& name, TWindowKind kind);
    TChildForm* CreateKolsedForm(const std::string& name);
    // The visible window that shows the file, if any.
    TChildForm* WindowShowing(const std::string& name) const;

    void New1Click();
    void Open1Click();
    void Save1Click();
    void Saveas1Click();
    // Save as for the given window, as its own Save as asks.
    void SaveAs(TChildForm* child);
    // Saves a deck's own window (editor or form) before a run, warned first when another
    // program changed its file; false when it was not saved, so that the run does not start.
    bool SaveDeckWindow(TChildForm* child, const std::string& deck);
    void Print1Click();
    void PrintSetup1Click();
    void EditKOLSEDfile1Click();
    // The KOLSED program's unit items: the forms' values in primary or secondary units.
    void SIUnitsClick() { ChooseUnitSystem(1); }
    void EngUnitsClick() { ChooseUnitSystem(2); }
    void ConvertAllForms(int fromSystem, int toSystem);
    void MakeKOLSEDfile1Click();

    // The recent-file list, read at start and kept at the end; the first Open of the KOLSED
    // program shows the project index when there is one.
    TRecentFiles FileNameList;
    void LoadFileNameList();
    void SaveFileNameList();
    bool FirstOpen = false;
    bool IndexFileFound() const { return !indexFileName_.empty(); }
    const std::string& IndexFileName() const { return indexFileName_; }
    void FindIndexFile();

  private:
    void ChooseUnitSystem(int system);
    void InputOpened(const std::string& name);
    bool ShowIfOpen(const std::string& name);
    void LookUpCompanions(const std::string& name);
    bool QueryCloseInputs();
    void WindowSaveAs(TChildForm* child);
    void SaveChild(TChildForm* child);
    bool ChooseOpenFile(std::string& chosen);
    std::string OpenFolder() const;
    void OpenIndex(const std::string& indexFile);

    TKOLSHELLFORM& main_;
    std::string indexFileName_;
    // The file dialogs keep their name, filter entry and title from one use to the next.
    std::string openName_ = "*.DCK";
    int openFilter_ = 1;
    std::string ksdName_ = "*.KSD";
};

} // namespace kolshell
