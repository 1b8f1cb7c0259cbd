#include "table/widgets/tableform.h"

#include "common/globals.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/widgets/printjob.h"
#include "common/widgets/qtext.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>

namespace kolshell {

namespace {

// Cell sizes without their grid line; a grid section holds the cell and its line.
constexpr int ColumnWidth = 90, RowHeight = 20, RunColumnWidth = 45, HeaderHeight = 30;

// The header row's fonts: the column number small (but readable) and the name.
QFont NumberFont() {
    QFont f("Arial");
    f.setPointSize(8);
    return f;
}

QFont NameFont() {
    QFont f("Arial");
    f.setPointSize(10);
    return f;
}

// The header row: the column number small and green, the name centred below it; as high as
// the two lines need in the user's fonts.
class TTableHeader : public QHeaderView {
  public:
    explicit TTableHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
        setFixedHeight(std::max(HeaderHeight, NameTop() + QFontMetrics(NameFont()).height() + 1) +
                       1);
    }
    // Wide enough for the name and a margin on each side.
    int NameWidth(int section) const {
        const QString text = model()->headerData(section, Qt::Horizontal).toString();
        return QFontMetrics(NameFont()).horizontalAdvance(text) + 8;
    }

  protected:
    void paintSection(QPainter* p, const QRect& rect, int section) const override {
        p->save();
        QStyleOptionHeader opt;
        initStyleOption(&opt);
        opt.rect = rect;
        style()->drawControl(QStyle::CE_HeaderSection, &opt, p, this);
        const QFont small = NumberFont(), name = NameFont();
        p->setFont(small);
        p->setPen(QColor(0, 128, 0));
        p->drawText(rect.left() + 2, rect.top() + 2 + QFontMetrics(small).ascent(),
                    QString::number(section + 1));
        p->setFont(name);
        p->setPen(Qt::black);
        const QString text = model()->headerData(section, Qt::Horizontal).toString();
        const int w = QFontMetrics(name).horizontalAdvance(text);
        p->drawText(rect.left() + std::max(1, (rect.width() - w) / 2),
                    rect.top() + NameTop() + QFontMetrics(name).ascent(), text);
        p->restore();
    }

  private:
    // The name's line starts below the number's, or 10 pixels down when that is lower.
    static int NameTop() { return std::max(10, 2 + QFontMetrics(NumberFont()).height()); }
};

} // namespace

QVariant TTableGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return ToQ(GetS(t_, index.column() + 1, index.row() + 1));
}

bool TTableGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) return false;
    GridSetEditText(t_, index.column() + 1, index.row() + 1, FromQ(value.toString()));
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags TTableGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
}

QVariant TTableGridModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (o == Qt::Vertical) return section + 1;
    return ToQ(GetS(t_, section + 1, 0));
}

TTableGrid::TTableGrid(QWidget* parent) : QTableView(parent) {
    setObjectName("Grid");
    setHorizontalHeader(new TTableHeader(this));
    setFrameShape(QFrame::NoFrame); // the grid is the window's whole client area
    horizontalHeader()->setDefaultSectionSize(ColumnWidth + 1);
    horizontalHeader()->setMinimumSectionSize(10);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->viewport()->installEventFilter(this);
    verticalHeader()->setDefaultSectionSize(RowHeight + 1);
    verticalHeader()->setMinimumSectionSize(10);
    verticalHeader()->setFixedWidth(RunColumnWidth + 1);
    verticalHeader()->setSectionsClickable(false);
    QFont f = font();
    f.setPixelSize(13);
    setFont(f);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                    QAbstractItemView::EditKeyPressed);
}

void TTableGrid::MoveDown() {
    const QModelIndex at = currentIndex();
    if (at.isValid() && at.row() + 1 < model()->rowCount())
        setCurrentIndex(model()->index(at.row() + 1, at.column()));
}

void TTableGrid::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        state() != EditingState) {
        MoveDown();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TTableGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QTableView::closeEditor(editor, hint);
    if (hint == QAbstractItemDelegate::SubmitModelCache) MoveDown();
}

bool TTableGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == horizontalHeader()->viewport() && event->type() == QEvent::MouseButtonPress) {
        Beep();
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

TTableForm::TTableForm(QWidget* parent) : TChildForm(TWindowKind::Table, parent) {
    model_ = new TTableGridModel(table_, this);
    // The grid, and under it a line that shows only while the table's runs are followed.
    auto* body = new QWidget(this);
    grid_ = new TTableGrid(body);
    grid_->setModel(model_);
    runLine_ = new QLabel(body);
    runLine_->setObjectName("RunLine");
    runLine_->setContentsMargins(4, 2, 4, 2);
    runLine_->setWordWrap(true); // a narrow table shows it on more lines
    runLine_->hide();
    auto* lay = new QVBoxLayout(body);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    lay->addWidget(grid_, 1);
    lay->addWidget(runLine_);
    body->setFocusProxy(grid_);
    setWidget(body);
    connect(model_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to) {
                SetStepResult({});
                WidenColumns(from.column(), to.column());
                ShowModified();
            });
    setStyleSheet("background: white;");
}

void TTableForm::SetTable(TTable table) {
    table_ = std::move(table);
    SetCaption(ToQ(table_.TableFileName));
    TableReshaped();
}

bool TTableForm::ReadTable(const std::string& fileName) {
    std::string message;
    const bool ok = kolshell::ReadTable(table_, fileName, Options().UnitSystem, message);
    if (!message.empty()) ShowMsg(message, ok ? MsgKind::Information : MsgKind::Error, true);
    if (!ok) return false;
    ownFile_ = fileName;
    // The file's client rectangle sizes the window; an empty one (older files) is ignored.
    const QSize stored(table_.ClientRight - table_.ClientLeft,
                       table_.ClientBottom - table_.ClientTop);
    if (stored.width() > 0 && stored.height() > 0) clientWanted_ = stored;
    SetCaption(ToQ(table_.TableFileName));
    TableReshaped();
    return true;
}

void TTableForm::SetStepResult(const std::string& failure) {
    errorLevel_ = failure.empty() ? 0 : ErrorStop;
    errorStep_ = failure;
}

void TTableForm::TableReshaped() {
    SetStepResult({});
    model_->Reset();
    WidenColumns(0, model_->columnCount() - 1);
    FitToGrid();
}

// Columns as wide as their names and the values they show need (the first thousand rows are
// measured, as Qt's own fitting does), never narrower than the default.
void TTableForm::WidenColumns(int first, int last) {
    auto* header = static_cast<TTableHeader*>(grid_->horizontalHeader());
    for (int c = first; c <= last; ++c) {
        const int need = std::max(grid_->ColumnNeed(c), header->NameWidth(c));
        if (need > header->sectionSize(c)) header->resizeSection(c, need);
    }
}

TGridGeometry TTableForm::Geometry() const {
    TGridGeometry g;
    g.DefaultColWidth = ColumnWidth;
    g.DefaultRowHeight = RowHeight;
    g.ColWidths.push_back(RunColumnWidth);
    for (int c = 0; c < model_->columnCount(); ++c)
        g.ColWidths.push_back(grid_->horizontalHeader()->sectionSize(c) - 1);
    g.RowHeights.push_back(grid_->horizontalHeader()->height() - 1);
    for (int r = 0; r < model_->rowCount(); ++r)
        g.RowHeights.push_back(grid_->verticalHeader()->sectionSize(r) - 1);
    g.BarWidth = g.BarHeight = grid_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    return g;
}

QSize TTableForm::ClientSize() const {
    return grid_->size();
}

// The frame, the title bar and the run line when it shows: the window around a grid of the
// given width.
QSize TTableForm::Around(int clientWidth) const {
    const QMargins m = contentsMargins();
    const int line = runLine_->isHidden() ? 0 : runLine_->heightForWidth(clientWidth);
    return QSize(m.left() + m.right(), m.top() + m.bottom() + line);
}

void TTableForm::SetClientSize(const QSize& client) {
    resize(client + Around(client.width()));
}

QSize TTableForm::Room() const {
    if (!mdiArea()) return {1000, 700};
    return mdiArea()->viewport()->size() - QSize(pos().x(), pos().y()) -
           Around(ClientSize().width());
}

void TTableForm::ShowRunLine(const QString& text) {
    // The grid keeps its size: the window grows or shrinks by the line.
    const QSize client = ClientSize();
    const int before = Around(client.width()).height();
    runLine_->setText(text);
    runLine_->setVisible(!text.isEmpty());
    if (Around(client.width()).height() == before) return;
    if (fitted_ && !isMaximized() && !isMinimized()) SetClientSize(client);
}

// Whole columns and rows, no more than the grid holds, from the client size the window has
// (or the file gave, or the room in the MDI area for a new window).
void TTableForm::FitToGrid() {
    if (fitting_ || !isVisible() || isMaximized() || isMinimized()) return;
    fitting_ = true;
    QSize client = ClientSize();
    bool hBar = grid_->horizontalScrollBar()->isVisible();
    bool vBar = grid_->verticalScrollBar()->isVisible();
    const TGridGeometry g = Geometry();
    TGridFit fit;
    if (!fitted_) {
        // A client size of its own (from the file) held the bars that its fit gave it.
        client = clientWanted_.isValid() ? clientWanted_.boundedTo(Room()) : Room();
        fit = FitGrid(g, client.width(), client.height(), false, false);
        const TGridFit withBars = FitGrid(g, client.width(), client.height(), fit.HBar, fit.VBar);
        if (withBars.HBar == fit.HBar && withBars.VBar == fit.VBar) fit = withBars;
    } else {
        fit = FitGrid(g, client.width(), client.height(), hBar, vBar);
    }
    fitted_ = true;
    grid_->setHorizontalScrollBarPolicy(fit.HBar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    grid_->setVerticalScrollBarPolicy(fit.VBar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    if (QSize(fit.Width, fit.Height) != ClientSize()) SetClientSize({fit.Width, fit.Height});
    fitting_ = false;
}

void TTableForm::showEvent(QShowEvent* event) {
    TChildForm::showEvent(event);
    FitToGrid();
}

void TTableForm::resizeEvent(QResizeEvent* event) {
    TChildForm::resizeEvent(event);
    FitToGrid();
}

bool TTableForm::SaveDocument(const std::string& name) {
    return MayReplace(name) && Write(name);
}

std::optional<std::string> TTableForm::UnsavedBytes() {
    if (!table_.TableChanged) return std::nullopt;
    KeepClientRect();
    return EncodeTable(table_);
}

void TTableForm::RestoredAs(const std::string& name) {
    table_.TableFileName = ownFile_ = name;
    table_.TableChanged = true;
    SetCaption(ToQ(name));
    emit MenuChanged();
}

bool TTableForm::SaveAs(const std::string& name) {
    return Write(name);
}

bool TTableForm::MayReplace(const std::string& name) const {
    if (name == ownFile_ || !FileExists(name)) return true;
    return ShowMsg(name + " already exists.  Do you want to replace it?", MsgKind::WarningYesNo,
                   false) == MsgAnswer::Yes;
}

void TTableForm::KeepClientRect() {
    if (!fitted_) return; // never shown: the rectangle it was read with stays
    const QPoint origin = grid_->mapToGlobal(QPoint(0, 0));
    table_.OriginX = int16_t(origin.x());
    table_.OriginY = int16_t(origin.y());
    table_.ClientLeft = table_.ClientTop = 0;
    table_.ClientRight = int16_t(std::min(ClientSize().width(), 32767));
    table_.ClientBottom = int16_t(std::min(ClientSize().height(), 32767));
}

bool TTableForm::Write(const std::string& name) {
    KeepClientRect();
    if (!SaveTable(table_, name)) {
        ShowMsg(WriteFailureText(name, "File " + name + " could not be written."), MsgKind::Error,
                true);
        return false;
    }
    ownFile_ = name;
    SetCaption(ToQ(name));
    return true;
}

bool TTableForm::Selection(int& left, int& top, int& right, int& bottom) const {
    const QModelIndexList cells = grid_->selectionModel()->selectedIndexes();
    if (cells.isEmpty()) return false;
    left = top = INT32_MAX;
    right = bottom = 0;
    for (const QModelIndex& i : cells) {
        left = std::min(left, i.column() + 1);
        right = std::max(right, i.column() + 1);
        top = std::min(top, i.row() + 1);
        bottom = std::max(bottom, i.row() + 1);
    }
    return true;
}

void TTableForm::EditCopy() {
    int l, t, r, b;
    if (Selection(l, t, r, b))
        QApplication::clipboard()->setText(ToQ(CopytoClip(table_, l, t, r, b)));
}

void TTableForm::EditCut() {
    EditCopy();
    EditClear();
}

void TTableForm::EditPaste() {
    const QString text = QApplication::clipboard()->text();
    if (!text.isEmpty()) {
        const QModelIndex at = grid_->currentIndex();
        const std::string message =
            PasteText(table_, std::max(1, at.column() + 1), std::max(1, at.row() + 1), FromQ(text));
        model_->Reset();
        WidenColumns(0, model_->columnCount() - 1);
        grid_->setCurrentIndex(at);
        SetStepResult(message);
        if (!message.empty()) ShowMsg(message, MsgKind::Error, true);
    }
    grid_->setFocus();
}

void TTableForm::EditClear() {
    int l, t, r, b;
    if (!Selection(l, t, r, b)) return;
    ClearCells(table_, l, t, r, b);
    emit model_->dataChanged(model_->index(t - 1, l - 1), model_->index(b - 1, r - 1));
}

bool TTableForm::FormCloseQuery() {
    if (table_.TableFileName.empty() || !table_.TableChanged) return true;
    const MsgAnswer answer = ShowMsg(table_.TableFileName + " has been changed.  Save it?",
                                     MsgKind::WarningYesNoCancel, false);
    if (answer == MsgAnswer::Yes) return MayWrite() && SaveDocument(table_.TableFileName);
    return answer == MsgAnswer::No;
}

namespace {

struct PrintColumn {
    int Head = 0, Data = 0; // widest text with the header (bold), and of the data alone
};

} // namespace

// The caption, then the columns in bands as wide as the page, each band row by row: names
// centred in bold, values right-aligned in a field centred under them.
bool TTableForm::Print(TPrintJob& job) {
    QPainter& p = job.Canvas();
    QFont regular = p.font(), bold = p.font();
    bold.setBold(true);
    QFont title = bold;
    title.setUnderline(true);
    p.setFont(title);
    job.Text(job.PrintX(), job.PrintY(), ToQ(table_.TableFileName));
    const int cols = table_.ColCount - 1, runs = table_.Runs();
    std::vector<PrintColumn> widths(static_cast<size_t>(cols));
    for (int c = 1; c <= cols; ++c) {
        PrintColumn& w = widths[size_t(c - 1)];
        w.Head = QFontMetrics(bold).horizontalAdvance(ToQ(GetS(table_, c, 0)));
        for (int r = 1; r <= runs; ++r)
            w.Data =
                std::max(w.Data, QFontMetrics(regular).horizontalAdvance(ToQ(GetS(table_, c, r))));
        w.Head = std::max(w.Head, w.Data);
    }
    for (int first = 1; first <= cols;) {
        // A band takes at least one column, so a column wider than the page still prints.
        int last = first, sum = widths[size_t(first - 1)].Head * 5 / 4;
        while (last < cols &&
               2 * job.PrintX() + sum + widths[size_t(last)].Head * 5 / 4 < job.PageWidth())
            sum += widths[size_t(last++)].Head * 5 / 4;
        for (int r = 0; r <= runs; ++r) {
            job.Advance(job.LineHeight());
            p.setFont(r == 0 ? bold : regular);
            int offset = 0;
            for (int c = first; c <= last; ++c) {
                const PrintColumn& w = widths[size_t(c - 1)];
                const QString text = ToQ(GetS(table_, c, r));
                const int tw = p.fontMetrics().horizontalAdvance(text);
                const int x = r == 0 ? (w.Head - tw) / 2 : w.Head - tw - (w.Head - w.Data) / 2;
                job.Text(job.PrintX() + offset + x, job.PrintY(), text);
                offset += w.Head * 5 / 4;
            }
        }
        first = last + 1;
    }
    p.setFont(regular);
    return true;
}

} // namespace kolshell
