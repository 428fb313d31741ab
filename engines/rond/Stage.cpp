#include "engines/rond/Stage.h"

#include "engines/rond/RondEngine.h"
#include "model/object/L3DObjectInstance.h"
#include "render/L3DRenderer.h"
#include "script/ScriptThread.h"

#include <algorithm>
#include <string>

namespace rond {

Stage::~Stage() {
  if (thread_ != nullptr) ScriptThread::destroy(thread_);
  model_.reset();
}

void Stage::reset(Engine* engine, const char16_t* directory) {
  if (thread_ != nullptr) ScriptThread::destroy(std::exchange(thread_, nullptr));
  model_.reset();
  startPosition[0] = {0, 0, 1024};
  startPosition[1] = {0, 0, -1024};
  startAngle[0] = 3217;
  startAngle[1] = 0;
  moveBox = Box{{-5120, -5120, -5120}, {5120, 5120, 5120}};
  bulletBox = moveBox;
  frame = 0;
  engine_ = engine;
  directory_ = engine->internDirectory(directory);
  const L3DModelServices services = engine->modelServices();
  if (da3dIsObjectDataExist(services, directory_, u"main")) {
    char16_t path[128];
    std::u16string name = std::u16string(directory_) + u"main";
    name.copy(path, 127);
    path[std::min<size_t>(name.size(), 127)] = 0;
    const std::u16string list = engine->seListText(directory_, nullptr, true);
    model_.loadWithSe(services, path, list.c_str());
    if (model_.instance) model_.instance->SetAnim(model_.instance->CreateAnim("start"),
                                                  L3DObjectInstance::Restart::Yes);
  }
  thread_ = new ScriptThread(engine->scriptManager(), engine->stageTable());
  thread_->loadRelative(directory_, u"main", static_cast<::Engine*>(engine), this);
}

void Stage::step() {
  if (thread_ != nullptr) thread_->resume();
  if (model_.instance) model_.instance->ForwardAnimFrame();
  ++frame;
}

void Stage::draw() {
  if (!model_.instance || engine_ == nullptr || engine_->renderer() == nullptr) return;
  engine_->renderer()->SetLightDirection(lightDirection);
  engine_->renderer()->DrawObjectInstance(*model_.instance, lightColour, ambientColour, 0);
}

}  // namespace rond
