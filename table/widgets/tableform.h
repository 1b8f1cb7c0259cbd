// The parametric table window: one grid column per deck variable, one row per run. The
// table itself, its file and every edit live in the core; the grid shows and edits it.
#pragma once

#include "common/widgets/childform.h"
#include "table/tablemodel.h"

#include <QAbstractTableModel>
#include <QTableView>

class QLabel;

namespace kolshell {

// The grid's view of the table: data cells only; names and run numbers are the headers.
class TTableGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit TTableGridModel(TTable& table, QObject* parent = nullptr)
        : QAbstractTableModel(parent), t_(table) {}
    // A flat table: the cells have no children.
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : t_.Runs();
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : t_.ColCount - 1;
    }
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    void Reset() {
        beginResetModel();
        endResetModel();
    }

  private:
    TTable& t_;
};

// Enter moves down a row; a press on the header row beeps.
class TTableGrid : public QTableView {
    Q_OBJECT
  public:
    explicit TTableGrid(QWidget* parent = nullptr);
    // The width the values of a column need, its grid line included.
    int ColumnNeed(int column) const { return sizeHintForColumn(column); }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void MoveDown();
};

class TTableForm : public TChildForm {
    Q_OBJECT
  public:
    explicit TTableForm(QWidget* parent = nullptr);

    // A new table, or one read from its file; false (after the message) when unreadable.
    void SetTable(TTable table);
    bool ReadTable(const std::string& fileName);
    TTable& Table() { return table_; }
    // The error level of the table's own last step (a refused paste) and what failed; the
    // next edit of the table clears it. Insert/Delete Runs checks this level, not a form's.
    int ErrorLevel() const { return errorLevel_; }
    const std::string& ErrorStep() const { return errorStep_; }
    void SetStepResult(const std::string& failure);
    TTableGrid* Grid() const { return grid_; }
    // After the runs or the variables changed shape: the grid and the window follow.
    void TableReshaped();
    // Columns first..last widen to what their names and values need.
    void WidenColumns(int first, int last);
    // The window shows whole columns and rows and is never larger than the grid; on its first
    // showing it takes the client size of the file it was read from, or the MDI area's room.
    void FitToGrid();
    QSize ClientSize() const;
    // The line under the grid while the table's runs are followed ("Slurm job 77: ..."); an
    // empty text hides it.
    void ShowRunLine(const QString& text);
    QLabel* RunLine() const { return runLine_; }

    std::string DocumentName() const override { return table_.TableFileName; }
    bool IsModified() const override { return table_.TableChanged; }
    // A file that exists and is not the table's own (read from or saved to) is replaced only
    // after the user agrees; false when not written.
    bool SaveDocument(const std::string& name) override;
    std::optional<std::string> UnsavedBytes() override;
    void RestoredAs(const std::string& name) override;
    std::optional<TEditCommands> EditCommands() const override {
        return TEditCommands{TEditCommand::Cut, TEditCommand::Copy, TEditCommand::Paste,
                             TEditCommand::Clear, TEditCommand::SearchAgain};
    }
    // Saves under a name picked in the save dialog, which has asked about replacing it.
    bool SaveAs(const std::string& name);
    void EditCopy() override;
    void EditCut() override;
    void EditPaste() override;
    void EditClear() override;
    bool FormCloseQuery() override;
    bool Print(TPrintJob& job) override;

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    TGridGeometry Geometry() const;
    QSize Around(int clientWidth) const;
    void SetClientSize(const QSize& client);
    QSize Room() const;
    // The client rectangle and its screen origin, as the file keeps them.
    void KeepClientRect();
    // The selection as 1-based table cells; false when nothing is selected.
    bool Selection(int& left, int& top, int& right, int& bottom) const;
    bool MayReplace(const std::string& name) const;
    bool Write(const std::string& name);

    TTable table_;
    std::string ownFile_; // the file the table was read from or last saved to
    TTableGridModel* model_;
    TTableGrid* grid_;
    QLabel* runLine_;
    int errorLevel_ = 0;
    std::string errorStep_;
    QSize clientWanted_; // from the file; invalid for a new table
    bool fitted_ = false, fitting_ = false;
};

} // namespace kolshell
