// The form editor's core: reading annotated decks (every message and its stop kind), the
// layout with fixed metrics, group switching, the value check, writing decks back and the
// unit conversion.
#include "common/globals.h"
#include "kolsed/annotation.h"
#include "kolsed/deckwriter.h"
#include "kolsed/formswitch.h"
#include "tests/support/bytes.h"
#include "tests/support/shown.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace kolshell;

namespace {

// A 4 x 3 pixel bitmap: file header, info header, no pixels needed for the size.
std::string TinyBmp() {
    std::string b = "BM";
    Add32(b, 54);
    Add32(b, 0);
    Add32(b, 54);
    Add32(b, 40);
    Add32(b, 4);
    Add32(b, 3);
    Add16(b, 1);
    Add16(b, 24);
    b.resize(54, '\0');
    return b;
}

struct Fixture : TestFolder {
    Fixture() {
        Write("MONTH.DAT", "3\nJanuary, 1, 31\nFebruary\t2 ,28\nMarch,3,31\n");
        Write("PIC.BMP", TinyBmp());
        Write("IN.DAT", "data\n");
    }
};

void Read(TFormModel& form, Fixture& fx, const std::string& deck, int unitSystem = 1) {
    form.UnitSystem = unitSystem;
    shown::ReadDeck(form, fx.Write("T.KSD", deck), TFixedMetrics());
}

TFormItem& ItemAt(TFormModel& form, int index) {
    return *form.Items.at(size_t(index - 1));
}

const char* StopName(ReadStop s) {
    return s == ReadStop::Close ? "close" : s == ReadStop::Keep ? "keep" : "none";
}

} // namespace

class TestKolsed : public QObject {
    Q_OBJECT
  private slots:
    void formWritesLeaveOtherLinesAlone();
    void barInTextFieldRefused();
    void readerMessages_data();
    void readerMessages();
    void cannotOpen();
    void commands_data();
    void commands();
    void numericItem_data();
    void numericItem();
    void otherItems();
    void groupCaptionAndLinks();
    void valueFieldFitsItsNumber();
    void lineNumbersCountBlockLines();
    void initialButtonStates();
    void groupsReadSwitchedOff();
    void manyRadioButtons();
    void layout();
    void extremeTabs();
    void headingFields_data();
    void headingFields();
    void switchingMovesAndRestores();
    void blockInsideGroup();
    void groupCommands();
    void valueCheck_data();
    void valueCheck();
    void deckValueText_data();
    void deckValueText();
    void groupOffAndOnRoundTrip();
    void backups();
    void writeFailures();
    void readOnlyDeckIsNotWritten();
    void valueLines();
    void listsAndCompanions();
    void changedStateAndUnits();
    void saveDeckNamedLikeItsBackup_data();
    void saveDeckNamedLikeItsBackup();
    void saveUntouchedForm_data();
    void saveUntouchedForm();
    void saveTypedValue_data();
    void saveTypedValue();
    void saveKeepsGroupStates_data();
    void saveKeepsGroupStates();
    void saveWithBlankLineBeforeAnnotation();
    void chooseAssignFile();
    void leaveFieldInUnitSystem2_data();
    void leaveFieldInUnitSystem2();
};

void TestKolsed::readerMessages_data() {
    QTest::addColumn<QString>("deck");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<bool>("beep");
    QTest::addColumn<int>("errorLevel");
    const QString v = "X = 1\n";
    QTest::newRow("nested group") << "*|[A\n*|[B\n*|]\n"
                                  << "Line 2.  Groups cannot be nested."
                                  << "keep" << true << 100;
    QTest::newRow("close without open")
        << "*\n*|]\n"
        << "Line 2.  Groups close command encountered with no open group."
        << "keep" << true << 100;
    QTest::newRow("font slot 4") << "*|<FONT4>ARIAL\n"
                                 << "***Input Error***   *|<FONT4>ARIAL"
                                 << "keep" << true << 100;
    QTest::newRow("tab slot 0 is fine, 4 is not") << "*|<TAB0>5\n*|<TAB4>5\n"
                                                  << "***Input Error***   *|<TAB4>5"
                                                  << "keep" << true << 100;
    QTest::newRow("tab not a number") << "*|<TAB2>cm\n"
                                      << "***Input Error***   *|<TAB2>cm"
                                      << "keep" << true << 100;
    QTest::newRow("size not an integer") << "*|<SIZE1>1.5\n"
                                         << "***Input Error***   *|<SIZE1>1.5"
                                         << "keep" << true << 100;
    QTest::newRow("font size not an integer") << "*|<FONT2>ARIAL 12PT\n"
                                              << "***Input Error***   *|<FONT2>ARIAL 12PT"
                                              << "keep" << true << 100;
    QTest::newRow("list caption read as size command")
        << v + "*|<Size of tank|MONTH.DAT|1|2|0\n"
        << "***Input Error***   *|<Size of tank|MONTH.DAT|1|2|0"
        << "keep" << true << 100;
    QTest::newRow("unknown colour keeps level 0") << "*|<COLOR1>ORANGE\n"
                                                  << "***Unrecognized color***   *|<COLOR1>ORANGE"
                                                  << "keep" << true << 0;
    QTest::newRow("unknown background goes on")
        << "*|<BACKGROUND> ORANGE\n"
        << "***Unrecognized color***   *|<BACKGROUND> ORANGE"
        << "none" << true << 0;
    QTest::newRow("block line without annotation") << "*|{B|Box\n*|One|G\nX = 1\n*|}\n"
                                                   << "Error in line 3.  Checkbox command expected."
                                                   << "close" << true << 100;
    QTest::newRow("group inside block") << "*|(B\n*|[G\n"
                                        << "Error in line 2.  Groups cannot be nested."
                                        << "close" << true << 100;
    QTest::newRow("bad offset") << v + "*|Cap|m|ft|x|1|0|9|0\n"
                                << "****Input Error****\rX = 1\r*|Cap|m|ft|x|1|0|9|0"
                                << "close" << true << 100;
    QTest::newRow("factor 0") << v + "*|Cap|m|ft|0|0.0|0|9|0\n"
                              << "****Input Error****\rX = 1\r*|Cap|m|ft|0|0.0|0|9|0"
                              << "close" << true << 100;
    QTest::newRow("bad help") << v + "*|Cap|m|ft|0|1|0|9|h\n"
                              << "****Input Error****\rX = 1\r*|Cap|m|ft|0|1|0|9|h"
                              << "close" << true << 100;
    QTest::newRow("value line without =")
        << "CONSTANTS 1\n*|Cap|m|ft|0|1|0|9|0\n"
        << "****Input Error****\rCONSTANTS 1\r*|Cap|m|ft|0|1|0|9|0"
        << "close" << true << 100;
    QTest::newRow("value not a number") << "X = abc\n*|Cap|m|ft|0|1|0|9|0\n"
                                        << "****Input Error****\rX = abc\r*|Cap|m|ft|0|1|0|9|0"
                                        << "close" << true << 100;
    QTest::newRow("list on a plain line")
        << "EQUATIONS 1\n*|<Month|MONTH.DAT|1|2|0\n"
        << "****Input Error****\rEQUATIONS 1\r*|<Month|MONTH.DAT|1|2|0"
        << "close" << true << 100;
    QTest::newRow("assign unit not a number") << "ASSIGN IN.DAT x\n*|?Input|0\n"
                                              << "****Input Error****\rASSIGN IN.DAT x\r*|?Input|0"
                                              << "close" << true << 100;
    QTest::newRow("missing quote") << "*|<PICTURE> \"Tank\n"
                                   << "Missing quote character in \"Tank"
                                   << "close" << true << 100;
    QTest::newRow("missing figure") << "*|<PICTURE> NONE.BMP LEFT\n"
                                    << "Figure file NONE.BMP was not found"
                                    << "close" << true << 100;
    QTest::newRow("missing assign file") << "ASSIGN NONE.DAT 10\n*|?Input|0\n"
                                         << "NONE.DAT was not found"
                                         << "close" << true << 100;
    QTest::newRow("missing list file") << v + "*|<Month|NONE.DAT|1|2|0\n"
                                       << "NONE.DAT was not found"
                                       << "close" << true << 100;
    QTest::newRow("end inside a group") << "*|[G|Group\n" + v + "*|Cap|||0|1|0|9|0\n"
                                        << "This file is missing a group close command."
                                        << "keep" << false << 0;
    QTest::newRow("undefined group") << "*|{B\n*|One|NOPE\n*|}\n"
                                     << "Group NOPE is not defined."
                                     << "none" << true << 100;
}

void TestKolsed::readerMessages() {
    QFETCH(QString, deck);
    QFETCH(QString, message);
    QFETCH(QString, stop);
    QFETCH(bool, beep);
    QFETCH(int, errorLevel);
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    Read(form, fx, deck.toStdString());
    QCOMPARE(rec.Shown.size(), size_t(1));
    QCOMPARE(QString::fromStdString(rec.Shown[0].Text), message);
    QCOMPARE(rec.Shown[0].Beep, beep);
    QCOMPARE(rec.Shown[0].Kind, MsgKind::Error);
    QCOMPARE(QString(StopName(form.Stop)), stop);
    QCOMPARE(form.ErrorLevel, errorLevel);
    // Only a complete read runs the finishing step.
    QCOMPARE(form.Finished, stop == "none");
}

void TestKolsed::cannotOpen() {
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    shown::ReadDeck(form, fx.Path("NONE.KSD"), TFixedMetrics());
    QCOMPARE(rec.Texts(),
             std::vector<std::string>{"Cannot open file " + fx.Path("NONE.KSD") + "."});
    QVERIFY(form.Items.empty());
    QCOMPARE(form.Stop, ReadStop::Close);
}

void TestKolsed::commands_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("expected");
    QTest::newRow("tab 2 def") << "*|<TAB2> DEF"
                               << "tab2"
                               << "-1";
    QTest::newRow("tab 0 cm") << "*|<TAB0> 2.54 CM"
                              << "tab0"
                              << "96";
    QTest::newRow("tab 0 negative") << "*|<TAB0>-5"
                                    << "tab0"
                                    << "0";
    QTest::newRow("tab 1 inch") << "*|<TAB1>1.5in"
                                << "tab1"
                                << "144";
    QTest::newRow("tab 0 at the int limit") << "*|<TAB0>2147483647"
                                            << "tab0"
                                            << "1000000";
    QTest::newRow("tab 0 inches past the int limit") << "*|<TAB0>22369621IN"
                                                     << "tab0"
                                                     << "1000000";
    QTest::newRow("tab 1 far left") << "*|<TAB1>-2147483648"
                                    << "tab1"
                                    << "-1000000";
    QTest::newRow("tab 3 pixels") << "*|<TAB3>40"
                                  << "tab3"
                                  << "40";
    QTest::newRow("bold italic") << "*|<STYLE2> bold italic"
                                 << "style2"
                                 << "BI";
    QTest::newRow("none wins") << "*|<STYLE1>BOLD NONE"
                               << "style1"
                               << "";
    QTest::newRow("underline") << "*|<STYLE3>Underline"
                               << "style3"
                               << "U";
    QTest::newRow("blue inside a word") << "*|<COLOR2> lightblue"
                                        << "color2"
                                        << "0000FF";
    QTest::newRow("red before blue") << "*|<COLOR3>BLUE RED"
                                     << "color3"
                                     << "FF0000";
    QTest::newRow("def is white") << "*|<COLOR1>default"
                                  << "color1"
                                  << "FFFFFF";
    QTest::newRow("two-word font and size") << "*|<FONT2> Courier New 12"
                                            << "font2"
                                            << "COURIER NEW/12";
    QTest::newRow("font name only") << "*|<FONT3>times"
                                    << "font3"
                                    << "TIMES/10";
    QTest::newRow("digit glued to the name") << "*|<FONT1>ARIAL12"
                                             << "font1"
                                             << "Arial/10";
    QTest::newRow("size") << "*|<SIZE3> 14 "
                          << "font3"
                          << "Arial/14";
    QTest::newRow("align last wins") << "*|<ALIGN1>left center"
                                     << "align1"
                                     << "1";
    QTest::newRow("align right") << "*|<ALIGN2>Right"
                                 << "align2"
                                 << "2";
    QTest::newRow("background") << "*|<background> navy"
                                << "background"
                                << "000080";
    QTest::newRow("before keeps its case") << "*|<before> copy Data/a.dat b "
                                           << "before"
                                           << "copy Data/a.dat b";
}

void TestKolsed::commands() {
    QFETCH(QString, line);
    QFETCH(QString, what);
    QFETCH(QString, expected);
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    Read(form, fx, line.toStdString() + "\n");
    QVERIFY(rec.Shown.empty());
    const TPresentation& p = form.Presentation;
    const int slot = what.right(1).toInt();
    QString got;
    if (what.startsWith("tab"))
        got = QString::number(p.Tab[slot]);
    else if (what.startsWith("style"))
        got = QString(p.Fonts[slot].Bold ? "B" : "") + (p.Fonts[slot].Italic ? "I" : "") +
              (p.Fonts[slot].Underline ? "U" : "");
    else if (what.startsWith("color"))
        got = QString::asprintf("%06X", p.Fonts[slot].Color);
    else if (what.startsWith("font"))
        got =
            QString::fromStdString(p.Fonts[slot].Name) + "/" + QString::number(p.Fonts[slot].Size);
    else if (what.startsWith("align"))
        got = QString::number(p.Align[slot]);
    else if (what == "background")
        got = QString::asprintf("%06X", form.Background);
    else
        got = QString::fromStdString(form.BeforeCommand);
    QCOMPARE(got, expected);
}

void TestKolsed::numericItem_data() {
    QTest::addColumn<QString>("deck");
    QTest::addColumn<int>("unitSystem");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("linkSlot");
    QTest::addColumn<QString>("parameters");
    QTest::newRow("integers") << "DAY = 15\n*|Day of Month   |||0|1|1|31|0\n"
                              << 1 << "DAY "
                              << "15"
                              << "" << 0 << "";
    QTest::newRow("two decimals") << "DT=0.5\n*|Timestep|h|h|0|1|0.01|1.00|0\n"
                                  << 1 << "DT"
                                  << "0.50"
                                  << "h" << 0 << "";
    QTest::newRow("exponent max") << "K = 1234\n*|K|-|-|0|1|0|1E5|0\n"
                                  << 1 << "K "
                                  << "1.2340E+03"
                                  << "-" << 0 << "";
    QTest::newRow("three decimals") << "K = 2\n*|K|-|-|0|1|0|9.125|0\n"
                                    << 1 << "K "
                                    << "2.000"
                                    << "-" << 0 << "";
    QTest::newRow("english units") << "T = 20\n*|Temp|C|F|17.7778|1.8|0|300.0|0\n"
                                   << 2 << "T "
                                   << "68.0"
                                   << "F" << 0 << "";
    QTest::newRow("long name cut to 10") << "TEMPERATURE1 = 5\n*|T|C|F|0|1|0|9|0\n"
                                         << 1 << "TEMPERATUR"
                                         << "5"
                                         << "C" << 0 << "";
    QTest::newRow("disabled value line") << "*|#X = 3\n*|#*|X|m|m|0|1|0|9|0\n"
                                         << 1 << "X "
                                         << "3"
                                         << "m" << 0 << "";
    QTest::newRow("link slot and parameters") << "X = 3\n*|X|m|m|0|1|0|9|0|slot 3|-v file\n"
                                              << 1 << "X "
                                              << "3"
                                              << "m" << 3 << "-v file";
    QTest::newRow("link without digit") << "X = 3\n*|X|m|m|0|1|0|9|0|none\n"
                                        << 1 << "X "
                                        << "3"
                                        << "m" << 0 << "";
}

void TestKolsed::numericItem() {
    QFETCH(QString, deck);
    QFETCH(int, unitSystem);
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, unit);
    QFETCH(int, linkSlot);
    QFETCH(QString, parameters);
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    Read(form, fx, deck.toStdString(), unitSystem);
    QVERIFY(rec.Shown.empty());
    QCOMPARE(form.Items.size(), size_t(1));
    TFormItem& item = ItemAt(form, 1);
    QCOMPARE(item.Kind, ikNumber);
    QCOMPARE(item.Line, 1);
    QCOMPARE(QString::fromStdString(item.Name), name);
    QCOMPARE(QString::fromStdString(item.Input->Text), text);
    QCOMPARE(QString::fromStdString(item.UnitLabel->Text), unit);
    QCOMPARE(item.AppButton ? item.AppButton->Slot : 0, linkSlot);
    QCOMPARE(QString::fromStdString(item.AppButton ? item.AppButton->Parameters : ""), parameters);
}

void TestKolsed::otherItems() {
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    Read(form, fx,
         "*|*Title|first run|7\n"
         "M = 2\n*|<Month        |MONTH.DAT|1|2|4\n"
         "DAYS = 28\n*|<|MONTH.DAT|0|3|0\n"
         "assign IN.DAT 10\n*|?Input file|5\n"
         "*|<PICTURE> \"Tank\" right\n"
         "*|<APPLINK2x PIC.BMP LEFT -open now\n");
    QVERIFY(rec.Shown.empty());
    QCOMPARE(form.Items.size(), size_t(6));
    QCOMPARE(ItemAt(form, 2).Prev, &ItemAt(form, 1));
    QCOMPARE(ItemAt(form, 2).Next, &ItemAt(form, 3));
    QVERIFY(!ItemAt(form, 6).Next);
    TFormItem& heading = ItemAt(form, 1);
    QCOMPARE(heading.Line, 1);
    QCOMPARE(heading.Input->Text, std::string("first run"));
    QCOMPARE(heading.Input->MaxLength, 18);
    QCOMPARE(heading.Help, 7);
    TFormItem& list = ItemAt(form, 2);
    QCOMPARE(list.List->Entries, (std::vector<std::string>{"January", "February", "March"}));
    QCOMPARE(list.List->ItemIndex, 1);
    QCOMPARE(std::string(list.Caption->Text), std::string("Month        "));
    QCOMPARE(list.Help, 4);
    TFormItem& hidden = ItemAt(form, 3);
    QVERIFY(!hidden.List->Active);
    QVERIFY(!hidden.Caption->Advances);
    QCOMPARE(hidden.Caption->Height, 0);
    TFormItem& assign = ItemAt(form, 4);
    QCOMPARE(assign.Kind, ikAssign);
    QCOMPARE(assign.Name, std::string("assign"));
    QCOMPARE(assign.FileField->FileName, std::string("IN.DAT"));
    QCOMPARE(assign.FileField->Unit, 10);
    QCOMPARE(assign.Help, 5);
    TFormItem& quoted = ItemAt(form, 5);
    QCOMPARE(quoted.Picture->QuotedText, std::string("Tank"));
    QCOMPARE(quoted.Picture->Alignment, alRight);
    QCOMPARE(quoted.Picture->Width, 6 * 8); // the text and two blanks
    TFormItem& link = ItemAt(form, 6);
    QCOMPARE(link.Kind, ikLinkPicture);
    QCOMPARE(link.Picture->Slot, 2);
    QCOMPARE(link.Picture->Alignment, alLeft);
    QCOMPARE(link.Picture->Parameters, std::string("-open now"));
    QCOMPARE(link.Picture->Width, 4);
    QCOMPARE(link.Picture->Height, 3);
}

void TestKolsed::lineNumbersCountBlockLines() {
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    Read(form, fx,
         "*|{B|Box\n** a comment\n\n*|One|G\n*|}\n*|[G\nX = 1\n*|X|m|m|0|1|0|9|0\n*|[H\n");
    QCOMPARE(rec.Texts(), std::vector<std::string>{"Line 9.  Groups cannot be nested."});
    QCOMPARE(ItemAt(form, 3).Line, 7);
    QCOMPARE(ItemAt(form, 1).OwnGroup->Buttons.size(), size_t(1));
}

void TestKolsed::initialButtonStates() {
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    Read(form, fx,
         "*|{C|Checks\n*|Not A|_A\n*|B on|B\n*|Many|A|C3|D|E|F|G|H|I|J|K|L|M\n*|}\n"
         "*|(R|Radio\n*|First|A\n*|Second|OFF\n*|)\n"
         "*|[A\nX = 1\n*|X|m|m|0|1|0|9|0\n*|]\n"
         "*|#*|[B\n*|#Y = 1\n*|#*|Y|m|m|0|1|0|9|0\n*|#*|]\n"
         "*|#*|[OFF\n*|]\n"
         "*|[C3\n*|]\n*|[D\n*|]\n*|[E\n*|]\n*|[F\n*|]\n*|[G\n*|]\n*|[H\n*|]\n*|[I\n*|]\n*|[J\n*|]"
         "\n*|[K\n*|]"
         "\n");
    QVERIFY(rec.Shown.empty());
    TGroupBox& checks = *ItemAt(form, 1).OwnGroup;
    QVERIFY(!checks.Buttons[0].Checked); // "_A" with A on
    QVERIFY(!checks.Buttons[1].Checked); // B starts off
    QCOMPARE(checks.Buttons[2].Groups.size(), size_t(10));
    QCOMPARE(checks.Buttons[0].Senses, std::vector<bool>{false});
    TGroupBox& radio = *ItemAt(form, 2).OwnGroup;
    QVERIFY(radio.Buttons[0].Checked);
    QVERIFY(!radio.Buttons[1].Checked);
    QVERIFY(!FindGroupItem(form, "b")->OwnGroup->Visible);
    QVERIFY(FindGroupItem(form, "A")->OwnGroup->Visible);
    QVERIFY(!DCKChanged(form));
}

namespace {
// Where each frame and field of the form is, and whether it shows.
QStringList Places(const TFormModel& form) {
    QStringList l;
    for (const auto& item : form.Items) {
        QString s = QString::number(item->Index);
        if (item->OwnGroup)
            s += QString(" frame %1 %2").arg(item->OwnGroup->Top).arg(item->OwnGroup->Visible);
        if (item->Input) s += QString(" field %1").arg(item->Input->Top);
        if (item->Caption) s += QString(" caption %1").arg(item->Caption->Top);
        l << s;
    }
    return l;
}
} // namespace

// Groups read as switched off are hidden as switching each off in turn hides them: every
// frame and field after them, and a block inside one, where the clicks would leave it.
void TestKolsed::groupsReadSwitchedOff() {
    Fixture fx;
    MsgRecorder rec;
    const std::string groups[] = {
        "*|[G1|One\nA = 1\n*|A|m|m|0|1|0|9|0\n*|]\n",
        "*|[G2|Two\nB = 1\n*|B|m|m|0|1|0|9|0\n*|{K|Inner\n*|On|G3\n*|}\n*|]\n",
        "*|[G3|Three\nC = 1\n*|C|m|m|0|1|0|9|0\nD = 1\n*|D|m|m|0|1|0|9|0\n*|]\n"};
    const std::string after = "E = 2\n*|E|m|m|0|1|0|9|0\n";
    std::string on, off;
    for (const std::string& g : groups) {
        on += g + after;
        for (const QString& line : QString::fromStdString(g).split('\n', Qt::SkipEmptyParts))
            off += "*|#" + line.toStdString() + "\n";
        off += after;
    }
    TFormModel clicked, read;
    Read(clicked, fx, on);
    for (const char* g : {"G1", "G2", "G3"})
        SetGroupState(clicked, g, false);
    Read(read, fx, off);
    QVERIFY(rec.Shown.empty());
    QCOMPARE(Places(read), Places(clicked));
    QVERIFY(!FindGroupItem(read, "K")->OwnGroup->Visible);
}

// A radio block of thousands of buttons, each with a group of its own that starts on: the
// last button is pressed and only its group shows. Only the last press is made, so the
// reading stays linear (bench/ times it).
void TestKolsed::manyRadioButtons() {
    Fixture fx;
    MsgRecorder rec;
    const int n = 3000;
    std::string deck = "*|(R|Radio\n";
    for (int i = 0; i < n; ++i)
        deck += "*|Button " + std::to_string(i) + "|G" + std::to_string(i) + "\n";
    deck += "*|)\n";
    for (int i = 0; i < n; ++i)
        deck += "*|[G" + std::to_string(i) + "\nX" + std::to_string(i) +
                " = 1\n*|X|m|m|0|1|0|9|0\n*|]\n";
    TFormModel form;
    Read(form, fx, deck);
    QVERIFY(rec.Shown.empty());
    const TGroupBox& radio = *ItemAt(form, 1).OwnGroup;
    QVERIFY(radio.Buttons[n - 1].Checked);
    QVERIFY(!radio.Buttons[0].Checked);
    QVERIFY(FindGroupItem(form, "g2999")->OwnGroup->Visible);
    QVERIFY(!FindGroupItem(form, "G0")->OwnGroup->Visible);
}

void TestKolsed::layout() {
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    // H = 18, W = 8, every average character width 8, every text 16 high.
    Read(form, fx,
         "*|<ALIGN1>CENTER\n*|*Head|run 1\n"
         "X = 1\n*|Length  |m|ft|0|1|0|9|0|1\n"
         "*|<TAB2>200\n"
         "*|[G|Group\nY = 2\n*|Y|m|m|0|1|0|9|0\n*|]\n"
         "Z = 3\n*|Z|m|m|0|1|0|9|0\n");
    QVERIFY(rec.Shown.empty());
    const TFormItem& head = ItemAt(form, 1);
    QCOMPARE(head.Caption->Top, 10);
    // A centred heading with its field: one line centred across 80 characters.
    QCOMPARE(head.Caption->Width, 48);
    QCOMPARE(head.Caption->Left, (640 - 48 - 56) / 2);
    QCOMPARE(head.Input->Left, head.Caption->Left + 48 + 16);
    const TFormItem& x = ItemAt(form, 2);
    QCOMPARE(x.Caption->Top, 10 + 16 * 5 / 4);
    QCOMPARE(x.Caption->Left, 16);
    QCOMPARE(x.Input->Left, 9 * 8); // just after the caption's full width
    QCOMPARE(x.Input->Width, 80);
    QCOMPARE(x.UnitLabel->Left, 72 + 80 + 8);
    const TFormItem& g = ItemAt(form, 3);
    QCOMPARE(g.OwnGroup->Top, x.Caption->Top + 18 + 9);
    const TFormItem& y = ItemAt(form, 4);
    QCOMPARE(y.Caption->Top, 24);
    QCOMPARE(y.Input->Left, 200);
    QCOMPARE(g.OwnGroup->Height, 24 + 20 + 5);
    const TFormItem& z = ItemAt(form, 5);
    QCOMPARE(z.Caption->Top, 24 + 20 + g.OwnGroup->Top + 9);
    // The link button sits in a right-hand column past the widest frame.
    QCOMPARE(form.Widest, 640 + 35);
    QCOMPARE(x.AppButton->Left, 675 - 30);
    QCOMPARE(g.OwnGroup->Width, 675);
}

// A group captioned in a large font starts its rows below the caption (an empty one still takes
// no room), and a link button in a group stands in the one column of the form's link buttons.
void TestKolsed::groupCaptionAndLinks() {
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    // H = 18; a 24-point caption is 32 high, 14 more than a line.
    Read(form, fx,
         "*|<SIZE1> 24\nX = 1\n*|X|m|m|0|1|0|9|0|1\n*|[G|Group\nY = 2\n*|Y|m|m|0|1|0|9|0|2\n*|]\n"
         "*|[E|Empty\n*|]\n");
    QVERIFY(rec.Shown.empty());
    const TFormItem& x = ItemAt(form, 1);
    const TGroupBox& g = *ItemAt(form, 2).OwnGroup;
    const TFormItem& y = ItemAt(form, 3);
    QCOMPARE(y.Caption->Top, 24 + 14);
    QCOMPARE(g.Height, 24 + 14 + 20 + 5);
    QVERIFY(!ItemAt(form, 4).OwnGroup->Visible);
    QCOMPARE(ItemAt(form, 4).OwnGroup->Height, 0);
    QCOMPARE(g.Left + y.AppButton->Left, x.AppButton->Left);
}

// A value field is ten characters wide, or as wide as a longer value's text, and its unit
// follows it.
void TestKolsed::valueFieldFitsItsNumber() {
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    // Every character 8 wide: ten characters are 80, "-1.2346E-05" and two blanks 104.
    Read(form, fx,
         "X = 1\n*|X|m|m|0|1|0|9|0\nY = -1.2345678E-05\n*|Y|m|m|0|1|-1|1.0000000E+00|0\n");
    QVERIFY(rec.Shown.empty());
    const TFormItem& x = ItemAt(form, 1);
    const TFormItem& y = ItemAt(form, 2);
    QCOMPARE(x.Input->Width, 80);
    QCOMPARE(y.Input->Text, std::string("-1.2346E-05"));
    QCOMPARE(y.Input->Width, 104);
    QCOMPARE(y.UnitLabel->Left, y.Input->Left + 104 + 8);
}

// Tabs at the limits of int put every control at most at the form's width: no sum overflows.
void TestKolsed::extremeTabs() {
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    Read(form, fx,
         "*|<TAB0>2147483647\n*|<TAB1>2147483647\n*|<TAB2>22369621IN\n*|*Head|run 1\n"
         "X = 1\n*|Length  |m|ft|0|1|0|9|0|1\n*|[G|Group\nY = 2\n*|Y|m|m|0|1|0|9|0\n*|]\n");
    QVERIFY(rec.Shown.empty());
    for (int i = 1; i <= 3; ++i) {
        const TFormItem& item = ItemAt(form, i);
        for (const TControlBox* box : {static_cast<const TControlBox*>(item.Caption.get()),
                                       static_cast<const TControlBox*>(item.Input.get())})
            if (box)
                QVERIFY2(box->Left <= 640 + 16 && box->Right() < 4 * 640,
                         qPrintable(QString::number(box->Left)));
    }
    QVERIFY(form.Widest < 8 * 640);
}

void TestKolsed::headingFields_data() {
    QTest::addColumn<QString>("commands");
    QTest::addColumn<int>("headingLeft");
    QTest::addColumn<int>("headingWidth");
    QTest::addColumn<int>("fieldLeft");
    // Heading "Head" (6 characters with two blanks: 48), field "run 1" (56).
    QTest::newRow("left") << "" << 16 << 624 << 16 + 5 * 8;
    QTest::newRow("left after tab 0") << "*|<TAB0>24\n" << 40 << 600 << 40 + 5 * 8;
    QTest::newRow("centre") << "*|<ALIGN1>CENTER\n"
                            << (640 - 48 - 56) / 2 << 48 << (640 - 48 - 56) / 2 + 48 + 16;
    QTest::newRow("right") << "*|<ALIGN1>RIGHT\n" << 640 - 48 - 56 << 48 << 640 - 56 + 16;
    QTest::newRow("tab 1 set") << "*|<ALIGN1>RIGHT\n*|<TAB1>300\n" << 16 << 624 << 300;
}

void TestKolsed::headingFields() {
    QFETCH(QString, commands);
    QFETCH(int, headingLeft);
    QFETCH(int, headingWidth);
    QFETCH(int, fieldLeft);
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    Read(form, fx, commands.toStdString() + "*|*Head|run 1\n");
    const TFormItem& head = ItemAt(form, 1);
    QCOMPARE(head.Caption->Left, headingLeft);
    QCOMPARE(head.Caption->Width, headingWidth);
    QCOMPARE(head.Input->Left, fieldLeft);
    QCOMPARE(head.Input->Width, 56);
}

void TestKolsed::switchingMovesAndRestores() {
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    Read(form, fx,
         "*|{O|Options\n*|Use G|G\n*|}\n*|[G|G\nA = 1\n*|A|m|m|0|1|0|9|0\nB = 1\n"
         "*|B|m|m|0|1|0|9|0\n*|]\nC = 1\n*|C|m|m|0|1|0|9|0\n*|[E\n*|]\n");
    TGroupBox& box = *ItemAt(form, 1).OwnGroup;
    TGroupBox& g = *ItemAt(form, 2).OwnGroup;
    TFormItem& c = ItemAt(form, 5);
    QVERIFY(!ItemAt(form, 6).OwnGroup->Visible);
    QCOMPARE(ItemAt(form, 6).OwnGroup->Height, 0);
    const int gTop = g.Top, cTop = c.Caption->Top, cField = c.Input->Top;
    SetCheckBox(form, box, 0, false);
    QVERIFY(!g.Visible);
    QCOMPARE(c.Caption->Top, cTop - g.FullHeight);
    QCOMPARE(c.Input->Top, cField - g.FullHeight);
    QVERIFY(!ItemVisible(ItemAt(form, 3)));
    QVERIFY(DCKChanged(form));
    SetCheckBox(form, box, 0, true);
    QCOMPARE(g.Top, gTop);
    QCOMPARE(c.Caption->Top, cTop);
    QCOMPARE(c.Input->Top, cField);
}

// A block inside a group lies within the group's frame, below the caption line, and goes with
// the group when it is switched off.
void TestKolsed::blockInsideGroup() {
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    Read(form, fx,
         "*|{S|Switch\n*|Use G|G\n*|}\n*|[G|Group\nA = 1\n*|A|m|m|0|1|0|9|0\n"
         "*|(R|Choice\n*|One|X\n*|Two|_X\n*|)\n*|]\nC = 1\n*|C|m|m|0|1|0|9|0\n"
         "*|[X\nD = 1\n*|D|m|m|0|1|0|9|0\n*|]\n");
    QVERIFY(rec.Shown.empty());
    const TGroupBox& g = *ItemAt(form, 2).OwnGroup;
    const TGroupBox& r = *ItemAt(form, 4).OwnGroup;
    const TFormItem& c = ItemAt(form, 5);
    QVERIFY(r.Top > g.Top + ItemAt(form, 3).Caption->Top);
    QVERIFY(r.Top + r.Height <= g.Top + g.Height);
    QVERIFY(r.Left > g.Left && r.Left + r.Width <= g.Left + g.Width);
    QVERIFY(c.Caption->Top >= g.Top + g.Height);
    // Every button's row lies below the frame's top line.
    for (const TGButton& b : r.Buttons)
        QVERIFY(b.Top >= 20);
    const int rTop = r.Top;
    SetCheckBox(form, *ItemAt(form, 1).OwnGroup, 0, false);
    QVERIFY(!g.Visible);
    QVERIFY(!ItemVisible(ItemAt(form, 4)));
    SetCheckBox(form, *ItemAt(form, 1).OwnGroup, 0, true);
    QVERIFY(ItemVisible(ItemAt(form, 4)));
    QCOMPARE(r.Top, rTop);
}

void TestKolsed::groupCommands() {
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    Read(form, fx,
         "*|<AFTER> del old\n*|{O\n*|Copy|G\n*|}\n*|[G\n*|<BEFORE> copy a.dat b.dat\n"
         "*|<AFTER>  x\nX = 1\n*|X|m|m|0|1|0|9|0\n*|]\n");
    QVERIFY(rec.Shown.empty());
    const TGroupBox& g = *FindGroupItem(form, "G")->OwnGroup;
    QCOMPARE(g.BeforeCommand, std::string("copy a.dat b.dat"));
    QCOMPARE(form.AfterCommand, std::string("x"));
    TGroupBox& box = *ItemAt(form, 1).OwnGroup;
    // Off empties the form's before-command; the group's after-command is too short to count.
    SetCheckBox(form, box, 0, false);
    QCOMPARE(form.BeforeCommand, std::string());
    QCOMPARE(form.AfterCommand, std::string("x"));
    SetCheckBox(form, box, 0, true);
    QCOMPARE(form.BeforeCommand, std::string("copy a.dat b.dat"));
}

void TestKolsed::valueCheck_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("letters") << "12a"
                             << "Illegal character in input";
    QTest::newRow("empty") << "  "
                           << "The input field is empty";
    QTest::newRow("too big") << "1.5"
                             << "This parameter must be >= 0.10 and <= 1.00";
    QTest::newRow("too small") << "-1"
                               << "This parameter must be >= 0.10 and <= 1.00";
    QTest::newRow("fine") << " 0.5 "
                          << "";
    QTest::newRow("trailing point") << "1."
                                    << "";
}

void TestKolsed::valueCheck() {
    QFETCH(QString, text);
    QFETCH(QString, message);
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    Read(form, fx, "X = 0.5\n*|X|m|m|0|1|0.1|1.00|0\n");
    TInput& field = *ItemAt(form, 1).Input;
    field.Text = text.toStdString();
    TDiagnostics diagnostics;
    QCOMPARE(CheckInputValue(form, field, diagnostics), message.isEmpty());
    QCOMPARE(form.ErrorLevel, message.isEmpty() ? 0 : 100);
    QVERIFY(rec.Shown.empty()); // the check reports; the window shows
    ShowDiagnostics(diagnostics);
    QCOMPARE(rec.Texts(), message.isEmpty() ? std::vector<std::string>{}
                                            : std::vector<std::string>{message.toStdString()});
}

void TestKolsed::deckValueText_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::newRow("positive") << "123.45"
                              << "123.45";
    QTest::newRow("every digit typed") << "2.3456789"
                                       << "2.3456789";
    QTest::newRow("negative small") << "-0.00012"
                                    << "-0.00012";
    QTest::newRow("zero") << "0.0000"
                          << "0";
    QTest::newRow("no rounding to 5 digits") << "9.99999"
                                             << "9.99999";
    QTest::newRow("trailing zeros go") << "2.50"
                                       << "2.5";
    QTest::newRow("whole number") << "1e5"
                                  << "100000";
    QTest::newRow("tiny") << "1.5e-7"
                          << "1.5E-07";
    QTest::newRow("large exponent") << "1e300"
                                    << "1E+300";
    QTest::newRow("seventeen digits") << "0.30000000000000004"
                                      << "0.30000000000000004";
}

void TestKolsed::deckValueText() {
    QFETCH(QString, typed);
    QFETCH(QString, text);
    Extended x = 0;
    QVERIFY(TryStrToReal(typed.toStdString(), x));
    QCOMPARE(QString::fromStdString(DeckValueText(x)), text);
}

void TestKolsed::groupOffAndOnRoundTrip() {
    Fixture fx;
    MsgRecorder rec;
    // Values already in the written form, so a round trip must give the same bytes.
    const std::string deck = "*KOLSED\r\n*|{O|Options\r\n*|Use G|G\r\n*|}\r\n*|[G|G\r\n"
                             "A =  1.0000E+0000\r\n*|A|m|m|0|1|0|9|0\r\n*|<PICTURE> PIC.BMP\r\n"
                             "*|]\r\nB =  2.0000E+0000\r\n*|B|m|m|0|1|0|9|0\r\nEND\r\n";
    TFormModel form;
    Read(form, fx, deck);
    SetCheckBox(form, *ItemAt(form, 1).OwnGroup, 0, false);
    QVERIFY(shown::WriteDeck(form, fx.Path("OFF.KSD")));
    QCOMPARE(
        ReadTestFile(fx.Path("OFF.KSD")),
        std::string("*KOLSED\r\n*|{O|Options\r\n*|Use G|G\r\n*|}\r\n*|#*|[G|G\r\n"
                    "*|#A =  1.0000E+0000\r\n*|#*|A|m|m|0|1|0|9|0\r\n*|#*|<PICTURE> PIC.BMP\r\n"
                    "*|#*|]\r\nB =  2.0000E+0000\r\n*|B|m|m|0|1|0|9|0\r\nEND\r\n"));
    // Read back: the group is off and the box unchecked; switched on it is the old file.
    TFormModel back;
    shown::ReadDeck(back, fx.Path("OFF.KSD"), TFixedMetrics());
    QVERIFY(rec.Shown.empty());
    QVERIFY(!FindGroupItem(back, "G")->OwnGroup->InitiallyOn);
    QVERIFY(!ItemAt(back, 1).OwnGroup->Buttons[0].Checked);
    QVERIFY(!DCKChanged(back));
    SetCheckBox(back, *ItemAt(back, 1).OwnGroup, 0, true);
    QVERIFY(shown::WriteDeck(back, fx.Path("ON.KSD")));
    QCOMPARE(ReadTestFile(fx.Path("ON.KSD")), deck);
}

void TestKolsed::backups() {
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    const std::string deck = fx.Write("RUN.V1.KSD", "X = 1\n*|X|m|m|0|1|0|9|0\n");
    shown::ReadDeck(form, deck, TFixedMetrics());
    TypeIntoField(*ItemAt(form, 1).Input, "2");
    QVERIFY(shown::WriteDeck(form, deck));
    QCOMPARE(ReadTestFile(fx.Path("RUN.BAK")), std::string("X = 1\n*|X|m|m|0|1|0|9|0\n"));
    TypeIntoField(*ItemAt(form, 1).Input, "3");
    QVERIFY(shown::WriteDeck(form, deck));
    QCOMPARE(ReadTestFile(fx.Path("RUN.BAK")), std::string("X = 2\n*|X|m|m|0|1|0|9|0\n"));
    QCOMPARE(ReadTestFile(deck), std::string("X = 3\n*|X|m|m|0|1|0|9|0\n"));
    const QStringList baks = QDir(fx.Dir.path()).entryList({"*.BAK"});
    QCOMPARE(baks, QStringList{"RUN.BAK"});
    // Save as leaves the old deck alone and takes the new name.
    TypeIntoField(*ItemAt(form, 1).Input, "4");
    QVERIFY(shown::WriteDeck(form, fx.Path("OTHER.KSD")));
    QCOMPARE(ReadTestFile(deck), std::string("X = 3\n*|X|m|m|0|1|0|9|0\n"));
    QCOMPARE(form.DeckName, fx.Path("OTHER.KSD"));
    QVERIFY(rec.Shown.empty());
}

// A read-only deck is left as it was, and so is its old backup.
void TestKolsed::readOnlyDeckIsNotWritten() {
    Fixture fx;
    MsgRecorder rec;
    const std::string text = "X = 1\n*|X|m|m|0|1|0|9|0\n";
    const std::string deck = fx.Write("D.KSD", text);
    const std::string backup = fx.Write("D.BAK", "older");
    TFormModel form;
    shown::ReadDeck(form, deck, TFixedMetrics());
    ItemAt(form, 1).Input->Text = "2";
    QCOMPARE(::chmod(deck.c_str(), 0444), 0);
    QVERIFY(!shown::WriteDeck(form, deck));
    QCOMPARE(rec.Texts(),
             std::vector<std::string>{"File " + deck + " is read-only; it was not changed."});
    QCOMPARE(ReadTestFile(deck), text);
    QCOMPARE(ReadTestFile(backup), std::string("older"));
    QVERIFY(!(QFile::permissions(QString::fromStdString(deck)) & QFileDevice::WriteOwner));
}

void TestKolsed::writeFailures() {
    Fixture fx;
    MsgRecorder rec;
    const std::string text = "X = 1\n*|X|m|m|0|1|0|9|0\n";
    const std::string deck = fx.Write("D.KSD", text);
    TFormModel form;
    shown::ReadDeck(form, deck, TFixedMetrics());
    // The backup name is taken by a directory: the deck cannot be moved there.
    QVERIFY(QDir().mkpath(QString::fromStdString(fx.Path("D.BAK/sub"))));
    QVERIFY(!shown::WriteDeck(form, deck));
    QCOMPARE(rec.Texts(),
             std::vector<std::string>{"The backup " + fx.Path("D.BAK") + " could not be written; " +
                                      deck + " is left as it was."});
    QCOMPARE(ReadTestFile(deck), text);
    QVERIFY(QDir(QString::fromStdString(fx.Path("D.BAK"))).removeRecursively());
    // The new deck cannot be written: the deck is left as it was, the backup made.
    rec.Shown.clear();
    QVERIFY(QDir().mkpath(
        QString::fromStdString(fx.Path(".~D.KSD." + std::to_string(::getpid()) + ".tmp"))));
    QVERIFY(!shown::WriteDeck(form, deck));
    QCOMPARE(rec.Shown.size(), size_t(1));
    QVERIFY(QString::fromStdString(rec.Shown[0].Text)
                .endsWith(QString::fromStdString(deck + " is left as it was.")));
    QCOMPARE(ReadTestFile(deck), text);
    QCOMPARE(ReadTestFile(fx.Path("D.BAK")), text);
    QVERIFY(QDir(QString::fromStdString(fx.Path(".~D.KSD." + std::to_string(::getpid()) + ".tmp")))
                .removeRecursively());
    // The deck went away after reading: the form still holds every line and writes them.
    rec.Shown.clear();
    QFile::remove(QString::fromStdString(deck));
    QVERIFY(shown::WriteDeck(form, deck));
    QVERIFY(rec.Texts().empty());
    QCOMPARE(ReadTestFile(deck), text);
}

void TestKolsed::valueLines() {
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    Read(form, fx,
         "T = 20 ! room\n*|Temp|C|F|17.7777|1.8|-100|500.0|0\n"
         "LONGVARIABLE1= 5\n*|L|||0|1|0|9|0\n"
         "*|*Title|old text|12\n",
         2);
    TypeIntoField(*ItemAt(form, 1).Input, "212");
    TypeIntoField(*ItemAt(form, 2).Input, "6");
    TypeIntoField(*ItemAt(form, 3).Input, "new text");
    QVERIFY(shown::WriteDeck(form, fx.Path("W.KSD")));
    const std::string out = ReadTestFile(fx.Path("W.KSD"));
    // Shown 212 F goes back as 212 / 1.8 - 17.7777; the name keeps its blank; the
    // comment after the value goes.
    QCOMPARE(out, "T = " + DeckValueText(212 / 1.8L - 17.7777L) +
                      "\n*|Temp|C|F|17.7777|1.8|-100|500.0|0\n"
                      "LONGVARIABLE1= 6\n*|L|||0|1|0|9|0\n"
                      "*|*Title|new text|12\n");
    QVERIFY(rec.Shown.empty());
}

void TestKolsed::listsAndCompanions() {
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    Read(form, fx,
         "M = 2\n*|<Month|MONTH.DAT|1|2|0\nDAYS = 28\n*|<|month.dat|0|3|0\n"
         "ASSIGN IN.DAT 9\n*|<File|FILES.DAT|1|1|0\n",
         1);
    QCOMPARE(rec.Texts(), std::vector<std::string>{"FILES.DAT was not found"});
    fx.Write("FILES.DAT", "2\nIN.DAT\nOTHER.DAT\n");
    rec.Shown.clear();
    TFormModel f2;
    Read(f2, fx,
         "M = 2\n*|<Month|MONTH.DAT|1|2|0\nDAYS = 28\n*|<|month.dat|0|3|0\n"
         "ASSIGN IN.DAT 9\n*|<File|FILES.DAT|1|1|0\n");
    QVERIFY(rec.Shown.empty());
    QVERIFY(!DCKChanged(f2));
    ItemAt(f2, 1).List->ItemIndex = 2; // March
    ItemAt(f2, 3).List->ItemIndex = 1;
    QVERIFY(DCKChanged(f2));
    QVERIFY(shown::WriteDeck(f2, fx.Path("L.KSD")));
    QCOMPARE(ReadTestFile(fx.Path("L.KSD")),
             std::string("M = 3\n*|<Month|MONTH.DAT|1|2|0\nDAYS = 31\n*|<|month.dat|0|3|0\n"
                         "ASSIGN OTHER.DAT 9\n*|<File|FILES.DAT|1|1|0\n"));
    QVERIFY(!DCKChanged(f2));
}

void TestKolsed::formWritesLeaveOtherLinesAlone() {
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    // Two month lists, each with its hidden day count; a tab after "="; a "*|#" line outside
    // any group.
    const std::string deck = "*|#OLD = 1\nM1 =\t2\n*|<Start|MONTH.DAT|1|2|0\nD1 = 28\n"
                             "*|<|month.dat|0|3|0\nM2 = 2\n*|<Stop|MONTH.DAT|1|2|0\nD2 = 28\n"
                             "*|<|month.dat|0|3|0\nX =\t2.5\n*|X|m|m|0|1|0|9.00|0\n";
    Read(form, fx, deck);
    QVERIFY(rec.Shown.empty());
    QCOMPARE(form.ErrorLevel, 0);
    QCOMPARE(ItemAt(form, 5).Input->Text, std::string("2.50"));
    // The stop month becomes March: only its own day count follows.
    ItemAt(form, 3).List->ItemIndex = 2;
    QVERIFY(shown::WriteDeck(form, fx.Path("OUT.KSD")));
    QCOMPARE(ReadTestFile(fx.Path("OUT.KSD")),
             std::string("*|#OLD = 1\nM1 =\t2\n*|<Start|MONTH.DAT|1|2|0\nD1 = 28\n"
                         "*|<|month.dat|0|3|0\nM2 = 3\n*|<Stop|MONTH.DAT|1|2|0\nD2 = 31\n"
                         "*|<|month.dat|0|3|0\nX =\t2.5\n*|X|m|m|0|1|0|9.00|0\n"));
    // A save that changes nothing writes the deck as it was read.
    TFormModel again;
    Read(again, fx, deck);
    QVERIFY(shown::WriteDeck(again, fx.Path("SAME.KSD")));
    QCOMPARE(ReadTestFile(fx.Path("SAME.KSD")), deck);
}

void TestKolsed::barInTextFieldRefused() {
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    const std::string deck = "*|*Run title|first run|0\n";
    Read(form, fx, deck);
    TypeIntoField(*ItemAt(form, 1).Input, "a|b");
    QVERIFY(!shown::WriteDeck(form, fx.Path("T.KSD")));
    QCOMPARE(rec.Texts(), std::vector<std::string>{"The text of Run title cannot hold the "
                                                   "character |: it separates the parts of its "
                                                   "line."});
    QCOMPARE(ReadTestFile(fx.Path("T.KSD")), deck);
}

void TestKolsed::changedStateAndUnits() {
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    Read(form, fx, "T = 20\n*|Temp|C|F|17.7778|1.8|0|300.0|0\nL = 3\n*|Len|m|m|0|1|0|9.00|0\n");
    TInput& t = *ItemAt(form, 1).Input;
    TInput& l = *ItemAt(form, 2).Input;
    ConvertUnits(form, 1, 1);
    QCOMPARE(t.Text, std::string("20.0"));
    ConvertUnits(form, 1, 2);
    QCOMPARE(t.Text, std::string("68.0"));
    QCOMPARE(ItemAt(form, 1).UnitLabel->Text, std::string("F"));
    QCOMPARE(l.Text, std::string("3.00"));
    QCOMPARE(ItemAt(form, 2).UnitLabel->Text, std::string("m"));
    QVERIFY(!DCKChanged(form));
    TypeIntoField(t, "212");
    ConvertUnits(form, 2, 1);
    QCOMPARE(t.Text, std::string("100.0"));
    QCOMPARE(ItemAt(form, 1).UnitLabel->Text, std::string("C"));
    // The edit is still one after the switch and back.
    QVERIFY(DCKChanged(form));
    ConvertUnits(form, 1, 2);
    QVERIFY(DCKChanged(form));
    QCOMPARE(t.Text, std::string("212.0"));
    ConvertUnits(form, 2, 1);
    QVERIFY(shown::WriteDeck(form, fx.Path("U.KSD")));
    QVERIFY(
        ReadTestFile(fx.Path("U.KSD")).find("T = " + DeckValueText(212 / 1.8L - 17.7778L) + "\n") !=
        std::string::npos);
    QVERIFY(!DCKChanged(form));
    // A text that is no number stays as typed; the conversion goes on.
    TypeIntoField(t, "abc");
    ConvertUnits(form, 1, 2);
    QCOMPARE(t.Text, std::string("abc"));
    QCOMPARE(rec.Beeps, 1);
    QCOMPARE(l.Text, std::string("3.00"));
}

void TestKolsed::saveDeckNamedLikeItsBackup_data() {
    QTest::addColumn<QString>("deck");
    QTest::newRow("upper case") << "RUN.BAK";
    QTest::newRow("lower case") << "run.bak";
    QTest::newRow("mixed case") << "Run.Bak";
}

void TestKolsed::saveDeckNamedLikeItsBackup() {
    QFETCH(QString, deck);
    Fixture fx;
    MsgRecorder rec;
    const std::string name = fx.Write(deck.toStdString(), "X = 1\n*|X|m|m|0|1|0|9|0\n");
    QCOMPARE(BackupName(name), name + ".BAK");
    TFormModel form;
    shown::ReadDeck(form, name, TFixedMetrics());
    TypeIntoField(*ItemAt(form, 1).Input, "2");
    QVERIFY(shown::WriteDeck(form, name));
    QVERIFY(rec.Shown.empty());
    QCOMPARE(ReadTestFile(name), std::string("X = 2\n*|X|m|m|0|1|0|9|0\n"));
    QCOMPARE(ReadTestFile(name + ".BAK"), std::string("X = 1\n*|X|m|m|0|1|0|9|0\n"));
    // Saving again replaces the backup, never the deck.
    TypeIntoField(*ItemAt(form, 1).Input, "3");
    QVERIFY(shown::WriteDeck(form, name));
    QCOMPARE(ReadTestFile(name), std::string("X = 3\n*|X|m|m|0|1|0|9|0\n"));
    QCOMPARE(ReadTestFile(name + ".BAK"), std::string("X = 2\n*|X|m|m|0|1|0|9|0\n"));
    QCOMPARE(QDir(fx.Dir.path()).entryList(QDir::Files).size(), 5); // + the fixture's 3
    QCOMPARE(BackupName(fx.Path("RUN.BAK.KSD")), fx.Path("RUN.BAK"));
}

void TestKolsed::saveUntouchedForm_data() {
    QTest::addColumn<QString>("deck");
    QTest::addColumn<int>("unitSystem");
    const QString area = "*KOLSED\nAREA = 2.34567890\n*|Area|m2|ft2|0|10.7639|0.01|1000.00|1\n";
    QTest::newRow("more digits than shown") << area << 1;
    QTest::newRow("more digits than shown, secondary units") << area << 2;
    QTest::newRow("start level in feet")
        << "CONSTANTS 1\nLEVEL0 = 0.20\n*|Start level |m|ft|0|3.28084|0|30.00|4\n"
        << 2;
    QTest::newRow("comment after the value") << "T = 20 ! room\n*|T|C|F|17.7777|1.8|-100|500.0|0\n"
                                             << 1;
    QTest::newRow("lists, heading and file, CR LF")
        << "*KOLSED\r\nM = 2\r\n*|<Month|MONTH.DAT|1|2|0\r\nDAYS = 28.0\r\n"
           "*|<|MONTH.DAT|0|3|0\r\n*|*Title|  spaced text |3\r\nassign IN.DAT   10\r\n"
           "*|?Input|0\r\nEND\r\n"
        << 1;
}

void TestKolsed::saveUntouchedForm() {
    QFETCH(QString, deck);
    QFETCH(int, unitSystem);
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    const std::string text = deck.toStdString();
    Read(form, fx, text, unitSystem);
    QVERIFY(rec.Shown.empty());
    QVERIFY(shown::WriteDeck(form, fx.Path("T.KSD")));
    QCOMPARE(ReadTestFile(fx.Path("T.KSD")), text);
    QCOMPARE(ReadTestFile(fx.Path("T.BAK")), text);
    // Switching units there and back is no edit either.
    ConvertUnits(form, unitSystem, 3 - unitSystem);
    ConvertUnits(form, 3 - unitSystem, unitSystem);
    QVERIFY(!DCKChanged(form));
    QVERIFY(shown::WriteDeck(form, fx.Path("U.KSD")));
    QCOMPARE(ReadTestFile(fx.Path("U.KSD")), text);
    QVERIFY(rec.Shown.empty());
}

void TestKolsed::saveTypedValue_data() {
    QTest::addColumn<int>("unitSystem");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::newRow("primary units") << 1 << "2.3456789"
                                   << "2.3456789";
    QTest::newRow("no rounding to the shown decimals") << 1 << "7.125"
                                                       << "7.125";
    QTest::newRow("secondary units") << 2 << "107.639"
                                     << "10";
    QTest::newRow("secondary units, digits kept")
        << 2 << "25.25" << QString::fromStdString(DeckValueText(25.25L / 10.7639L));
}

void TestKolsed::saveTypedValue() {
    QFETCH(int, unitSystem);
    QFETCH(QString, typed);
    QFETCH(QString, written);
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    Read(form, fx,
         "AREA = 2.5\n*|Area|m2|ft2|0|10.7639|0.01|1000.00|1\nB = 0.3333\n*|B|||0|1|0|9.0|0\n",
         unitSystem);
    TypeIntoField(*ItemAt(form, 1).Input, typed.toStdString());
    QVERIFY(shown::CheckInputValue(form, *ItemAt(form, 1).Input));
    QVERIFY(shown::WriteDeck(form, fx.Path("W.KSD")));
    QCOMPARE(QString::fromStdString(ReadTestFile(fx.Path("W.KSD"))),
             "AREA = " + written +
                 "\n*|Area|m2|ft2|0|10.7639|0.01|1000.00|1\n"
                 "B = 0.3333\n*|B|||0|1|0|9.0|0\n");
    // The value written reads back as the value typed.
    TFormModel back;
    shown::ReadDeck(back, fx.Path("W.KSD"), TFixedMetrics());
    const Extended shown =
        unitSystem == 2 ? (back.Items[0]->Input->Value * 10.7639L) : back.Items[0]->Input->Value;
    QCOMPARE(double(shown), typed.toDouble());
}

void TestKolsed::saveKeepsGroupStates_data() {
    QTest::addColumn<QString>("deck");
    QTest::newRow("group of deck lines only") << "*|[G|Constants\nCONSTANTS 1\nA = 1\n*|]\nEND\n";
    QTest::newRow("group holding only a block")
        << "*|[G|Outer\n*|{B|Box\n*|Use H|H\n*|}\n*|]\n*|[H\nY = 1\n*|]\nEND\n";
    QTest::newRow("group holding only a hidden companion")
        << "M = 2\n*|<Month|MONTH.DAT|1|2|0\n*|[G\nDAYS = 28\n*|<|MONTH.DAT|0|3|0\n*|]\n";
    QTest::newRow("switched off, no button")
        << "*|#*|[G|Off\n*|#A = 1\n*|#*|A|m|m|0|1|0|9|0\n*|#*|]\nB = 2\n*|B|m|m|0|1|0|9|0\n";
    QTest::newRow("switched off and empty") << "*|#*|[G\n*|#CONSTANTS 1\n*|#*|]\nEND\n";
    QTest::newRow("switched off, radio buttons of plain groups")
        << "*|(R|Pick\n*|One|G1\n*|Two|G2\n*|)\n*|#*|[G1\n*|#A = 1\n*|#*|A|m|m|0|1|0|9|0\n"
           "*|#*|]\n*|#*|[G2\n*|#B = 1\n*|#*|B|m|m|0|1|0|9|0\n*|#*|]\n";
    QTest::newRow("reading kept at a nested group")
        << "*|#*|[G\n*|#A = 1\n*|#*|[H\n*|#B = 2\n*|#*|]\nEND\n";
    QTest::newRow("reading kept at a colour")
        << "*|#*|[G\n*|#A = 1\n*|#*|]\n*|<COLOR1>ORANGE\n*|#*|[H\n*|#B = 2\n*|#*|]\n";
    QTest::newRow("reading kept without a close line")
        << "*|#*|[G\n*|#A = 1\n*|#*|A|m|m|0|1|0|9|0\n";
}

void TestKolsed::saveKeepsGroupStates() {
    QFETCH(QString, deck);
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    const std::string text = deck.toStdString();
    Read(form, fx, text);
    QVERIFY(!DCKChanged(form));
    QVERIFY(shown::WriteDeck(form, fx.Path("OUT.KSD")));
    QCOMPARE(ReadTestFile(fx.Path("OUT.KSD")), text);
    // A frame shows exactly when its group is on and holds something.
    for (const auto& item : form.Items)
        if (IsFrame(*item))
            QCOMPARE(item->OwnGroup->Visible, item->OwnGroup->On && item->OwnGroup->Height > 0);
}

void TestKolsed::saveWithBlankLineBeforeAnnotation() {
    Fixture fx;
    MsgRecorder rec;
    const std::string deck =
        "A = 1\n\n*|A value|||0|1|0|9|0\nC = 3\n  \t\n\n*|C value|||0|1|0|9|0\n"
        "*|#*|[G\n*|#B = 1\n*|#\n*|#*|B value|||0|1|0|9|0\n*|#*|]\n";
    TFormModel form;
    Read(form, fx, deck);
    QVERIFY(rec.Shown.empty());
    QCOMPARE(ItemAt(form, 1).Line, 1);
    QCOMPARE(ItemAt(form, 2).Line, 4);
    QVERIFY(shown::WriteDeck(form, fx.Path("W.KSD")));
    QCOMPARE(ReadTestFile(fx.Path("W.KSD")), deck);
    TypeIntoField(*ItemAt(form, 1).Input, "7");
    TypeIntoField(*ItemAt(form, 2).Input, "6");
    TypeIntoField(*ItemAt(form, 4).Input, "8");
    QVERIFY(shown::WriteDeck(form, fx.Path("W.KSD")));
    QCOMPARE(ReadTestFile(fx.Path("W.KSD")),
             std::string("A = 7\n\n*|A value|||0|1|0|9|0\nC = 6\n  \t\n\n*|C value|||0|1|0|9|0\n"
                         "*|#*|[G\n*|#B = 8\n*|#\n*|#*|B value|||0|1|0|9|0\n*|#*|]\n"));
}

void TestKolsed::chooseAssignFile() {
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    Read(form, fx, "ASSIGN IN.DAT 10\n*|?Input|0\nEND\n");
    TFormItem& item = ItemAt(form, 1);
    // A file in the deck's folder is written by its bare name.
    QVERIFY(shown::ChooseAssignFile(form, item, fx.Path("OTHER.DAT")));
    QVERIFY(shown::WriteDeck(form, fx.Path("T.KSD")));
    QCOMPARE(ReadTestFile(fx.Path("T.KSD")), std::string("ASSIGN OTHER.DAT 10\n*|?Input|0\nEND\n"));
    QVERIFY(QDir().mkpath(QString::fromStdString(fx.Path("sub"))));
    QVERIFY(shown::ChooseAssignFile(form, item, fx.Path("sub/../THIRD.DAT")));
    QVERIFY(shown::WriteDeck(form, fx.Path("T.KSD")));
    QCOMPARE(ReadTestFile(fx.Path("T.KSD")), std::string("ASSIGN THIRD.DAT 10\n*|?Input|0\nEND\n"));
    // Elsewhere it keeps its folder.
    QVERIFY(shown::ChooseAssignFile(form, item, "/data/run2/IN.DAT"));
    QVERIFY(shown::WriteDeck(form, fx.Path("T.KSD")));
    QCOMPARE(ReadTestFile(fx.Path("T.KSD")),
             std::string("ASSIGN /data/run2/IN.DAT 10\n*|?Input|0\nEND\n"));
    QVERIFY(rec.Shown.empty());
    // A blank is refused: the field keeps its file.
    QVERIFY(!shown::ChooseAssignFile(form, item, fx.Path("my data.dat")));
    const std::string why = " cannot be written in an ASSIGN line: the engine reads a file name "
                            "only up to its first blank.  Choose a file without blanks in its "
                            "name, or one in the deck's folder.";
    QCOMPARE(rec.Texts(), std::vector<std::string>{"my data.dat" + why});
    QCOMPARE(item.FileField->FileName, std::string("/data/run2/IN.DAT"));
    QVERIFY(!DCKChanged(form));

    // A deck in a folder with a blank: its own files are fine, but not once it is saved
    // elsewhere, and then nothing is written.
    rec.Shown.clear();
    QVERIFY(QDir().mkpath(QString::fromStdString(fx.Path("my dir"))));
    WriteTestFile(QString::fromStdString(fx.Path("my dir")), "IN.DAT", "1\n");
    const std::string deck = WriteTestFile(QString::fromStdString(fx.Path("my dir")), "D.KSD",
                                           "ASSIGN IN.DAT 10\n*|?Input|0\n");
    TFormModel spaced;
    shown::ReadDeck(spaced, deck, TFixedMetrics());
    QVERIFY(shown::ChooseAssignFile(spaced, ItemAt(spaced, 1), fx.Path("my dir/IN2.DAT")));
    QVERIFY(!shown::WriteDeck(spaced, fx.Path("ELSEWHERE.KSD")));
    QCOMPARE(rec.Texts(), std::vector<std::string>{fx.Path("my dir/IN2.DAT") + why});
    QVERIFY(!QFile::exists(QString::fromStdString(fx.Path("ELSEWHERE.KSD"))));
    QVERIFY(DCKChanged(spaced));
    QVERIFY(shown::WriteDeck(spaced, deck));
    QCOMPARE(ReadTestFile(deck), std::string("ASSIGN IN2.DAT 10\n*|?Input|0\n"));
}

void TestKolsed::leaveFieldInUnitSystem2_data() {
    QTest::addColumn<QString>("deck");
    QTest::addColumn<int>("unitSystem");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    const QString pump = "QPUMP = 0.012\n*|Pump flow|m3/s|gal/min|0|15850.3|0|1.0000|2\n";
    QTest::newRow("pump flow as shown") << pump << 2 << "190.2036"
                                        << "";
    QTest::newRow("pump flow at its maximum") << pump << 2 << "15850.3000"
                                              << "";
    QTest::newRow("pump flow over it") << pump << 2 << "15851"
                                       << "This parameter must be >= 0.0000 and <= 15850.3000";
    QTest::newRow("primary units as written") << pump << 1 << "190.2036"
                                              << "This parameter must be >= 0.0000 and <= 1.0000";
    QTest::newRow("maximum rounds up when shown")
        << "LEVEL0 = 30\n*|Start level|m|ft|0|3.28084|0|30.00|4\n"
        << 2 << "98.43"
        << "";
    QTest::newRow("offset") << "T = 20\n*|Temp|C|F|17.7778|1.8|-10|100.0|0\n"
                            << 2 << "-20"
                            << "This parameter must be >= 14.0 and <= 212.0";
    QTest::newRow("negative factor") << "X = 5\n*|X|a|b|0|-1|0|10|0\n"
                                     << 2 << "5"
                                     << "This parameter must be >= -10 and <= 0";
    QTest::newRow("negative factor, inside") << "X = 5\n*|X|a|b|0|-1|0|10|0\n"
                                             << 2 << "-5"
                                             << "";
}

void TestKolsed::leaveFieldInUnitSystem2() {
    QFETCH(QString, deck);
    QFETCH(int, unitSystem);
    QFETCH(QString, text);
    QFETCH(QString, message);
    Fixture fx;
    MsgRecorder rec;
    TFormModel form;
    Read(form, fx, deck.toStdString(), unitSystem);
    TInput& field = *ItemAt(form, 1).Input;
    QVERIFY(shown::CheckInputValue(form, field) || unitSystem == 1); // the value as read
    rec.Shown.clear();
    field.Text = text.toStdString();
    QCOMPARE(shown::CheckInputValue(form, field), message.isEmpty());
    QCOMPARE(rec.Texts(), message.isEmpty() ? std::vector<std::string>{}
                                            : std::vector<std::string>{message.toStdString()});
}

QTEST_GUILESS_MAIN(TestKolsed)
#include "tst_kolsed.moc"
