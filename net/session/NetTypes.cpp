#include "net/session/NetTypes.h"

#include "net/session/Net.h"

#include <algorithm>

const char16_t* netErrorText(int32_t code) {
  switch (code) {
    case 0: return u"";
    case 1: return u"ユーザーからキャンセルされました";
    case 2: return u"ソケットの作成に失敗しました";
    case 3: return u"対戦相手の待ち受けに失敗しました";
    case 4: return u"対戦相手への接続に失敗しました";
    case 5: return u"ネットワークが切断されました";
    case 6: return u"メモリ不足です";
    case 7: return u"不正な接続です";
    case 8: return u"バージョンが違います";
    case 9: return u"プロトコルが異常です";
    default: return u"エラーが発生しました";
  }
}

uint32_t netInputDelay(const NetSessionInfo& info) {
  uint32_t delay = 0;
  for (uint32_t i = 0; i < std::min(info.playerCount, NET_MAX_PLAYERS); ++i) {
    delay = std::max(delay, info.players[i].latency);
  }
  return delay;
}

void HeadlessNetDialog::show(const char16_t* text) {
  if (open_ && current_ == text) return;
  open_ = true;
  current_ = text;
  shown_.push_back(current_);
}

void HeadlessNetDialog::close() { open_ = false; }

bool HeadlessNetDialog::isOpen() const { return open_; }

std::vector<std::u16string> HeadlessNetDialog::shown() const { return shown_; }

namespace {

uint32_t bitsCount(void*) { return 16; }
void bitsPoll(void*) {}
int32_t bitsFlag(void*, uint32_t) { return 0; }
float bitsValue(void* context, uint32_t index) {
  const uint32_t bits = *static_cast<const uint32_t*>(context);
  return index < 32 && (bits >> index) & 1u ? 1.0f : 0.0f;
}

}  // namespace

InputSource netBitsInputSource(const uint32_t* bits) {
  InputSource source;
  source.context = const_cast<uint32_t*>(bits);
  source.poll = bitsPoll;
  source.count = bitsCount;
  source.flag = bitsFlag;
  source.value = bitsValue;
  return source;
}

uint32_t netSampleInput(const InputSource* source) {
  if (!source || !source->count || !source->value) return 0;
  if (source->poll) source->poll(source->context);
  const uint32_t count = std::min<uint32_t>(source->count(source->context), 32);
  uint32_t bits = 0;
  for (uint32_t i = 0; i < count; ++i) {
    if (source->value(source->context, i) >= 0.5f) bits |= 1u << i;
  }
  return bits;
}
