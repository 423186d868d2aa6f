// Evaluates the input as an expression and compares the result with a literal,
// recursive reading of the group routine (used when the nesting is shallow enough for
// recursion), so the engine's unrolled evaluator must agree with it on every input.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "script/expression.h"

namespace {

using velmira::Evaluation;
using velmira::VariableSource;

class Variables final : public VariableSource {
  public:
    int32_t lookupVariable(std::string_view name) override {
        // Values that hit the interesting cases: zero, one, negatives and the extremes.
        switch (name.empty() ? 0 : static_cast<unsigned char>(name[0]) % 6) {
        case 0:
            return 0;
        case 1:
            return 1;
        case 2:
            return -1;
        case 3:
            return INT32_MIN;
        case 4:
            return INT32_MAX;
        default:
            return static_cast<int32_t>(name.size());
        }
    }
};

// The group routine as written: recursion for "(", one accumulator per group.
class Reference {
  public:
    Reference(std::string_view text, VariableSource& variables)
        : text_(text), variables_(variables) {}

    Evaluation run() {
        int32_t acc = 0;
        const bool ok = group(acc, '+');
        return {acc, ok};
    }

  private:
    enum Kind { End, Not, Op, Open, Close, Operand, Bad };

    Kind next(char& op, int32_t& value) {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t'))
            ++pos_;
        if (pos_ >= text_.size()) return End;
        const char c = text_[pos_];
        if (c == '!') {
            ++pos_;
            return Not;
        }
        if (c == '(') {
            ++pos_;
            return Open;
        }
        if (c == ')') {
            ++pos_;
            return Close;
        }
        if (c == '&' || c == '*' || c == '+' || c == '-' || c == '/' || c == '<' || c == '>') {
            ++pos_;
            op = c;
            return Op;
        }
        const size_t start = pos_;
        while (pos_ < text_.size() &&
               std::string_view(" \t()&+-!/*<>").find(text_[pos_]) == std::string_view::npos)
            ++pos_;
        const std::string_view run = text_.substr(start, pos_ - start);
        if (run.size() >= velmira::kOperandBufferSize) return Bad;
        value =
            velmira::isDigit(run[0]) ? velmira::leadingNumber(run) : variables_.lookupVariable(run);
        return Operand;
    }

    static bool combine(char op, int32_t& acc, int32_t v) {
        const int64_t a = acc, b = v;
        switch (op) {
        case '+':
            acc = static_cast<int32_t>(static_cast<uint32_t>(a + b));
            break;
        case '-':
            acc = static_cast<int32_t>(static_cast<uint32_t>(a - b));
            break;
        case '*':
            acc = static_cast<int32_t>(
                static_cast<uint32_t>(static_cast<uint64_t>(a) * static_cast<uint64_t>(b)));
            break;
        case '/':
            if (v == 0) return false;
            acc = static_cast<int32_t>(static_cast<uint32_t>(a / b));
            break;
        case '&':
            acc = (acc != 0 && v != 0) ? 1 : 0;
            break;
        case '<':
            acc = acc < v ? 1 : 0;
            break;
        case '>':
            acc = acc > v ? 1 : 0;
            break;
        }
        return true;
    }

    bool group(int32_t& acc, char op) {
        for (;;) {
            char nextOp = 0;
            int32_t v = 0;
            Kind kind = next(nextOp, v);
            if (kind == End) return true;
            bool negate = false;
            if (kind == Not) {
                negate = true;
                kind = next(nextOp, v);
            }
            if (kind == Open) {
                ++depth_;
                v = 0;
                if (!group(v, '+')) return false;
            } else if (kind != Operand) {
                return false;
            }
            if (negate) v = v == 0 ? 1 : 0;
            if (!combine(op, acc, v)) return false;
            kind = next(nextOp, v);
            if (kind == End) return true;
            if (kind == Close) {
                if (depth_ < 1) return false;
                --depth_;
                return true;
            }
            if (kind != Op) return false;
            op = nextOp;
        }
    }

    std::string_view text_;
    VariableSource& variables_;
    size_t pos_ = 0;
    int depth_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Variables variables;
    const Evaluation result = velmira::evaluateExpression(text, variables);
    if (result.ok != (result.failure == velmira::EvaluationFailure::None)) std::abort();
    size_t opens = 0;
    for (char c : text)
        opens += c == '(';
    if (opens <= 200) {
        const Evaluation reference = Reference(text, variables).run();
        if (reference.ok != result.ok || reference.value != result.value) std::abort();
    }
    return 0;
}
