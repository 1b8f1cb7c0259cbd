// Saving as a user meets it: the bytes of a file written back where the user changed
// nothing, complete names before the replace question, new names, moved decks, and the real
// cause of a failed write.
#include "app/kolshellform.h"
#include "common/globals.h"
#include "common/paths.h"
#include "common/settings.h"
#include "common/textfile.h"
#include "kolsed/widgets/kolsedform.h"
#include "shell/widgets/editform.h"
#include "table/widgets/makekolseddlg.h"
#include "tests/support/testsupport.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QtTest>

using namespace kolshell;

class TestSavePath : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void editOneLineKeepsOtherBytes_data();
    void editOneLineKeepsOtherBytes();
    void typedCharacterInFileEncoding_data();
    void typedCharacterInFileEncoding();
    void strictUtf8Check_data();
    void strictUtf8Check();
    void typedNameCompletedBeforeReplaceQuestion_data();
    void typedNameCompletedBeforeReplaceQuestion();
    void newWindowNumberedPastExistingFiles();

  private:
    TKOLSHELLFORM* Main() {
        main_ = std::make_unique<TKOLSHELLFORM>();
        main_->show();
        return main_.get();
    }
    TEditForm* OpenEditor(const std::string& name, const std::string& bytes);
    TKOLSEDForm* OpenForm(const std::string& name, const std::string& bytes);
    std::unique_ptr<TestFolder> dir_;
    std::unique_ptr<MsgRecorder> msgs_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<TKOLSHELLFORM> main_;
};

void TestSavePath::init() {
    dir_ = std::make_unique<TestFolder>();
    FreshProgramDir(*dir_);
    SetCurrentDir(dir_->Dir.path().toStdString());
    msgs_ = std::make_unique<MsgRecorder>();
    dialogs_ = std::make_unique<ScriptedDialogs>();
}

void TestSavePath::cleanup() {
    main_.reset();
    dialogs_.reset();
    msgs_.reset();
}

TEditForm* TestSavePath::OpenEditor(const std::string& name, const std::string& bytes) {
    dialogs_->OpenAnswers = {QString::fromStdString(dir_->Write(name, bytes))};
    main_->Action("Open1")->trigger();
    return main_->Children().isEmpty() ? nullptr
                                       : qobject_cast<TEditForm*>(main_->Children().last());
}

TKOLSEDForm* TestSavePath::OpenForm(const std::string& name, const std::string& bytes) {
    dialogs_->OpenAnswers = {QString::fromStdString(dir_->Write(name, bytes))};
    main_->Action("Open1")->trigger();
    return main_->Children().isEmpty() ? nullptr
                                       : qobject_cast<TKOLSEDForm*>(main_->Children().last());
}

namespace {
// Types text that may hold any character, as a keyboard of its language would.
void TypeText(QWidget* w, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// A KOLSED deck whose second line is a text field holding "old"; the rest are comments.
const std::string Head = "*KOLSED\r\n*|*Run title|old|0\r\n";
} // namespace

void TestSavePath::editOneLineKeepsOtherBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    const auto row = [](const char* name, const std::string& b) {
        QTest::newRow(name) << QByteArray::fromStdString(b);
    };
    row("cp1252", Head + "* caf\xE9 \x80 \x93quoted\x94 \x96 dash \x85\r\n* end\r\n");
    row("cp1252 undefined bytes", Head + "* \x81\x8D\x8F\x90\x9D\r\n");
    row("latin-1", Head + "* \xC4\xD6\xDC \xB0"
                          "C \xFF\xA0\r\n");
    row("utf-8", Head + "* caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D\r\n");
    row("utf-8 with BOM", "\xEF\xBB\xBF" + Head + "* \xC3\xA9t\xC3\xA9\r\n");
    row("overlong C0 80", Head + "* a\xC0\x80z\r\n* after\r\n");
    row("surrogate ED A0 80", Head + "* \xED\xA0\x80\r\n");
    row("bytes F5 to FF", Head + "* \xF5\xF8\xFE\xFF\r\n");
    row("mixed LF and CR LF", "*KOLSED\n*|*Run title|old|0\r\n* a\n* b\r\n* c\n");
    row("lone CRs", Head + "* a\r* b\r\n* c\r");
    row("no final line end", Head + "* last");
}

void TestSavePath::editOneLineKeepsOtherBytes() {
    QFETCH(QByteArray, bytes);
    const std::string before = bytes.toStdString();
    // The editor gets the text without the KOLSED mark, which would open it as a form.
    std::string text = before;
    text.replace(text.find("*KOLSED"), 7, "* notes");
    std::string edited = text;
    edited.replace(edited.find("|old|0"), 6, "|old|0X");
    Main();
    TEditForm* editor = OpenEditor("DECK.TXT", text);
    QVERIFY(editor);
    QTest::keyClick(editor->Editor(), Qt::Key_Down);
    QTest::keyClick(editor->Editor(), Qt::Key_End);
    QTest::keyClicks(editor->Editor(), "X");
    main_->Action("Save1")->trigger();
    QCOMPARE(msgs_->Texts(), std::vector<std::string>{});
    QCOMPARE(QByteArray::fromStdString(ReadTestFile(dir_->Path("DECK.TXT"))),
             QByteArray::fromStdString(edited));

    std::string formEdited = before;
    formEdited.replace(formEdited.find("|old|0"), 6, "|new|0");
    TKOLSEDForm* form = OpenForm("FORM.KSD", before);
    QVERIFY(form);
    auto* field = form->findChild<QLineEdit*>("Text1");
    QVERIFY(field);
    QCOMPARE(field->text(), QString("old"));
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "new");
    main_->Action("Save1")->trigger();
    QCOMPARE(msgs_->Texts(), std::vector<std::string>{});
    QCOMPARE(QByteArray::fromStdString(ReadTestFile(dir_->Path("FORM.KSD"))),
             QByteArray::fromStdString(formEdited));
}

void TestSavePath::typedCharacterInFileEncoding_data() {
    QTest::addColumn<QByteArray>("other");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("written"); // empty: refused
    const QByteArray windows("* caf\xE9\r\n");
    const QByteArray utf8("* caf\xC3\xA9\r\n");
    QTest::newRow("euro into Windows text")
        << windows << QString("\u20AC\u201C") << QByteArray("\x80\x93");
    QTest::newRow("omega into Windows text") << windows << QString("\u03A9") << QByteArray();
    QTest::newRow("omega into UTF-8") << utf8 << QString("\u03A9") << QByteArray("\xCE\xA9");
}

void TestSavePath::typedCharacterInFileEncoding() {
    QFETCH(QByteArray, other);
    QFETCH(QString, typed);
    QFETCH(QByteArray, written);
    const std::string before = Head + other.toStdString();
    std::string text = before;
    text.replace(0, 7, "* notes");
    Main();
    TEditForm* editor = OpenEditor("DECK.TXT", text);
    QVERIFY(editor);
    QTest::keyClick(editor->Editor(), Qt::Key_Down);
    QTest::keyClick(editor->Editor(), Qt::Key_End);
    TypeText(editor->Editor(), typed);
    TKOLSEDForm* form = OpenForm("FORM.KSD", before);
    QVERIFY(form);
    auto* field = form->findChild<QLineEdit*>("Text1");
    field->setFocus();
    field->selectAll();
    TypeText(field, typed);
    // File, Save writes every changed window.
    main_->Action("Save1")->trigger();
    std::vector<std::string> refusals;
    for (const char* file : {"DECK.TXT", "FORM.KSD"}) {
        const std::string now = ReadTestFile(dir_->Path(file));
        if (written.isEmpty()) {
            refusals.push_back("The character \xCE\xA9 cannot be written in file " +
                               dir_->Path(file) +
                               ": its Windows (cp1252) text has no such character.  It was not "
                               "saved.");
            QCOMPARE(now, std::string(file) == "DECK.TXT" ? text : before);
        } else {
            QVERIFY2(now.find(written.toStdString()) != std::string::npos, file);
            QVERIFY(now.find(other.toStdString()) != std::string::npos);
        }
    }
    QCOMPARE(msgs_->Texts(), refusals);
}

void TestSavePath::strictUtf8Check_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("utf8");
    QTest::newRow("ascii") << QByteArray("plain") << true;
    QTest::newRow("euro") << QByteArray("\xE2\x82\xAC") << true;
    QTest::newRow("four bytes") << QByteArray("\xF0\x90\x80\x80") << true;
    QTest::newRow("overlong") << QByteArray("\xC0\x80") << false;
    QTest::newRow("overlong three") << QByteArray("\xE0\x80\xAF") << false;
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << false;
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << false;
    QTest::newRow("F5") << QByteArray("\xF5\x80\x80\x80") << false;
    QTest::newRow("cut short") << QByteArray("\xE2\x82") << false;
    QTest::newRow("latin-1") << QByteArray("caf\xE9") << false;
}

void TestSavePath::strictUtf8Check() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, utf8);
    QCOMPARE(IsValidUtf8(bytes.toStdString()), utf8);
}

void TestSavePath::typedNameCompletedBeforeReplaceQuestion_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("existing"); // the file the typed name DEMO stands for
    QTest::addColumn<MsgAnswer>("answer");
    for (const auto& [command, existing] : {std::pair<QString, QString>{"Save as deck", "DEMO.DCK"},
                                            {"Save as form", "DEMO.KSD"},
                                            {"Make KOLSED file", "DEMO.KSD"}}) {
        QTest::newRow(qPrintable(command + ", No")) << command << existing << MsgAnswer::No;
        QTest::newRow(qPrintable(command + ", Yes")) << command << existing << MsgAnswer::Yes;
    }
}

void TestSavePath::typedNameCompletedBeforeReplaceQuestion() {
    QFETCH(QString, command);
    QFETCH(QString, existing);
    QFETCH(MsgAnswer, answer);
    const QString demo = qEnvironmentVariable("KOLSHELL_SOURCE") + "/demo/";
    QFile::copy(demo + "VALVES.DAT", dir_->Dir.path() + "/VALVES.DAT");
    QFile::copy(demo + "DEMO.BMP", dir_->Dir.path() + "/DEMO.BMP");
    const std::string kept = "* the user's own file\r\n";
    const std::string target = dir_->Write(existing.toStdString(), kept);
    Main();
    ProgramDirs().Dirs[pdEngine] = demo.toStdString(); // the unit descriptions
    if (command == "Save as deck") {
        QVERIFY(OpenEditor("RUN.DCK", "CONSTANTS 1\r\nA = 1\r\nEND\r\n"));
    } else {
        std::string bytes;
        QVERIFY(ReadFileBytes(
            (demo + (command == "Save as form" ? "DEMO.KSD" : "DEMO.DCK")).toStdString(), bytes));
        QVERIFY(command == "Save as form" ? static_cast<TChildForm*>(OpenForm("RUN.KSD", bytes))
                                          : OpenEditor("RUN.DCK", bytes));
    }
    dialogs_->SaveAnswers = {QString::fromStdString(dir_->Path("DEMO"))};
    dialogs_->Titles.clear();
    msgs_->Answers = {answer};
    if (command == "Make KOLSED file") {
        main_->ExecDialog = [](QDialog& d) { static_cast<TMakeKOLSEDDlg&>(d).OKBtn->click(); };
        main_->Action("MakeKOLSEDfile1")->trigger();
    } else {
        main_->Action("Saveas1")->trigger();
    }
    const std::string question = target + " already exists.  Do you want to replace it?";
    QVERIFY(!msgs_->Texts().empty());
    QCOMPARE(QString::fromStdString(msgs_->Texts().front()), QString::fromStdString(question));
    if (answer == MsgAnswer::No) {
        QCOMPARE(ReadTestFile(target), kept);
        QCOMPARE(dialogs_->Titles.size(), 2); // asked for another name
    } else {
        QVERIFY(ReadTestFile(target) != kept);
    }
    QVERIFY(!FileExists(dir_->Path("DEMO")));
}

void TestSavePath::newWindowNumberedPastExistingFiles() {
    TEditForm::NewEditorNumber = 0;
    const std::string older = dir_->Write("NoName1.DCK", "from an earlier day\r\n");
    dir_->Write("noname2.dck", "another\r\n");
    Main();
    main_->Action("New1")->trigger();
    auto* editor = qobject_cast<TEditForm*>(main_->Children().last());
    QCOMPARE(editor->FileName(), std::string("NoName3.DCK"));
    QTest::keyClicks(editor->Editor(), "new");
    main_->Action("Save1")->trigger();
    QCOMPARE(ReadTestFile(older), std::string("from an earlier day\r\n"));
    QCOMPARE(ReadTestFile(dir_->Path("NoName3.DCK")), std::string("new\r\n"));
}

QTEST_MAIN(TestSavePath)
#include "tst_savepath.moc"
