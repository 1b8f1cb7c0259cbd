#include "common/widgets/dialogs.h"

#include "common/lib1.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/widgets/printjob.h"
#include "common/widgets/qtext.h"
#include <QFileDialog>
#include <QInputDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QStringList>

namespace kolshell {

namespace {

QStringList FilterEntries(const QString& filter) {
    return QtFilter(filter).split(";;");
}

int IndexOfEntry(const QString& filter, const QString& chosen) {
    return int(FilterEntries(filter).indexOf(chosen)) + 1;
}

QString EntryAt(const QString& filter, int index) {
    const QStringList entries = FilterEntries(filter);
    return index >= 1 && index <= entries.size() ? entries[index - 1] : QString();
}

} // namespace

QString QtFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
            patterns << p.trimmed();
            if (p.toLower() != p) patterns << p.trimmed().toLower();
            if (p.toUpper() != p) patterns << p.trimmed().toUpper();
        }
        patterns.removeDuplicates();
        out << parts[i] + " (" + patterns.join(' ') + ")";
    }
    return out.join(";;");
}

QString TDialogs::OpenFileName(QWidget* parent, const QString& title, const QString& dir,
                               const QString& filter, int* filterIndex) {
    QString selected = EntryAt(filter, filterIndex ? *filterIndex : 1);
    const QString name =
        QFileDialog::getOpenFileName(parent, title, dir, QtFilter(filter), &selected);
    if (filterIndex && !name.isEmpty()) *filterIndex = IndexOfEntry(filter, selected);
    return name;
}

QString TDialogs::SaveFileName(QWidget* parent, const QString& title, const QString& proposed,
                               const QString& filter, int* filterIndex) {
    QString selected = EntryAt(filter, filterIndex ? *filterIndex : 1);
    const QString name =
        QFileDialog::getSaveFileName(parent, title, proposed, QtFilter(filter), &selected,
                                     QFileDialog::DontConfirmOverwrite); // asked once complete
    if (filterIndex && !name.isEmpty()) *filterIndex = IndexOfEntry(filter, selected);
    return name;
}

QString TDialogs::DirectoryName(QWidget* parent, const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, title, start);
}

QString TDialogs::InputText(QWidget* parent, const QString& caption, const QString& prompt,
                            const QString& text, bool* ok) {
    return QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, text, ok);
}

QString TDialogs::PictureFileName(QWidget* parent, const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, QString(), QtFilter(filter));
}

bool TDialogs::PrinterSetup(QWidget* parent) {
    // The printer, its paper and orientation are chosen; nothing is printed.
    QPrintDialog dlg(&CurrentPrinter(), parent);
    dlg.setWindowTitle("Print Setup");
    dlg.setOption(QAbstractPrintDialog::PrintPageRange, false);
    return dlg.exec() == QDialog::Accepted;
}

bool TDialogs::PrintDialog(QWidget* parent) {
    QPrintDialog dlg(&CurrentPrinter(), parent);
    dlg.setOption(QAbstractPrintDialog::PrintPageRange, false);
    return dlg.exec() == QDialog::Accepted;
}

namespace {
TDialogs* installed = nullptr;
}

TDialogs& Dialogs() {
    static TDialogs standard;
    return installed ? *installed : standard;
}

void SetDialogs(TDialogs* dialogs) {
    installed = dialogs;
}

QString WithFilterExtension(const QString& name, const QString& filter, int filterIndex) {
    if (!ExtractFileExt(FromQ(name)).empty()) return name;
    const QStringList parts = filter.split('|');
    const int at = 2 * (filterIndex - 1) + 1;
    if (filterIndex < 1 || at >= parts.size()) return name;
    const QString pattern = parts[at].split(';').first().trimmed();
    const QString ext = pattern.startsWith("*.") ? pattern.mid(1) : QString();
    if (ext.size() < 2 || ext.contains('*') || ext.contains('?')) return name;
    return name + ext;
}

QString AskSaveName(QWidget* parent, const QString& title, const QString& proposed,
                    const QString& filter, int* filterIndex, const SaveNameCompleter& complete) {
    int index = filterIndex ? *filterIndex : 1;
    for (;;) {
        const QString picked = Dialogs().SaveFileName(parent, title, proposed, filter, &index);
        if (picked.isEmpty()) return {};
        const QString name =
            complete ? complete(picked, index) : WithFilterExtension(picked, filter, index);
        if (filterIndex) *filterIndex = index;
        if (IsDirectory(FromQ(name))) continue; // a folder is never replaced
        if (!FileExists(FromQ(name))) return name;
        if (ShowMsg(FromQ(name) + " already exists.  Do you want to replace it?",
                    MsgKind::WarningYesNo, false) == MsgAnswer::Yes)
            return name;
    }
}

} // namespace kolshell
