// Integer expressions of #if lines and of resource statements (ids, coordinates, styles), with the C
// operators and their precedence. Arithmetic wraps in 64 bits instead of overflowing, so no script can
// make the compiler misbehave; a script statement keeps the low 32 bits of the result.
#include <algorithm>
#include <cstdint>

#include "rc_internal.h"

namespace rc {

namespace {

// Binary operators from the loosest to the tightest binding.
const std::vector<std::vector<std::string>> kLevels = {
    {"||"},       {"&&"},     {"|"},          {"^"}, {"&"}, {"==", "!="}, {"<", ">", "<=", ">="},
    {"<<", ">>"}, {"+", "-"}, {"*", "/", "%"}};

constexpr int kMaxDepth = 200;

int64_t Apply(const std::string& op, int64_t a, int64_t b, const Location& where) {
    uint64_t ua = static_cast<uint64_t>(a), ub = static_cast<uint64_t>(b);
    if (op == "||") return a || b;
    if (op == "&&") return a && b;
    if (op == "|") return static_cast<int64_t>(ua | ub);
    if (op == "^") return static_cast<int64_t>(ua ^ ub);
    if (op == "&") return static_cast<int64_t>(ua & ub);
    if (op == "==") return a == b;
    if (op == "!=") return a != b;
    if (op == "<") return a < b;
    if (op == ">") return a > b;
    if (op == "<=") return a <= b;
    if (op == ">=") return a >= b;
    if (op == "<<") return b < 0 || b > 63 ? 0 : static_cast<int64_t>(ua << b);
    if (op == ">>") return b < 0 || b > 63 ? (a < 0 ? -1 : 0) : a >> b;
    if (op == "+") return static_cast<int64_t>(ua + ub);
    if (op == "-") return static_cast<int64_t>(ua - ub);
    if (op == "*") return static_cast<int64_t>(ua * ub);
    if (b == 0) Fail(where, "division by zero in an expression");
    if (a == INT64_MIN && b == -1) return op == "/" ? a : 0;
    return op == "/" ? a / b : a % b;
}

} // namespace

Location Evaluator::Here() const {
    if (pos_ < tokens_.size()) return tokens_[pos_].where;
    return tokens_.empty() ? Location() : tokens_.back().where;
}

Value Evaluator::Conditional(int depth) {
    Value condition = Binary(0, depth);
    const Token* t = Peek();
    if (!t || !t->Is("?")) return condition;
    ++pos_;
    Value a = Conditional(depth + 1);
    t = Peek();
    if (!t || !t->Is(":")) Fail(Here(), "':' expected in a conditional expression");
    ++pos_;
    Value b = Conditional(depth + 1);
    return condition.number ? a : b;
}

Value Evaluator::Binary(int level, int depth) {
    if (level >= static_cast<int>(kLevels.size())) return Unary(depth);
    Value left = Binary(level + 1, depth);
    for (;;) {
        const Token* t = Peek();
        if (!t || t->kind != TokenKind::Punct) return left;
        const auto& ops = kLevels[level];
        auto op = std::find(ops.begin(), ops.end(), t->text);
        if (op == ops.end()) return left;
        Location where = t->where;
        ++pos_;
        Value right = Binary(level + 1, depth);
        left.number = Apply(*op, left.number, right.number, where);
        left.isLong = left.isLong || right.isLong;
    }
}

Value Evaluator::Unary(int depth) {
    if (depth > kMaxDepth) Fail(Here(), "expression nested too deeply");
    const Token* t = Peek();
    if (!t) Fail(Here(), "expression expected at the end of the line");
    if (t->kind == TokenKind::Number) {
        ++pos_;
        return Value{static_cast<int64_t>(t->number), t->isLong};
    }
    if (t->kind == TokenKind::Identifier) {
        ++pos_;
        if (UpperAscii(t->text) == "NOT") {
            Value v = Unary(depth + 1);
            v.number = static_cast<int64_t>(~static_cast<uint64_t>(v.number));
            return v;
        }
        if (preprocessor_) return Value{};
        Fail(t->where, "'" + t->text + "' is not defined");
    }
    if (t->kind == TokenKind::String) Fail(t->where, "a number was expected, not a string");
    if (t->Is("(")) {
        ++pos_;
        Value v = Conditional(depth + 1);
        const Token* close = Peek();
        if (!close || !close->Is(")")) Fail(Here(), "')' expected");
        ++pos_;
        return v;
    }
    if (t->Is("-") || t->Is("+") || t->Is("~") || t->Is("!")) {
        std::string op = t->text;
        ++pos_;
        Value v = Unary(depth + 1);
        uint64_t u = static_cast<uint64_t>(v.number);
        if (op == "-")
            v.number = static_cast<int64_t>(0 - u);
        else if (op == "~")
            v.number = static_cast<int64_t>(~u);
        else if (op == "!")
            v.number = !v.number;
        return v;
    }
    Fail(t->where, "unexpected '" + t->text + "' in an expression");
}

} // namespace rc
