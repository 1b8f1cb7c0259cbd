// Expressions of the stand-in engine's equations: numbers, names, TIME, unit outputs [u,o],
// + - * / ^, parentheses and a small set of functions. Parsed once, evaluated every step.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kolshell {

struct ExprNode {
    enum Kind { Number, Name, Output, Negate, Binary, Call } Type = Number;
    double Value = 0;        // Number
    std::string Text;        // Name, or the function of a Call
    char Op = 0;             // Binary: + - * / ^
    int Unit = 0, Index = 0; // Output [Unit,Index]
    std::vector<int> Args;   // operand nodes
};

// Deeper expressions are refused: they are evaluated by recursion.
constexpr int MaxExprDepth = 1000;

class Expr {
  public:
    // False with a reason when the text is no expression.
    bool Parse(const std::string& text, std::string& error);
    // The names the expression reads (TIME and functions excluded).
    std::vector<std::string> Names() const;

    struct Context {
        std::function<double(const std::string&)> Name;
        std::function<double(int unit, int output)> Output;
    };
    double Evaluate(const Context& c) const;

  private:
    double Eval(int node, const Context& c) const;
    std::vector<ExprNode> nodes_;
    int root_ = -1;
    friend class ExprParser;
};

// Upper-cased, as the engine compares names.
std::string EngineUpper(std::string s);

} // namespace kolshell
