#include "shell/widgets/helpwindow.h"

#include "common/messages.h"
#include "common/widgets/qtext.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kolshell {

namespace {

constexpr int PageRole = Qt::UserRole;

QStringList ReadLines(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    QStringList lines;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (!l.trimmed().isEmpty() && !l.startsWith('#')) lines << QString::fromUtf8(l);
    return lines;
}

QListWidget* List(QWidget* parent, const char* name) {
    auto* l = new QListWidget(parent);
    l->setObjectName(name);
    return l;
}

QToolButton* Tool(QWidget* parent, const char* text, const char* name) {
    auto* b = new QToolButton(parent);
    b->setText(text);
    b->setObjectName(name);
    return b;
}

} // namespace

THelpWindow::THelpWindow(const QString& helpDir, QWidget* parent)
    : QWidget(parent, Qt::Window), dir_(helpDir) {
    setObjectName("HelpWindow");
    setWindowTitle("KOLSHELL Help");
    resize(900, 600);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName("HelpBrowser");
    browser_->setSearchPaths({dir_});
    browser_->setOpenExternalLinks(true);

    auto* tabs = new QTabWidget(this);
    tabs->setObjectName("HelpTabs");
    contents_ = new QTreeWidget(this);
    contents_->setObjectName("ContentsList");
    contents_->setHeaderHidden(true);
    tabs->addTab(contents_, "&Contents");

    auto* indexPage = new QWidget(this);
    indexEdit_ = new QLineEdit(indexPage);
    indexEdit_->setObjectName("IndexEdit");
    index_ = List(indexPage, "IndexList");
    auto* il = new QVBoxLayout(indexPage);
    auto* first = new QLabel("Type the first &letters of a word:", indexPage);
    first->setBuddy(indexEdit_);
    il->addWidget(first);
    il->addWidget(indexEdit_);
    il->addWidget(index_);
    tabs->addTab(indexPage, "&Index");

    auto* searchPage = new QWidget(this);
    searchEdit_ = new QLineEdit(searchPage);
    searchEdit_->setObjectName("SearchEdit");
    auto* find = new QPushButton("S&earch", searchPage);
    find->setObjectName("SearchBtn");
    results_ = List(searchPage, "SearchList");
    auto* sl = new QVBoxLayout(searchPage);
    auto* words = new QLabel("&Words to find:", searchPage);
    words->setBuddy(searchEdit_);
    sl->addWidget(words);
    sl->addWidget(searchEdit_);
    sl->addWidget(find);
    sl->addWidget(results_);
    tabs->addTab(searchPage, "&Search");

    back_ = Tool(this, "< &Back", "BackBtn");
    forward_ = Tool(this, "&Forward >", "ForwardBtn");
    auto* home = Tool(this, "&Home", "HomeBtn");
    auto* bar = new QHBoxLayout;
    for (QToolButton* b : {back_, forward_, home})
        bar->addWidget(b);
    bar->addStretch();
    auto* split = new QSplitter(this);
    split->addWidget(tabs);
    split->addWidget(browser_);
    split->setStretchFactor(1, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(split);

    back_->setEnabled(false);
    forward_->setEnabled(false);
    connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(home, &QToolButton::clicked, this, [this] { ShowPage(pages_.value(0).first); });
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);
    connect(contents_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* it) { ShowPage(it->data(0, PageRole).toString()); });
    connect(contents_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* it) { ShowPage(it->data(0, PageRole).toString()); });
    auto open = [this](QListWidgetItem* it) { ShowPage(it->data(PageRole).toString()); };
    connect(index_, &QListWidget::itemActivated, this, open);
    connect(index_, &QListWidget::itemClicked, this, open);
    connect(results_, &QListWidget::itemActivated, this, open);
    connect(results_, &QListWidget::itemClicked, this, open);
    connect(indexEdit_, &QLineEdit::textChanged, this, &THelpWindow::FilterIndex);
    connect(searchEdit_, &QLineEdit::returnPressed, this, &THelpWindow::RunSearch);
    connect(find, &QPushButton::clicked, this, &THelpWindow::RunSearch);

    LoadContents();
    LoadContexts();
    BuildIndex();
}

void THelpWindow::LoadContents() {
    // "file.html Title": two leading blanks put an entry under the one before it.
    QTreeWidgetItem* top = nullptr;
    for (const QString& line : ReadLines(dir_ + "/contents.txt")) {
        const QString t = line.trimmed();
        const QString file = t.section(' ', 0, 0), title = t.section(' ', 1);
        pages_ << qMakePair(file, title);
        QTreeWidgetItem* item =
            line.startsWith(' ') && top ? new QTreeWidgetItem(top) : new QTreeWidgetItem(contents_);
        if (!line.startsWith(' ')) top = item;
        item->setText(0, title);
        item->setData(0, PageRole, file);
    }
    contents_->expandAll();
}

void THelpWindow::LoadContexts() {
    // "45 printing.html#select" or "TSetupDlg settings.html"
    for (const QString& line : ReadLines(dir_ + "/contexts.txt")) {
        const QStringList parts = line.simplified().split(' ');
        if (parts.size() < 2) continue;
        bool number = false;
        const int context = parts[0].toInt(&number);
        if (number)
            contexts_[context] = parts[1];
        else
            classes_[parts[0]] = parts[1];
    }
}

QString THelpWindow::PageText(const QString& file) {
    if (!text_.contains(file)) {
        QFile f(dir_ + "/" + file);
        QString html;
        if (f.open(QIODevice::ReadOnly)) html = QString::fromUtf8(f.readAll());
        QTextDocument doc;
        doc.setHtml(html);
        text_[file] = doc.toPlainText();
        text_[file + "\n"] = html; // the source, for the headings
    }
    return text_[file];
}

void THelpWindow::BuildIndex() {
    // Every heading with an anchor is an index entry: <h2 id="open">Open</h2>.
    static const QRegularExpression heading("<h[1-3][^>]*id=\"([^\"]+)\"[^>]*>(.*?)</h[1-3]>",
                                            QRegularExpression::CaseInsensitiveOption |
                                                QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression tags("<[^>]*>");
    QList<QPair<QString, QString>> entries;
    for (const auto& page : pages_) {
        PageText(page.first);
        const QString html = text_[page.first + "\n"];
        for (auto m = heading.globalMatch(html); m.hasNext();) {
            const auto h = m.next();
            QString title = h.captured(2);
            title.remove(tags);
            entries << qMakePair(title.simplified(), page.first + "#" + h.captured(1));
        }
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.first.compare(b.first, Qt::CaseInsensitive) < 0;
    });
    for (const auto& e : entries) {
        auto* item = new QListWidgetItem(e.first, index_);
        item->setData(PageRole, e.second);
    }
}

void THelpWindow::FilterIndex(const QString& text) {
    for (int i = 0; i < index_->count(); ++i) {
        QListWidgetItem* item = index_->item(i);
        if (item->text().startsWith(text, Qt::CaseInsensitive)) {
            index_->setCurrentItem(item);
            index_->scrollToItem(item);
            return;
        }
    }
}

QStringList THelpWindow::Search(const QString& words) {
    results_->clear();
    const QStringList wanted = words.simplified().split(' ', Qt::SkipEmptyParts);
    QStringList titles;
    if (wanted.isEmpty()) return titles;
    for (const auto& page : pages_) {
        const QString text = PageText(page.first);
        const bool all = std::all_of(wanted.begin(), wanted.end(), [&](const QString& w) {
            return text.contains(w, Qt::CaseInsensitive);
        });
        if (!all) continue;
        auto* item = new QListWidgetItem(page.second, results_);
        item->setData(PageRole, page.first);
        titles << page.second;
    }
    if (titles.isEmpty()) new QListWidgetItem("No page holds these words.", results_);
    return titles;
}

void THelpWindow::RunSearch() {
    Search(searchEdit_->text());
}

bool THelpWindow::ShowPage(const QString& page) {
    if (page.isEmpty()) return false;
    const QString file = dir_ + "/" + page.section('#', 0, 0);
    if (!QFile::exists(file)) {
        ShowMsg("File " + FromQ(QDir::toNativeSeparators(file)) + " was not found.", MsgKind::Error,
                true);
        return false;
    }
    QUrl url = QUrl::fromLocalFile(file);
    if (page.contains('#')) url.setFragment(page.section('#', 1));
    browser_->setSource(url);
    StayAboveModal();
    show();
    raise();
    activateWindow();
    return true;
}

// Asked for from a modal dialog, the help window becomes a window of that dialog: above it,
// and open to the user while the dialog is; when the dialog closes it stands on its own again.
void THelpWindow::StayAboveModal() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == this || parentWidget() == modal) return;
    const QRect at = geometry();
    setParent(modal, Qt::Dialog | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setWindowModality(Qt::NonModal);
    setGeometry(at);
    modal->installEventFilter(this);
}

bool THelpWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Hide) {
        watched->removeEventFilter(this);
        const bool shown = isVisible();
        const QRect at = geometry();
        setParent(nullptr, Qt::Window);
        setGeometry(at);
        if (shown) show();
    }
    return QWidget::eventFilter(watched, event);
}

QString THelpWindow::PageOfContext(int context) const {
    return contexts_.value(context);
}

QString THelpWindow::PageOfClass(const QString& className) const {
    // The help files name a class without its namespace.
    return classes_.value(className.section("::", -1));
}

bool THelpWindow::ShowContext(int context) {
    const QString page = PageOfContext(context);
    return ShowPage(page.isEmpty() ? pages_.value(0).first : page);
}

QString THelpWindow::CurrentPage() const {
    const QUrl url = browser_->source();
    const QString file = QFileInfo(url.toLocalFile()).fileName();
    return url.hasFragment() ? file + "#" + url.fragment() : file;
}

} // namespace kolshell
