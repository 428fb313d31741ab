#pragma once

// FIXME: the engine base class (its own script manager, random generators, frame controller,
// sprite layers and the per-frame loop) is not built; this is what the System's engine loop
// calls of an engine.
class Engine {
 public:
  virtual ~Engine() = default;
  // Runs frames until the engine's quit flag is set.
  virtual void run() = 0;
};
