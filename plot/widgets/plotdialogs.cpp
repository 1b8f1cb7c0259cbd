#include "plot/widgets/plotdialogs.h"

#include "common/messages.h"
#include "common/paths.h"
#include "common/widgets/dialogkeys.h"
#include "common/widgets/named.h"
#include "common/widgets/qtext.h"
#include "common/widgets/validatereal.h"
#include "common/widgets/waitcursor.h"
#include "plot/axis.h"
#include "plot/outputfiles.h"
#include "plot/widgets/plotform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <charconv>

namespace kolshell {

namespace {

constexpr int AxisTitleMax = 30; // characters, as the plot file holds them

// A title as the plot file keeps it: Windows text (one byte a character) where it can be,
// else UTF-8, and never a part of a character.
std::string AxisTitleText(const QString& text) {
    std::string bytes, refused;
    if (!FromQ(text.left(AxisTitleMax), TEncoding::Windows1252, bytes, refused))
        bytes = FromQ(text.left(AxisTitleMax));
    return WholeCharactersWithin(bytes, AxisTitleMax);
}

} // namespace

namespace {

// "5" style whole numbers; false after the conversion message.
bool ReadWhole(QLineEdit* edit, int32_t& value) {
    bool ok = false;
    const int v = edit->text().trimmed().toInt(&ok);
    if (!ok) {
        ShowMsg("'" + FromQ(edit->text()) + "' is not a valid integer value", MsgKind::Error, true);
        edit->setFocus();
        edit->selectAll();
        return false;
    }
    value = v;
    return true;
}

// The axis controls; the style list reads "F", "E" in the set-up dialog, "E", "F" in Modify.
TAxisControls MakeAxis(QWidget* parent, const QString& axis, bool styleEF, QGridLayout* grid,
                       int row) {
    TAxisControls a;
    a.Min = Named(new QLineEdit(parent), "Min" + axis + "V");
    a.Max = Named(new QLineEdit(parent), "Max" + axis + "V");
    a.Ticks = Named(new QLineEdit("5", parent), "TicksV" + axis);
    // Keys of their own beside those of both dialogs' other controls.
    const bool x = axis == "X";
    a.Linear = Named(new QRadioButton(x ? "Li&near" : "Line&ar", parent), "Linear" + axis);
    a.Log = Named(new QRadioButton(x ? "L&og" : "Lo&g", parent), "Log" + axis);
    a.Style = Named(new QComboBox(parent), axis + "Style");
    a.Style->addItems(styleEF ? QStringList{"E", "F"} : QStringList{"F", "E"});
    a.Digits = Named(new QComboBox(parent), axis + "Digits");
    for (int d = 0; d <= 9; ++d)
        a.Digits->addItem(QString::number(d));
    auto* box = new QGroupBox("&" + axis + " axis", parent);
    auto* g = new QGridLayout(box);
    g->addWidget(new QLabel("Min"), 0, 0);
    g->addWidget(a.Min, 0, 1);
    g->addWidget(new QLabel("Max"), 1, 0);
    g->addWidget(a.Max, 1, 1);
    g->addWidget(new QLabel("No. of Ticks"), 2, 0);
    g->addWidget(a.Ticks, 2, 1);
    g->addWidget(a.Linear, 0, 2);
    g->addWidget(a.Log, 1, 2);
    g->addWidget(a.Style, 2, 2);
    g->addWidget(a.Digits, 2, 3);
    grid->addWidget(box, row, 0, 1, 3);
    return a;
}

// NumStyle from a style list: "F" is fixed (1), "E" exponent (0).
int StyleOf(const QComboBox* c) {
    return c->currentText() == "F" ? 1 : 0;
}

void ShowStyle(QComboBox* c, int numStyle) {
    c->setCurrentText(numStyle == 1 ? "F" : "E");
}

// Whether the tick labels of a proposal would all read the same in fixed style, as "0.000"
// does for data near 1E-7.
bool FixedLabelsAlike(const AxisProposal& p) {
    AxisScale a;
    a.AxisMin = p.Min, a.AxisMax = p.Max, a.Ticks = p.Ticks;
    a.NumStyle = 1, a.NumDigits = std::clamp(p.Decimals, 0, MaxLabelDigits);
    const std::vector<AxisTick> ticks = MajorTicks(a, 0, 1000);
    return ticks.size() > 1 && std::all_of(ticks.begin(), ticks.end(), [&](const AxisTick& t) {
               return t.Label == ticks.front().Label;
           });
}

void SetAxisEnabled(TAxisControls& a, bool on) {
    for (QWidget* w : {static_cast<QWidget*>(a.Min), static_cast<QWidget*>(a.Max),
                       static_cast<QWidget*>(a.Ticks), static_cast<QWidget*>(a.Linear),
                       static_cast<QWidget*>(a.Log), static_cast<QWidget*>(a.Style),
                       static_cast<QWidget*>(a.Digits)})
        w->setEnabled(on);
}

// Why an axis end was refused.
void SayWhy(int axis, bool isMax, const QLineEdit* field) {
    const std::string name = axis == 0 ? "X" : "Y";
    Extended v = 0;
    if (isMax && ValidateRealText(FromQ(field->text()), 0, 0, 0, v))
        ShowMsg(name + " Max must be larger than " + name + " Min.", MsgKind::Error, false);
    else
        ShowMsg(name + (isMax ? " Max" : " Min") + " must be a number.", MsgKind::Error, false);
}

// The four ends, each checked in turn (a maximum above its minimum); stored as they pass.
bool ReadRanges(TAxisControls axis[2], TPlotDef& def) {
    for (int a = 0; a < 2; ++a) {
        Extended lo = 0, hi = 0;
        if (!ValidateReal(axis[a].Min, 0, 0, 0, lo)) return SayWhy(a, false, axis[a].Min), false;
        def.AxisMin[size_t(a)] = lo;
        if (!ValidateReal(axis[a].Max, 1, lo, 0, hi)) return SayWhy(a, true, axis[a].Max), false;
        def.AxisMax[size_t(a)] = hi;
    }
    return true;
}

// A value written so that it reads back exactly, in as few digits as that takes.
QString ExactText(Extended v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QString::fromLatin1(buf, int(r.ptr - buf));
}

std::vector<int> SelectedRows(const QListWidget* list) {
    std::vector<int> rows;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected()) rows.push_back(i + 1);
    return rows;
}

// A label whose access key moves the focus to its field.
QLabel* Buddy(const QString& text, QWidget* field) {
    auto* label = new QLabel(text);
    label->setBuddy(field);
    return label;
}

// A list with its caption above it.
QVBoxLayout* Captioned(const QString& caption, QWidget* list) {
    auto* column = new QVBoxLayout;
    column->addWidget(Buddy(caption, list));
    column->addWidget(list);
    return column;
}

void AddSpinners(QGridLayout* grid, int row, TSpinChoice* a, TSpinChoice* b, TSpinChoice* c) {
    auto* line = new QHBoxLayout;
    line->addWidget(new QLabel("Line"));
    line->addWidget(a);
    line->addWidget(new QLabel("Symbol"));
    line->addWidget(b);
    line->addWidget(new QLabel("Color"));
    line->addWidget(c);
    grid->addLayout(line, row, 0, 1, 3);
}

} // namespace

// ---- Spinners ----

TSpinChoice::TSpinChoice(Kind kind, const QString& name, QWidget* parent)
    : QWidget(parent), kind_(kind), count_(kind == LineStyle ? 4 : 16) {
    setObjectName(name);
    UpBtn = Named(new QToolButton(this), name + "Up");
    UpBtn->setArrowType(Qt::UpArrow);
    DownBtn = Named(new QToolButton(this), name + "Down");
    DownBtn->setArrowType(Qt::DownArrow);
    Preview = Named(new QLabel(this), name + "Preview");
    Preview->setFixedSize(60, 20);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Preview);
    auto* arrows = new QVBoxLayout;
    arrows->addWidget(UpBtn);
    arrows->addWidget(DownBtn);
    layout->addLayout(arrows);
    connect(UpBtn, &QToolButton::clicked, this, &TSpinChoice::Up);
    connect(DownBtn, &QToolButton::clicked, this, &TSpinChoice::Down);
    Paint();
}

void TSpinChoice::SetValue(int v) {
    value_ = ((v % count_) + count_) % count_;
    Paint();
}

void TSpinChoice::Up() {
    SetValue(value_ - 1);
}

void TSpinChoice::Down() {
    SetValue(value_ + 1);
}

void TSpinChoice::Paint() {
    QPixmap pm(Preview->size());
    pm.fill(kind_ == Colour ? PlotColour(value_) : QColor(Qt::white));
    QPainter p(&pm);
    p.setPen(Qt::black);
    p.drawRect(pm.rect().adjusted(0, 0, -1, -1));
    const int mid = pm.height() / 2;
    if (kind_ != Colour && value_ == 0) {
        p.drawText(5, 2 + p.fontMetrics().ascent(), "None");
    } else if (kind_ == LineStyle) {
        QPen pen(Qt::black, value_ == 2 ? 2 : 1, Qt::SolidLine);
        if (value_ == 3) pen.setDashPattern({5, 5});
        p.setPen(pen);
        p.drawLine(5, mid, pm.width() - 5, mid);
    } else if (kind_ == Symbol) {
        DrawPlotSymbol(p, pm.width() / 2, mid, value_, Qt::black, 1.0);
    }
    p.end();
    Preview->setPixmap(pm);
}

// ---- Plot Setup ----

TPlotSetup::TPlotSetup(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Plot Setup");
    auto* grid = new QGridLayout(this);
    PlotFileList = Named(new QComboBox(this), "PlotFileList");
    ListBoxX = Named(new QListWidget(this), "ListBoxX");
    ListBoxY = Named(new QListWidget(this), "ListBoxY");
    ListBoxY->setSelectionMode(QAbstractItemView::MultiSelection);
    grid->addWidget(PlotFileList, 0, 0, 1, 3);
    grid->addLayout(Captioned("&Column for X", ListBoxX), 1, 0);
    grid->addLayout(Captioned("Col&umns for Y", ListBoxY), 1, 1);
    Axis[0] = MakeAxis(this, "X", false, grid, 2);
    Axis[1] = MakeAxis(this, "Y", false, grid, 3);
    FromRowV = Named(new QLineEdit("1", this), "FromRowV");
    ToRowV = Named(new QLineEdit("20", this), "ToRowV");
    auto* rows = new QHBoxLayout;
    rows->addWidget(Buddy("&From Row", FromRowV));
    rows->addWidget(FromRowV);
    rows->addWidget(Buddy("&To Row", ToRowV));
    rows->addWidget(ToRowV);
    grid->addLayout(rows, 4, 0, 1, 3);
    SpinLine = new TSpinChoice(TSpinChoice::LineStyle, "SpinLine", this);
    SpinSymbol = new TSpinChoice(TSpinChoice::Symbol, "SpinSymbol", this);
    SpinColor = new TSpinChoice(TSpinChoice::Colour, "SpinColor", this);
    AddSpinners(grid, 5, SpinLine, SpinSymbol, SpinColor);
    SmoothingBox = Named(new QCheckBox("S&moothing", this), "SmoothingBox");
    LegendBox = Named(new QCheckBox("&Legend", this), "LegendBox");
    OKBtn = Named(new QPushButton("OK", this), "OKBtn");
    CancelBtn = Named(new QPushButton("Cancel", this), "CancelBtn");
    auto* buttons = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(SmoothingBox), static_cast<QWidget*>(LegendBox),
                       static_cast<QWidget*>(OKBtn), static_cast<QWidget*>(CancelBtn)})
        buttons->addWidget(w);
    grid->addLayout(buttons, 6, 0, 1, 3);
    connect(PlotFileList, &QComboBox::activated, this, [this] { PlotFileListChange(); });
    connect(ListBoxX, &QListWidget::itemClicked, this, [this] { MinMax(0); });
    connect(ListBoxY, &QListWidget::itemClicked, this, [this] {
        SetButtons();
        if (OKBtn->isEnabled()) MinMax(1);
    });
    connect(OKBtn, &QPushButton::clicked, this, &TPlotSetup::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    MakeDefaultButton(OKBtn);
    GuardWheel(this);
    connect(this, &QDialog::finished, this, [this] {
        data_ = TOutputData(); // the column buffers go
        fileName_ = openedWith_;
    });
}

void TPlotSetup::FormActivate(const std::string& fileName, bool overlay, TPlotForm* target) {
    fileName_ = openedWith_ = fileName;
    readFile_.clear();
    overlay_ = overlay;
    target_ = target;
    const OutputFileList files = ListOutputFiles(fileName);
    PlotFileList->clear();
    for (const std::string& f : files.Files)
        PlotFileList->addItem(ToQ(f), ToQ(JoinPath(ExtractFileDir(fileName), f)));
    PlotFileList->setCurrentIndex(files.Selected);
    PlotFileListChange();
    for (int a = 0; a < 2; ++a) {
        SetAxisEnabled(Axis[a], !overlay);
        Axis[a].Log->setEnabled(false);
    }
    if (!overlay) {
        SpinLine->SetValue(1);
        SpinSymbol->SetValue(0);
        SpinColor->SetValue(0);
        SmoothingBox->setChecked(false);
        for (int a = 0; a < 2; ++a) {
            Axis[a].Ticks->setText("5");
            Axis[a].Linear->setChecked(true);
            ShowStyle(Axis[a].Style, 1);
        }
        if (ListBoxX->count() > 0) ListBoxX->setCurrentRow(0);
        MinMax(0);
        MinMax(1);
    } else if (target_) {
        const TPlotDef& d = target_->Def();
        const TPlotLine& last = d.Lines[size_t(std::max(0, d.NLines - 1))];
        // The plot keeps its columns as list positions counted from 0.
        if (last.XCol >= 0 && last.XCol < ListBoxX->count()) ListBoxX->setCurrentRow(last.XCol);
        ListBoxY->clearSelection();
        if (last.YCol >= 0 && last.YCol < ListBoxY->count())
            ListBoxY->item(last.YCol)->setSelected(true);
        for (int a = 0; a < 2; ++a) {
            (d.LogAxis[size_t(a)] ? Axis[a].Log : Axis[a].Linear)->setChecked(true);
            ShowStyle(Axis[a].Style, d.NumStyle[size_t(a)]);
            Axis[a].Digits->setCurrentIndex(std::clamp(int(d.NumDigits[size_t(a)]), 0, 9));
            MinMax(a);
        }
    }
    SetButtons();
}

void TPlotSetup::PlotFileListChange() {
    const std::string file = FromQ(PlotFileList->currentData().toString());
    WaitCursor wait; // a big file takes a while
    data_ = TOutputData();
    std::string tooLarge;
    if (!file.empty()) {
        if (!ReadOutputFile(file, data_, &tooLarge) && !tooLarge.empty())
            ShowMsg(tooLarge, MsgKind::Error, true);
        fileName_ = readFile_ = file;
    }
    ListBoxX->clear();
    ListBoxY->clear();
    for (int c = 1; c <= data_.NCols; ++c) {
        ListBoxX->addItem(ToQ(data_.Names[size_t(c)]));
        ListBoxY->addItem(ToQ(data_.Names[size_t(c)]));
    }
    if (ListBoxX->count() > 0) ListBoxX->setCurrentRow(0);
    if (ListBoxY->count() > 1) ListBoxY->item(1)->setSelected(true);
    FromRowV->setText("1");
    ToRowV->setText(QString::number(data_.NRows));
    // Another file's columns bring that file's ranges.
    MinMax(0);
    MinMax(1);
    SetButtons();
}

// Overlay keeps the plot's axes: its ends and ticks are shown, not proposed.
void TPlotSetup::ShowPlotAxis(int axis) {
    const TPlotDef& d = target_->Def();
    const size_t a = size_t(axis);
    const NumberFormat f{uint8_t(d.NumStyle[a] == 1 ? 1 : 0), d.NumDigits[a]};
    Axis[axis].Min->setText(ToQ(FormatReal(f, d.AxisMin[a])));
    Axis[axis].Max->setText(ToQ(FormatReal(f, d.AxisMax[a])));
    Axis[axis].Ticks->setText(QString::number(d.Ticks[a]));
}

void TPlotSetup::MinMax(int axis) {
    if (overlay_) {
        if (target_) ShowPlotAxis(axis);
        return;
    }
    double lo = 9.0e30, hi = -9.0e30;
    const std::vector<int> cols =
        axis == 0 ? std::vector<int>{ListBoxX->currentRow() + 1} : SelectedRows(ListBoxY);
    for (int c : cols)
        if (c >= 1 && c <= data_.NCols)
            lo = std::min(lo, data_.Min(c)), hi = std::max(hi, data_.Max(c));
    const AxisProposal p = ScaleMinMax(lo, hi, ticks_[axis], decimals_[axis]);
    ticks_[axis] = p.Ticks;
    decimals_[axis] = p.Decimals;
    Axis[axis].Digits->setCurrentIndex(std::clamp(p.Decimals, 0, 9));
    Axis[axis].Min->setText(ToQ(ProposalText(p.Min, p.Decimals)));
    Axis[axis].Max->setText(ToQ(ProposalText(p.Max, p.Decimals)));
    Axis[axis].Ticks->setText(QString::number(p.Ticks));
    if (FixedLabelsAlike(p)) ShowStyle(Axis[axis].Style, 0);
}

void TPlotSetup::SetButtons() {
    OKBtn->setEnabled(!SelectedRows(ListBoxY).empty());
}

bool TPlotSetup::ReadAxes(TPlotDef& def) {
    if (!ReadRanges(Axis, def)) return false;
    for (int a = 0; a < 2; ++a) {
        if (!ReadWhole(Axis[a].Ticks, def.Ticks[size_t(a)])) return false;
        def.NumStyle[size_t(a)] = uint8_t(StyleOf(Axis[a].Style));
        def.NumDigits[size_t(a)] = int16_t(Axis[a].Digits->currentIndex());
        def.LogAxis[size_t(a)] = Axis[a].Log->isChecked();
        def.MinorTicks[size_t(a)] = 1;
    }
    return true;
}

void TPlotSetup::OKBtnClick() {
    TPlotDef working;
    if (!overlay_ && !ReadAxes(working)) return;
    int32_t to = 0;
    if (!ReadWhole(ToRowV, to)) return;
    if (ListBoxX->currentRow() < 0) {
        ShowMsg("No X column is selected.", MsgKind::Error, true);
        return;
    }
    PlotChoices c;
    c.XCol = ListBoxX->currentRow() + 1;
    c.YCols = SelectedRows(ListBoxY);
    c.FromRow = FromQ(FromRowV->text());
    c.ToRow = FromQ(ToRowV->text());
    c.LineStyle = SpinLine->Value();
    c.Symbol = SpinSymbol->Value();
    c.Colour = SpinColor->Value();
    c.Smooth = SmoothingBox->isChecked();
    c.Legend = LegendBox->isChecked();
    c.SourceFile = readFile_;
    working.ShowLegend = c.Legend;
    std::string error;
    bool ok = false;
    {
        WaitCursor wait;
        ok = overlay_ && target_ ? OverlayPlot(target_->Def(), data_, c, error)
                                 : BuildNewPlot(working, data_, c, plot_, error);
    }
    if (!ok) {
        ShowMsg(error, MsgKind::Error, true);
        return;
    }
    if (overlay_ && target_) target_->SetPlot(target_->Caption(), target_->Def());
    accept();
}

// ---- Modify ----

TModPlot::TModPlot(TPlotForm* plot, QWidget* parent) : QDialog(parent), plot_(plot) {
    const TPlotDef& d = plot->Def();
    setWindowTitle("Modify " + plot->Title());
    auto* grid = new QGridLayout(this);
    PlotLineBox = Named(new QComboBox(this), "PlotLineBox");
    for (int i = 0; i < d.NLines; ++i) {
        const TPlotLine& l = d.Lines[size_t(i)];
        PlotLineBox->addItem(ToQ((l.ColName[1] + " vs. ").substr(0, 25) + l.ColName[0]).left(45));
    }
    grid->addWidget(Buddy("&Plot", PlotLineBox), 0, 0);
    grid->addWidget(PlotLineBox, 0, 1, 1, 2);
    XAxisLabel = Named(new QLineEdit(ToQ(d.AxisTitle[0]), this), "XAxisLabel");
    YAxisLabel = Named(new QLineEdit(ToQ(d.AxisTitle[1]), this), "YAxisLabel");
    XAxisLabel->setMaxLength(AxisTitleMax);
    YAxisLabel->setMaxLength(AxisTitleMax);
    XGridlines = Named(new QCheckBox("G&ridlines", this), "XGridlines");
    YGridLines = Named(new QCheckBox("Gr&idlines", this), "YGridLines");
    grid->addWidget(Buddy("X axis titl&e", XAxisLabel), 1, 0);
    grid->addWidget(XAxisLabel, 1, 1);
    grid->addWidget(XGridlines, 1, 2);
    grid->addWidget(Buddy("Y axi&s title", YAxisLabel), 2, 0);
    grid->addWidget(YAxisLabel, 2, 1);
    grid->addWidget(YGridLines, 2, 2);
    Axis[0] = MakeAxis(this, "X", true, grid, 3);
    Axis[1] = MakeAxis(this, "Y", true, grid, 4);
    // The dialog starts from the plot as it is, its axis ends to the last digit.
    for (int a = 0; a < 2; ++a) {
        Axis[a].Min->setText(ExactText(d.AxisMin[size_t(a)]));
        Axis[a].Max->setText(ExactText(d.AxisMax[size_t(a)]));
        Axis[a].Ticks->setText(QString::number(d.Ticks[size_t(a)]));
        (d.LogAxis[size_t(a)] ? Axis[a].Log : Axis[a].Linear)->setChecked(true);
        Axis[a].Style->setCurrentIndex(d.NumStyle[size_t(a)] == 1 ? 1 : 0);
        Axis[a].Digits->setCurrentIndex(std::clamp(int(d.NumDigits[size_t(a)]), 0, 9));
        shownStyle_[a] = StyleOf(Axis[a].Style);
        shownDigits_[a] = Axis[a].Digits->currentIndex();
    }
    XGridlines->setChecked(d.Grid[0] != 0);
    YGridLines->setChecked(d.Grid[1] != 0);
    FromRowV = Named(new QLineEdit(this), "FromRowV");
    ToRowV = Named(new QLineEdit(this), "ToRowV");
    fromLabel_ = Buddy("&From Row", FromRowV);
    toLabel_ = Buddy("&To Row", ToRowV);
    auto* rows = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(fromLabel_), static_cast<QWidget*>(FromRowV),
                       static_cast<QWidget*>(toLabel_), static_cast<QWidget*>(ToRowV)})
        rows->addWidget(w);
    grid->addLayout(rows, 5, 0, 1, 3);
    SpinLine = new TSpinChoice(TSpinChoice::LineStyle, "SpinLine", this);
    SpinSymbol = new TSpinChoice(TSpinChoice::Symbol, "SpinSymbol", this);
    SpinColor = new TSpinChoice(TSpinChoice::Colour, "SpinColor", this);
    AddSpinners(grid, 6, SpinLine, SpinSymbol, SpinColor);
    SmoothingBox = Named(new QCheckBox("S&moothing", this), "SmoothingBox");
    LegendBox = Named(new QCheckBox("&Legend", this), "LegendBox");
    LegendBox->setChecked(d.ShowLegend != 0);
    Delete = Named(new QPushButton("&Delete", this), "Delete");
    OKBtn = Named(new QPushButton("OK", this), "OKBtn");
    CancelBtn = Named(new QPushButton("Cancel", this), "CancelBtn");
    auto* buttons = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(SmoothingBox), static_cast<QWidget*>(LegendBox),
                       static_cast<QWidget*>(Delete), static_cast<QWidget*>(OKBtn),
                       static_cast<QWidget*>(CancelBtn)})
        buttons->addWidget(w);
    grid->addLayout(buttons, 7, 0, 1, 3);
    // Enter is OK, even with Delete focused; Delete takes a click or the space bar.
    MakeDefaultButton(OKBtn);
    GuardWheel(this);
    PlotLineBox->setCurrentIndex(d.NLines - 1);
    SetPlotLineInfo();
    connect(PlotLineBox, &QComboBox::activated, this, [this] { SetPlotLineInfo(); });
    connect(OKBtn, &QPushButton::clicked, this, &TModPlot::OKBtnClick);
    connect(Delete, &QPushButton::clicked, this, &TModPlot::DeleteClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TModPlot::SetPlotLineInfo() {
    const int i = PlotLineBox->currentIndex();
    if (i < 0) return;
    const TPlotLine& l = plot_->Def().Lines[size_t(i)];
    SpinLine->SetValue(l.LineStyle);
    SpinSymbol->SetValue(l.Symbol);
    SpinColor->SetValue(l.Colour);
    SmoothingBox->setChecked(l.Smooth != 0);
    shownLine_ = {SpinLine->Value(), SpinSymbol->Value(), SpinColor->Value()};
    const bool rows = l.RowsEditable != 0;
    for (QWidget* w : {static_cast<QWidget*>(fromLabel_), static_cast<QWidget*>(FromRowV),
                       static_cast<QWidget*>(toLabel_), static_cast<QWidget*>(ToRowV)})
        w->setVisible(rows);
    FromRowV->setText(QString::number(l.FromRow));
    ToRowV->setText(QString::number(l.ToRow));
}

void TModPlot::OKBtnClick() {
    TPlotDef& d = plot_->Def();
    // A setting the user left as shown keeps the plot's own value, even one the controls
    // cannot show (a symbol past 15, a style byte other than 0 or 1).
    auto keep = [](auto& field, bool on) {
        if ((field != 0) != on) field = on;
    };
    keep(d.ShowLegend, LegendBox->isChecked());
    if (XAxisLabel->text() != ToQ(d.AxisTitle[0]))
        d.AxisTitle[0] = AxisTitleText(XAxisLabel->text());
    if (YAxisLabel->text() != ToQ(d.AxisTitle[1]))
        d.AxisTitle[1] = AxisTitleText(YAxisLabel->text());
    keep(d.Grid[0], XGridlines->isChecked());
    keep(d.Grid[1], YGridLines->isChecked());
    const bool ranges = ReadRanges(Axis, d);
    for (int a = 0; a < 2; ++a)
        if (!ReadWhole(Axis[a].Ticks, d.Ticks[size_t(a)])) return;
    for (int a = 0; a < 2; ++a) {
        keep(d.LogAxis[size_t(a)], Axis[a].Log->isChecked());
        if (StyleOf(Axis[a].Style) != shownStyle_[a])
            d.NumStyle[size_t(a)] = uint8_t(StyleOf(Axis[a].Style));
        if (Axis[a].Digits->currentIndex() != shownDigits_[a])
            d.NumDigits[size_t(a)] = int16_t(Axis[a].Digits->currentIndex());
    }
    TPlotLine& l = d.Lines[size_t(std::max(0, PlotLineBox->currentIndex()))];
    if (l.RowsEditable) {
        bool ok = false;
        const int from = FromRowV->text().trimmed().toInt(&ok);
        l.FromRow = ok && from >= 1 ? from : 1;
        const int to = ToRowV->text().trimmed().toInt(&ok);
        if (ok) l.ToRow = to > l.SourceRows || to <= l.FromRow ? l.SourceRows : to;
    }
    if (SpinLine->Value() != shownLine_[0]) l.LineStyle = SpinLine->Value();
    if (SpinSymbol->Value() != shownLine_[1]) l.Symbol = SpinSymbol->Value();
    if (SpinColor->Value() != shownLine_[2]) l.Colour = SpinColor->Value();
    keep(l.Smooth, SmoothingBox->isChecked());
    if (!ranges) return;
    plot_->SetPlot(plot_->Caption(), d);
    accept();
}

void TModPlot::DeleteClick() {
    emptied_ = !DeletePlotLine(plot_->Def(), PlotLineBox->currentIndex() + 1);
    if (!emptied_) plot_->SetPlot(plot_->Caption(), plot_->Def());
    accept();
}

// ---- Plot Table Runs ----

TPlotTableRuns::TPlotTableRuns(const std::vector<std::string>& files, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("Plot Table Runs");
    auto* grid = new QGridLayout(this);
    PlotFileList = Named(new QComboBox(this), "PlotFileList");
    for (const std::string& f : files)
        PlotFileList->addItem(ToQ(ExtractFileName(f)), ToQ(f));
    ListBoxX = Named(new QListWidget(this), "ListBoxX");
    ListBoxY = Named(new QListWidget(this), "ListBoxY");
    grid->addWidget(Buddy("&Output file of run 1", PlotFileList), 0, 0);
    grid->addWidget(PlotFileList, 0, 1);
    grid->addWidget(Buddy("&X", ListBoxX), 1, 0);
    grid->addWidget(Buddy("&Y", ListBoxY), 1, 1);
    grid->addWidget(ListBoxX, 2, 0);
    grid->addWidget(ListBoxY, 2, 1);
    OKBtn = Named(new QPushButton("OK", this), "OKBtn");
    CancelBtn = Named(new QPushButton("Cancel", this), "CancelBtn");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    grid->addLayout(buttons, 3, 0, 1, 2);
    connect(PlotFileList, &QComboBox::activated, this, [this] { PlotFileListChange(); });
    connect(ListBoxY, &QListWidget::currentRowChanged, this,
            [this] { OKBtn->setEnabled(XCol() > 0 && YCol() > 0); });
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    MakeDefaultButton(OKBtn);
    GuardWheel(this);
    PlotFileListChange();
}

// Run 1's file names the columns every run writes.
void TPlotTableRuns::PlotFileListChange() {
    TOutputData data;
    {
        WaitCursor wait;
        ReadOutputFile(File(), data);
    }
    ListBoxX->clear();
    ListBoxY->clear();
    for (int c = 1; c <= data.NCols; ++c) {
        ListBoxX->addItem(ToQ(data.Names[size_t(c)]));
        ListBoxY->addItem(ToQ(data.Names[size_t(c)]));
    }
    if (ListBoxX->count() > 0) ListBoxX->setCurrentRow(0);
    ListBoxY->setCurrentRow(ListBoxY->count() > 1 ? 1 : ListBoxY->count() - 1);
    OKBtn->setEnabled(XCol() > 0 && YCol() > 0);
}

std::string TPlotTableRuns::File() const {
    return FromQ(PlotFileList->currentData().toString());
}

int TPlotTableRuns::XCol() const {
    return ListBoxX->currentRow() + 1;
}

int TPlotTableRuns::YCol() const {
    return ListBoxY->currentRow() + 1;
}

} // namespace kolshell
