#include "tests/support/scriptengine.h"

#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <map>

using namespace kolshell;

void WriteScriptEngine(const QString& dir, double pause) {
    const QString script = QString(R"SH(#!/bin/sh
deck="$1"
log="%1/RUNLOG"
value() { awk -F= -v k="$1" '{n=toupper($1); gsub(/[ \t]/, "", n)} n==k {print $2 + 0; exit}' "$deck" 2>/dev/null; }
echo "start $(date +%s.%N) $$ $(pwd) $deck" >> "$log"
[ "$(value STUBBORN)" = 1 ] && trap '' TERM
p=$(value PAUSE)
sleep "${p:-%2}"
echo "listing of $deck" > "${deck%.*}.LST"
[ -x "%1/REAL.exe" ] && "%1/REAL.exe" "$@"
echo "end $(date +%s.%N) $$ $(pwd) $deck" >> "$log"
s=$(value SIGNAL)
[ -n "$s" ] && [ "$s" != 0 ] && kill -"$s" $$
st=$(value STATUS)
exit "${st:-0}"
)SH")
                               .arg(dir)
                               .arg(pause);
    WriteTestFile(dir, "KOLVAN32.exe", script.toStdString());
    const QString path = dir + "/KOLVAN32.exe";
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
}

std::vector<LogLine> RunLog(const QString& dir) {
    std::vector<LogLine> lines;
    QFile f(dir + "/RUNLOG");
    if (!f.open(QIODevice::ReadOnly)) return lines;
    for (const QByteArray& l : f.readAll().split('\n')) {
        const QList<QByteArray> w = l.split(' ');
        if (w.size() < 5) continue;
        lines.push_back({w[0] == "start", w[1].toDouble(), w[2].toInt(), w[3], w[4]});
    }
    return lines;
}

int Starts(const QString& dir) {
    const auto log = RunLog(dir);
    return int(std::count_if(log.begin(), log.end(), [](const LogLine& l) { return l.Start; }));
}

int MostAtOnce(const QString& dir) {
    std::vector<LogLine> log = RunLog(dir);
    std::stable_sort(log.begin(), log.end(),
                     [](const LogLine& a, const LogLine& b) { return a.Time < b.Time; });
    int now = 0, most = 0;
    for (const LogLine& l : log) {
        now += l.Start ? 1 : -1;
        most = std::max(most, now);
    }
    return most;
}

namespace {
// The live (not zombie) processes of the system as pid -> process group.
std::map<int, int> LiveProcesses() {
    std::map<int, int> live;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        QFile stat("/proc/" + pid + "/stat");
        if (pid.toInt() <= 0 || !stat.open(QIODevice::ReadOnly)) continue;
        const QByteArray text = stat.readAll();
        // pid (name) state ppid pgrp ...
        const QList<QByteArray> w = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (w.size() > 2 && w[0] != "Z") live[pid.toInt()] = w[2].toInt();
    }
    return live;
}
} // namespace

bool EnginesGone(const QString& dir) {
    const std::map<int, int> live = LiveProcesses();
    for (const LogLine& l : RunLog(dir))
        for (const auto& [pid, group] : live)
            if (l.Start && (pid == l.Pid || group == l.Pid)) return false;
    return true;
}
