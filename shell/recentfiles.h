// The recently-opened file list "KOLSHELL.FNL": full names, oldest first, at most eight,
// no two alike without regard to case; CR LF after each name.
#pragma once

#include <string>
#include <vector>

namespace kolshell {

constexpr size_t RecentFileMax = 8;

class TRecentFiles {
  public:
    // Moves name to the newest place; names of three or fewer characters are not listed.
    void Add(const std::string& name);
    void Remove(const std::string& name);
    const std::vector<std::string>& Names() const { return names_; }
    void Clear() { names_.clear(); }

    bool Load(const std::string& fileName);
    bool Save(const std::string& fileName) const;

  private:
    std::vector<std::string> names_;
};

} // namespace kolshell
