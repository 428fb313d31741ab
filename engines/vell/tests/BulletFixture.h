#pragma once

// The field engine with a map for the bullet tests: types, motions and launches made through the
// bullet manager directly, and models served from memory for the bullets and the objects they
// hit (a ball with attack spheres, a target with damage spheres).

#include "engines/vell/bullet/BulletManager.h"
#include "engines/vell/tests/FieldObjectFixture.h"

#include <string>
#include <utility>
#include <vector>

namespace fieldtest {

// A model with one enabled collision group of one sphere (radius 0.5 at the model's origin) for
// each type given, and the animations given as {name, last frame}.
inline std::vector<uint8_t> sphereModel(const std::vector<uint32_t>& collTypes,
                                        const std::vector<std::pair<std::string, uint32_t>>& anims) {
  modelfile::Model m = modelfile::untexturedModel("");
  const modelfile::Anim base = m.anims[0];
  m.anims.clear();
  for (const auto& [name, last] : anims) {
    modelfile::Anim a = base;
    a.name = name;
    a.endFrame = last;
    a.loopFrame = 0;
    m.anims.push_back(a);
  }
  m.colls.clear();
  for (uint32_t type : collTypes) {
    modelfile::Coll c;
    c.name = "coll" + std::to_string(type);
    c.type = type;
    c.flags = 1;
    modelfile::Sphere s;
    s.part = 1;
    s.bone = 1;
    s.radius = 0.5f;
    c.spheres = {s};
    m.colls.push_back(c);
  }
  return modelfile::scrambled(modelfile::write(m));
}

class BulletTest : public FieldObjectTest {
 protected:
  void start(const char* description) {
    startWithMap(description);
    bullets = engine->bullets();
    ASSERT_NE(bullets, nullptr);
  }

  // A type of `count` bullets; with a model name, of "field/bullet/<name>.dgo".
  vell::BulletType* type(int32_t count, const char16_t* model = u"",
                         ScriptObject notifies = ScriptObject()) {
    vell::TypeDefinition d;
    d.directory = u"field/bullet/";
    d.geometryName = model;
    d.count = count;
    d.notifies = notifies;
    return bullets->defineType(d);
  }

  vell::BulletMotion* motion(vell::BulletType* t, std::vector<vell::KeyFrameRecord> frames,
                             int32_t flags = 0, int32_t timeout = 0,
                             ScriptObject notifies = ScriptObject()) {
    vell::MotionDefinition d;
    d.type = t;
    d.flags = flags;
    d.timeout = timeout;
    d.notifies = notifies;
    d.keyFrames = std::move(frames);
    return bullets->defineMotion(d);
  }

  // A key frame at frame 0 with a "move" text.
  static vell::KeyFrameRecord moving(const char16_t* move) {
    vell::KeyFrameRecord k;
    k.move = move;
    return k;
  }

  bool launch(vell::BulletMotion* m, const LVec3& at, int32_t mask = 0) {
    vell::Launch l;
    l.motion = m;
    l.position = at;
    l.collAttackMask = mask;
    return bullets->add(l);
  }

  std::vector<vell::Bullet*> live() {
    std::vector<vell::Bullet*> out;
    OMB_LIST& list = bullets->live();
    for (OMB_LIST_LINK* l = list.head.next; l != &list.head; l = l->next) {
      out.push_back(static_cast<vell::Bullet*>(static_cast<vell::Attack*>(ombListElement(&list, l))));
    }
    return out;
  }

  ScriptObject text(const char16_t* value) {
    return ScriptObject::newString(value, engine->scriptManager()->vm.vm);
  }

  vell::BulletManager* bullets = nullptr;
};

}  // namespace fieldtest
