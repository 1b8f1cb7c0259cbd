#include "engine/expr.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace kolshell {

std::string EngineUpper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return s;
}

namespace {
struct Function {
    const char* Name;
    int Args;
};
const Function Functions[] = {{"ABS", 1}, {"SQRT", 1}, {"EXP", 1}, {"LN", 1},  {"LOG", 1},
                              {"SIN", 1}, {"COS", 1},  {"TAN", 1}, {"INT", 1}, {"MIN", 2},
                              {"MAX", 2}, {"MOD", 2},  {"GT", 2},  {"LT", 2},  {"EQ", 2}};

std::string TooDeep() {
    return "the expression is nested too deeply (more than " + std::to_string(MaxExprDepth) +
           " levels)";
}

const Function* FindFunction(const std::string& name) {
    for (const Function& f : Functions)
        if (name == f.Name) return &f;
    return nullptr;
}
} // namespace

// Recursive descent over the text; nodes go into the expression's table.
class ExprParser {
  public:
    ExprParser(const std::string& text, std::vector<ExprNode>& nodes) : s_(text), nodes_(nodes) {}

    int Parse(std::string& error) {
        const int root = Sum();
        Skip();
        if (error_.empty() && p_ < s_.size()) Fail("unexpected \"" + s_.substr(p_, 10) + "\"");
        error = error_;
        return error_.empty() ? root : -1;
    }

  private:
    void Skip() {
        while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\t'))
            ++p_;
    }
    bool Take(char c) {
        Skip();
        if (p_ < s_.size() && s_[p_] == c) {
            ++p_;
            return true;
        }
        return false;
    }
    int Fail(const std::string& why) {
        if (error_.empty()) error_ = why;
        return Add(ExprNode());
    }
    int Add(ExprNode n) {
        nodes_.push_back(std::move(n));
        return int(nodes_.size() - 1);
    }
    int Binary(char op, int a, int b) {
        ExprNode n;
        n.Type = ExprNode::Binary;
        n.Op = op;
        n.Args = {a, b};
        return Add(n);
    }
    int Sum() {
        int left = Product();
        for (;;) {
            if (Take('+'))
                left = Binary('+', left, Product());
            else if (Take('-'))
                left = Binary('-', left, Product());
            else
                return left;
        }
    }
    int Product() {
        int left = Unary();
        for (;;) {
            if (Take('*'))
                left = Binary('*', left, Unary());
            else if (Take('/'))
                left = Binary('/', left, Unary());
            else
                return left;
        }
    }
    // Every level of nesting (parentheses, arguments, signs, powers) passes through here.
    int Unary() {
        if (depth_ >= MaxExprDepth) return Fail(TooDeep());
        ++depth_;
        const int node = SignedPower();
        --depth_;
        return node;
    }
    int SignedPower() {
        if (Take('-')) {
            ExprNode n;
            n.Type = ExprNode::Negate;
            n.Args = {Unary()};
            return Add(n);
        }
        if (Take('+')) return Unary();
        const int base = Primary();
        return Take('^') ? Binary('^', base, Unary()) : base;
    }
    int Primary() {
        Skip();
        if (p_ >= s_.size()) return Fail("the expression ends too soon");
        const char c = s_[p_];
        if (Take('(')) {
            const int inner = Sum();
            return Take(')') ? inner : Fail("a \")\" is missing");
        }
        if (Take('[')) return OutputRef();
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') return NumberNode();
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') return NameNode();
        return Fail(std::string("unexpected \"") + c + "\"");
    }
    int NumberNode() {
        ExprNode n;
        const char* first = s_.data() + p_;
        const auto r = std::from_chars(first, s_.data() + s_.size(), n.Value);
        if (r.ec != std::errc()) return Fail("a bad number");
        p_ += size_t(r.ptr - first);
        return Add(n);
    }
    int OutputRef() {
        ExprNode n;
        n.Type = ExprNode::Output;
        n.Unit = Integer();
        if (!Take(',')) return Fail("an output is written [unit,output]");
        n.Index = Integer();
        if (!Take(']')) return Fail("a \"]\" is missing");
        return Add(n);
    }
    int Integer() {
        Skip();
        int v = 0;
        const auto r = std::from_chars(s_.data() + p_, s_.data() + s_.size(), v);
        if (r.ec != std::errc()) return Fail("a unit or output number is missing"), 0;
        p_ = size_t(r.ptr - s_.data());
        return v;
    }
    int NameNode() {
        const size_t start = p_;
        while (p_ < s_.size() &&
               (std::isalnum(static_cast<unsigned char>(s_[p_])) || s_[p_] == '_'))
            ++p_;
        ExprNode n;
        n.Text = EngineUpper(s_.substr(start, p_ - start));
        if (!Take('(')) {
            n.Type = ExprNode::Name;
            return Add(n);
        }
        const Function* f = FindFunction(n.Text);
        if (!f) return Fail("unknown function " + n.Text);
        n.Type = ExprNode::Call;
        do
            n.Args.push_back(Sum());
        while (Take(','));
        if (!Take(')')) return Fail("a \")\" is missing after the arguments of " + n.Text);
        if (int(n.Args.size()) != f->Args)
            return Fail(n.Text + " takes " + std::to_string(f->Args) + " argument" +
                        (f->Args > 1 ? "s" : ""));
        return Add(n);
    }

    const std::string& s_;
    std::vector<ExprNode>& nodes_;
    size_t p_ = 0;
    int depth_ = 0;
    std::string error_;
};

namespace {
// The depth of the tree the nodes form; operands stand before the nodes that use them.
int TreeDepth(const std::vector<ExprNode>& nodes) {
    std::vector<int> depth(nodes.size(), 1);
    int deepest = 0;
    for (size_t i = 0; i < nodes.size(); ++i) {
        for (int a : nodes[i].Args)
            depth[i] = std::max(depth[i], depth[size_t(a)] + 1);
        deepest = std::max(deepest, depth[i]);
    }
    return deepest;
}
} // namespace

bool Expr::Parse(const std::string& text, std::string& error) {
    nodes_.clear();
    root_ = ExprParser(text, nodes_).Parse(error);
    // A long chain of operators nests as deeply as parentheses do.
    if (root_ >= 0 && TreeDepth(nodes_) > MaxExprDepth) {
        error = TooDeep();
        root_ = -1;
    }
    return root_ >= 0;
}

std::vector<std::string> Expr::Names() const {
    std::vector<std::string> names;
    for (const ExprNode& n : nodes_)
        if (n.Type == ExprNode::Name && n.Text != "TIME") names.push_back(n.Text);
    return names;
}

double Expr::Evaluate(const Context& c) const {
    return root_ < 0 ? 0 : Eval(root_, c);
}

double Expr::Eval(int node, const Context& c) const {
    const ExprNode& n = nodes_[size_t(node)];
    auto arg = [&](size_t i) { return Eval(n.Args[i], c); };
    switch (n.Type) {
    case ExprNode::Number:
        return n.Value;
    case ExprNode::Name:
        return c.Name(n.Text);
    case ExprNode::Output:
        return c.Output(n.Unit, n.Index);
    case ExprNode::Negate:
        return -arg(0);
    case ExprNode::Binary: {
        const double a = arg(0), b = arg(1);
        switch (n.Op) {
        case '+':
            return a + b;
        case '-':
            return a - b;
        case '*':
            return a * b;
        case '/':
            return a / b;
        default:
            return std::pow(a, b);
        }
    }
    case ExprNode::Call:
        break;
    }
    const std::string& f = n.Text;
    const double a = arg(0);
    if (f == "ABS") return std::fabs(a);
    if (f == "SQRT") return std::sqrt(a);
    if (f == "EXP") return std::exp(a);
    if (f == "LN") return std::log(a);
    if (f == "LOG") return std::log10(a);
    if (f == "SIN") return std::sin(a);
    if (f == "COS") return std::cos(a);
    if (f == "TAN") return std::tan(a);
    if (f == "INT") return std::trunc(a);
    const double b = arg(1);
    if (f == "MIN") return std::min(a, b);
    if (f == "MAX") return std::max(a, b);
    if (f == "MOD") return std::fmod(a, b);
    if (f == "GT") return a > b ? 1 : 0;
    if (f == "LT") return a < b ? 1 : 0;
    return a == b ? 1 : 0; // EQ
}

} // namespace kolshell
