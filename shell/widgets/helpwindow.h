// The program's help window: the HTML pages of the help folder in a browser, with their
// contents, an index of their headings, a search over their text, and back and forward.
#pragma once

#include <QMap>
#include <QString>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;
class QToolButton;

namespace kolshell {

class THelpWindow : public QWidget {
    Q_OBJECT
  public:
    // helpDir holds the pages, "contents.txt" (their order and titles) and "contexts.txt"
    // (help context numbers and dialog classes, each with its page).
    explicit THelpWindow(const QString& helpDir, QWidget* parent = nullptr);

    // Shows a page ("file.html" or "file.html#anchor") and brings the window forward; a
    // missing page is named in a message and false is returned.
    bool ShowPage(const QString& page);
    // The page of a help context number; the contents when the number has none.
    bool ShowContext(int context);
    // The page of a dialog or window class ("TSetupDlg"); empty when it has none.
    QString PageOfClass(const QString& className) const;
    QString PageOfContext(int context) const;
    // The pages whose text holds every word, as their titles.
    QStringList Search(const QString& words);

    QTextBrowser* Browser() const { return browser_; }
    QString CurrentPage() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void StayAboveModal();
    void LoadContents();
    void LoadContexts();
    void BuildIndex();
    void RunSearch();
    void FilterIndex(const QString& text);
    QString PageText(const QString& file);

    QString dir_;
    QTextBrowser* browser_;
    QTreeWidget* contents_;
    QLineEdit *indexEdit_, *searchEdit_;
    QListWidget *index_, *results_;
    QToolButton *back_, *forward_;
    QMap<int, QString> contexts_;
    QMap<QString, QString> classes_;
    QList<QPair<QString, QString>> pages_; // file, title in contents order
    QMap<QString, QString> text_;          // file -> plain text, read once
};

} // namespace kolshell
