#pragma once

#include "engines/rond/Attack.h"
#include "engines/rond/Object.h"
#include "engines/rond/PlayerParameter.h"
#include "net/controller/Controller.h"

#include <memory>
#include <vector>

struct ScriptThread;

namespace rond {

// One of the two fighters: an object steered by its controller and its script "main", with
// the parameters the engine defines, its attacks and what the last hit did to it.
class Player : public Object {
 public:
  ~Player() override;

  // Takes the controller over; runs setupScript.
  void init(int32_t startAngle, Engine* engine, int32_t slot, const char16_t* directory,
            std::unique_ptr<Controller> controller, const FixedVec3& startPosition);
  // Restarts the player: bullets of its side, attacks, parameters (rebuilt from the engine's
  // definitions), script thread and geometries go; the script "main" is loaded anew.
  void setupScript();
  void release() override;

  // Controller, script, damage flag cleared, extents when missing, saved position, move.
  void stepBeforeMove();
  // Move applied, body spheres, centre point, attack spheres while an attack is active.
  void stepAfterMove();
  void setRotation(int32_t angle);

  // A copy of the definition in a new node at the end of the list.
  AttackNode* addAttack(const AttackDefinition& definition);
  void clearAttacks();
  // When the victim's body spheres meet the attacker's attack spheres: damage with the active
  // attack, which is consumed (one hit per activation).
  static void checkAttack(Player& attacker, Player& victim);
  static void applyDamage(Player& victim, const std::vector<AttackPair>* pairs,
                          const FixedVec3& delta);

  int32_t slot() const { return slot_; }
  Controller* controller() const { return controller_.get(); }
  ScriptThread* thread() const { return thread_; }
  const std::vector<std::unique_ptr<AttackNode>>& attacks() const { return attacks_; }

  std::vector<PlayerParameter> parameters;
  int32_t rotationAngle = 0;
  int32_t rotationTrack = 0;
  Extents extents;
  SphereSet bodySpheres;
  FixedVec3 centre{0, 0, 0};
  uint8_t damageFlag = 0;
  int32_t damageAngleValue = 0;
  AttackNode* activeAttack = nullptr;
  SphereSet attackSpheres;

 private:
  void destroyThread();

  int32_t slot_ = 0;
  std::unique_ptr<Controller> controller_;
  ScriptThread* thread_ = nullptr;
  std::vector<std::unique_ptr<AttackNode>> attacks_;
};

}  // namespace rond
