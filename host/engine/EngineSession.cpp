#include "host/engine/EngineSession.h"

void engineFinishSession(EngineSession& session, bool anyFrameRan) {
  if (!session.active()) return;
  if (!anyFrameRan) session.setReady();
  while (!session.isReady() && !session.closed()) session.waitFrame();
  session.end();
}
