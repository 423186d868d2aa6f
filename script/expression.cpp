#include "script/expression.h"

#include <limits>
#include <vector>

#include "resource/sjis.h"

namespace velmira {
namespace {

using sjis::isBlank;

enum class Token : uint8_t {
    End,
    Not,
    And,
    Open,
    Close,
    Multiply,
    Add,
    Subtract,
    Divide,
    Less,
    Greater,
    Operand,
    TooLong, // an operand that does not fit the operand buffer
};

bool endsOperand(char c) {
    switch (c) {
    case ' ':
    case '\t':
    case '(':
    case ')':
    case '&':
    case '+':
    case '-':
    case '!':
    case '/':
    case '*':
    case '<':
    case '>':
        return true;
    default:
        return false;
    }
}

class Scanner {
  public:
    explicit Scanner(std::string_view text) : text_(text) {}

    Token next(std::string_view& operand) {
        while (pos_ < text_.size() && isBlank(text_[pos_]))
            ++pos_;
        if (pos_ >= text_.size()) return Token::End;
        const char c = text_[pos_];
        Token token = Token::Operand;
        switch (c) {
        case '!':
            token = Token::Not;
            break;
        case '&':
            token = Token::And;
            break;
        case '(':
            token = Token::Open;
            break;
        case ')':
            token = Token::Close;
            break;
        case '*':
            token = Token::Multiply;
            break;
        case '+':
            token = Token::Add;
            break;
        case '-':
            token = Token::Subtract;
            break;
        case '/':
            token = Token::Divide;
            break;
        case '<':
            token = Token::Less;
            break;
        case '>':
            token = Token::Greater;
            break;
        default:
            break;
        }
        if (token != Token::Operand) {
            ++pos_;
            return token;
        }
        const size_t start = pos_;
        while (pos_ < text_.size() && !endsOperand(text_[pos_]))
            ++pos_;
        operand = text_.substr(start, pos_ - start);
        if (operand.size() >= kOperandBufferSize) return Token::TooLong;
        return Token::Operand;
    }

  private:
    std::string_view text_;
    size_t pos_ = 0;
};

bool isBinaryOperator(Token token) {
    switch (token) {
    case Token::And:
    case Token::Multiply:
    case Token::Add:
    case Token::Subtract:
    case Token::Divide:
    case Token::Less:
    case Token::Greater:
        return true;
    default:
        return false;
    }
}

int32_t wrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
int32_t wrapSubtract(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
int32_t wrapMultiply(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// Applies op; false for a division by zero (acc unchanged).
bool combine(Token op, int32_t& acc, int32_t v) {
    switch (op) {
    case Token::Add:
        acc = wrapAdd(acc, v);
        break;
    case Token::Subtract:
        acc = wrapSubtract(acc, v);
        break;
    case Token::Multiply:
        acc = wrapMultiply(acc, v);
        break;
    case Token::Divide:
        if (v == 0) return false;
        // The most negative value divided by -1 does not fit: it wraps to itself, as
        // the negation of that value does in 32-bit two's complement.
        if (v == -1)
            acc = wrapSubtract(0, acc);
        else
            acc /= v;
        break;
    case Token::And:
        acc = (acc != 0 && v != 0) ? 1 : 0;
        break;
    case Token::Less:
        acc = acc < v ? 1 : 0;
        break;
    case Token::Greater:
        acc = acc > v ? 1 : 0;
        break;
    default:
        break;
    }
    return true;
}

// One open group waiting for its nested group: its accumulator, the operator that will
// combine the nested value, and whether that value is negated.
struct Frame {
    int32_t acc;
    Token op;
    bool negate;
};

// A stack that lives on the machine stack for the usual shallow nesting and moves to
// the heap only for deep nesting, so one evaluation allocates nothing in the common case.
class FrameStack {
  public:
    bool empty() const { return size_ == 0; }
    size_t size() const { return size_; }
    void push(const Frame& frame) {
        if (size_ < kInline)
            inline_[size_] = frame;
        else
            heap_.push_back(frame);
        ++size_;
    }
    Frame pop() {
        --size_;
        if (size_ < kInline) return inline_[size_];
        Frame frame = heap_.back();
        heap_.pop_back();
        return frame;
    }
    const Frame& bottom() const { return inline_[0]; }

  private:
    static constexpr size_t kInline = 16;
    Frame inline_[kInline];
    std::vector<Frame> heap_;
    size_t size_ = 0;
};

} // namespace

int32_t leadingNumber(std::string_view text) {
    uint32_t value = 0;
    for (char c : text) {
        if (!isDigit(c)) break;
        value = value * 10u + static_cast<uint32_t>(c - '0');
    }
    return static_cast<int32_t>(value);
}

// The group routine, unrolled: instead of recursing into a nested group at "(", the
// current group is pushed and a fresh one (accumulator 0, operator add) starts; when
// the nested group completes (at ")" or at the end of the text) its value is combined
// into the group below. The nesting depth is the size of the stack, so arbitrarily deep
// parentheses cost heap, never machine stack.
Evaluation evaluateExpression(std::string_view text, VariableSource& variables) {
    Scanner scanner(text);
    FrameStack stack;
    int32_t acc = 0;
    Token op = Token::Add;
    std::string_view operand;

    EvaluationFailure failure = EvaluationFailure::Syntax;
    auto fail = [&]() {
        return Evaluation{stack.empty() ? acc : stack.bottom().acc, false, failure};
    };
    // The innermost open group is complete: its value joins the group below.
    auto closeGroup = [&]() {
        int32_t inner = acc;
        const Frame outer = stack.pop();
        acc = outer.acc;
        op = outer.op;
        if (outer.negate) inner = inner == 0 ? 1 : 0;
        if (combine(op, acc, inner)) return true;
        failure = EvaluationFailure::DivisionByZero;
        return false;
    };
    // At the end of the text every open group completes (a missing ")" is accepted).
    auto finish = [&]() {
        while (!stack.empty()) {
            if (!closeGroup()) return fail();
        }
        return Evaluation{acc, true};
    };

    for (;;) {
        // Step 1: an operand, a group, or the end.
        Token token = scanner.next(operand);
        bool negate = false;
        if (token == Token::End) return finish();
        if (token == Token::Not) {
            negate = true;
            token = scanner.next(operand);
        }
        int32_t v = 0;
        if (token == Token::Operand) {
            v = isDigit(operand[0]) ? leadingNumber(operand) : variables.lookupVariable(operand);
        } else if (token == Token::Open) {
            stack.push(Frame{acc, op, negate});
            acc = 0;
            op = Token::Add;
            continue;
        } else {
            if (token == Token::TooLong) failure = EvaluationFailure::OperandTooLong;
            return fail();
        }
        if (negate) v = v == 0 ? 1 : 0;
        if (!combine(op, acc, v)) {
            failure = EvaluationFailure::DivisionByZero;
            return fail();
        }

        // Step 5: what follows a value. A ")" completes the group, whose value is then
        // combined into the group below, which again looks for what follows.
        for (;;) {
            token = scanner.next(operand);
            if (token == Token::End) return finish();
            if (token == Token::Close) {
                if (stack.empty()) return fail();
                if (!closeGroup()) return fail();
                continue;
            }
            if (isBinaryOperator(token)) {
                op = token;
                break;
            }
            return fail();
        }
    }
}

} // namespace velmira
