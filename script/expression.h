// The expression language of IF, choice conditions and assignments: integer operands
// (numbers or variable names) and the operators ! & ( ) * + - / < >, worked strictly
// from left to right with no precedence; only parentheses group.
//
//   1+2*3 == 9     2*(1+2) == 6     a<b<c compares (a<b) with c
//   equality: !(a-b)    or: !(!a&!b)    0-3 is minus three; a leading "-" fails
//   a missing ")" at the end is accepted; a surplus ")" fails; "" is 0
//
// Arithmetic wraps at 32 bits. A failure stops the evaluation where it happened; the
// value is then the top-level accumulator as it stood at that moment (5/0 gives 5).
#pragma once

#include <cstdint>
#include <string_view>

namespace velmira {

// Resolves operands that do not start with a digit.
class VariableSource {
  public:
    virtual ~VariableSource() = default;
    virtual int32_t lookupVariable(std::string_view name) = 0;
};

// Why an evaluation failed (for tools that tell authors; the engine only traces).
enum class EvaluationFailure : uint8_t {
    None,
    Syntax, // a token where it cannot stand, "!!", a surplus ")"
    DivisionByZero,
    OperandTooLong, // an operand that does not fit the operand buffer
};

struct Evaluation {
    int32_t value = 0;
    bool ok = true;
    EvaluationFailure failure = EvaluationFailure::None;
};

// An operand run of this many bytes or more does not fit the operand buffer; the
// expression then fails at that operand.
inline constexpr size_t kOperandBufferSize = 100;

Evaluation evaluateExpression(std::string_view text, VariableSource& variables);

// The decimal value of the digits at the start of text (12abc is 12), wrapping at 32
// bits like the rest of the arithmetic.
int32_t leadingNumber(std::string_view text);

inline bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace velmira
