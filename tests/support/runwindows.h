// What the run tests look at: the run states a Table Run window shows, whether a run is
// going, and a fresh program state for runs in a folder.
#pragma once

#include "app/kolshellform.h"
#include "common/paths.h"
#include "run/widgets/runcontrol.h"
#include "run/widgets/runsettings.h"
#include "run/widgets/tablerunform.h"
#include "table/widgets/tableform.h"
#include "tests/support/testsupport.h"

#include <QLabel>
#include <QStringList>
#include <QTreeWidget>

inline QStringList States(kolshell::TTableRunForm* w) {
    QStringList l;
    for (int i = 0; i < w->RunList()->topLevelItemCount(); ++i)
        l << w->RunList()->topLevelItem(i)->text(kolshell::TTableRunForm::colState);
    return l;
}

// The run line under a table's grid, empty while hidden.
inline QString RunLine(kolshell::TKOLSHELLFORM& form) {
    kolshell::TTableForm* table = form.Tables().CurrentTable();
    return table && table->RunLine()->isVisibleTo(table) ? table->RunLine()->text() : QString();
}

inline bool Running() {
    return kolshell::TRunController::Active() != nullptr;
}

// The folder is the program directory, with default settings and a run settings file of
// its own, and the current directory.
inline void FreshRunDir(const QString& dir) {
    FreshProgramDir(dir);
    kolshell::SetRunSettingsFile(dir + "/config/KOLSHELL.ini");
    kolshell::SetCurrentDir(dir.toStdString());
}
