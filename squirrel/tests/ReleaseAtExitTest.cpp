// Freeing machine objects while the process ends: a machine held by a static object is closed
// after the thread's own thread-locals are destroyed, and freeing a nest of tables then must not
// touch them (the sanitizer build sees a use after free).

#include "squirrel/squirrel.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Leaves a table holding a table holding a table on the stack: freeing the outer one frees the
// others from inside its own release.
void pushNest(HSQUIRRELVM v) {
  sq_newtable(v);
  for (int depth = 0; depth < 2; ++depth) {
    sq_pushstring(v, u"inner", -1);
    sq_newtable(v);
    sq_newslot(v, -3, SQFalse);
    sq_pushstring(v, u"inner", -1);
    sq_get(v, -2);
  }
  sq_settop(v, 1);
}

struct StaticMachine {
  HSQUIRRELVM v = sq_open(64);
  StaticMachine() { pushNest(v); }
  ~StaticMachine() { sq_close(v); }
};

TEST(ReleaseAtExitTest, AMachineClosedByAStaticObjectAtExitFreesItsObjects) {
  EXPECT_EXIT(
      {
        // A nest freed now, so that freeing has used its queue on this thread before.
        HSQUIRRELVM v = sq_open(64);
        pushNest(v);
        sq_close(v);
        static StaticMachine held;
        std::exit(0);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
