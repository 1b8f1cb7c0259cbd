// The standard dialogs, reached through one replaceable object so that tests can answer
// them without a modal loop. Filters are written as "Description|pattern|...".
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace kolshell {

class TDialogs {
  public:
    virtual ~TDialogs() = default;
    // filterIndex is 1-based in and out, as the filter lists number their entries.
    virtual QString OpenFileName(QWidget* parent, const QString& title, const QString& dir,
                                 const QString& filter, int* filterIndex);
    virtual QString SaveFileName(QWidget* parent, const QString& title, const QString& proposed,
                                 const QString& filter, int* filterIndex);
    virtual QString DirectoryName(QWidget* parent, const QString& title, const QString& start);
    virtual QString InputText(QWidget* parent, const QString& caption, const QString& prompt,
                              const QString& text, bool* ok);
    virtual QString PictureFileName(QWidget* parent, const QString& title, const QString& filter);
    virtual bool PrinterSetup(QWidget* parent);
    // The platform's print dialog on the program's printer; false when cancelled.
    virtual bool PrintDialog(QWidget* parent);
};

TDialogs& Dialogs();

// The save dialog of every command. The name chosen is completed first (by complete, or by
// the extension of the chosen filter entry when the name has none), and only then is an
// existing file under the complete name asked about ("X already exists.  Do you want to
// replace it?"); No shows the dialog again. Empty when the user cancels.
using SaveNameCompleter = std::function<QString(const QString& name, int filterIndex)>;
QString AskSaveName(QWidget* parent, const QString& title, const QString& proposed,
                    const QString& filter, int* filterIndex,
                    const SaveNameCompleter& complete = nullptr);
// The name with the extension of filter entry filterIndex ("*.DCK" gives ".DCK") when it has
// no extension of its own; entries of every file ("*.*") add none.
QString WithFilterExtension(const QString& name, const QString& filter, int filterIndex);
// Installs a replacement (not owned); nullptr restores the standard dialogs.
void SetDialogs(TDialogs* dialogs);

// "Text files (*.txt)|*.txt|All|*.*" as a Qt filter list; patterns match either case.
QString QtFilter(const QString& filter);

} // namespace kolshell
