// The parametric tables: the table window the Windows menu leads to, New Table, Alter Table,
// Insert/Delete Runs and Vars, and Run Table.
#pragma once

#include "common/windowkind.h"

#include <QObject>
#include <QPointer>
#include <string>
#include <vector>

namespace kolshell {

class TChildForm;
class TKOLSHELLFORM;
class TTableForm;

class TTableController : public QObject {
    Q_OBJECT
  public:
    explicit TTableController(TKOLSHELLFORM& main);

    // The table window of the input, or nullptr.
    TTableForm* CurrentTable() const;
    // The table window that has read the table file; nullptr (after its message) when the file
    // could not be read.
    TChildForm* CreateTableForm(const std::string& name);
    // Shows a table window as the input's table, down and right of the frontmost window.
    void ShowTableWindow(TTableForm* table);

    void NewTable1Click();
    void AlterTable1Click();
    void InsertDeleteRuns1Click();
    void InsertDeleteVars1Click();
    void RunTable1Click();
    // Run Table, of the given runs only when there are any (Run Failed Again).
    void RunTableRuns(const std::string& tableFile, const std::vector<int>& only);
    void FillRuns1Click();
    void Results1Click();
    // The items that follow the current window: Fill Runs and Results.
    void UpdateItems(TWindowKind kind);

  private:
    bool SaveDeckBeforeTableRun(const std::string& deck);

    TKOLSHELLFORM& main_;
    QPointer<TChildForm> tableForm_;
};

} // namespace kolshell
