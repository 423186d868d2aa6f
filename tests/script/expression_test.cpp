#include <climits>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "script/expression.h"

namespace velmira {
namespace {

class MapVariables final : public VariableSource {
  public:
    int32_t lookupVariable(std::string_view name) override {
        looked.push_back(std::string(name));
        const auto it = values.find(std::string(name));
        return it == values.end() ? 0 : it->second;
    }
    std::map<std::string, int32_t> values{{"a", 3}, {"b", 5}, {"c", 1}, {"zero", 0}};
    std::vector<std::string> looked;
};

struct Case {
    const char* text;
    int32_t value;
    bool ok;
};

TEST(ExpressionTest, LeftToRightWithoutPrecedence) {
    const Case cases[] = {
        // What script authors rely on.
        {"1+2*3", 9, true},
        {"2*(1+2)", 6, true},
        {"7/2", 3, true},
        {"0-7/2", -3, true},
        {"0-3", -3, true},
        {"-3", 0, false},   // a minus cannot start an expression
        {"1+-3", 1, false}, // nor follow an operator
        {"5/0", 5, false},
        {"3 4", 3, false},
        {"a<b<c", 0, true},  // (3<5)=1, then 1<1
        {"a>b<c", 1, true},  // (3>5)=0, then 0<1
        {"!(a-b)", 0, true}, // equality
        {"!(a-3)", 1, true},
        {"a-3", 0, true},         // inequality
        {"!(!a&!zero)", 1, true}, // a or zero
        {"!(!zero&!zero)", 0, true},
        {"a&b", 1, true},
        {"a&zero", 0, true},
        {"!a", 0, true},
        {"!zero", 1, true},
        {"!!a", 0, false},
        {"!", 0, false},
        {"(1+2", 3, true}, // a missing ")" at the end is accepted
        {"((2+1)*(1+1", 6, true},
        {"1+2)", 3, false}, // a surplus ")" fails
        {"(1))", 1, false},
        {"()", 0, false},
        {"12abc+1", 13, true}, // a digit starts a number
        {"", 0, true},
        {"  \t ", 0, true},
        {"1+", 1, true},
        {" 2 * \t( a + 1 ) ", 8, true},
        {"4+(3/0)", 4, false}, // the top-level accumulator is the result
        {"4+(b", 9, true},
        {"a=3", 0, true}, // "=" is part of an operand: an unknown variable
        {"2)3", 2, false},
    };
    for (const Case& c : cases) {
        MapVariables variables;
        const Evaluation result = evaluateExpression(c.text, variables);
        EXPECT_EQ(result.value, c.value) << '"' << c.text << '"';
        EXPECT_EQ(result.ok, c.ok) << '"' << c.text << '"';
    }
}

TEST(ExpressionTest, ArithmeticWrapsAtThirtyTwoBits) {
    const Case cases[] = {
        {"2147483647+1", INT32_MIN, true},
        {"0-2147483647-2", INT32_MAX, true},
        {"65536*65536", 0, true},
        {"0-2147483647-1/(0-1)", INT32_MIN, true}, // the one quotient that does not fit
        {"4294967297", 1, true},                   // numbers wrap like the arithmetic
    };
    for (const Case& c : cases) {
        MapVariables variables;
        const Evaluation result = evaluateExpression(c.text, variables);
        EXPECT_EQ(result.value, c.value) << c.text;
        EXPECT_EQ(result.ok, c.ok) << c.text;
    }
}

TEST(ExpressionTest, OperandsAreNamesOrNumbersAndMustFitTheBuffer) {
    MapVariables variables;
    evaluateExpression("a+12x+(b)*_c-!zero", variables);
    EXPECT_EQ(variables.looked, (std::vector<std::string>{"a", "b", "_c", "zero"}));

    const std::string fits(kOperandBufferSize - 1, 'v');
    const std::string tooLong(kOperandBufferSize, 'v');
    EXPECT_TRUE(evaluateExpression("1+" + fits, variables).ok);
    const Evaluation rejected = evaluateExpression("1+" + tooLong, variables);
    EXPECT_FALSE(rejected.ok);
    EXPECT_EQ(rejected.value, 1);
}

TEST(ExpressionTest, DeepNestingNeedsNoMachineStack) {
    MapVariables variables;
    const std::string open(1000000, '(');
    const Evaluation unclosed = evaluateExpression(open + "7", variables);
    EXPECT_TRUE(unclosed.ok);
    EXPECT_EQ(unclosed.value, 7);
    const Evaluation closed =
        evaluateExpression(std::string(100, '(') + "7" + std::string(100, ')') + "*2", variables);
    EXPECT_EQ(closed.value, 14);
    EXPECT_TRUE(closed.ok);
}

} // namespace
} // namespace velmira
