#include "app/kolshellform.h"
#include "common/globals.h"
#include "common/lib1.h"
#include "common/paths.h"
#include "common/programfiles.h"
#include "common/settings.h"
#include "run/widgets/runsettings.h"
#include "shell/widgets/setupdlg.h"
#include "tests/support/testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace kolshell;

namespace {
// A file of the user's configuration folder.
std::string UserFile(const char* name) {
    return JoinPath(UserConfigDir(), name);
}
} // namespace

class TestSetupDlg : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void looks();
    void missingSwitchFileEndsProgram();
    void okTakesChanges();
    void cancelLeavesSettingsAndSwitchFile_data();
    void cancelLeavesSettingsAndSwitchFile();
    void freshSetupShowsNothingSetUp();
    void okOverReadOnlySwitchFile();
    void okThroughLinkedSwitchFile();
    void storeOverReadOnlyDefaults();
    void storeWritesDefaults();
    void bitmapButton();
    void unitsConvertForms();
    void runsPage();
    void slurmFields();
    void runsPageReadable();
    void wheelLeavesUnfocusedChoices();
    void pagesFitTheirText_data();
    void pagesFitTheirText();
    void browseForDirectory();
    void runSettingsFile_data();
    void runSettingsFile();

  private:
    std::unique_ptr<QTemporaryDir> tmp_;
};

void TestSetupDlg::init() {
    tmp_ = std::make_unique<QTemporaryDir>();
    Globals() = TGlobals();
    Globals().KolshellDir = tmp_->path().toStdString();
    UserFoldersIn(tmp_->path());
    SetRunSettingsFile(tmp_->path() + "/config/KOLSHELL.ini");
    RunSettings() = TRunSettings();
    WriteTestFile(tmp_->path(), "CNFGKV.KOL",
                  "head\r\nY\r\nN\r\nY\r\nN\r\nY\r\nN\r\nY\r\nmore\r\nmore\r\n");
}

void TestSetupDlg::looks() {
    TSetupDlg dlg;
    QCOMPARE(dlg.windowTitle(), QString("KOLSHELL Setup"));
    QCOMPARE(dlg.property("HelpContext").toInt(), 22);
    auto* tabs = dlg.findChild<QTabBar*>("TabSet");
    QStringList names;
    for (int i = 0; i < tabs->count(); ++i)
        names << tabs->tabText(i).remove('&');
    QCOMPARE(names,
             QStringList({"Configure", "KOLSED", "Compiler", "Directories", "Links", "Runs"}));
    QVERIFY(dlg.findChild<QGroupBox*>("VersionGroup")->isHidden());
    QVERIFY(dlg.findChild<QPushButton*>("Store"));
    QVERIFY(dlg.FormActivate());
    QVERIFY(dlg.findChild<QCheckBox*>("CheckBox1")->isChecked());
    QVERIFY(!dlg.findChild<QCheckBox*>("CheckBox2")->isChecked());
    QCOMPARE(dlg.findChild<QLineEdit*>("KOLVANDir")->text(), QString()); // nothing set up yet
}

void TestSetupDlg::missingSwitchFileEndsProgram() {
    QFile::remove(tmp_->path() + "/CNFGKV.KOL");
    MsgRecorder rec;
    TSetupDlg dlg;
    bool ended = false;
    dlg.EndProgram = [&] { ended = true; };
    QVERIFY(!dlg.Execute());
    QCOMPARE(rec.Texts(),
             std::vector<std::string>{"Please put the CNFGKV.KOL file in the KOLSHELL directory"});
    QCOMPARE(rec.Shown[0].Kind, MsgKind::Information);
    QVERIFY(rec.Shown[0].Beep);
    QVERIFY(ended);
}

void TestSetupDlg::okTakesChanges() {
    TSetupDlg dlg;
    QVERIFY(dlg.FormActivate());
    dlg.findChild<QLineEdit*>("ZONERDir")->setText("/opt/zoner");
    dlg.findChild<QCheckBox*>("CheckBox2")->setChecked(true);
    dlg.findChild<QPushButton*>("OKBtn")->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(ProgramDirs().Dirs[pdZoner], std::string("/opt/zoner"));
    // The user's switch file, made from the program directory's, is rewritten, the lines after
    // the switches kept, the old one kept as the backup; the program directory's stays as it was.
    QCOMPARE(ReadTestFile(UserFile("CNFGKV.KOL")),
             std::string("head\r\nY\r\nY\r\nY\r\nN\r\nY\r\nN\r\nY\r\nmore\r\nmore\r\n"));
    QVERIFY(FileExists(UserFile("CNFGKV.BAK")));
    QCOMPARE(ReadTestFile(Globals().KolshellDir + "/CNFGKV.KOL"),
             std::string("head\r\nY\r\nN\r\nY\r\nN\r\nY\r\nN\r\nY\r\nmore\r\nmore\r\n"));
    QVERIFY(!QFile::exists(tmp_->path() + "/CNFGKV.BAK"));
    QVERIFY(!FileExists(UserFile("KOLSHELL.DFT"))); // only Store writes it
}

namespace {

// File, Setup through the main window's menu; while the dialog is shown, edit changes what
// it shows and close ends it.
void RunSetup(TKOLSHELLFORM& main, const std::function<void(TSetupDlg&)>& edit,
              const std::function<void(TSetupDlg&)>& close) {
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<TSetupDlg*>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        shown = true;
        edit(*dlg);
        close(*dlg);
    });
    main.Action("Setup1")->trigger();
    QVERIFY(shown);
}

void UntickWarningsAndMore(TSetupDlg& dlg) {
    auto* warnings = dlg.findChild<QCheckBox*>("CheckBox7");
    QCOMPARE(warnings->text().remove('&'), QString("Print Warning Messages"));
    QVERIFY(warnings->isChecked());
    warnings->setChecked(false);
    dlg.findChild<QRadioButton*>("SecondaryUnits")->setChecked(true);
    dlg.findChild<QLineEdit*>("ZONERDir")->setText("/opt/zoner");
    dlg.findChild<QLineEdit*>("UserCommandEdit")->setText("make all");
}

} // namespace

void TestSetupDlg::cancelLeavesSettingsAndSwitchFile_data() {
    QTest::addColumn<bool>("escape");
    QTest::newRow("Cancel button") << false;
    QTest::newRow("Escape key") << true;
}

void TestSetupDlg::cancelLeavesSettingsAndSwitchFile() {
    QFETCH(bool, escape);
    MsgRecorder rec;
    TestFolder dir;
    FreshProgramDir(dir);
    const std::string switches = "head\r\nY\r\nN\r\nY\r\nN\r\nY\r\nN\r\nY\r\nmore\r\n";
    const std::string kol = dir.Write("CNFGKV.KOL", switches);
    TKOLSHELLFORM main;
    main.CreateDialogs();
    const std::string settings = EncodeDFT(Globals().Settings);
    const std::string defaults = ReadTestFile(dir.Path("KOLSHELL.DFT"));
    RunSetup(main, UntickWarningsAndMore, [escape](TSetupDlg& dlg) {
        if (escape)
            QTest::keyClick(&dlg, Qt::Key_Escape);
        else
            dlg.findChild<QPushButton*>("CancelBtn")->click();
    });
    QCOMPARE(main.SetupDlg()->result(), int(QDialog::Rejected));
    QCOMPARE(EncodeDFT(Globals().Settings), settings);
    QCOMPARE(Options().UnitSystem, 1);
    QCOMPARE(ReadTestFile(kol), switches);
    QVERIFY(!FileExists(dir.Path("CNFGKV.BAK")));
    QCOMPARE(ReadTestFile(dir.Path("KOLSHELL.DFT")), defaults);
    QVERIFY(rec.Shown.empty());
    // Opened again, the dialog shows the settings as they still are.
    RunSetup(
        main,
        [](TSetupDlg& dlg) {
            QVERIFY(dlg.findChild<QCheckBox*>("CheckBox7")->isChecked());
            QVERIFY(dlg.findChild<QRadioButton*>("PrimaryUnits")->isChecked());
        },
        [](TSetupDlg& dlg) { dlg.findChild<QPushButton*>("CancelBtn")->click(); });
    QCOMPARE(ReadTestFile(kol), switches);
}

void TestSetupDlg::freshSetupShowsNothingSetUp() {
    // A new user with the program's defaults: the engine is the one beside the program; no
    // companion folders and no command lines are set up.
    MsgRecorder rec;
    TestFolder dir;
    FreshProgramDir(dir);
    dir.Write("CNFGKV.KOL", "switches\r\nY\r\nN\r\n");
    TKOLSHELLFORM main;
    main.CreateDialogs();
    RunSetup(
        main,
        [&](TSetupDlg& dlg) {
            QCOMPARE(dlg.findChild<QLineEdit*>("KOLVANDir")->text(), dir.Dir.path());
            for (const char* name :
                 {"FLOWDRAWDir", "ZONEKITDir", "ZONERDir", "MODLIBDir", "GRIDCALCDir",
                  "CompileEdit", "RebuildEdit", "UserCommandEdit"})
                QCOMPARE(dlg.findChild<QLineEdit*>(name)->text(), QString());
        },
        [](TSetupDlg& dlg) { dlg.findChild<QPushButton*>("CancelBtn")->click(); });
    QVERIFY(rec.Shown.empty());
}

void TestSetupDlg::okOverReadOnlySwitchFile() {
    MsgRecorder rec;
    QVERIFY(QDir().mkpath(QString::fromStdString(UserConfigDir())));
    const std::string kol = UserFile("CNFGKV.KOL");
    QVERIFY(QFile::copy(tmp_->path() + "/CNFGKV.KOL", QString::fromStdString(kol)));
    const std::string before = ReadTestFile(kol);
    QCOMPARE(::chmod(kol.c_str(), 0444), 0);
    TSetupDlg dlg;
    QVERIFY(dlg.FormActivate());
    dlg.findChild<QCheckBox*>("CheckBox7")->setChecked(false);
    dlg.findChild<QPushButton*>("OKBtn")->click();
    QCOMPARE(rec.Texts(),
             std::vector<std::string>{"File " + kol + " is read-only; it was not changed."});
    QCOMPARE(ReadTestFile(kol), before);
    QVERIFY(!FileExists(UserFile("CNFGKV.BAK")));
}

void TestSetupDlg::okThroughLinkedSwitchFile() {
    // The user's switch file is a link to the engine's own.
    const std::string dir = Globals().KolshellDir;
    QVERIFY(QDir(tmp_->path()).mkpath("engine"));
    QVERIFY(QDir().mkpath(QString::fromStdString(UserConfigDir())));
    QVERIFY(QFile::rename(tmp_->path() + "/CNFGKV.KOL", tmp_->path() + "/engine/CNFGKV.KOL"));
    const std::string kol = UserFile("CNFGKV.KOL");
    QCOMPARE(::symlink((dir + "/engine/CNFGKV.KOL").c_str(), kol.c_str()), 0);
    TSetupDlg dlg;
    QVERIFY(dlg.FormActivate());
    dlg.findChild<QCheckBox*>("CheckBox7")->setChecked(false);
    dlg.findChild<QPushButton*>("OKBtn")->click();
    QVERIFY(QFileInfo(QString::fromStdString(kol)).isSymLink());
    QCOMPARE(ReadTestFile(dir + "/engine/CNFGKV.KOL"),
             std::string("head\r\nY\r\nN\r\nY\r\nN\r\nY\r\nN\r\nN\r\nmore\r\nmore\r\n"));
    QVERIFY(ReadTestFile(UserFile("CNFGKV.BAK")).find("more") != std::string::npos);
}

void TestSetupDlg::storeOverReadOnlyDefaults() {
    MsgRecorder rec;
    const std::string dft = UserFile("KOLSHELL.DFT");
    const std::string old = EncodeDFT(DefaultSettings());
    QVERIFY(QDir().mkpath(QString::fromStdString(UserConfigDir())));
    WriteTestFile(QString::fromStdString(UserConfigDir()), "KOLSHELL.DFT", old);
    QCOMPARE(::chmod(dft.c_str(), 0444), 0);
    TSetupDlg dlg;
    QVERIFY(dlg.FormActivate());
    dlg.findChild<QLineEdit*>("UserCommandEdit")->setText("make all");
    dlg.findChild<QPushButton*>("Store")->click();
    QCOMPARE(rec.Texts(),
             std::vector<std::string>{"File " + dft + " is read-only; it was not changed."});
    QCOMPARE(ReadTestFile(dft), old);
}

void TestSetupDlg::storeWritesDefaults() {
    TSetupDlg dlg;
    QVERIFY(dlg.FormActivate());
    dlg.findChild<QRadioButton*>("SecondaryUnits")->setChecked(true);
    dlg.findChild<QCheckBox*>("HeaderCheck")->setChecked(true);
    dlg.findChild<QLineEdit*>("UserCommandEdit")->setText("make all");
    dlg.findChild<QPushButton*>("Store")->click();
    const std::string bytes = ReadTestFile(UserFile("KOLSHELL.DFT"));
    QCOMPARE(bytes.size(), size_t(5452));
    TSettings back;
    QCOMPARE(DecodeDFT(bytes, back, [](const std::string&) { return true; }), DftStatus::Ok);
    QCOMPARE(back.Options.UnitSystem, 2);
    QCOMPARE(back.Options.IncludeHeader, 1);
    QCOMPARE(back.UserCommands.User, std::string("make all"));
    QCOMPARE(EncodeDFT(back), EncodeDFT(Globals().Settings));
}

void TestSetupDlg::bitmapButton() {
    QImage img(32, 16, QImage::Format_RGB32);
    img.fill(Qt::red);
    const QString bmp = tmp_->path() + "/glyph.bmp";
    QVERIFY(img.save(bmp, "BMP"));
    ScriptedDialogs dialogs;
    dialogs.PictureAnswers << bmp;
    TSetupDlg dlg;
    QVERIFY(dlg.FormActivate());
    dlg.findChild<QLineEdit*>("LinkEdit2")->setText("/usr/bin/viewer");
    dlg.SpeedButton1Click(2);
    QCOMPARE(dialogs.Titles,
             QStringList({"Select a bitmap for the button (16 x 16 or 32 x 16 pixels)"}));
    QVERIFY(!dlg.findChild<QToolButton*>("SpeedButton2")->icon().isNull());
    dlg.StoreClick();
    const std::string bytes = ReadTestFile(UserFile("KOLSHELL.DFT"));
    const std::string entry = "/usr/bin/viewer\x01" + bmp.toStdString();
    QCOMPARE(bytes.substr(20 + 2304 + 1796 + 256, 1 + entry.size()), char(entry.size()) + entry);
}

void TestSetupDlg::unitsConvertForms() {
    TSetupDlg dlg;
    std::vector<std::pair<int, int>> calls;
    dlg.UnitsChanged = [&](int a, int b) { calls.push_back({a, b}); };
    QVERIFY(dlg.FormActivate());
    dlg.findChild<QRadioButton*>("SecondaryUnits")->setChecked(true);
    dlg.OKBtnClick();
    dlg.OKBtnClick(); // converts also when nothing changed
    QCOMPARE(calls, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}}));
}

void TestSetupDlg::runsPage() {
    const QString ini = tmp_->path() + "/config/KOLSHELL.ini";
    TSetupDlg dlg;
    QVERIFY(dlg.FormActivate());
    auto* tabs = dlg.findChild<QTabBar*>("TabSet");
    tabs->setCurrentIndex(5);
    auto* runs = dlg.findChild<QSpinBox*>("RunsAtOnce");
    QVERIFY(runs->isVisibleTo(&dlg));
    QCOMPARE(runs->minimum(), 1);
    QCOMPARE(runs->maximum(), MaxRunsAtOnce());
    QCOMPARE(runs->value(), 1);
    // Cancel writes no settings file.
    runs->setValue(runs->maximum());
    dlg.findChild<QPushButton*>("CancelBtn")->click();
    QVERIFY(!QFile::exists(ini));
    // Store writes it beside a defaults file of the same 5452 bytes as ever.
    QVERIFY(dlg.FormActivate());
    runs->setValue(runs->maximum());
    dlg.findChild<QPushButton*>("Store")->click();
    QCOMPARE(ReadTestFile(UserFile("KOLSHELL.DFT")).size(), size_t(5452));
    QSettings stored(ini, QSettings::IniFormat);
    QCOMPARE(stored.value("Runs/RunsAtOnce").toInt(), MaxRunsAtOnce());
    RunSettings() = TRunSettings();
    ReadRunSettings();
    QCOMPARE(RunSettings().RunsAtOnce, MaxRunsAtOnce());
}

void TestSetupDlg::runsPageReadable() {
    // The page holds many rows: each keeps the height it needs to be read, within the page.
    TSetupDlg dlg;
    QVERIFY(dlg.FormActivate());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    dlg.findChild<QTabBar*>("TabSet")->setCurrentIndex(5);
    QCoreApplication::processEvents();
    for (const char* name : {"RunsAtOnce", "RunTablesOn", "SlurmPartition", "SlurmTime",
                             "SlurmAtOnce", "SbatchArgs"}) {
        auto* field = dlg.findChild<QWidget*>(name);
        QVERIFY2(field, name);
        QVERIFY2(field->height() >= field->minimumSizeHint().height(), name);
    }
    QVERIFY(dlg.findChild<QGroupBox*>("RunsGroup")->geometry().bottom() <= dlg.height());
}

void TestSetupDlg::slurmFields() {
    const QString ini = tmp_->path() + "/config/KOLSHELL.ini";
    TSetupDlg dlg;
    QVERIFY(dlg.FormActivate());
    auto* on = dlg.findChild<QComboBox*>("RunTablesOn");
    auto* partition = dlg.findChild<QLineEdit*>("SlurmPartition");
    auto* time = dlg.findChild<QSpinBox*>("SlurmTime");
    auto* most = dlg.findChild<QSpinBox*>("SlurmAtOnce");
    auto* extra = dlg.findChild<QLineEdit*>("SbatchArgs");
    auto* keep = dlg.findChild<QCheckBox*>("KeepRunFiles");
    QVERIFY(on && partition && time && most && extra && keep);
    QCOMPARE(on->currentText(), QString("this computer"));
    QVERIFY(!partition->isEnabled());
    QVERIFY(dlg.findChild<QSpinBox*>("RunsAtOnce")->isEnabled());
    dlg.findChild<QPushButton*>("Store")->click();
    const std::string dft = ReadTestFile(UserFile("KOLSHELL.DFT"));
    QVERIFY(dlg.FormActivate());
    on->setCurrentIndex(1);
    QCOMPARE(on->currentText(), QString("Slurm cluster"));
    QVERIFY(partition->isEnabled());
    QVERIFY(!dlg.findChild<QSpinBox*>("RunsAtOnce")->isEnabled());
    partition->setText(" short ");
    time->setValue(90);
    most->setValue(16);
    extra->setText("--mem=2G --comment='a b'");
    keep->setChecked(true);
    dlg.findChild<QPushButton*>("Store")->click();
    // The program's own settings file holds them; the defaults file stays as it was.
    QCOMPARE(ReadTestFile(UserFile("KOLSHELL.DFT")), dft);
    QSettings stored(ini, QSettings::IniFormat);
    QCOMPARE(stored.value("Runs/RunTablesOn").toString(), QString("slurm"));
    RunSettings() = TRunSettings();
    ReadRunSettings();
    QVERIFY(RunSettings().OnSlurm);
    QCOMPARE(RunSettings().Partition, QString("short"));
    QCOMPARE(RunSettings().TimeMinutes, 90);
    QCOMPARE(RunSettings().MaxAtOnce, 16);
    QCOMPARE(RunSettings().SbatchArgs, QString("--mem=2G --comment='a b'"));
    QVERIFY(RunSettings().KeepRunFiles);
    TSetupDlg again;
    QVERIFY(again.FormActivate());
    QCOMPARE(again.findChild<QComboBox*>("RunTablesOn")->currentIndex(), 1);
    QCOMPARE(again.findChild<QSpinBox*>("SlurmAtOnce")->value(), 16);
}

void TestSetupDlg::runSettingsFile_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("runs");
    QTest::newRow("none") << QString() << 1;
    QTest::newRow("one") << "[Runs]\nRunsAtOnce=1\n" << 1;
    QTest::newRow("zero") << "[Runs]\nRunsAtOnce=0\n" << 1;
    QTest::newRow("more than processors") << "[Runs]\nRunsAtOnce=100000\n" << 1;
    QTest::newRow("not a number") << "[Runs]\nRunsAtOnce=many\n" << 1;
    QTest::newRow("empty file") << "" << 1;
}

void TestSetupDlg::runSettingsFile() {
    QFETCH(QString, text);
    QFETCH(int, runs);
    if (!text.isNull()) {
        QDir(tmp_->path()).mkdir("config");
        WriteTestFile(tmp_->path(), "config/KOLSHELL.ini", text.toStdString());
    }
    RunSettings().RunsAtOnce = 7;
    ReadRunSettings();
    QCOMPARE(RunSettings().RunsAtOnce, runs);
}

QTEST_MAIN(TestSetupDlg)
#include "tst_setupdlg.moc"

void TestSetupDlg::wheelLeavesUnfocusedChoices() {
    TSetupDlg dlg;
    QVERIFY(dlg.FormActivate());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    auto* tabs = dlg.findChild<QTabBar*>("TabSet");
    tabs->setCurrentIndex(5);
    tabs->setFocus();
    auto* on = dlg.findChild<QComboBox*>("RunTablesOn");
    auto* runs = dlg.findChild<QSpinBox*>("RunsAtOnce");
    QTRY_VERIFY(tabs->hasFocus());
    const int count = runs->value();
    TurnWheel(on, -1);
    TurnWheel(runs, 1);
    QCOMPARE(on->currentIndex(), 0);
    QCOMPARE(runs->value(), count);
    QVERIFY(!on->hasFocus());
    // With the keyboard focus the wheel chooses, as it always did.
    on->setFocus();
    QTRY_VERIFY(on->hasFocus());
    TurnWheel(on, -1);
    QCOMPARE(on->currentIndex(), 1);
}

void TestSetupDlg::pagesFitTheirText_data() {
    QTest::addColumn<int>("points");
    QTest::newRow("usual font") << 0;
    QTest::newRow("large font") << 16;
}

// Every page in the user's font: nothing clipped, and each access key used once.
void TestSetupDlg::pagesFitTheirText() {
    QFETCH(int, points);
    const QFont old = QApplication::font();
    QFont f = old;
    if (points) f.setPointSize(points);
    QApplication::setFont(f);
    {
        TSetupDlg dlg;
        QVERIFY(dlg.FormActivate());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(dlg.minimumSize() != dlg.maximumSize()); // the user may resize it
        auto* tabs = dlg.findChild<QTabBar*>("TabSet");
        for (int page = 0; page < tabs->count(); ++page) {
            tabs->setCurrentIndex(page);
            QCoreApplication::processEvents();
            for (auto* w : dlg.findChildren<QWidget*>()) {
                if (!w->isVisible() || qobject_cast<QTabBar*>(w) ||
                    qobject_cast<QTabBar*>(w->parentWidget()) ||
                    w->objectName().startsWith("qt_")) // the parts of spin and combo boxes
                    continue;
                const QString what =
                    tabs->tabText(page) + ": " + w->objectName() + " " +
                    (qobject_cast<QLabel*>(w) ? qobject_cast<QLabel*>(w)->text() : QString());
                QVERIFY2(w->width() >= w->minimumSizeHint().width(), qPrintable(what));
                QVERIFY2(w->height() >= w->minimumSizeHint().height(), qPrintable(what));
                QVERIFY2(dlg.rect().contains(QRect(w->mapTo(&dlg, QPoint()), w->size())),
                         qPrintable(what));
                if (auto* l = qobject_cast<QLabel*>(w); l && !l->wordWrap())
                    QVERIFY2(l->width() >= l->sizeHint().width(), qPrintable(what));
            }
            QCOMPARE(RepeatedAccessKeys(&dlg), QStringList());
        }
    }
    QApplication::setFont(old);
}

void TestSetupDlg::browseForDirectory() {
    ScriptedDialogs dialogs;
    dialogs.DirAnswers << "/opt/kolvan";
    TSetupDlg dlg;
    QVERIFY(dlg.FormActivate());
    dlg.findChild<QPushButton*>("KOLVANBrowse")->click();
    QCOMPARE(dialogs.Titles, QStringList({"Choose the KOLVAN directory"}));
    QCOMPARE(dlg.findChild<QLineEdit*>("KOLVANDir")->text(), QString("/opt/kolvan"));
    // A link button says what it is for.
    auto* picture = dlg.findChild<QToolButton*>("SpeedButton1");
    QCOMPARE(picture->text(), QString("Button picture..."));
    QVERIFY(!picture->toolTip().isEmpty());
}
