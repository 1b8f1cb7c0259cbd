// Plot Setup and Modify through the main window's Plot menu: a new plot from an output file,
// the OK rules, the spinners, overlay, modifying and deleting lines; and a plot window's life
// in the main window: its close question (close box, Exit, opening another deck) and Save as.
#include "app/kolshellform.h"
#include "common/globals.h"
#include "common/paths.h"
#include "common/widgets/qtext.h"
#include "plot/widgets/plotdialogs.h"
#include "plot/widgets/plotexport.h"
#include "plot/widgets/plotform.h"
#include "shell/widgets/editform.h"
#include "tests/support/testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QToolButton>
#include <QXmlStreamReader>
#include <QtTest>

using namespace kolshell;

class TestPlotDialogs : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void axisTitleCutByCharacters();
    void exportAsksWithCompleteName();
    void newPlot();
    void rejectedRange();
    void changedFile_data();
    void changedFile();
    void windowPlotHasMinorTicks();
    void overlayShowsPlotAxes();
    void exportPlot_data();
    void exportPlot();
    void exportRefusesBadSize();
    void exportSizeAccessKey();
    void overlayModifyDelete();
    void modifyOKKeepsPlot_data();
    void modifyOKKeepsPlot();
    void enterInModifyIsOK_data();
    void enterInModifyIsOK();
    void closeBoxAsks_data();
    void closeBoxAsks();
    void exitAsksAndCancelKeepsAll();
    void openingAnotherDeckAsks_data();
    void openingAnotherDeckAsks();
    void saveAsProposesPlotFile();
    void plotsCaptionedByTheirFiles();
    void calculateAsksPlots_data();
    void calculateAsksPlots();
    void keysAndWheelInPlotDialogs();

  private:
    TPlotForm* MakePlot(TKOLSHELLFORM& main);
    std::string Question(const std::string& name) const {
        return name + " has been changed.  Save it?";
    }
    std::unique_ptr<TestFolder> dir_;
    std::unique_ptr<MsgRecorder> msgs_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
};

namespace {

// The caption stored at the head of a plot file: a length byte and its characters.
std::string StoredCaption(const std::string& file) {
    const std::string bytes = ReadTestFile(file);
    return bytes.empty() ? std::string() : bytes.substr(1, uint8_t(bytes[0]));
}

QAction* RecentEntry(TKOLSHELLFORM& main, const std::string& name) {
    for (QAction* a : main.Menu("File1")->actions())
        if (a->property("ListIndex").isValid() && a->text().endsWith(QString::fromStdString(name)))
            return a;
    return nullptr;
}

} // namespace

void TestPlotDialogs::init() {
    dir_ = std::make_unique<TestFolder>();
    FreshProgramDir(*dir_);
    msgs_ = std::make_unique<MsgRecorder>();
    dialogs_ = std::make_unique<ScriptedDialogs>();
    dir_->Write("RUN.DCK", "SIMULATION 0 2 1\nEND\n");
    dir_->Write("RUN.OUT", "TIME LEVEL FLOW\n S M M3/S\n0 1 5\n1 2 4\n2 4 3\n");
}

void TestPlotDialogs::cleanup() {
    dialogs_.reset();
    msgs_.reset();
}

TPlotForm* TestPlotDialogs::MakePlot(TKOLSHELLFORM& main) {
    main.Documents().ReadaFile(dir_->Path("RUN.DCK"));
    main.ExecDialog = [](QDialog& d) { static_cast<TPlotSetup&>(d).OKBtn->click(); };
    main.Plots().NewPlot1Click();
    return qobject_cast<TPlotForm*>(main.Children().last());
}

void TestPlotDialogs::newPlot() {
    TKOLSHELLFORM main;
    main.Documents().ReadaFile(dir_->Path("RUN.DCK"));
    main.ExecDialog = [&](QDialog& d) {
        auto& s = static_cast<TPlotSetup&>(d);
        QCOMPARE(s.windowTitle(), QString("Plot Setup"));
        QCOMPARE(s.PlotFileList->currentText(), QString("RUN.OUT"));
        QCOMPARE(s.ListBoxX->currentRow(), 0);
        QVERIFY(s.ListBoxY->item(1)->isSelected());
        QCOMPARE(s.ToRowV->text(), QString("3"));
        QVERIFY(!s.Axis[0].Log->isEnabled());
        QCOMPARE(s.Axis[1].Style->currentText(), QString("F"));
        // No Y column: no OK.
        s.ListBoxY->item(1)->setSelected(false);
        emit s.ListBoxY->itemClicked(s.ListBoxY->item(1));
        QVERIFY(!s.OKBtn->isEnabled());
        s.ListBoxY->item(1)->setSelected(true);
        emit s.ListBoxY->itemClicked(s.ListBoxY->item(1));
        QVERIFY(s.OKBtn->isEnabled());
        // The line spinner's down arrow from 1: 2, 3, 0, 1.
        QList<int> seen;
        for (int i = 0; i < 4; ++i) {
            s.SpinLine->DownBtn->click();
            seen << s.SpinLine->Value();
        }
        QCOMPARE(seen, (QList<int>{2, 3, 0, 1}));
        s.SpinColor->UpBtn->click();
        QCOMPARE(s.SpinColor->Value(), 15);
        s.SpinColor->DownBtn->click();
        s.OKBtn->click();
    };
    main.Plots().NewPlot1Click();
    auto* plot = qobject_cast<TPlotForm*>(main.Children().last());
    QVERIFY(plot);
    QCOMPARE(plot->Title(), "Plot 1: from " + QString::fromStdString(dir_->Path("RUN.OUT")));
    const TPlotDef& d = plot->Def();
    QCOMPARE(d.NLines, 1);
    QCOMPARE(d.Lines[0].LineStyle, 1);
    QCOMPARE(d.Lines[0].Symbol, 0);
    QCOMPARE(d.Lines[0].Colour, 0);
    QCOMPARE(d.Lines[0].NPoints, 3);
    QCOMPARE(int(d.LogAxis[0]), 0);
    QCOMPARE(d.AxisTitle[1], std::string("LEVEL M"));
    QVERIFY(d.AxisMax[1] >= 4);
}

void TestPlotDialogs::rejectedRange() {
    TKOLSHELLFORM main;
    main.Documents().ReadaFile(dir_->Path("RUN.DCK"));
    bool accepted = true;
    main.ExecDialog = [&](QDialog& d) {
        auto& s = static_cast<TPlotSetup&>(d);
        s.Axis[0].Max->setText(s.Axis[0].Min->text());
        s.OKBtn->click();
        accepted = s.result() == QDialog::Accepted;
        s.reject();
    };
    main.Plots().NewPlot1Click();
    QVERIFY(!accepted);
    QCOMPARE(msgs_->Beeps, 1);
    QCOMPARE(msgs_->Texts().back(), std::string("X Max must be larger than X Min."));
    QVERIFY(!qobject_cast<TPlotForm*>(main.Children().last()));
}

// Picking another file in the list shows that file's columns and ranges, and OK builds its
// lines, for a new plot and for an overlay alike.
void TestPlotDialogs::changedFile_data() {
    QTest::addColumn<bool>("overlay");
    QTest::newRow("new plot") << false;
    QTest::newRow("overlay") << true;
}

void TestPlotDialogs::changedFile() {
    QFETCH(bool, overlay);
    dir_->Write("RUN1.OUT", "T DEPTH RATE\n H FT GPM\n100 70 5\n200 90 4\n");
    TKOLSHELLFORM main;
    TPlotForm* plot = overlay ? MakePlot(main) : nullptr;
    if (!overlay) main.Documents().ReadaFile(dir_->Path("RUN.DCK"));
    Globals().PlotDefName = dir_->Path("RUN.OUT");
    QString minX, maxY, toRow, xRow;
    main.ExecDialog = [&](QDialog& d) {
        auto& s = static_cast<TPlotSetup&>(d);
        const int i = s.PlotFileList->findText("RUN1.OUT");
        QVERIFY(i >= 0);
        s.PlotFileList->setCurrentIndex(i);
        emit s.PlotFileList->activated(i);
        xRow = s.ListBoxX->currentItem() ? s.ListBoxX->currentItem()->text() : QString();
        minX = s.Axis[0].Min->text();
        maxY = s.Axis[1].Max->text();
        toRow = s.ToRowV->text();
        s.OKBtn->click();
    };
    main.UpdateMenu();
    main.Action(overlay ? "OverlayPlot1" : "NewPlot1")->trigger();
    QCOMPARE(xRow, QString("T"));
    QCOMPARE(toRow, QString("2"));
    if (!overlay) {
        QCOMPARE(minX, QString("100"));
        QCOMPARE(maxY, QString("90"));
        plot = qobject_cast<TPlotForm*>(main.Children().last());
    }
    QVERIFY(plot);
    const TPlotDef& d = plot->Def();
    const TPlotLine& l = d.Lines[size_t(d.NLines - 1)];
    QCOMPARE(l.ColName[0], std::string("T"));
    QCOMPARE(l.ColName[1], std::string("DEPTH"));
    QCOMPARE(l.NPoints, 2);
    QCOMPARE(DecodeReal48(l.YValues[1]), 90.0);
    QCOMPARE(d.AxisTitle[0], overlay ? std::string("TIME S") : std::string("T H"));
    // Lines from two files name their file in the legend; from one file they do not.
    QCOMPARE(LegendText(d, d.NLines), overlay ? std::string("DEPTH (RUN1.OUT)") : "DEPTH");
    if (overlay) QCOMPARE(LegendText(d, 1), std::string("LEVEL (RUN.OUT)"));
    QVERIFY(msgs_->Texts().empty());
}

void TestPlotDialogs::windowPlotHasMinorTicks() {
    TKOLSHELLFORM main;
    TPlotForm* plot = MakePlot(main);
    QVERIFY(plot);
    QCOMPARE(plot->Def().MinorTicks[0], 1);
    QCOMPARE(plot->Def().MinorTicks[1], 1);
}

// Overlay's disabled axis fields show the plot's own ends and ticks.
void TestPlotDialogs::overlayShowsPlotAxes() {
    TKOLSHELLFORM main;
    TPlotForm* plot = MakePlot(main);
    TPlotDef& d = plot->Def();
    d.AxisMin = {-7, 0.5};
    d.AxisMax = {13, 2.25};
    d.Ticks = {4, 3};
    d.NumStyle = {1, 1};
    d.NumDigits = {1, 2};
    Globals().PlotDefName = dir_->Path("RUN.OUT");
    QStringList shown;
    main.ExecDialog = [&](QDialog& dlg) {
        auto& s = static_cast<TPlotSetup&>(dlg);
        for (int a = 0; a < 2; ++a)
            shown << s.Axis[a].Min->text() << s.Axis[a].Max->text() << s.Axis[a].Ticks->text();
        QVERIFY(!s.Axis[1].Max->isEnabled());
        s.reject();
    };
    main.UpdateMenu();
    main.Action("OverlayPlot1")->trigger();
    QCOMPARE(shown, (QStringList{"-7.0", "13.0", "4", "0.50", "2.25", "3"}));
}

// File, Export Plot writes the current plot in the format of the filter or the extension, at
// the size typed; the picture is the window's, lines where the window has them.
void TestPlotDialogs::exportPlot_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("written");
    QTest::newRow("png by extension") << "P.PNG" << 1 << "P.PNG";
    QTest::newRow("svg by filter") << "P" << 2 << "P.svg";
    QTest::newRow("pdf by extension") << "P.pdf" << 1 << "P.pdf";
}

void TestPlotDialogs::exportPlot() {
    QFETCH(QString, name);
    QFETCH(int, filter);
    QFETCH(QString, written);
    TKOLSHELLFORM main;
    QVERIFY(!main.Action("ExportPlot1")->isEnabled());
    TPlotForm* plot = MakePlot(main);
    plot->Def().Lines[0].Colour = 2; // red
    plot->SetPlot(FromQ(plot->Title()), plot->Def());
    CurrentChild = plot;
    main.UpdateMenu();
    QVERIFY(main.Action("ExportPlot1")->isEnabled());
    dialogs_->SaveAnswers = {QString::fromStdString(dir_->Path(FromQ(name)))};
    dialogs_->FilterIndexAnswer = filter;
    dialogs_->InputAnswers = {"960 x 600"};
    main.Action("ExportPlot1")->trigger();
    QVERIFY(msgs_->Texts().empty());
    const std::string file = dir_->Path(FromQ(written));
    const QByteArray bytes = QByteArray::fromStdString(ReadTestFile(file));
    QVERIFY(!bytes.isEmpty());
    if (written.endsWith("PNG")) {
        QImage image;
        QVERIFY(image.loadFromData(bytes, "PNG"));
        QCOMPARE(image.size(), QSize(960, 600));
        // The window's frame scaled by 2: the line from (TIME 0, LEVEL 1) to (2, 4) runs
        // through the frame's middle; no red outside the frame.
        const QSize client = plot->ClientSize();
        const PlotLayout l = FitPlot(plot->FrameValues(), client, QSize(960, 600));
        int inside = 0, outside = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                if (QColor(image.pixel(x, y)) != QColor(255, 0, 0)) continue;
                const bool in = l.Frame.Rect().contains(x, y);
                inside += in;
                outside += !in;
            }
        QVERIFY(inside > 300);
        QVERIFY(outside < 200); // the legend sample only
    } else if (written.endsWith("svg")) {
        QXmlStreamReader xml(bytes);
        int paths = 0;
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::StartElement &&
                (xml.name() == u"path" || xml.name() == u"polyline"))
                ++paths;
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(paths > 5);
        QVERIFY(bytes.contains("#ff0000"));
    } else {
        QVERIFY(bytes.startsWith("%PDF"));
        const int pages =
            int(QString::fromLatin1(bytes).count(QRegularExpression("/Type\\s*/Page[^s]")));
        QCOMPARE(pages, 1);
        QVERIFY(bytes.contains("/MediaBox [0 0 960.000000 600.000000]")); // the page typed
    }
}

void TestPlotDialogs::axisTitleCutByCharacters() {
    TKOLSHELLFORM main;
    TPlotForm* plot = MakePlot(main);
    QVERIFY(plot);
    CurrentChild = plot;
    const QString typed = QString(29, 'x') + QString::fromUtf8("\xC2\xB0"
                                                               "C");
    main.ExecDialog = [&](QDialog& d) {
        auto& m = static_cast<TModPlot&>(d);
        QCOMPARE(m.YAxisLabel->maxLength(), 30);
        m.YAxisLabel->setText(typed); // the field takes 30 characters
        QCOMPARE(m.YAxisLabel->text(), typed.left(30));
        m.OKBtn->click();
    };
    main.Plots().ModifyPlot1Click();
    const std::string file = dir_->Path("TITLE.KSP");
    QVERIFY(plot->SaveDocument(file));
    // The plot file holds the 30 characters, the degree sign as the Windows byte B0.
    const std::string field = std::string(1, char(30)) + std::string(29, 'x') + "\xB0";
    QVERIFY(ReadTestFile(file).find(field) != std::string::npos);
}

void TestPlotDialogs::exportAsksWithCompleteName() {
    TKOLSHELLFORM main;
    TPlotForm* plot = MakePlot(main);
    CurrentChild = plot;
    main.UpdateMenu();
    const std::string picture = dir_->Write("PIC.png", "the user's picture");
    dialogs_->SaveAnswers = {QString::fromStdString(dir_->Path("PIC"))};
    msgs_->Answers = {MsgAnswer::No};
    main.Action("ExportPlot1")->trigger();
    QCOMPARE(msgs_->Texts(),
             std::vector<std::string>{picture + " already exists.  Do you want to replace it?"});
    QCOMPARE(ReadTestFile(picture), std::string("the user's picture"));
    QCOMPARE(dialogs_->Titles.count("Export Plot"), 2); // asked for another name
}

// The size question of Export Plot: its field is reached with Alt+S, and Enter takes the size.
void TestPlotDialogs::exportSizeAccessKey() {
    TKOLSHELLFORM main;
    TPlotForm* plot = MakePlot(main);
    CurrentChild = plot;
    main.UpdateMenu();
    dialogs_->SaveAnswers = {QString::fromStdString(dir_->Path("S.png"))};
    dialogs_->RealInput = true;
    QStringList unkeyed = {"not shown"}, repeated;
    bool fieldReached = false;
    QTimer::singleShot(0, [&] {
        QWidget* asked = QApplication::activeModalWidget();
        if (!asked || !QTest::qWaitForWindowActive(asked)) return;
        unkeyed = UnkeyedControls(asked);
        repeated = RepeatedAccessKeys(asked);
        asked->findChild<QPushButton*>()->setFocus(); // the user went to the buttons
        QTest::keyClick(asked, Qt::Key_S, Qt::AltModifier);
        if (auto* field = qobject_cast<QLineEdit*>(QApplication::focusWidget())) {
            fieldReached = true;
            field->setText("320 x 200");
        }
        QTest::keyClick(asked, Qt::Key_Return);
    });
    main.Action("ExportPlot1")->trigger();
    QCOMPARE(unkeyed, QStringList());
    QCOMPARE(repeated, QStringList());
    QVERIFY(fieldReached);
    QImage image;
    QVERIFY(image.load(QString::fromStdString(dir_->Path("S.png"))));
    QCOMPARE(image.size(), QSize(320, 200));
}

void TestPlotDialogs::exportRefusesBadSize() {
    TKOLSHELLFORM main;
    TPlotForm* plot = MakePlot(main);
    CurrentChild = plot;
    main.UpdateMenu();
    dialogs_->SaveAnswers = {QString::fromStdString(dir_->Path("Q.png"))};
    dialogs_->InputAnswers = {"960 by 600"};
    main.Action("ExportPlot1")->trigger();
    QCOMPARE(msgs_->Texts().back(),
             std::string("'960 by 600' is not a picture size: give width x height, as 800 x 500."));
    QVERIFY(!QFile::exists(QString::fromStdString(dir_->Path("Q.png"))));
    // An unwritable place is said so.
    dialogs_->SaveAnswers = {QString::fromStdString(dir_->Path("no/such/dir/Q.png"))};
    dialogs_->InputAnswers = {"100 x 100"};
    main.Action("ExportPlot1")->trigger();
    QCOMPARE(msgs_->Texts().back(),
             "File " + dir_->Path("no/such/dir/Q.png") + " could not be written.");
}

void TestPlotDialogs::overlayModifyDelete() {
    TKOLSHELLFORM main;
    TPlotForm* plot = MakePlot(main);
    QVERIFY(plot);
    Globals().PlotDefName = dir_->Path("RUN.OUT");
    main.ExecDialog = [&](QDialog& d) {
        auto& s = static_cast<TPlotSetup&>(d);
        QVERIFY(!s.Axis[0].Min->isEnabled());
        QVERIFY(s.ListBoxY->item(1)->isSelected()); // the plot's last line
        s.ListBoxY->item(1)->setSelected(false);
        s.ListBoxY->item(2)->setSelected(true);
        emit s.ListBoxY->itemClicked(s.ListBoxY->item(2));
        s.OKBtn->click();
    };
    main.Plots().OverlayPlot1Click();
    QCOMPARE(plot->Def().NLines, 2);
    QCOMPARE(plot->Def().Lines[1].ColName[1], std::string("FLOW"));

    plot->Def().ShowLegend = 1;
    CurrentChild = plot;
    main.ExecDialog = [&](QDialog& d) {
        auto& m = static_cast<TModPlot&>(d);
        QCOMPARE(m.windowTitle(), "Modify " + plot->Title());
        QCOMPARE(m.PlotLineBox->count(), 2);
        QCOMPARE(m.PlotLineBox->itemText(0), QString("LEVEL vs. TIME"));
        QCOMPARE(m.PlotLineBox->currentIndex(), 1);
        QVERIFY(m.LegendBox->isChecked()); // the plot's own settings
        m.Axis[0].Ticks->setText("7");
        m.YAxisLabel->setText("Height");
        m.SpinSymbol->SetValue(3);
        m.OKBtn->click();
    };
    main.Plots().ModifyPlot1Click();
    QCOMPARE(plot->Def().AxisTitle[1], std::string("Height"));
    QCOMPARE(int(plot->Def().ShowLegend), 1);
    QCOMPARE(plot->Def().Lines[1].Symbol, 3);
    QCOMPARE(plot->Def().Ticks[0], 7);
    // Deleting lines: the last one closes the window.
    main.ExecDialog = [](QDialog& d) { static_cast<TModPlot&>(d).Delete->click(); };
    main.Plots().ModifyPlot(plot);
    QCOMPARE(plot->Def().NLines, 1);
    // The last line: the window closes as a plot does, asking first; Cancel keeps it.
    QPointer<TPlotForm> alive = plot;
    msgs_->Answers = {MsgAnswer::Cancel};
    main.Plots().ModifyPlot(plot);
    QVERIFY(alive);
    QCOMPARE(msgs_->Texts().back(), Question(plot->Title().toStdString()));
    msgs_->Answers = {MsgAnswer::No};
    main.Plots().ModifyPlot(plot);
    QVERIFY(!alive);
}

void TestPlotDialogs::modifyOKKeepsPlot_data() {
    QTest::addColumn<int>("variant");
    QTest::newRow("log axes from 0.001") << 0;
    QTest::newRow("legend and grids") << 1;
    QTest::newRow("odd tick counts, minor ticks, exponent labels") << 2;
    QTest::newRow("symbol and colour past the lists, smoothing") << 3;
}

// Opening Modify and pressing OK changes nothing: the saved bytes are the same.
void TestPlotDialogs::modifyOKKeepsPlot() {
    QFETCH(int, variant);
    TKOLSHELLFORM main;
    TPlotForm* plot = MakePlot(main);
    TPlotDef& d = plot->Def();
    if (variant == 0) {
        d.LogAxis = {1, 1};
        d.AxisMin = {0.001L, 1.0e-7L};
        d.AxisMax = {1000, 3.3e5L};
    } else if (variant == 1) {
        d.ShowLegend = 1;
        d.Grid = {1, 1};
        d.AxisMin[0] = 0.1L;
        d.AxisMin[1] = -1.0L / 3;
    } else if (variant == 2) {
        d.Ticks = {7, 3};
        d.MinorTicks = {4, 0};
        d.NumStyle = {0, 0};
        d.NumDigits = {1, 5};
        d.AxisMax[0] = 1.5e25L;
    } else {
        d.Lines[0].Symbol = 17;
        d.Lines[0].Colour = 18;
        d.Lines[0].Smooth = 1;
        d.NumStyle[1] = 2;
        d.NumDigits[1] = 12;
    }
    QVERIFY(plot->SaveDocument(dir_->Path("A.KSP")));
    main.ExecDialog = [](QDialog& m) { static_cast<TModPlot&>(m).OKBtn->click(); };
    main.Plots().ModifyPlot(plot);
    QVERIFY(plot->SaveDocument(dir_->Path("B.KSP")));
    QVERIFY(ReadTestFile(dir_->Path("A.KSP")) == ReadTestFile(dir_->Path("B.KSP")));
    QVERIFY(msgs_->Shown.empty());
}

void TestPlotDialogs::enterInModifyIsOK_data() {
    QTest::addColumn<QString>("focus");
    QTest::newRow("in the line list") << "PlotLineBox";
    QTest::newRow("in an axis field") << "MinXV";
    QTest::newRow("on Delete") << "Delete";
}

void TestPlotDialogs::enterInModifyIsOK() {
    QFETCH(QString, focus);
    TKOLSHELLFORM main;
    TPlotForm* plot = MakePlot(main);
    plot->Def().Lines[1] = plot->Def().Lines[0];
    plot->Def().NLines = 2;
    QPointer<TPlotForm> alive = plot;
    int result = -1;
    bool deleteDefault = true, active = false;
    main.ExecDialog = [&](QDialog& d) {
        auto& m = static_cast<TModPlot&>(d);
        m.show();
        m.activateWindow();
        active = QTest::qWaitForWindowActive(&m);
        auto* target = m.findChild<QWidget*>(focus);
        target->setFocus();
        m.YAxisLabel->setText("Height");
        deleteDefault = m.Delete->isDefault();
        QTest::keyClick(target, Qt::Key_Return);
        result = m.result();
        if (m.isVisible()) m.reject();
    };
    CurrentChild = plot;
    main.UpdateMenu();
    main.Action("ModifyPlot1")->trigger();
    QVERIFY(active);
    QVERIFY(alive);
    QCOMPARE(plot->Def().NLines, 2); // no line deleted
    QVERIFY(!deleteDefault);
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(plot->Def().AxisTitle[1], std::string("Height"));
}

void TestPlotDialogs::closeBoxAsks_data() {
    QTest::addColumn<bool>("named");
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<QString>("saveAsName");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QString>("written");
    QTest::newRow("Cancel keeps it") << false << MsgAnswer::Cancel << "" << false << "";
    QTest::newRow("No closes it") << false << MsgAnswer::No << "" << true << "";
    QTest::newRow("Yes asks for a name") << false << MsgAnswer::Yes << "MINE" << true << "MINE.KSP";
    QTest::newRow("Yes, Save as cancelled") << false << MsgAnswer::Yes << "" << false << "";
    QTest::newRow("Yes saves a named plot") << true << MsgAnswer::Yes << "" << true << "OLD.KSP";
    QTest::newRow("named, Cancel") << true << MsgAnswer::Cancel << "" << false << "";
}

void TestPlotDialogs::closeBoxAsks() {
    QFETCH(bool, named);
    QFETCH(MsgAnswer, answer);
    QFETCH(QString, saveAsName);
    QFETCH(bool, closes);
    QFETCH(QString, written);
    TKOLSHELLFORM main;
    TPlotForm* plot = MakePlot(main);
    if (named) QVERIFY(plot->SaveDocument(dir_->Path("OLD.KSP")));
    RemoveFile(dir_->Path("OLD.KSP"));
    QPointer<TPlotForm> alive = plot;
    const std::string caption = plot->Title().toStdString();
    msgs_->Answers = {answer};
    dialogs_->SaveAnswers = {saveAsName.isEmpty()
                                 ? QString()
                                 : QString::fromStdString(dir_->Path(saveAsName.toStdString()))};
    QCOMPARE(plot->close(), closes); // what the close box does
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(msgs_->Texts(),
             std::vector<std::string>{Question(named ? dir_->Path("OLD.KSP") : caption)});
    QCOMPARE(msgs_->Shown.back().Kind, MsgKind::WarningYesNoCancel);
    QCOMPARE(!alive, closes);
    if (!written.isEmpty()) {
        const std::string file = dir_->Path(written.toStdString());
        QVERIFY(!ReadTestFile(file).empty());
        QCOMPARE(StoredCaption(file),
                 named ? std::string("Plot 1: from ") + dir_->Path("RUN.OUT") : file);
    }
}

void TestPlotDialogs::exitAsksAndCancelKeepsAll() {
    TKOLSHELLFORM main;
    main.show();
    TPlotForm* plot = MakePlot(main);
    auto* deck = qobject_cast<TEditForm*>(main.Children().first());
    deck->Editor()->InsertText("changed ");
    // The deck is not saved, then the plot's question is cancelled: nothing closes.
    msgs_->Answers = {MsgAnswer::No, MsgAnswer::Cancel};
    main.Action("Exit1")->trigger();
    QCOMPARE(msgs_->Texts(), (std::vector<std::string>{Question(deck->FileName()),
                                                       Question(plot->Title().toStdString())}));
    QVERIFY(main.isVisible());
    QCOMPARE(main.Children(), (QList<TChildForm*>{deck, plot}));
    QVERIFY(deck->IsModified());
    QVERIFY(!QFile::exists(QString::fromStdString(dir_->Path("KOLSHELL.FNL"))));
    // The main window's close box asks the same.
    msgs_->Answers = {MsgAnswer::No, MsgAnswer::Cancel};
    main.close();
    QVERIFY(main.isVisible());
    QCOMPARE(main.Children().size(), 2);
    msgs_->Answers = {MsgAnswer::No, MsgAnswer::No};
    main.Action("Exit1")->trigger();
    QVERIFY(!main.isVisible());
    QVERIFY(main.Children().isEmpty());
    QCOMPARE(msgs_->Shown.size(), size_t(6));
}

void TestPlotDialogs::openingAnotherDeckAsks_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("editDeck");
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<bool>("opened");
    QTest::newRow("File Open, plot cancelled") << "Open1" << false << MsgAnswer::Cancel << false;
    QTest::newRow("File Open, plot not saved") << "Open1" << false << MsgAnswer::No << true;
    QTest::newRow("recent entry, plot cancelled")
        << "recent" << false << MsgAnswer::Cancel << false;
    QTest::newRow("recent entry, deck cancelled") << "recent" << true << MsgAnswer::Cancel << false;
    QTest::newRow("recent entry, plot not saved") << "recent" << false << MsgAnswer::No << true;
    QTest::newRow("Edit KOLSED file, plot cancelled")
        << "EditKOLSEDfile1" << false << MsgAnswer::Cancel << false;
    QTest::newRow("Edit KOLSED file, deck cancelled")
        << "EditKOLSEDfile1" << true << MsgAnswer::Cancel << false;
}

void TestPlotDialogs::openingAnotherDeckAsks() {
    QFETCH(QString, how);
    QFETCH(bool, editDeck);
    QFETCH(MsgAnswer, answer);
    QFETCH(bool, opened);
    const bool ksd = how == "EditKOLSEDfile1";
    const std::string other = ksd ? dir_->Write("OTHER.KSD", "*KOLSED\nEND\n")
                                  : dir_->Write("OTHER.DCK", "SIMULATION 0 1 1\nEND\n");
    TKOLSHELLFORM main;
    TPlotForm* plot = MakePlot(main);
    const std::string run = dir_->Path("RUN.DCK");
    auto* deck = qobject_cast<TEditForm*>(main.Children().first());
    if (editDeck) deck->Editor()->InsertText("changed ");
    QPointer<TPlotForm> alivePlot = plot;
    QPointer<TEditForm> aliveDeck = deck;
    const std::string caption = plot->Title().toStdString();
    main.Documents().FileNameList.Add(other);
    main.Documents().FixFileNameList();
    dialogs_->OpenAnswers = {QString::fromStdString(other)};
    msgs_->Answers = {answer};
    if (how == "recent")
        RecentEntry(main, other)->trigger();
    else
        main.Action(how)->trigger();
    QVERIFY(!msgs_->Shown.empty());
    QCOMPARE(msgs_->Texts().front(), Question(editDeck ? run : caption));
    QCOMPARE(!alivePlot, opened);
    QCOMPARE(!aliveDeck, opened);
    QCOMPARE(Globals().InputFileName, opened ? other : run);
    if (!opened) {
        QCOMPARE(main.Children().size(), 2);
        QCOMPARE(deck->IsModified(), editDeck);
    }
}

// Plot files from different runs of the program all hold the caption "Plot 1: ...": opened,
// each shows it with its file's name beside it; a new plot goes on with the numbering of this
// run.
void TestPlotDialogs::plotsCaptionedByTheirFiles() {
    TKOLSHELLFORM main;
    TPlotForm* first = MakePlot(main);
    const QString made = "Plot 1: from " + QString::fromStdString(dir_->Path("RUN.OUT"));
    QCOMPARE(first->Title(), made);
    QVERIFY(first->SaveDocument(dir_->Path("A.KSP")));
    QVERIFY(QFile::copy(QString::fromStdString(dir_->Path("A.KSP")),
                        QString::fromStdString(dir_->Path("B.KSP"))));
    QCOMPARE(StoredCaption(dir_->Path("B.KSP")), made.toStdString());
    main.DisposeChild(first); // a plot always asks; the recorder's answer lets it go
    msgs_->Shown.clear();
    for (const char* file : {"A.KSP", "B.KSP"}) {
        dialogs_->OpenAnswers = {QString::fromStdString(dir_->Path(file))};
        main.Action("Open1")->trigger();
    }
    main.Plots().NewPlot1Click();
    QStringList captions;
    for (TChildForm* c : main.Children())
        if (c->WindowKind() == TWindowKind::Plot) captions << c->Title();
    // Each shows its stored caption; the two that share one show their file's name beside it.
    QCOMPARE(captions,
             QStringList({made + " (A.KSP)", made + " (B.KSP)",
                          "Plot 2: from " + QString::fromStdString(dir_->Path("RUN.OUT"))}));
    QVERIFY(msgs_->Shown.empty());
    // The caption saved is the stored one, without the file's name.
    for (TChildForm* c : main.Children())
        if (c->WindowKind() == TWindowKind::Plot && c->Title().endsWith("(B.KSP)"))
            QVERIFY(c->SaveDocument(dir_->Path("B.KSP")));
    QCOMPARE(StoredCaption(dir_->Path("B.KSP")), made.toStdString());
}

void TestPlotDialogs::saveAsProposesPlotFile() {
    const std::string deckText = "SIMULATION 0 2 1\nEND\n";
    dir_->Write("RUN.PLT", "TIME LEVEL FLOW\n S M M3/S\n0 1 5\n1 2 4\n");
    TKOLSHELLFORM main;
    TPlotForm* plot = MakePlot(main);
    QCOMPARE(Globals().PlotDefName, dir_->Path("RUN.PLT"));
    CurrentChild = plot;
    main.UpdateMenu();
    // Enter on the proposal: a plot file beside the deck, under the plot filter.
    dialogs_->SaveAnswers = {QString::fromStdString(dir_->Path("RUN.KSP"))};
    main.Action("Saveas1")->trigger();
    QCOMPARE(dialogs_->Proposed.last(), QString::fromStdString(dir_->Path("RUN.KSP")));
    QCOMPARE(dialogs_->FilterIndexes.last(), 5);
    QCOMPARE(ReadTestFile(dir_->Path("RUN.DCK")), deckText);
    QCOMPARE(StoredCaption(dir_->Path("RUN.KSP")), dir_->Path("RUN.KSP"));
    QCOMPARE(plot->Title(), QString::fromStdString(dir_->Path("RUN.KSP")));
    // A name typed without an extension gets ".KSP"; the plot's own file is proposed next.
    dialogs_->SaveAnswers = {QString::fromStdString(dir_->Path("MINE"))};
    main.Action("Saveas1")->trigger();
    QCOMPARE(dialogs_->Proposed.last(), QString::fromStdString(dir_->Path("RUN.KSP")));
    QVERIFY(!QFile::exists(QString::fromStdString(dir_->Path("MINE"))));
    QCOMPARE(StoredCaption(dir_->Path("MINE.KSP")), dir_->Path("MINE.KSP"));
    QCOMPARE(plot->Title(), QString::fromStdString(dir_->Path("MINE.KSP")));
    dialogs_->SaveAnswers = {QString()};
    main.Action("Saveas1")->trigger();
    QCOMPARE(dialogs_->Proposed.last(), QString::fromStdString(dir_->Path("MINE.KSP")));
    QCOMPARE(ReadTestFile(dir_->Path("RUN.DCK")), deckText);
    QCOMPARE(ReadTestFile(dir_->Path("RUN.PLT")).substr(0, 4), std::string("TIME"));
}

void TestPlotDialogs::calculateAsksPlots_data() {
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<bool>("closes");
    QTest::newRow("Cancel keeps the plot") << MsgAnswer::Cancel << false;
    QTest::newRow("No lets it go") << MsgAnswer::No << true;
}

// A run replaces the deck's plotter file, and the plots go with the old one: each asks.
void TestPlotDialogs::calculateAsksPlots() {
    QFETCH(MsgAnswer, answer);
    QFETCH(bool, closes);
    const std::string engine = dir_->Write("KOLVAN32.exe", "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(QString::fromStdString(engine),
                          QFile::permissions(QString::fromStdString(engine)) | QFile::ExeOwner);
    TKOLSHELLFORM main;
    TPlotForm* plot = MakePlot(main);
    QPointer<TPlotForm> alive = plot;
    CurrentChild = main.Children().first(); // the deck
    main.UpdateMenu();
    msgs_->Answers = {answer};
    const std::string caption = plot->Title().toStdString(); // "Plot 1: from ..."
    main.Action("Calculate1")->trigger();
    QCOMPARE(msgs_->Texts(), std::vector<std::string>{Question(caption)});
    QCOMPARE(!alive, closes);
}

// Plot Setup and Modify: each access key once, labelled lists and title fields, and the
// wheel over a list the user is not in changes nothing.
void TestPlotDialogs::keysAndWheelInPlotDialogs() {
    TKOLSHELLFORM main;
    QStringList repeated, labelled;
    int styleBefore = -1, styleAfter = -2;
    const auto check = [&](QDialog& d) {
        d.show();
        repeated << RepeatedAccessKeys(&d);
        for (const QString& k : AccessKeys(&d))
            labelled << k.mid(2).remove('&');
        auto* style = d.findChild<QComboBox*>("YStyle");
        styleBefore = style->currentIndex();
        TurnWheel(style, 1);
        TurnWheel(style, -1);
        TurnWheel(style, -1);
        styleAfter = style->currentIndex();
    };
    main.Documents().ReadaFile(dir_->Path("RUN.DCK"));
    main.ExecDialog = [&](QDialog& d) {
        check(d);
        static_cast<TPlotSetup&>(d).OKBtn->click();
    };
    main.Plots().NewPlot1Click();
    QCOMPARE(repeated, QStringList());
    QCOMPARE(styleAfter, styleBefore);
    for (const char* caption : {"Column for X", "Columns for Y", "From Row", "X axis"})
        QVERIFY2(labelled.contains(caption), caption);
    labelled.clear();
    auto* plot = qobject_cast<TPlotForm*>(main.Children().last());
    QVERIFY(plot);
    main.ExecDialog = [&](QDialog& d) {
        check(d);
        d.reject();
    };
    main.Plots().ModifyPlot(plot);
    QCOMPARE(repeated, QStringList());
    QCOMPARE(styleAfter, styleBefore);
    for (const char* caption : {"X axis title", "Y axis title", "Plot", "Delete"})
        QVERIFY2(labelled.contains(caption), caption);
}

QTEST_MAIN(TestPlotDialogs)
#include "tst_plotdialogs.moc"
