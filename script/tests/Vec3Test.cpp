// The script class Vec3: construction, the methods and the arithmetic metamethods, as scripts
// use them, against hand-computed values.

#include "script/Vec3.h"

#include "testsupport/script/ScriptTestSupport.h"

#include <cmath>
#include <limits>

namespace {

using scripttest::ScriptTest;

class Vec3Test : public ScriptTest {};

struct FloatCase {
  const char* expression;
  float expected;
};

constexpr float kTolerance = 1e-4f;

TEST_F(Vec3Test, MethodsAndComponentsMatchHandComputedValues) {
  const FloatCase cases[] = {
      // Construction and copies.
      {"Vec3(2).y", 2.0f},
      {"Vec3(1, 2, 3).z", 3.0f},
      {"Vec3(Vec3(4, 5, 6)).y", 5.0f},
      {"Vec3(1, 2).x", 0.0f},  // two numbers assign nothing
      {"Vec3(7).w", 0.0f},     // any other key reads 0
      // Lengths.
      {"Vec3(1, 2, 2).lengthSq()", 9.0f},
      {"Vec3(1, 2, 2).length()", 3.0f},
      {"Vec3(3, 7, 4).lengthXZSq()", 25.0f},
      {"Vec3(3, 7, 4).lengthXZ()", 5.0f},
      {"Vec3(3, -7, 4).lengthYSq()", 49.0f},
      {"Vec3(3, -7, 4).lengthY()", 7.0f},
      // Normalising leaves the instance itself unchanged.
      {"Vec3(0, 3, 4).normalize().z", 0.8f},
      {"(function() { local v = Vec3(0, 3, 4); v.normalize(); return v.z; })()", 4.0f},
      // Rotations by degrees.
      {"Vec3(1, 0, 0).rotateZ(90).x", 0.0f},
      {"Vec3(1, 0, 0).rotateZ(90).y", 1.0f},
      {"Vec3(0, 1, 0).rotateX(90).z", 1.0f},
      {"Vec3(0, 0, 1).rotateY(90).x", 1.0f},
      {"Vec3(1, 0, 0).rotateY(90).z", -1.0f},
      // Angles, brought into 0..360.
      {"Vec3(0, 0, 1).getAngleXZ()", 0.0f},
      {"Vec3(1, 0, 0).getAngleXZ()", 90.0f},
      {"Vec3(-1, 0, 0).getAngleXZ()", 270.0f},
      {"Vec3(0, 1, 0).getAngleY()", 270.0f},
      {"Vec3(0, -1, 0).getAngleY()", 90.0f},
      // Arithmetic.
      {"(Vec3(1, 2, 3) + Vec3(10, 20, 30)).y", 22.0f},
      {"(Vec3(1, 2, 3) - Vec3(10, 20, 30)).z", -27.0f},
      {"(Vec3(1, 2, 3) * 2).z", 6.0f},
      {"(Vec3(1, 2, 3) / 4).x", 0.25f},
      {"(-Vec3(1, 2, 3)).y", -2.0f},
      // Assignment through _set, and set() with the constructor's forms.
      {"(function() { local v = Vec3(); v.y = 5; return v.y; })()", 5.0f},
      {"(function() { local v = Vec3(1, 2, 3); v.set(9); return v.x + v.y + v.z; })()", 27.0f},
      {"(function() { local v = Vec3(1, 2, 3); v.set(1, 2); return v.z; })()", 3.0f},
  };
  for (const FloatCase& c : cases) {
    EXPECT_NEAR(evalFloat(c.expression), c.expected, kTolerance) << c.expression;
  }
  EXPECT_TRUE(errors().empty());
}

TEST_F(Vec3Test, SettingAnUnknownKeyChangesNothing) {
  run("v <- Vec3(1, 2, 3); v.w = 5;");
  EXPECT_NEAR(evalFloat("v.x + v.y + v.z + v.w"), 6.0f, kTolerance);
  EXPECT_TRUE(errors().empty());
}

TEST_F(Vec3Test, NormalizingTheZeroVectorGivesNonFiniteComponents) {
  EXPECT_FALSE(std::isfinite(evalFloat("Vec3(0, 0, 0).normalize().x")));
  EXPECT_TRUE(errors().empty());
}

TEST_F(Vec3Test, NewVectorsAreInstancesOfTheClass) {
  EXPECT_EQ(eval("(Vec3(1, 2, 3) * 2) instanceof Vec3").getObject()._unVal.nInteger, 1);
  const ScriptObject v = eval("Vec3(1, 2, 3).rotateY(30)");
  EXPECT_EQ(v.getTypeTag(), Vec3::typeTag());
}

TEST_F(Vec3Test, AnotherClassWhereAVec3IsExpectedIsRefused) {
  // Its instance data is not three floats: the tag check keeps it from being read as one.
  run("class Other { a = 1; }");
  EXPECT_TRUE(eval("Vec3(1, 2, 3) + Other()").isNull());
  EXPECT_EQ(errors(), std::vector<std::string>{"[] Script Error: can't get instance up"});
  clearLog();
  eval("Vec3(Other())");
  EXPECT_EQ(errors(), std::vector<std::string>{"[] Script Error: get instance up from stack(2)"});
}

TEST_F(Vec3Test, AMethodCalledOnSomethingElseIsRefused) {
  run("class Other { function len() { return 0; } }");
  EXPECT_TRUE(eval("Vec3.length.call({})").isNull());
  EXPECT_EQ(errors(), std::vector<std::string>{"[] Script Error: get instance up from stack(1)"});
  clearLog();
  EXPECT_TRUE(eval("Vec3.length.call(Other())").isNull());
  EXPECT_EQ(errors(), std::vector<std::string>{"[] Script Error: get instance up from stack(1)"});
}

TEST_F(Vec3Test, AClassDerivedFromVec3KeepsItsData) {
  run("class Named extends Vec3 { name = \"n\"; }");
  EXPECT_NEAR(evalFloat("Named(1, 2, 2).length()"), 3.0f, kTolerance);
}

TEST_F(Vec3Test, AWrongArgumentTypeNamesItsSlot) {
  eval("Vec3(1, 2, 3).rotateX(\"a\")");
  EXPECT_EQ(errors(), std::vector<std::string>{"[] Script Error: get float from stack(2)"});
  clearLog();
  eval("Vec3(1, \"b\", 3)");
  EXPECT_EQ(errors(), std::vector<std::string>{"[] Script Error: get float from stack(3)"});
}

}  // namespace
