#include "shell/widgets/setupdlg.h"

#include "common/globals.h"
#include "common/lib1.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/programfiles.h"
#include "common/widgets/dialogkeys.h"
#include "common/widgets/dialogs.h"
#include "common/widgets/qtext.h"
#include "run/widgets/runsettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace kolshell {

namespace {

const char* const PageNames[] = {"&Configure",   "&KOLSED", "Co&mpiler",
                                 "&Directories", "&Links",  "&Runs"};
// The engine switches' captions with their access keys, in the switch file's order.
const char* const SwitchCaptions[] = {
    "Dis&play Simulation Status",      "Write KOLVAN &Header",
    "Write Printer La&bels",           "Write Output &Units",
    "Check for Unlinked Subr&outines", "Check &Input-Output Connections",
    "Print &Warning Messages"};
static_assert(std::size(SwitchCaptions) == EngineSwitchCount);

QGroupBox* Group(const QString& title, QWidget* parent, const QString& name) {
    auto* g = new QGroupBox(title, parent);
    g->setObjectName(name);
    return g;
}

QWidget* PageWithGroup(QGroupBox*& group, const QString& title, const QString& name) {
    auto* page = new QWidget;
    auto* lay = new QVBoxLayout(page);
    lay->setContentsMargins(0, 0, 0, 0);
    group = Group(title, page, name);
    lay->addWidget(group);
    return page;
}

QLineEdit* LabelledEdit(QGridLayout* grid, int row, const QString& label, const QString& name,
                        QLabel** labelOut = nullptr) {
    auto* l = new QLabel(label);
    auto* e = new QLineEdit;
    e->setObjectName(name);
    l->setBuddy(e);
    grid->addWidget(l, row, 0);
    grid->addWidget(e, row, 1);
    if (labelOut) *labelOut = l;
    return e;
}

QPushButton* AddButton(QVBoxLayout* column, const QString& text, const char* name) {
    auto* b = new QPushButton(text);
    b->setObjectName(name);
    column->addWidget(b);
    return b;
}

} // namespace

TSetupDlg::TSetupDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("SetupDlg");
    setWindowTitle("KOLSHELL Setup");
    setProperty("HelpContext", 22);

    notebook_ = new QStackedWidget;
    notebook_->setObjectName("Notebook");
    notebook_->addWidget(MakeConfigurePage());
    notebook_->addWidget(MakeKolsedPage());
    notebook_->addWidget(MakeCompilerPage());
    notebook_->addWidget(MakeDirectoriesPage());
    notebook_->addWidget(MakeLinksPage());
    notebook_->addWidget(MakeRunsPage());

    tabSet_ = new QTabBar;
    tabSet_->setObjectName("TabSet");
    tabSet_->setShape(QTabBar::RoundedSouth);
    for (const char* name : PageNames)
        tabSet_->addTab(name);
    tabSet_->setDrawBase(false);
    tabSet_->setExpanding(false);
    connect(tabSet_, &QTabBar::currentChanged, this, &TSetupDlg::TabSetClick);

    auto* buttons = new QVBoxLayout;
    auto* ok = AddButton(buttons, "OK", "OKBtn");
    connect(ok, &QPushButton::clicked, this, [this] {
        OKBtnClick();
        accept();
    });
    connect(AddButton(buttons, "&Store", "Store"), &QPushButton::clicked, this,
            &TSetupDlg::StoreClick);
    connect(AddButton(buttons, "Cancel", "CancelBtn"), &QPushButton::clicked, this,
            &QDialog::reject);

    // The engine version choice is kept but not offered.
    auto* version = Group("Version", this, "VersionGroup");
    auto* vl = new QVBoxLayout(version);
    bit16_ = new QRadioButton("16 bit", version);
    bit16_->setObjectName("Bit16");
    bit16_->setChecked(true);
    bit32_ = new QRadioButton("32 bit", version);
    bit32_->setObjectName("Bit32");
    vl->addWidget(bit16_);
    vl->addWidget(bit32_);
    version->hide();
    buttons->addWidget(version);
    buttons->addStretch();

    auto* pages = new QVBoxLayout;
    pages->setSpacing(0);
    pages->addWidget(notebook_, 1);
    pages->addWidget(tabSet_);
    auto* lay = new QHBoxLayout(this);
    lay->addLayout(pages, 1);
    lay->addLayout(buttons);
    MakeDefaultButton(ok);
    GuardWheel(this);
}

QWidget* TSetupDlg::MakeConfigurePage() {
    QGroupBox* g;
    QWidget* page = PageWithGroup(g, "Configure", "ConfigureGroup");
    auto* lay = new QVBoxLayout(g);
    for (size_t i = 0; i < EngineSwitchCount; ++i) {
        switches_[i] = new QCheckBox(SwitchCaptions[i], g);
        switches_[i]->setObjectName(QString("CheckBox%1").arg(i + 1));
        lay->addWidget(switches_[i]);
    }
    lay->addStretch();
    return page;
}

QWidget* TSetupDlg::MakeKolsedPage() {
    QGroupBox* g;
    QWidget* page = PageWithGroup(g, "KOLSED", "KolsedGroup");
    auto* lay = new QHBoxLayout(g);
    auto* units = Group("Units", g, "UnitsGroup");
    auto* ul = new QVBoxLayout(units);
    primaryUnits_ = new QRadioButton("&Primary units", units);
    primaryUnits_->setObjectName("PrimaryUnits");
    secondaryUnits_ = new QRadioButton("S&econdary units", units);
    secondaryUnits_->setObjectName("SecondaryUnits");
    ul->addWidget(primaryUnits_);
    ul->addWidget(secondaryUnits_);
    ul->addStretch();
    auto* defaults = Group("Include Defaults", g, "IncludeDefaultsGroup");
    auto* dl = new QVBoxLayout(defaults);
    header_ = new QCheckBox("&Header", defaults);
    header_->setObjectName("HeaderCheck");
    simulationCard_ = new QCheckBox("Simulation c&ard", defaults);
    simulationCard_->setObjectName("SimulationCardCheck");
    dl->addWidget(header_);
    dl->addWidget(simulationCard_);
    dl->addStretch();
    lay->addWidget(units);
    lay->addWidget(defaults);
    return page;
}

QWidget* TSetupDlg::MakeCompilerPage() {
    QGroupBox* g;
    QWidget* page = PageWithGroup(g, "Compiler", "CompilerGroup");
    auto* grid = new QGridLayout(g);
    commands_[0] = LabelledEdit(grid, 0, "C&ompile", "CompileEdit");
    commands_[1] = LabelledEdit(grid, 1, "Re&build", "RebuildEdit");
    commands_[2] = LabelledEdit(grid, 2, "&User Command", "UserCommandEdit");
    grid->setRowStretch(3, 1);
    return page;
}

QWidget* TSetupDlg::MakeDirectoriesPage() {
    QGroupBox* g;
    QWidget* page = PageWithGroup(g, "Directories", "DirectoriesGroup");
    auto* grid = new QGridLayout(g);
    const char* names[] = {"KOLVAN", "FLOWDRAW", "ZONEKIT", "ZONER", "MODLIB", "GRIDCALC"};
    const char* labels[] = {"KOL&VAN", "&FLOWDRAW", "Z&ONEKIT", "ZON&ER", "MODL&IB", "&GRIDCALC"};
    for (int i = 0; i < 6; ++i) {
        QLineEdit* edit = LabelledEdit(grid, i, labels[i], QString(names[i]) + "Dir",
                                       i == 1 ? &flowdrawLabel_ : nullptr);
        dirs_[size_t(i)] = edit;
        auto* browse = new QPushButton("Browse...");
        browse->setObjectName(QString(names[i]) + "Browse");
        const QString title = QString("Choose the %1 directory").arg(names[i]);
        browse->setToolTip(title);
        connect(browse, &QPushButton::clicked, this, [this, edit, title] {
            const QString chosen = Dialogs().DirectoryName(this, title, edit->text());
            if (!chosen.isEmpty()) edit->setText(QDir::toNativeSeparators(chosen));
        });
        grid->addWidget(browse, i, 2);
    }
    grid->setRowStretch(6, 1);
    return page;
}

QWidget* TSetupDlg::MakeLinksPage() {
    QGroupBox* g;
    QWidget* page = PageWithGroup(g, "Link File Application Names", "LinksGroup");
    auto* grid = new QGridLayout(g);
    grid->addWidget(new QLabel("(Include complete path and file name)"), 0, 0, 1, 3);
    for (int i = 0; i < 4; ++i) {
        links_[size_t(i)] = new QLineEdit(" ");
        links_[size_t(i)]->setObjectName(QString("LinkEdit%1").arg(i + 1));
        auto* label = new QLabel(QString("&%1.").arg(i + 1));
        label->setBuddy(links_[size_t(i)]);
        grid->addWidget(label, i + 1, 0);
        grid->addWidget(links_[size_t(i)], i + 1, 1);
        // The button shows the picture forms give the link's buttons, and says so.
        auto* b = new QToolButton;
        b->setObjectName(QString("SpeedButton%1").arg(i + 1));
        b->setText("Button picture...");
        b->setToolTip(QString("The picture on the buttons of link %1 in KOLSED forms").arg(i + 1));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setIconSize(QSize(16, 16));
        connect(b, &QToolButton::clicked, this, [this, i] { SpeedButton1Click(i + 1); });
        linkButtons_[size_t(i)] = b;
        grid->addWidget(b, i + 1, 2);
    }
    grid->setRowStretch(5, 1);
    return page;
}

QWidget* TSetupDlg::MakeRunsPage() {
    QGroupBox* g;
    QWidget* page = PageWithGroup(g, "Runs", "RunsGroup");
    auto* grid = new QGridLayout(g);
    auto* label = new QLabel("Runs &at once");
    runsAtOnce_ = new QSpinBox;
    runsAtOnce_->setObjectName("RunsAtOnce");
    runsAtOnce_->setRange(1, MaxRunsAtOnce());
    label->setBuddy(runsAtOnce_);
    grid->addWidget(label, 0, 0);
    grid->addWidget(runsAtOnce_, 0, 1);
    grid->addWidget(
        new QLabel(
            QString("(1 to %1: the table runs going on at the same time)").arg(MaxRunsAtOnce())),
        1, 0, 1, 2);
    AddSlurmRows(grid, 2);
    return page;
}

void TSetupDlg::AddSlurmRows(QGridLayout* grid, int row) {
    const auto add = [&](const QString& text, QWidget* field, const char* name) {
        field->setObjectName(name);
        auto* label = new QLabel(text);
        label->setBuddy(field);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row++, 1);
    };
    runTablesOn_ = new QComboBox;
    runTablesOn_->addItems({"this computer", "Slurm cluster"});
    add("Run &tables on", runTablesOn_, "RunTablesOn");
    partition_ = new QLineEdit;
    partition_->setPlaceholderText("the cluster's default");
    add("&Partition", partition_, "SlurmPartition");
    slurmTime_ = new QSpinBox;
    slurmTime_->setRange(0, MaxSlurmMinutes);
    slurmTime_->setSpecialValueText("the partition's limit");
    slurmTime_->setSuffix(" min");
    add("T&ime limit per run", slurmTime_, "SlurmTime");
    slurmAtOnce_ = new QSpinBox;
    slurmAtOnce_->setRange(0, MaxSlurmAtOnce);
    slurmAtOnce_->setSpecialValueText("no limit");
    add("Most runs at once on the cl&uster", slurmAtOnce_, "SlurmAtOnce");
    sbatchArgs_ = new QLineEdit;
    add("E&xtra sbatch options", sbatchArgs_, "SbatchArgs");
    keepRunFiles_ = new QCheckBox("Keep run &files");
    keepRunFiles_->setObjectName("KeepRunFiles");
    grid->addWidget(keepRunFiles_, row++, 1);
    auto* shared = new QLabel("(a cluster's nodes must see the deck folder and the engine "
                              "directory: a shared filesystem)");
    shared->setWordWrap(true);
    grid->addWidget(shared, row++, 0, 1, 2);
    grid->setRowStretch(row, 1);
    connect(runTablesOn_, &QComboBox::currentIndexChanged, this, &TSetupDlg::ShowRunPlace);
}

void TSetupDlg::ShowRunPlace() {
    const bool slurm = runTablesOn_->currentIndex() == 1;
    runsAtOnce_->setEnabled(!slurm);
    for (QWidget* w : std::initializer_list<QWidget*>{partition_, slurmTime_, slurmAtOnce_,
                                                      sbatchArgs_, keepRunFiles_})
        w->setEnabled(slurm);
}

void TSetupDlg::TabSetClick(int index) {
    notebook_->setCurrentIndex(index);
    if (tabSet_->currentIndex() != index) tabSet_->setCurrentIndex(index);
}

bool TSetupDlg::Execute() {
    if (!FormActivate()) return false;
    exec();
    return true;
}

bool TSetupDlg::FormActivate() {
    const TOptions& o = Options();
    (o.UnitSystem == 1 ? primaryUnits_ : secondaryUnits_)->setChecked(true);
    (o.Engine32 ? bit32_ : bit16_)->setChecked(true);
    header_->setChecked(o.IncludeHeader == 1);
    simulationCard_->setChecked(o.IncludeSimulationCard == 1);
    commands_[0]->setText(ToQ(UserCommands().Compile));
    commands_[1]->setText(ToQ(UserCommands().Rebuild));
    commands_[2]->setText(ToQ(UserCommands().User));
    for (size_t i = 0; i < dirs_.size(); ++i)
        dirs_[i]->setText(ToQ(ProgramDirs().Dirs[i]));
    for (int i = 0; i < 4; ++i) {
        links_[size_t(i)]->setText(ToQ(ProgramDirs().Links[size_t(i)]));
        linkBitmaps_[size_t(i)] = ToQ(ProgramDirs().LinkBitmaps[size_t(i)]);
        LoadButtonGlyph(i);
    }
    const std::string kol = ProgramFileToRead("CNFGKV.KOL");
    if (!FileExists(kol)) {
        ShowMsg("Please put the CNFGKV.KOL file in the KOLSHELL directory", MsgKind::Information,
                true);
        if (EndProgram) EndProgram();
        return false;
    }
    const TRunSettings& runs = RunSettings();
    runsAtOnce_->setValue(runs.RunsAtOnce);
    runTablesOn_->setCurrentIndex(runs.OnSlurm ? 1 : 0);
    partition_->setText(runs.Partition);
    slurmTime_->setValue(runs.TimeMinutes);
    slurmAtOnce_->setValue(runs.MaxAtOnce);
    sbatchArgs_->setText(runs.SbatchArgs);
    keepRunFiles_->setChecked(runs.KeepRunFiles);
    ShowRunPlace();
    flowdrawLabel_->setText(Globals().UseNodeStudio ? "&Nodestudio" : "&FLOWDRAW");
    EngineSwitches on{};
    ReadEngineSwitches(kol, on);
    for (size_t i = 0; i < EngineSwitchCount; ++i)
        switches_[i]->setChecked(on[i]);
    return true;
}

void TSetupDlg::OKBtnClick() {
    setResult(QDialog::Accepted);
    const int oldUnits = Options().UnitSystem;
    Options().UnitSystem = primaryUnits_->isChecked() ? 1 : 2;
    if (UnitsChanged) UnitsChanged(oldUnits, Options().UnitSystem);

    Options().Engine32 = bit16_->isChecked() ? 0 : 1;
    Options().IncludeHeader = header_->isChecked() ? 1 : 0;
    Options().IncludeSimulationCard = simulationCard_->isChecked() ? 1 : 0;

    for (size_t i = 0; i < dirs_.size(); ++i)
        ProgramDirs().Dirs[i] = Short(FromQ(dirs_[i]->text()));
    for (size_t i = 0; i < 4; ++i) {
        const std::string link = FromQ(links_[i]->text());
        ProgramDirs().Links[i] = link.substr(0, link.find(LinkBitmapMark));
        ProgramDirs().LinkBitmaps[i] = FromQ(linkBitmaps_[i]);
    }
    ProgramDirs().Links[4].clear();
    ProgramDirs().LinkBitmaps[4].clear();

    UserCommands().Compile = Short(FromQ(commands_[0]->text()));
    UserCommands().Rebuild = Short(FromQ(commands_[1]->text()));
    UserCommands().User = Short(FromQ(commands_[2]->text()));

    TRunSettings& runs = RunSettings();
    runs.RunsAtOnce = runsAtOnce_->value();
    runs.OnSlurm = runTablesOn_->currentIndex() == 1;
    runs.Partition = partition_->text().trimmed();
    runs.TimeMinutes = slurmTime_->value();
    runs.MaxAtOnce = slurmAtOnce_->value();
    runs.SbatchArgs = sbatchArgs_->text();
    runs.KeepRunFiles = keepRunFiles_->isChecked();

    EngineSwitches on{};
    for (size_t i = 0; i < EngineSwitchCount; ++i)
        on[i] = switches_[i]->isChecked();
    std::string error;
    const std::string kol = ProgramFileToWrite("CNFGKV.KOL", &error);
    if (kol.empty() || !RewriteEngineSwitches(ExtractFileDir(kol), on, &error))
        ShowMsg(error, MsgKind::Error, true);
}

void TSetupDlg::StoreClick() {
    OKBtnClick();
    ProgramDirs().LinkCount = 5;
    std::string why;
    const std::string dft = ProgramFileToWrite("KOLSHELL.DFT", &why);
    if (dft.empty())
        ShowMsg(why, MsgKind::Error, true);
    else if (!WriteDFT(dft, Globals().Settings))
        ShowMsg(
            WriteFailureText(dft, "Error writing file " + dft + "; the settings were not stored."),
            MsgKind::Error, true);
    if (!WriteRunSettings())
        ShowMsg("Error writing file " + FromQ(RunSettingsFile()) +
                    "; the settings were not stored.",
                MsgKind::Error, true);
    done(QDialog::Accepted);
}

void TSetupDlg::SpeedButton1Click(int code) {
    if (code < 1 || code > 4) return;
    const QString name = Dialogs().PictureFileName(
        this, "Select a bitmap for the button (16 x 16 or 32 x 16 pixels)",
        "Bitmaps (*.bmp)|*.bmp");
    if (name.isEmpty()) return;
    linkBitmaps_[size_t(code - 1)] = name;
    LoadButtonGlyph(code - 1);
}

void TSetupDlg::LoadButtonGlyph(int row) {
    QToolButton* b = linkButtons_[size_t(row)];
    const QString path = linkBitmaps_[size_t(row)];
    QPixmap pm;
    if (path.isEmpty() || !pm.load(ToQ(NativePath(FromQ(path))))) {
        b->setIcon(QIcon());
        return;
    }
    QIcon icon;
    if (pm.width() == 32) {
        // Two glyphs side by side: normal and disabled.
        icon.addPixmap(pm.copy(0, 0, 16, pm.height()), QIcon::Normal);
        icon.addPixmap(pm.copy(16, 0, 16, pm.height()), QIcon::Disabled);
    } else {
        icon.addPixmap(pm);
    }
    b->setIcon(icon);
}

} // namespace kolshell
