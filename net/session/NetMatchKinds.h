#pragma once

#include <cstdint>

// The first byte of every match-protocol message between host and clients.
namespace netmatch {

inline constexpr uint8_t kStart = 0x34;
inline constexpr uint8_t kReady = 171;
inline constexpr uint8_t kGo = 0x72;
inline constexpr uint8_t kFrame = 0x61;
inline constexpr uint8_t kInput = 0xB8;
inline constexpr uint8_t kEndRequest = 0xE3;
inline constexpr uint8_t kRoundEnd = 0x87;
inline constexpr uint8_t kBacklog = 0xF0;
inline constexpr uint8_t kCaughtUp = 0xAE;
inline constexpr uint8_t kStop = 0x21;
inline constexpr uint8_t kDrain = 0x57;
inline constexpr uint8_t kResume = 0x49;
inline constexpr uint8_t kHostFiller = 0x18;
inline constexpr uint8_t kClientFiller = 0xD5;
// Sent by clients and passed over by the host.
inline constexpr uint8_t kIgnored = 0xC4;

}  // namespace netmatch
