// The engine of the run tests: a shell script told by its deck what to do, and the log it
// keeps of its runs.
#pragma once

#include <QString>
#include <vector>

// Writes KOLVAN32.exe into dir. A deck line PAUSE=s makes it take s seconds (pause when there
// is none), STATUS=n exit with n, SIGNAL=n end by signal n, STUBBORN=1 ignore the request to
// end. It writes a listing beside the deck, runs the stand-in engine after it when that lies
// beside it as REAL.exe, and logs "start|end TIME PID FOLDER DECK" lines to dir/RUNLOG.
void WriteScriptEngine(const QString& dir, double pause);

struct LogLine {
    bool Start;
    double Time;
    int Pid;
    QString Folder, Deck;
};

std::vector<LogLine> RunLog(const QString& dir);
// How many runs started.
int Starts(const QString& dir);
// The most runs the log shows going on at the same time.
int MostAtOnce(const QString& dir);
// No process of the log, nor anything it started in its process group, is left.
bool EnginesGone(const QString& dir);
