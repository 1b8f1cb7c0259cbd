#include "common/widgets/dialogs.h"

#include "common/widgets/printjob.h"
#include <QFileDialog>
#include <QInputDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QStringList>

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
        QFileDialog::getSaveFileName(parent, title, proposed, QtFilter(filter), &selected);
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
