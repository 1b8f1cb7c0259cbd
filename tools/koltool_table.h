// koltool's shared argument helpers and its parametric-table commands.
#pragma once

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

using Args = std::vector<std::string>;

inline int Fail(const std::string& message) {
    std::fprintf(stderr, "koltool: %s\n", message.c_str());
    return 1;
}

// The first `positional` words as "1", "2", ...; then "--name value" pairs and bare flags.
bool ParseOptions(const Args& a, size_t positional, const std::set<std::string>& flags,
                  std::map<std::string, std::string>& opt);

namespace kolshell {
struct TTable;
}
// Reads a table file; false after the message on stderr.
bool LoadTable(const std::string& name, kolshell::TTable& t);

int TableCmd(const Args& a);
int ScanConstantsCmd(const Args& a);
int NewTableCmd(const Args& a);
int AlterCmd(const Args& a);
int RunsCmd(const Args& a);
int PasteCmd(const Args& a);
int RunTableCmd(const Args& a);
int MakeKolsedCmd(const Args& a);
