// A table of runs on a small deck for the run tests: the deck T.DCK has the constants PAUSE,
// STATUS and SIGNAL that the stand-in engine's test hooks read.
#pragma once

#include "table/tableedits.h"
#include "table/tablemodel.h"
#include "tests/support/testsupport.h"

#include <string>
#include <vector>

// Writes T.DCK (with extraLines before its END) and T.TBL in dir, one row of values per run
// (missing values 0); returns the table's name.
inline std::string WriteRunTable(const QString& dir, const std::vector<std::vector<double>>& rows,
                                 const std::string& extraLines = std::string()) {
    const std::string deck = WriteTestFile(
        dir, "T.DCK", "CONSTANTS 3\nPAUSE = 0\nSTATUS = 0\nSIGNAL = 0\n" + extraLines + "END\n");
    kolshell::TTable t =
        kolshell::NewDeckTable(deck, {"PAUSE", "STATUS", "SIGNAL"}, int(rows.size()));
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < 3; ++c)
            t.Columns[c].Values[r + 1] = c < rows[r].size() ? rows[r][c] : 0;
    const std::string name = dir.toStdString() + "/T.TBL";
    kolshell::SaveTable(t, name);
    return name;
}
