// Plot Setup and Modify through the main window's Plot menu: a new plot from an output file,
// the OK rules, the spinners, overlay, modifying and deleting lines.
#include "app/kolshellform.h"
#include "common/globals.h"
#include "plot/widgets/plotdialogs.h"
#include "plot/widgets/plotform.h"
#include "tests/support/testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

class TestPlotDialogs : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void newPlot();
    void rejectedRange();
    void overlayModifyDelete();

  private:
    TPlotForm* MakePlot(TKOLSHELLFORM& main);
    std::unique_ptr<TestFolder> dir_;
    std::unique_ptr<MsgRecorder> msgs_;
};

void TestPlotDialogs::init() {
    dir_ = std::make_unique<TestFolder>();
    FreshProgramDir(*dir_);
    msgs_ = std::make_unique<MsgRecorder>();
    dir_->Write("RUN.DCK", "SIMULATION 0 2 1\nEND\n");
    dir_->Write("RUN.OUT", "TIME LEVEL FLOW\n S M M3/S\n0 1 5\n1 2 4\n2 4 3\n");
}

void TestPlotDialogs::cleanup() {
    msgs_.reset();
}

TPlotForm* TestPlotDialogs::MakePlot(TKOLSHELLFORM& main) {
    main.ReadaFile(dir_->Path("RUN.DCK"));
    main.ExecDialog = [](QDialog& d) { static_cast<TPlotSetup&>(d).OKBtn->click(); };
    main.NewPlot1Click();
    return qobject_cast<TPlotForm*>(main.Children().last());
}

void TestPlotDialogs::newPlot() {
    TKOLSHELLFORM main;
    main.ReadaFile(dir_->Path("RUN.DCK"));
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
    main.NewPlot1Click();
    auto* plot = qobject_cast<TPlotForm*>(main.Children().last());
    QVERIFY(plot);
    QCOMPARE(plot->windowTitle(), "Plot 1: from " + QString::fromStdString(dir_->Path("RUN.OUT")));
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
    main.ReadaFile(dir_->Path("RUN.DCK"));
    bool accepted = true;
    main.ExecDialog = [&](QDialog& d) {
        auto& s = static_cast<TPlotSetup&>(d);
        s.Axis[0].Max->setText(s.Axis[0].Min->text());
        s.OKBtn->click();
        accepted = s.result() == QDialog::Accepted;
        s.reject();
    };
    main.NewPlot1Click();
    QVERIFY(!accepted);
    QCOMPARE(msgs_->Beeps, 1);
    QVERIFY(!qobject_cast<TPlotForm*>(main.Children().last()));
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
    main.OverlayPlot1Click();
    QCOMPARE(plot->Def().NLines, 2);
    QCOMPARE(plot->Def().Lines[1].ColName[1], std::string("FLOW"));

    plot->Def().ShowLegend = 1;
    CurrentChild = plot;
    main.ExecDialog = [&](QDialog& d) {
        auto& m = static_cast<TModPlot&>(d);
        QCOMPARE(m.windowTitle(), "Modify " + plot->windowTitle());
        QCOMPARE(m.PlotLineBox->count(), 2);
        QCOMPARE(m.PlotLineBox->itemText(0), QString("LEVEL vs. TIME"));
        QCOMPARE(m.PlotLineBox->currentIndex(), 1);
        QVERIFY(!m.LegendBox->isChecked());
        m.YAxisLabel->setText("Height");
        m.SpinSymbol->SetValue(3);
        m.OKBtn->click();
    };
    main.ModifyPlot1Click();
    QCOMPARE(plot->Def().AxisTitle[1], std::string("Height"));
    QCOMPARE(int(plot->Def().ShowLegend), 0);
    QCOMPARE(plot->Def().Lines[1].Symbol, 3);
    QCOMPARE(plot->Def().Ticks[0], 5);
    // Deleting lines: the last one closes the window.
    main.ExecDialog = [](QDialog& d) { static_cast<TModPlot&>(d).Delete->click(); };
    main.ModifyPlot(plot);
    QCOMPARE(plot->Def().NLines, 1);
    QPointer<TPlotForm> alive = plot;
    main.ModifyPlot(plot);
    QVERIFY(!alive);
}

QTEST_MAIN(TestPlotDialogs)
#include "tst_plotdialogs.moc"
