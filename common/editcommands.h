// The commands of the Edit menu, and the set of them a window carries out.
#pragma once

#include <initializer_list>

namespace kolshell {

enum class TEditCommand { Cut, Copy, Paste, Clear, Find, Replace, SearchAgain };

class TEditCommands {
  public:
    constexpr TEditCommands(std::initializer_list<TEditCommand> commands) {
        for (TEditCommand c : commands)
            bits_ |= Bit(c);
    }
    constexpr bool Has(TEditCommand c) const { return (bits_ & Bit(c)) != 0; }

  private:
    static constexpr unsigned Bit(TEditCommand c) { return 1u << unsigned(c); }
    unsigned bits_ = 0;
};

} // namespace kolshell
