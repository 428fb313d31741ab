#pragma once

#include "net/controller/Controller.h"

class ButtonStateHolder;

// A controller fed by one of the System's button-state trackers (a local pad, the keyboard, or
// a network player's input). The two descriptions of its constructor differ: this one takes the
// record kind and the slot's holder, as the controllers themselves are described; the controller
// index and side-value source of the other description have no use here.
class ControllerInput : public Controller {
 public:
  ControllerInput(uint32_t recordKind, ButtonStateHolder* holder)
      : Controller(recordKind), holder_(holder) {}

  int32_t getType() const override { return kTypeInput; }
  // Updates the tracker, takes pressed, held and the third event (a quick full press for a
  // button whose source flag asks for it, else a repeated press) and the value of each of its
  // first 16 buttons, then records. A tracker with more buttons has no place for the rest.
  void refresh() override;

 private:
  ButtonStateHolder* holder_;
};
