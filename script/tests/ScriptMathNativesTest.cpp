// The math natives against hand-computed values: degrees, single precision, and the wrapping and
// rounding rules at their edges.

#include "script/ScriptAngle.h"
#include "testsupport/script/ScriptTestSupport.h"

#include <cmath>
#include <limits>
#include <string>

namespace {

using scripttest::ScriptTest;

class ScriptMathNativesTest : public ScriptTest {};

TEST_F(ScriptMathNativesTest, FloatResults) {
  struct Case {
    const char* expression;
    float expected;
  };
  const Case cases[] = {
      {"mathPow(2, 10)", 1024.0f},
      {"mathPow(9, 0.5)", 3.0f},
      {"mathSqrt(9)", 3.0f},
      {"mathRcp(4)", 0.25f},
      {"mathSin(30)", 0.5f},
      {"mathCos(60)", 0.5f},
      {"mathTan(45)", 1.0f},
      {"mathAsin(0.5)", 30.0f},
      {"mathAcos(0.5)", 60.0f},
      {"mathAtan(1)", 45.0f},
      {"mathAtan2(1, -1)", 135.0f},
      {"mathAtan2(-1, -1)", -135.0f},  // not wrapped
      {"mathGetAbsolute(-2.5)", 2.5f},
      {"mathRoundAngle360(360)", 360.0f},  // an exact turn stays at the upper end
      {"mathRoundAngle360(720)", 360.0f},
      {"mathRoundAngle360(-90)", 270.0f},
      {"mathRoundAngle360(0)", 0.0f},
      {"mathRoundAngle360(1e10)", 280.0f},     // 1e10 = 27777777 turns + 280
      {"mathRoundAngle360(-1e10)", 80.0f},
      {"mathRoundAngle180(190)", -170.0f},
      {"mathRoundAngle180(-180)", -180.0f},
      {"mathRoundAngle180(540)", 180.0f},
      {"mathRoundAngle180(-3e20)", -96.0f},  // the float -300000006012263202816 is -96 past a turn
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(evalFloat(c.expression), c.expected, 1e-3f) << c.expression;
  }
  EXPECT_TRUE(errors().empty());
}

TEST_F(ScriptMathNativesTest, HugeAngleResultsLieInTheirRange) {
  const float wrapped = scriptWrapAngle(-3e20f, -180.0f, 180.0f, 360.0f);
  EXPECT_GE(wrapped, -180.0f);
  EXPECT_LE(wrapped, 180.0f);
  // Infinite angles give NaN instead of stepping forever.
  EXPECT_TRUE(std::isnan(evalFloat("mathRoundAngle360(mathRcp(0))")));
  EXPECT_TRUE(std::isnan(evalFloat("mathRoundAngle180(-mathRcp(0))")));
}

TEST_F(ScriptMathNativesTest, RoundingAndAbsoluteValuesKeepTheirKinds) {
  struct Case {
    const char* expression;
    SQObjectType type;
    int32_t value;
  };
  const Case cases[] = {
      {"mathRound(2.5)", OT_INTEGER, 3},
      {"mathRound(-2.5)", OT_INTEGER, -3},
      {"mathRound(2.4)", OT_INTEGER, 2},
      {"mathRound(7)", OT_INTEGER, 7},
      {"mathRound(3e9)", OT_INTEGER, std::numeric_limits<int32_t>::max()},
      {"mathRound(-3e9)", OT_INTEGER, std::numeric_limits<int32_t>::min()},
      {"mathRound(mathRcp(0) * 0)", OT_INTEGER, 0},  // NaN
      {"mathGetAbsolute(-3)", OT_INTEGER, 3},
      {"mathGetAbsolute(-2147483647 - 1)", OT_INTEGER, std::numeric_limits<int32_t>::min()},
      {"mathGetAbsolute(\"x\")", OT_INTEGER, 0},
  };
  for (const Case& c : cases) {
    const ScriptObject value = eval(c.expression);
    EXPECT_EQ(value.getType(), c.type) << c.expression;
    EXPECT_EQ(value.toInteger(), c.value) << c.expression;
  }
  EXPECT_EQ(scripttest::u8(eval("mathRound(\"text\")").toString()), "text");
}

TEST_F(ScriptMathNativesTest, ANonNumberIsABadFloatArgument) {
  eval("mathSqrt(\"four\")");
  eval("mathAtan2(1, null)");
  EXPECT_EQ(errors(), (std::vector<std::string>{"[] Script Error: get float from stack(2)",
                                                "[] Script Error: get float from stack(3)"}));
}

}  // namespace
