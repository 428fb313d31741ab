// net-harness: one side of a network match without a game. It joins the match that the lounge
// pipes describe, plays rounds with scripted inputs and prints each round's seed and a hash of
// every frame's inputs, so that the outputs of host, clients and spectators can be compared.
//
//   net-harness --lounge IN OUT [--rounds N] [--frames F] [--port P] [--game-id G]
//               [--version V] [--timeout-polls T] [--resume S] [--stall-ms MS] [--echoes E]
//
// Exit codes: 0 the rounds were played (or there was no session), 3 the session ended the
// game (the lounge got its status), 2 bad arguments.

#include "foundation/lerr/LExceptGame.h"
#include "net/omb/ombSocket.h"
#include "net/session/Net.h"
#include "net/session/NetPipeHost.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct ScriptedInput {
  uint32_t salt = 0;
  uint32_t frame = 0;
  static uint32_t count(void*) { return 16; }
  static void poll(void* self) { ++static_cast<ScriptedInput*>(self)->frame; }
  static int32_t flag(void*, uint32_t) { return 0; }
  static float value(void* self, uint32_t index) {
    const auto* input = static_cast<ScriptedInput*>(self);
    uint32_t x = input->salt * 0x9E3779B9u ^ input->frame * 0x85EBCA6Bu;
    x ^= x >> 13;
    x *= 0xC2B2AE35u;
    x ^= x >> 16;
    return (x >> index) & 1u ? 1.0f : 0.0f;
  }
};

uint64_t fnv(uint64_t hash, uint32_t word) {
  for (int i = 0; i < 4; ++i) {
    hash ^= (word >> (8 * i)) & 0xFFu;
    hash *= 0x100000001B3ull;
  }
  return hash;
}

uint64_t number(const char* text) { return std::strtoull(text, nullptr, 0); }

}  // namespace

int main(int argc, char** argv) {
  uint64_t in = 0;
  uint64_t out = 0;
  uint32_t rounds = 2;
  uint32_t frames = 30;
  NetOptions options;
  int32_t gameId = 7;
  uint32_t version = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&]() -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "net-harness: %s needs a value\n", arg.c_str());
        std::exit(2);
      }
      return argv[++i];
    };
    if (arg == "--lounge") {
      in = number(next());
      out = number(next());
    } else if (arg == "--rounds") {
      rounds = static_cast<uint32_t>(number(next()));
    } else if (arg == "--frames") {
      frames = static_cast<uint32_t>(number(next()));
    } else if (arg == "--port") {
      options.hostPort = static_cast<uint16_t>(number(next()));
    } else if (arg == "--game-id") {
      gameId = static_cast<int32_t>(number(next()));
    } else if (arg == "--version") {
      version = static_cast<uint32_t>(number(next()));
    } else if (arg == "--timeout-polls") {
      options.timeoutPolls = static_cast<uint32_t>(number(next()));
    } else if (arg == "--resume") {
      options.resumeCountdown = static_cast<uint32_t>(number(next()));
    } else if (arg == "--echoes") {
      options.latencyEchoes = static_cast<uint32_t>(number(next()));
    } else if (arg == "--stall-ms") {
      options.spectatorStallMs = static_cast<uint32_t>(number(next()));
    } else {
      std::fprintf(stderr, "net-harness: unknown argument %s\n", arg.c_str());
      return 2;
    }
  }

  ombSocketInit();
  NetPipeHost host(in, out);
  host.gameId = gameId;
  host.gameVersion = version;
  host.options = options;
  Net* net = nullptr;
  try {
    net = netSetup(host);
    if (!net) {
      std::printf("no session\n");
      return 0;
    }
    const int32_t index = net->getPlayerIndex();
    std::printf("index %d players %u delay %u\n", index, net->getPlayerCount(), net->getDelay());
    std::fflush(stdout);
    ScriptedInput scripted;
    scripted.salt = static_cast<uint32_t>(index + 10);
    InputSource local{&scripted, ScriptedInput::poll, ScriptedInput::count, ScriptedInput::flag,
                      ScriptedInput::value};
    net->setLocalInput(&local);
    uint64_t whole = 0xCBF29CE484222325ull;
    for (uint32_t round = 0; round < rounds; ++round) {
      net->start();
      std::printf("round %u seed %u\n", round, net->getSeed());
      std::fflush(stdout);
      uint64_t hash = 0xCBF29CE484222325ull;
      // Until frames flow a wait takes none; from then on every wait takes the next one.
      for (uint32_t frame = 0, calls = 0; frame < frames; ++calls) {
        net->waitFrame();
        if (calls == 0) net->setReady();
        if (!net->isReady()) continue;
        ++frame;
        for (uint32_t p = 0; p < net->getPlayerCount(); ++p) {
          InputSource player;
          if (!net->getPlayerInput(p, &player)) continue;
          uint32_t bits = 0;
          for (uint32_t b = 0; b < 16; ++b) {
            if (player.value(player.context, b) >= 0.5f) bits |= 1u << b;
          }
          hash = fnv(hash, bits);
          whole = fnv(whole, bits);
        }
      }
      while (!net->isReady()) net->waitFrame();
      net->end();
      std::printf("round %u hash %016llx\n", round, static_cast<unsigned long long>(hash));
      std::fflush(stdout);
    }
    std::printf("match hash %016llx\n", static_cast<unsigned long long>(whole));
    net->release();
    delete net;
    std::printf("done\n");
    return 0;
  } catch (const LExceptGame&) {
    std::printf("ended\n");
    std::fflush(stdout);
    delete net;
    return 3;
  }
}
