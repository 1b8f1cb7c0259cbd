// The KOLSED form window opened through the main window: widgets made from the items,
// switching, the field check, saving, the close question, units, file fields and links.
#include "app/kolshellform.h"
#include "common/globals.h"
#include "common/paths.h"
#include "kolsed/widgets/kolsedform.h"
#include "run/widgets/compiling.h"
#include "shell/widgets/editform.h"
#include "shell/widgets/helpdlg.h"
#include "shell/widgets/helpviewer.h"
#include "table/widgets/makekolseddlg.h"
#include "tests/support/testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QtTest>

using namespace kolshell;

class TestKolsedForm : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void demoForm();
    void fieldCheck();
    void unitsAndCloseQuestion();
    void errorSelectsFieldText();
    void calculateChecksTheFieldFirst();
    void unitLabelsFitTheirText();
    void fileFieldAndLink();
    void keys();
    void readingErrors();
    void progressWhileReading();
    void makeKolsedDialog();
    void makeKolsedSavesFirstAndOpensTheForm_data();
    void makeKolsedSavesFirstAndOpensTheForm();
    void simulationCardFormOpensAndRuns();
    void helpFromFormAndMenu();
    void inputReopensForm();
    void saveUntouchedForm_data();
    void saveUntouchedForm();
    void saveAfterSaveAs();
    void unitSwitchKeepsEditMark();
    void leavePumpFlowInSecondaryUnits();
    void chooseFileWithBlank();
    void saveAsMovesFileOutOfFolderWithBlank();
    void wheelScrollsFormNotList();
    void fieldsShowTheirStartInAFrame();
    void longFormFitsItsWindow();
    void fileFieldChooserFromKeys_data();
    void fileFieldChooserFromKeys();
    void editCommandsOnFocusedField();
    void editKolsedFileOnOpenForm_data();
    void editKolsedFileOnOpenForm();
    void clearOnAnnotatedDeckAsText();
    void saveOverDeckChangedElsewhere_data();
    void saveOverDeckChangedElsewhere();

  private:
    TKOLSEDForm* Open(TKOLSHELLFORM& main, const std::string& name);
    static void Trigger(TKOLSHELLFORM& main, const char* action);
    // Closes the form on DEMO.KSD, answering Yes to the one save question: the deck then
    // holds the line.
    void CloseSaving(TKOLSEDForm* form, const std::string& line) {
        msgs_->Answers = {MsgAnswer::Yes};
        form->close();
        QCOMPARE(msgs_->Texts(),
                 std::vector<std::string>{dir_->Path("DEMO.KSD") + " has been changed.  Save it?"});
        QVERIFY(ReadTestFile(dir_->Path("DEMO.KSD")).find(line) != std::string::npos);
    }
    std::unique_ptr<TestFolder> dir_;
    std::unique_ptr<MsgRecorder> msgs_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
};

void TestKolsedForm::init() {
    dir_ = std::make_unique<TestFolder>();
    FreshProgramDir(*dir_);
    msgs_ = std::make_unique<MsgRecorder>();
    dialogs_ = std::make_unique<ScriptedDialogs>();
    for (const char* f : {"DEMO.KSD", "VALVES.DAT", "DEMO.BMP"})
        CopyDemo(f, dir_->Dir.path() + "/" + f);
}

void TestKolsedForm::cleanup() {
    dialogs_.reset();
    msgs_.reset();
}

TKOLSEDForm* TestKolsedForm::Open(TKOLSHELLFORM& main, const std::string& name) {
    main.Documents().ReadaFile(dir_->Path(name));
    return main.Children().isEmpty() ? nullptr : qobject_cast<TKOLSEDForm*>(main.Children().last());
}

void TestKolsedForm::Trigger(TKOLSHELLFORM& main, const char* action) {
    auto* a = main.findChild<QAction*>(action);
    QVERIFY2(a, action);
    a->trigger();
}

void TestKolsedForm::demoForm() {
    TKOLSHELLFORM main;
    TKOLSEDForm* form = Open(main, "DEMO.KSD");
    QVERIFY(form);
    QCOMPARE(form->WindowKind(), TWindowKind::Form);
    QVERIFY(msgs_->Shown.empty());
    QCOMPARE(form->findChild<QLineEdit*>("Input4")->text(), QString("2.50"));
    QCOMPARE(form->findChild<QLineEdit*>("Text3")->text(), QString("Tank demo, first run"));
    QCOMPARE(form->findChild<QComboBox*>("List6")->currentText(), QString("Medium valve"));
    QVERIFY(form->findChild<QRadioButton*>("START.2")->isChecked());
    QVERIFY(form->findChild<QCheckBox*>("OPTIONS.1")->isChecked());
    auto* partly = form->findChild<QGroupBox*>("GroupPARTLY");
    QVERIFY(partly->isVisibleTo(form));
    QVERIFY(!form->IsModified());

    // "Empty tank": PARTLY goes off, and the deck says so after saving.
    form->findChild<QRadioButton*>("START.1")->click();
    QVERIFY(!partly->isVisibleTo(form));
    QVERIFY(form->findChild<QRadioButton*>("START.1")->isChecked());
    QVERIFY(!form->findChild<QRadioButton*>("START.2")->isChecked());
    QVERIFY(form->IsModified());
    form->findChild<QComboBox*>("List6")->setCurrentIndex(2);
    QVERIFY(form->SaveDocument(dir_->Path("DEMO.KSD")));
    QVERIFY(!form->IsModified());
    const std::string saved = ReadTestFile(dir_->Path("DEMO.KSD"));
    QVERIFY(saved.find("*|#*|[PARTLY|Partly filled\n*|#CONSTANTS 1\n") != std::string::npos);
    QVERIFY(saved.find("\n*|[EMPTY|Empty tank\nCONSTANTS 1\nLEVEL0 = 0\n") != std::string::npos);
    QVERIFY(saved.find("CVALVE = 0.008\n") != std::string::npos);
    QVERIFY(FileExists(dir_->Path("DEMO.BAK")));
}

void TestKolsedForm::fieldCheck() {
    TKOLSHELLFORM main;
    TKOLSEDForm* form = Open(main, "DEMO.KSD");
    auto* area = form->findChild<QLineEdit*>("Input4");
    area->setFocus();
    area->setText("12a");
    QVERIFY(!form->CheckActiveInput());
    QCOMPARE(msgs_->Texts(), std::vector<std::string>{"Illegal character in input"});
    QCOMPARE(Globals().ErrorLevel, 100);
    // Saving checks the field first and writes nothing while it is bad.
    msgs_->Shown.clear();
    const std::string before = ReadTestFile(dir_->Path("DEMO.KSD"));
    main.Documents().Save1Click();
    QCOMPARE(msgs_->Texts(), std::vector<std::string>{"Illegal character in input"});
    QCOMPARE(ReadTestFile(dir_->Path("DEMO.KSD")), before);
    area->setText("2000");
    msgs_->Shown.clear();
    QVERIFY(!form->CheckActiveInput());
    QCOMPARE(msgs_->Texts(),
             std::vector<std::string>{"This parameter must be >= 0.01 and <= 1000.00"});
    QTest::keyClicks(area, "");
    area->setText("");
    QTest::keyClicks(area, "7.5");
    QVERIFY(form->CheckActiveInput());
    QVERIFY(form->IsModified());
}

// Leaving a field with a bad value brings the focus back with the text selected: typing
// replaces it.
void TestKolsedForm::errorSelectsFieldText() {
    TKOLSHELLFORM main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    TKOLSEDForm* form = Open(main, "DEMO.KSD");
    auto* area = form->findChild<QLineEdit*>("Input4");
    area->setFocus();
    area->selectAll();
    QTest::keyClicks(area, "12a");
    QTest::keyClick(area, Qt::Key_Tab);
    QCOMPARE(msgs_->Texts(), std::vector<std::string>{"Illegal character in input"});
    QTRY_VERIFY(area->hasFocus());
    QCOMPARE(area->selectedText(), QString("12a"));
    QTest::keyClicks(area, "5");
    QCOMPARE(area->text(), QString("5"));
}

void TestKolsedForm::calculateChecksTheFieldFirst() {
    TKOLSHELLFORM main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    TKOLSEDForm* form = Open(main, "DEMO.KSD");
    auto* area = form->findChild<QLineEdit*>("Input4");
    area->setFocus();
    area->selectAll();
    QTest::keyClicks(area, "2000");
    const std::string before = ReadTestFile(dir_->Path("DEMO.KSD"));
    Trigger(main, "Calculate1"); // F8
    // The field's message, and nothing asked, saved or run after it.
    QCOMPARE(msgs_->Texts(),
             std::vector<std::string>{"This parameter must be >= 0.01 and <= 1000.00"});
    QVERIFY(dialogs_->Titles.isEmpty());
    QCOMPARE(ReadTestFile(dir_->Path("DEMO.KSD")), before);
}

void TestKolsedForm::unitLabelsFitTheirText() {
    Globals().KolsedOnlyMode = true; // the menu's unit items
    dir_->Write("UNITS.KSD", "*KOLSED\nCONSTANTS 1\nQ = 1\n*|Flow|mm|gal/min|0|2|0|9|0\nEND\n");
    TKOLSHELLFORM main;
    TKOLSEDForm* form = Open(main, "UNITS.KSD");
    QVERIFY(form);
    auto unitLabel = [&](const QString& text) -> QLabel* {
        for (QLabel* l : form->findChildren<QLabel*>())
            if (l->text() == text) return l;
        return nullptr;
    };
    for (const QString& unit : {QString("mm"), QString("gal/min"), QString("mm")}) {
        if (unit == "gal/min")
            main.Documents().EngUnitsClick();
        else
            main.Documents().SIUnitsClick();
        QLabel* label = unitLabel(unit);
        QVERIFY2(label, qPrintable(unit));
        QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(unit));
    }
}

void TestKolsedForm::unitsAndCloseQuestion() {
    Globals().KolsedOnlyMode = true; // the menu's unit items
    TKOLSHELLFORM main;
    TKOLSEDForm* form = Open(main, "DEMO.KSD");
    main.Documents().EngUnitsClick();
    QCOMPARE(form->findChild<QLineEdit*>("Input4")->text(), QString("26.91"));
    QVERIFY(!form->IsModified());
    QVERIFY(form->FormCloseQuery()); // nothing changed: no question
    QVERIFY(msgs_->Shown.empty());
    auto* area = form->findChild<QLineEdit*>("Input4");
    area->selectAll();
    QTest::keyClicks(area, "107.639");
    msgs_->Answers = {MsgAnswer::Cancel, MsgAnswer::Yes};
    QVERIFY(!form->FormCloseQuery());
    QCOMPARE(msgs_->Texts()[0], dir_->Path("DEMO.KSD") + " has been changed.  Save it?");
    QVERIFY(form->FormCloseQuery());
    // 107.639 ft2 is 10 square metres.
    QVERIFY(ReadTestFile(dir_->Path("DEMO.KSD")).find("\nAREA = 10\n") != std::string::npos);
    main.Documents().SIUnitsClick();
    QCOMPARE(area->text(), QString("10.00"));
}

void TestKolsedForm::fileFieldAndLink() {
    dir_->Write("IN.DAT", "1\n");
    dir_->Write("F.KSD", "*KOLSED\nASSIGN IN.DAT 10\n*|?Input file|0\nX = 1\n"
                         "*|X|m|m|0|1|0|9|0|1|-x\nEND\n");
    TKOLSHELLFORM main;
    ProgramDirs().Links[0] = dir_->Path("nothing-here");
    TKOLSEDForm* form = Open(main, "F.KSD");
    QVERIFY(form);
    auto* file = form->findChild<QLineEdit*>("File1");
    dialogs_->OpenAnswers = {QString::fromStdString(dir_->Path("OTHER.DAT"))};
    QTest::mouseClick(file, Qt::LeftButton);
    QCOMPARE(file->text(), QString("OTHER.DAT")); // the name; the whole path is the tip
    QCOMPARE(file->toolTip(), QString::fromStdString(dir_->Path("OTHER.DAT")));
    QCOMPARE(dialogs_->Filters.last(), QString("Data Files|*.DAT|All Files|*"));
    QVERIFY(form->IsModified());
    msgs_->Answers = {MsgAnswer::No};
    form->findChild<QToolButton*>("AppButton2")->click();
    QCOMPARE(msgs_->Texts(),
             std::vector<std::string>{"Application link " + dir_->Path("nothing-here") +
                                      " was not found.  Do you want to browse "
                                      "to locate this file?"});
    QVERIFY(form->SaveDocument(dir_->Path("F.KSD")));
    // A file in the deck's folder is written by its bare name.
    QVERIFY(ReadTestFile(dir_->Path("F.KSD")).find("\nASSIGN OTHER.DAT 10\n") != std::string::npos);
}

void TestKolsedForm::keys() {
    TKOLSHELLFORM main;
    TKOLSEDForm* form = Open(main, "DEMO.KSD");
    auto* area = form->findChild<QLineEdit*>("Input4");
    auto* pump = form->findChild<QLineEdit*>("Input5");
    area->setFocus();
    QTest::keyClick(area, Qt::Key_Down);
    QCOMPARE(form->focusWidget(), pump);
    QTest::keyClick(pump, Qt::Key_Up);
    QCOMPARE(form->focusWidget(), area);
    QTest::keyClick(area, Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(form->focusWidget()->objectName(), QString("OPTIONS.1"));
    QTest::keyClick(form->focusWidget(), Qt::Key_Home, Qt::ShiftModifier);
    QCOMPARE(form->focusWidget()->objectName(), QString("Text3"));
    int topic = -1;
    std::string caption;
    main.ExecDialog = [](QDialog&) {}; // the field help window the main window shows
    QObject::connect(form, &TKOLSEDForm::HelpRequested,
                     [&](const std::string&, int t, const std::string& c) {
                         topic = t;
                         caption = c;
                     });
    QTest::keyClick(pump, Qt::Key_F1);
    QCOMPARE(topic, 2);
    QCOMPARE(caption, std::string("Pump flow"));
}

void TestKolsedForm::readingErrors() {
    dir_->Write("BAD.KSD", "*KOLSED\n*|<PICTURE> NONE.BMP\n");
    dir_->Write("OPEN.KSD", "*KOLSED\n*|[G\nX = 1\n*|X|m|m|0|1|0|9|0\n");
    TKOLSHELLFORM main;
    QVERIFY(!Open(main, "BAD.KSD"));
    QCOMPARE(msgs_->Texts(), std::vector<std::string>{"Figure file NONE.BMP was not found"});
    msgs_->Shown.clear();
    TKOLSEDForm* form = Open(main, "OPEN.KSD");
    QVERIFY(form); // the window keeps what was built
    QCOMPARE(msgs_->Texts(),
             std::vector<std::string>{"This file is missing a group close command."});
    QVERIFY(form->findChild<QLineEdit*>("Input2"));
}

// The progress window counts the lines read and gets out of the way of a reading error.
void TestKolsedForm::progressWhileReading() {
    dir_->Write("OPEN.KSD", "*KOLSED\n*|[G\nX = 1\n*|X|m|m|0|1|0|9|0\n");
    TKOLSHELLFORM main;
    main.CreateDialogs();
    auto* progress = main.Compiling();
    QVERIFY(progress);
    qint64 now = 0;
    progress->Ticks = [&now] { return now += 200; };
    auto* number = progress->findChild<QLabel*>("LineNumber");
    QStringList counted;
    bool coveredAtMessage = true;
    const MsgHandler old = SetMsgHandler([&](const MsgRequest&) {
        coveredAtMessage = progress->isVisible();
        counted << number->text();
        return MsgAnswer::Ok;
    });
    QVERIFY(Open(main, "OPEN.KSD"));
    SetMsgHandler(old);
    QCOMPARE(counted, QStringList({"4"})); // the message came after line 4 was counted
    QVERIFY(!coveredAtMessage);
}

void TestKolsedForm::makeKolsedDialog() {
    const QString demo = qEnvironmentVariable("KOLSHELL_SOURCE") + "/demo";
    CopyDemo("DEMO.DCK", dir_->Dir.path() + "/RUN.DCK");
    TKOLSHELLFORM main;
    ProgramDirs().Dirs[pdEngine] = demo.toStdString();
    Options().IncludeHeader = 1;
    main.Documents().ReadaFile(dir_->Path("RUN.DCK"));
    QCOMPARE(CurrentChild->WindowKind(), TWindowKind::Deck);
    dialogs_->SaveAnswers = {QString::fromStdString(dir_->Path("RUN"))};
    bool shown = false;
    main.ExecDialog = [&](QDialog& d) {
        auto& dlg = static_cast<TMakeKOLSEDDlg&>(d);
        dlg.show();
        shown = true;
        QCOMPARE(dlg.windowTitle(), QString("Make KOLSED File"));
        QVERIFY(dlg.Header->isChecked());
        QVERIFY(!dlg.Simulationcard->isChecked());
        QCOMPARE(dlg.UnitBox->count(), 2);
        QCOMPARE(dlg.UnitBox->item(1)->text(), QString("UNIT 1 TYPE 2 TANK"));
        // The rain: both parameters.
        dlg.All->click();
        QCOMPARE(dlg.ParBox->selectedItems().size(), 2);
        // The tank: its parameters are names; of its inputs only the spare one is free.
        dlg.UnitBox->setCurrentRow(1);
        QCOMPARE(dlg.ParBox->item(0)->text().left(1), QString("*"));
        // A line marked "*" cannot be selected, by a click or otherwise; a note says why.
        QTest::mouseClick(dlg.ParBox->viewport(), Qt::LeftButton, {},
                          dlg.ParBox->visualItemRect(dlg.ParBox->item(0)).center());
        dlg.ParBox->item(0)->setSelected(true);
        QVERIFY(dlg.ParBox->selectedItems().isEmpty());
        auto* note = dlg.findChild<QLabel*>("StarNote");
        QVERIFY(note && note->isVisible());
        QCOMPARE(note->text(),
                 QString("* marks a value that cannot become a field: a name, or a connected "
                         "input."));
        dlg.InpBox->setFocus();
        QFocusEvent focusIn(QEvent::FocusIn);
        QApplication::sendEvent(dlg.InpBox, &focusIn);
        dlg.All->click();
        QCOMPARE(dlg.InpBox->selectedItems().size(), 1);
        emit dlg.InpBox->itemPressed(dlg.InpBox->item(0));
        QCOMPARE(msgs_->Beeps, 1);
        dlg.UnitBox->setCurrentRow(0); // the rain's choice is kept while switching
        QCOMPARE(dlg.ParBox->selectedItems().size(), 2);
        dlg.OKBtn->click();
    };
    main.Documents().MakeKOLSEDfile1Click();
    QVERIFY(shown);
    QCOMPARE(dialogs_->Proposed.last(), QString::fromStdString(dir_->Path("RUN.KSD")));
    const std::string ksd = ReadTestFile(dir_->Path("RUN.KSD"));
    QVERIFY(ksd.find("*|*Water tank demo - made with KOLSHELL\r\n") != std::string::npos);
    QVERIFY(ksd.find("MODE=1\r\n") != std::string::npos);
    QVERIFY(ksd.find("NET 4,1 FLOW1 \r\n") != std::string::npos);
    // The new deck opens as a form with its three fields.
    TKOLSEDForm* form = Open(main, "RUN.KSD");
    QVERIFY(form);
    QVERIFY(msgs_->Shown.empty());
    QCOMPARE(form->findChildren<QLineEdit*>(QRegularExpression("^Input")).size(), 3);
}

void TestKolsedForm::makeKolsedSavesFirstAndOpensTheForm_data() {
    QTest::addColumn<QString>("deckFile");
    QTest::addColumn<MsgAnswer>("answer");
    QTest::newRow("save") << "RUN.DCK" << MsgAnswer::Yes;
    QTest::newRow("do not save") << "RUN.DCK" << MsgAnswer::No;
    QTest::newRow("cancel") << "RUN.DCK" << MsgAnswer::Cancel;
    // FLOWDRAW's decks open as plain text editors and are decks all the same.
    QTest::newRow("FLOWDRAW deck") << "RUN.DEK" << MsgAnswer::Yes;
    // The generated form is proposed beside the deck, also in a folder with a dot.
    QTest::newRow("deck in a dotted folder") << "tank.v2/RUN.DCK" << MsgAnswer::Yes;
}

void TestKolsedForm::makeKolsedSavesFirstAndOpensTheForm() {
    QFETCH(QString, deckFile);
    QFETCH(MsgAnswer, answer);
    const QString demo = qEnvironmentVariable("KOLSHELL_SOURCE") + "/demo";
    const QString folder =
        QFileInfo(deckFile).path() == "." ? "" : QFileInfo(deckFile).path() + "/";
    QVERIFY(QDir(dir_->Dir.path()).mkpath(folder.isEmpty() ? "." : folder));
    CopyDemo("DEMO.DCK", dir_->Dir.path() + "/" + deckFile);
    const std::string ksdName = dir_->Path((folder + "RUN.KSD").toStdString());
    TKOLSHELLFORM main;
    ProgramDirs().Dirs[pdEngine] = demo.toStdString();
    main.Documents().ReadaFile(dir_->Path(deckFile.toStdString()));
    auto* deck = qobject_cast<TEditForm*>(CurrentChild.data());
    QVERIFY(deck);
    const std::string deckName = deck->FileName();
    deck->Editor()->InsertText("* edited\n");
    msgs_->Answers = {answer};
    dialogs_->SaveAnswers = {QString::fromStdString(ksdName)};
    bool shown = false;
    main.ExecDialog = [&](QDialog& d) {
        shown = true;
        static_cast<TMakeKOLSEDDlg&>(d).OKBtn->click();
    };
    Trigger(main, "MakeKOLSEDfile1");
    QVERIFY(!msgs_->Texts().empty());
    QCOMPARE(msgs_->Texts().front(), deckName + " has been changed.  Save it?");
    QCOMPARE(shown, answer != MsgAnswer::Cancel);
    const std::string onDisk = ReadTestFile(dir_->Path(deckFile.toStdString()));
    QCOMPARE(onDisk.find("* edited") != std::string::npos, answer == MsgAnswer::Yes);
    if (answer == MsgAnswer::Cancel) {
        QVERIFY(!QFile::exists(QString::fromStdString(ksdName)));
        QCOMPARE(CurrentChild.data(), static_cast<TChildForm*>(deck));
        return;
    }
    // The written file is open as a form, and carries what was saved.
    QCOMPARE(dialogs_->Proposed.last(), QString::fromStdString(ksdName));
    QCOMPARE(CurrentChild->WindowKind(), TWindowKind::Form);
    QCOMPARE(UpStr(CurrentChild->FileName()), UpStr(ksdName));
    const std::string ksd = ReadTestFile(ksdName);
    QCOMPARE(ksd.find("* edited") != std::string::npos, answer == MsgAnswer::Yes);
}

void TestKolsedForm::simulationCardFormOpensAndRuns() {
    const QString bin = qEnvironmentVariable("KOLSHELL_BIN");
    CopyDemo("DEMO.DCK", dir_->Dir.path() + "/RUN.DCK");
    TKOLSHELLFORM main;
    // No engine directory set: the program directory's INFO and KOLWIN are used.
    Globals().KolshellDir = bin.toStdString();
    ProgramDirs().Dirs[pdEngine].clear();
    main.Documents().ReadaFile(dir_->Path("RUN.DCK"));
    dialogs_->SaveAnswers = {QString::fromStdString(dir_->Path("RUN.KSD"))};
    main.ExecDialog = [&](QDialog& d) {
        auto& dlg = static_cast<TMakeKOLSEDDlg&>(d);
        dlg.Simulationcard->setChecked(true);
        dlg.OKBtn->click();
    };
    Trigger(main, "MakeKOLSEDfile1");
    QCOMPARE(msgs_->Texts(), std::vector<std::string>{});
    auto* form = qobject_cast<TKOLSEDForm*>(CurrentChild.data());
    QVERIFY(form);
    QStringList shown;
    for (auto* list : form->findChildren<QComboBox*>())
        shown << list->currentText();
    shown.sort();
    QCOMPARE(shown, QStringList({"28 days", "January"}));
    // The stand-in engine runs the card: start, stop and step are its equations.
    QProcess engine;
    engine.setWorkingDirectory(dir_->Dir.path());
    engine.start(bin + "/KOLVAN32.exe", {"RUN.KSD"});
    QVERIFY(engine.waitForFinished(20000));
    QCOMPARE(engine.exitCode(), 0);
    const std::string listing = ReadTestFile(dir_->Path("RUN.LST"));
    QVERIFY2(listing.find("Simulation from 1 to 672, step 1: 672 time steps.") != std::string::npos,
             listing.c_str());
}

void TestKolsedForm::helpFromFormAndMenu() {
    CopyDemo("DEMO.HLP", dir_->Dir.path() + "/DEMO.HLP");
    TKOLSHELLFORM main;
    TKOLSEDForm* form = Open(main, "DEMO.KSD");
    QString caption, memo;
    main.ExecDialog = [&](QDialog& d) {
        auto& help = static_cast<THelpDlg&>(d);
        caption = help.windowTitle();
        memo = help.Memo->toPlainText();
    };
    QTest::keyClick(form->findChild<QLineEdit*>("Input5"), Qt::Key_F1);
    QCOMPARE(caption, QString("Pump flow"));
    QVERIFY(!memo.isEmpty());
    QVERIFY(!memo.startsWith("Help is not available"));
    // The menu's help opens the program's help window; without the pages it names the file.
    main.Help().KOLVANIndex1Click();
    QCOMPARE(msgs_->Texts().back(),
             "File " + Globals().KolshellDir + "/help/index.html was not found.");
}

void TestKolsedForm::inputReopensForm() {
    TKOLSHELLFORM main;
    TKOLSEDForm* form = Open(main, "DEMO.KSD");
    QVERIFY(form);
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!main.FirstChildOfKind(TWindowKind::Form));
    main.Input1Click();
    QVERIFY(main.FirstChildOfKind(TWindowKind::Form));
}

void TestKolsedForm::saveUntouchedForm_data() {
    QTest::addColumn<bool>("english");
    QTest::newRow("primary units") << false;
    QTest::newRow("secondary units") << true;
}

void TestKolsedForm::saveUntouchedForm() {
    QFETCH(bool, english);
    Globals().KolsedOnlyMode = true; // the menu's unit items
    TKOLSHELLFORM main;
    const std::string before = ReadTestFile(dir_->Path("DEMO.KSD"));
    TKOLSEDForm* form = Open(main, "DEMO.KSD");
    QVERIFY(form);
    if (english) Trigger(main, "EngUnits");
    // Save leaves an untouched form alone; Save as writes every value as it was read.
    Trigger(main, "Save1");
    QVERIFY(msgs_->Shown.empty());
    QVERIFY(!FileExists(dir_->Path("DEMO.BAK")));
    QCOMPARE(ReadTestFile(dir_->Path("DEMO.KSD")), before);
    dialogs_->SaveAnswers = {QString::fromStdString(dir_->Path("COPY.KSD"))};
    Trigger(main, "Saveas1");
    QVERIFY(msgs_->Shown.empty());
    QCOMPARE(ReadTestFile(dir_->Path("COPY.KSD")), before);
}

void TestKolsedForm::saveAfterSaveAs() {
    TKOLSHELLFORM main;
    const std::string before = ReadTestFile(dir_->Path("DEMO.KSD"));
    TKOLSEDForm* form = Open(main, "DEMO.KSD");
    QVERIFY(form);
    dialogs_->SaveAnswers = {QString::fromStdString(dir_->Path("NEW.KSD"))};
    Trigger(main, "Saveas1");
    QCOMPARE(ReadTestFile(dir_->Path("NEW.KSD")), before);
    auto* area = form->findChild<QLineEdit*>("Input4");
    area->setFocus();
    area->selectAll();
    QTest::keyClicks(area, "3");
    Trigger(main, "Save1");
    QVERIFY(msgs_->Shown.empty());
    QVERIFY(ReadTestFile(dir_->Path("NEW.KSD")).find("\nAREA = 3\n") != std::string::npos);
    QCOMPARE(ReadTestFile(dir_->Path("DEMO.KSD")), before);
    QCOMPARE(form->Title(), QString::fromStdString(dir_->Path("NEW.KSD")));
    QVERIFY(!form->IsModified());
}

void TestKolsedForm::unitSwitchKeepsEditMark() {
    Globals().KolsedOnlyMode = true; // the menu's unit items
    TKOLSHELLFORM main;
    TKOLSEDForm* form = Open(main, "DEMO.KSD");
    QVERIFY(form);
    auto* area = form->findChild<QLineEdit*>("Input4");
    area->setFocus();
    area->selectAll();
    QTest::keyClicks(area, "7.25");
    Trigger(main, "EngUnits");
    QCOMPARE(area->text(), QString("78.04"));
    Trigger(main, "SIUnits");
    QCOMPARE(area->text(), QString("7.25"));
    QVERIFY(form->IsModified());
    CloseSaving(form, "\nAREA = 7.25\n");
}

void TestKolsedForm::leavePumpFlowInSecondaryUnits() {
    Globals().KolsedOnlyMode = true; // the menu's unit items
    TKOLSHELLFORM main;
    TKOLSEDForm* form = Open(main, "DEMO.KSD");
    QVERIFY(form);
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    Trigger(main, "EngUnits");
    auto* pump = form->findChild<QLineEdit*>("Input5");
    QCOMPARE(pump->text(), QString("190.2036"));
    pump->setFocus();
    QTest::keyClick(pump, Qt::Key_Down);
    QVERIFY(msgs_->Shown.empty());
    QVERIFY(form->focusWidget() != pump);
    // Beyond the maximum, shown in gallons per minute too.
    pump->setFocus();
    pump->selectAll();
    QTest::keyClicks(pump, "16000");
    QTest::keyClick(pump, Qt::Key_Down);
    QCOMPARE(msgs_->Texts(),
             std::vector<std::string>{"This parameter must be >= 0.0000 and <= 15850.3000"});
    msgs_->Shown.clear();
    pump->selectAll();
    QTest::keyClicks(pump, "15850.3");
    CloseSaving(form, "\nQPUMP = 1\n");
}

void TestKolsedForm::chooseFileWithBlank() {
    dir_->Write("IN.DAT", "1\n");
    const std::string deck = "*KOLSED\nASSIGN IN.DAT 10\n*|?Input file|0\nEND\n";
    dir_->Write("F.KSD", deck);
    TKOLSHELLFORM main;
    TKOLSEDForm* form = Open(main, "F.KSD");
    QVERIFY(form);
    auto* file = form->findChild<QLineEdit*>("File1");
    dialogs_->OpenAnswers = {QString::fromStdString(dir_->Path("run 2.dat"))};
    QTest::mouseClick(file, Qt::LeftButton);
    QCOMPARE(msgs_->Texts(),
             std::vector<std::string>{
                 "run 2.dat cannot be written in an ASSIGN line: the engine reads a file name "
                 "only up to its first blank.  Choose a file without blanks in its name, or one "
                 "in the deck's folder."});
    QCOMPARE(file->text(), QString("IN.DAT"));
    QVERIFY(!form->IsModified());
    Trigger(main, "Save1");
    QCOMPARE(ReadTestFile(dir_->Path("F.KSD")), deck);
}

void TestKolsedForm::saveAsMovesFileOutOfFolderWithBlank() {
    QVERIFY(QDir().mkpath(QString::fromStdString(dir_->Path("my runs"))));
    dir_->Write("my runs/IN.DAT", "1\n");
    const std::string deck = "*KOLSED\nASSIGN IN.DAT 10\n*|?Input file|0\nEND\n";
    dir_->Write("my runs/F.KSD", deck);
    TKOLSHELLFORM main;
    TKOLSEDForm* form = Open(main, "my runs/F.KSD");
    QVERIFY(form);
    dialogs_->OpenAnswers = {QString::fromStdString(dir_->Path("my runs/IN2.DAT"))};
    QTest::mouseClick(form->findChild<QLineEdit*>("File1"), Qt::LeftButton);
    QVERIFY(msgs_->Shown.empty());
    // Beside the deck the bare name fits; saved elsewhere the folder's blank would not.
    dialogs_->SaveAnswers = {QString::fromStdString(dir_->Path("F.KSD"))};
    Trigger(main, "Saveas1");
    QCOMPARE(msgs_->Texts(),
             std::vector<std::string>{
                 dir_->Path("my runs/IN2.DAT") +
                 " cannot be written in an ASSIGN line: the engine reads a file name only up to "
                 "its first blank.  Choose a file without blanks in its name, or one in the "
                 "deck's folder."});
    QVERIFY(!FileExists(dir_->Path("F.KSD")));
    QCOMPARE(form->Title(), QString::fromStdString(dir_->Path("my runs/F.KSD")));
    QVERIFY(form->IsModified());
    msgs_->Shown.clear();
    Trigger(main, "Save1");
    QVERIFY(msgs_->Shown.empty());
    QCOMPARE(ReadTestFile(dir_->Path("my runs/F.KSD")),
             std::string("*KOLSED\nASSIGN IN2.DAT 10\n*|?Input file|0\nEND\n"));
}

QTEST_MAIN(TestKolsedForm)
// Cut, Copy, Paste and Clear from the Edit menu act on the form's focused field.
void TestKolsedForm::editCommandsOnFocusedField() {
    TKOLSHELLFORM main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    TKOLSEDForm* form = Open(main, "DEMO.KSD");
    QVERIFY(form);
    auto* area = form->findChild<QLineEdit*>("Input4");
    area->setFocus();
    main.UpdateMenu();
    for (const char* name : {"Cut1", "Copy1", "Paste1", "Clear1"})
        QVERIFY2(main.Action(name)->isEnabled(), name);
    QGuiApplication::clipboard()->clear();
    area->selectAll();
    Trigger(main, "Copy1");
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("2.50"));
    QVERIFY(!form->IsModified());
    Trigger(main, "Cut1");
    QCOMPARE(area->text(), QString());
    Trigger(main, "Paste1");
    Trigger(main, "Paste1");
    QCOMPARE(area->text(), QString("2.502.50"));
    area->setSelection(4, 4);
    Trigger(main, "Clear1");
    QCOMPARE(area->text(), QString("2.50"));
    Trigger(main, "Clear1"); // nothing selected: nothing cleared
    QCOMPARE(area->text(), QString("2.50"));
    QVERIFY(form->IsModified());
    // A list without typing: Copy takes its choice, Paste chooses the entry named.
    auto* valves = form->findChild<QComboBox*>("List6");
    valves->setFocus();
    Trigger(main, "Copy1");
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("Medium valve"));
    const QString other = valves->itemText(valves->currentIndex() == 0 ? 1 : 0);
    QGuiApplication::clipboard()->setText(other);
    Trigger(main, "Paste1");
    QCOMPARE(valves->currentText(), other);
    Trigger(main, "Cut1");
    QCOMPARE(valves->currentText(), other);
    msgs_->Answers = {MsgAnswer::No};
}

// Edit KOLSED file on the deck open as a form: the form's save question, then the text editor.
void TestKolsedForm::editKolsedFileOnOpenForm_data() {
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<bool>("asText");
    QTest::newRow("yes") << MsgAnswer::Yes << true << true;
    QTest::newRow("no") << MsgAnswer::No << false << true;
    QTest::newRow("cancel") << MsgAnswer::Cancel << false << false;
}

void TestKolsedForm::editKolsedFileOnOpenForm() {
    QFETCH(MsgAnswer, answer);
    QFETCH(bool, saved);
    QFETCH(bool, asText);
    TKOLSHELLFORM main;
    QPointer<TKOLSEDForm> form = Open(main, "DEMO.KSD");
    QVERIFY(form);
    form->findChild<QRadioButton*>("START.1")->click();
    QVERIFY(form->IsModified());
    dialogs_->OpenAnswers = {QString::fromStdString(dir_->Path("DEMO.KSD"))};
    msgs_->Answers = {answer};
    Trigger(main, "EditKOLSEDfile1");
    QCOMPARE(msgs_->Texts(),
             std::vector<std::string>{dir_->Path("DEMO.KSD") + " has been changed.  Save it?"});
    const bool emptyTank =
        ReadTestFile(dir_->Path("DEMO.KSD")).find("\n*|[EMPTY|Empty tank\nCONSTANTS 1\n") !=
        std::string::npos;
    QCOMPARE(emptyTank, saved);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(bool(form), !asText);
    TChildForm* text = main.FirstChildOfKind(TWindowKind::AnnotatedText);
    QCOMPARE(bool(text), asText);
    if (text) {
        QCOMPARE(text->FileName(), dir_->Path("DEMO.KSD"));
        QCOMPARE(main.ActiveChild(), text);
    } else {
        msgs_->Answers = {MsgAnswer::No}; // the form closes with the test
    }
}

// Clear on an annotated deck opened as text removes the selected text.
void TestKolsedForm::clearOnAnnotatedDeckAsText() {
    TKOLSHELLFORM main;
    dialogs_->OpenAnswers = {QString::fromStdString(dir_->Path("DEMO.KSD"))};
    Trigger(main, "EditKOLSEDfile1");
    auto* editor = qobject_cast<TEditForm*>(main.FirstChildOfKind(TWindowKind::AnnotatedText));
    QVERIFY(editor);
    const QString before = editor->Editor()->toPlainText();
    QTextCursor cursor = editor->Editor()->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(7, QTextCursor::KeepAnchor);
    editor->Editor()->setTextCursor(cursor);
    main.UpdateMenu();
    QVERIFY(main.Action("Clear1")->isEnabled());
    Trigger(main, "Clear1");
    QCOMPARE(editor->Editor()->toPlainText(), before.mid(7));
    QVERIFY(editor->IsModified());
    msgs_->Answers = {MsgAnswer::No};
}

// A long form whose lines fit its window shows no horizontal scroll bar; a link button in a
// coloured group keeps the button's own colour and stands in the column of the others.
void TestKolsedForm::longFormFitsItsWindow() {
    std::string deck = "*KOLSED\n*|<COLOR1> RED\nCONSTANTS 61\nA = 1\n*|A|m|m|0|1|0|9|0|1\n"
                       "*|[G|A red group\nB = 1\n*|B|m|m|0|1|0|9|0|2\n*|]\n";
    for (int i = 0; i < 60; ++i)
        deck += "C" + std::to_string(i) + " = 1\n*|Value " + std::to_string(i) + "|m|m|0|1|0|9|0\n";
    dir_->Write("LONG.KSD", deck + "END\n");
    TKOLSHELLFORM main;
    main.resize(1000, 700);
    main.show();
    TKOLSEDForm* form = Open(main, "LONG.KSD");
    QVERIFY(form);
    auto* scroll = form->findChild<QScrollArea*>("ScrollBox");
    QTRY_VERIFY(scroll->verticalScrollBar()->isVisible());
    QVERIFY(!scroll->horizontalScrollBar()->isVisible());
    auto* outside = form->findChild<QToolButton*>("AppButton1");
    auto* inside = form->findChild<QToolButton*>("AppButton3");
    QVERIFY(outside && inside);
    QCOMPARE(inside->mapTo(scroll->widget(), QPoint()).x(),
             outside->mapTo(scroll->widget(), QPoint()).x());
    QCOMPARE(inside->palette().color(QPalette::ButtonText),
             outside->palette().color(QPalette::ButtonText));
    QVERIFY(inside->palette().color(QPalette::ButtonText) != QColor(Qt::red));
}

#include "tst_kolsedform.moc"

void TestKolsedForm::wheelScrollsFormNotList() {
    TKOLSHELLFORM main;
    main.show();
    TKOLSEDForm* form = Open(main, "DEMO.KSD");
    QVERIFY(form);
    form->resize(420, 200); // the form scrolls
    QCoreApplication::processEvents();
    QScrollBar* bar = form->ScrollBox()->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    auto* list = form->findChild<QComboBox*>("List6");
    const int chosen = list->currentIndex();
    TurnWheel(list, -1);
    TurnWheel(list, -1);
    QCOMPARE(list->currentIndex(), chosen);
    QVERIFY(bar->value() > 0); // the turn scrolled the form instead
    QVERIFY(!form->IsModified());
    // A list the user has gone to with the keyboard turns with the wheel.
    list->setFocus();
    QTRY_VERIFY(list->hasFocus());
    TurnWheel(list, -1);
    QCOMPARE(list->currentIndex(), chosen + 1);
}

// A value wider than its field shows its start (the minus sign) when the user is not in it,
// and the field has a frame that differs from the form's background.
void TestKolsedForm::fieldsShowTheirStartInAFrame() {
    dir_->Write("N.KSD", "*KOLSED\nCONSTANTS 2\nX = -1.2345E-05\n*|X|m|m|0|1|-1|1.0E+00|0\n"
                         "Y = 1\n*|Y|m|m|0|1|0|9|0\nEND\n");
    TKOLSHELLFORM main;
    main.show();
    TKOLSEDForm* form = Open(main, "N.KSD");
    QVERIFY(form);
    auto* x = form->findChild<QLineEdit*>("Input1");
    QVERIFY(x);
    x->resize(x->fontMetrics().horizontalAdvance("2345E-05"), x->height());
    QVERIFY2(x->text().startsWith('-'), qPrintable(x->text()));
    QCOMPARE(x->cursorPosition(), 0);
    x->setFocus();
    QTRY_VERIFY(x->hasFocus());
    x->end(false);                                     // the user goes to the end of the text ...
    form->findChild<QLineEdit*>("Input2")->setFocus(); // ... and leaves the field
    QTRY_VERIFY(!x->hasFocus());
    QCOMPARE(x->cursorPosition(), 0);
    // The frame: the field's edge has the colour of neither the form nor the field's ground.
    const QImage shot = x->grab().toImage();
    const QColor edge = shot.pixelColor(shot.width() / 2, 0);
    const QColor ground = shot.pixelColor(shot.width() / 2, shot.height() / 2 + 1);
    QVERIFY2(qGray(edge.rgb()) < 128, qPrintable(edge.name()));
    QVERIFY(edge != ground);
}

void TestKolsedForm::fileFieldChooserFromKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier);
    QTest::newRow("F4") << int(Qt::Key_F4) << int(Qt::NoModifier);
    QTest::newRow("Alt+Down") << int(Qt::Key_Down) << int(Qt::AltModifier);
}

void TestKolsedForm::fileFieldChooserFromKeys() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    dir_->Write("IN.DAT", "1\n");
    dir_->Write("F.KSD", "*KOLSED\nASSIGN IN.DAT 10\n*|?Input file|0\nEND\n");
    TKOLSHELLFORM main;
    TKOLSEDForm* form = Open(main, "F.KSD");
    QVERIFY(form);
    auto* file = form->findChild<QLineEdit*>("File1");
    dialogs_->OpenAnswers = {QString::fromStdString(dir_->Path("OTHER.DAT"))};
    QTest::keyClick(file, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(dialogs_->Titles, QStringList({"Open"}));
    QCOMPARE(file->text(), QString("OTHER.DAT"));
}

namespace {
// What another editor did to DEMO.KSD while the form was open.
std::string Edited(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}
} // namespace

void TestKolsedForm::saveOverDeckChangedElsewhere_data() {
    QTest::addColumn<bool>("areaRemoved");
    QTest::newRow("lines added and a value changed") << false;
    QTest::newRow("the edited value removed") << true;
}

// The user types a new area and switches the start level while another editor adds a line
// above the values, changes the pump flow (or removes the area); Save, Yes to the warning.
void TestKolsedForm::saveOverDeckChangedElsewhere() {
    QFETCH(bool, areaRemoved);
    TKOLSHELLFORM main;
    TKOLSEDForm* form = Open(main, "DEMO.KSD");
    QVERIFY(form);
    auto* area = form->findChild<QLineEdit*>("Input4");
    area->setFocus();
    area->selectAll();
    QTest::keyClicks(area, "3");
    form->findChild<QRadioButton*>("START.1")->click();
    main.UpdateMenu();
    const std::string deck = dir_->Path("DEMO.KSD");
    std::string theirs = Edited(ReadTestFile(deck), "*\nCONSTANTS 3\n",
                                "*\n* Changed in another editor\nCONSTANTS 3\n");
    theirs = Edited(theirs, "QPUMP = 0.012\n", "QPUMP = 0.02\n");
    if (areaRemoved)
        theirs = Edited(
            theirs, "AREA = 2.5\n*|Tank cross-section          |m2|ft2|0|10.7639|0.01|1000.00|1\n",
            "");
    WriteTestFile(dir_->Dir.path(), "DEMO.KSD", theirs);
    msgs_->Answers = {MsgAnswer::Yes};
    Trigger(main, "Save1");
    const std::string warning = deck + " was changed by another program since it was opened "
                                       "here. Save your version over it?";
    if (areaRemoved) {
        QCOMPARE(msgs_->Texts(),
                 (std::vector<std::string>{
                     warning, deck + " was changed by another program and no longer has Tank "
                                     "cross-section (AREA) as this form shows it, so your change "
                                     "to it cannot be put into the deck.  Nothing was written; "
                                     "Save as keeps your version in another file."}));
        QCOMPARE(ReadTestFile(deck), theirs);
        QVERIFY(form->IsModified());
        QCOMPARE(form->findChild<QLineEdit*>("Input4")->text(), QString("3"));
        return;
    }
    QCOMPARE(msgs_->Texts(), std::vector<std::string>{warning});
    // Their lines and their value stay; the user's value is on its own line, not by number.
    std::string expected = Edited(theirs, "\nAREA = 2.5\n", "\nAREA = 3\n");
    expected = Edited(expected, "*|#*|[EMPTY|Empty tank\n*|#CONSTANTS 1\n*|#LEVEL0 = 0\n*|#*|]\n",
                      "*|[EMPTY|Empty tank\nCONSTANTS 1\nLEVEL0 = 0\n*|]\n");
    expected = Edited(expected,
                      "*|[PARTLY|Partly filled\nCONSTANTS 1\nLEVEL0 = 0.2\n*|Start level"
                      "                 |m|ft|0|3.28084|0|30.00|4\n*|]\n",
                      "*|#*|[PARTLY|Partly filled\n*|#CONSTANTS 1\n*|#LEVEL0 = 0.2\n*|#*|Start "
                      "level                 |m|ft|0|3.28084|0|30.00|4\n*|#*|]\n");
    QCOMPARE(ReadTestFile(deck), expected);
    QCOMPARE(ReadTestFile(dir_->Path("DEMO.BAK")), theirs);
    // The form shows the deck as written, and a second Save asks nothing and writes nothing.
    QVERIFY(!form->IsModified());
    QCOMPARE(form->findChild<QLineEdit*>("Input4")->text(), QString("3.00"));
    QCOMPARE(form->findChild<QLineEdit*>("Input5")->text(), QString("0.0200"));
    QVERIFY(form->findChild<QRadioButton*>("START.1")->isChecked());
    msgs_->Shown.clear();
    area = form->findChild<QLineEdit*>("Input4");
    area->setFocus();
    area->selectAll();
    QTest::keyClicks(area, "4");
    Trigger(main, "Save1");
    QVERIFY(msgs_->Shown.empty());
    QCOMPARE(ReadTestFile(deck), Edited(expected, "\nAREA = 3\n", "\nAREA = 4\n"));
}
