#include "foundation/omb/ombRandom.h"

#include "foundation/omb/ombCore.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

namespace {

struct FreeGenerator {
  void operator()(OMB_RANDOM* generator) const { std::free(generator); }
};
using Generator = std::unique_ptr<OMB_RANDOM, FreeGenerator>;

Generator make(uint32_t seed) {
  Generator generator(ombRandomCreate(seed));
  EXPECT_NE(generator, nullptr);
  return generator;
}

// Replays store only the seed, so these words are a contract with every recorded match.
TEST(ombRandom, FirstWordsOfKnownSeeds) {
  struct Case {
    uint32_t seed;
    std::array<uint32_t, 5> words;
  };
  const Case cases[] = {
      {1, {0x8F0EC1F4u, 0x36C947F3u, 0xA3B2E435u, 0xA0B3B1E4u, 0x10B325BBu}},
      {12345, {0x7E0171B0u, 0x133E75A7u, 0x89FD6A22u, 0x8A5B792Du, 0xAA5B6CCEu}},
  };
  for (const Case& c : cases) {
    Generator g = make(c.seed);
    for (uint32_t word : c.words) {
      EXPECT_EQ(ombRandomGetU32(g.get()), word) << "seed " << c.seed;
    }
  }
}

TEST(ombRandom, IndicesWrapTogetherAfterOneTurnOfTheRegister) {
  Generator g = make(7);
  EXPECT_EQ(g->i, 1u);  // the draw made by ombRandomCreate
  EXPECT_EQ(g->j, 490u);
  EXPECT_EQ(g->k, 1u);
  for (uint32_t n = 1; n < OMB_RANDOM_WORDS; ++n) {
    ombRandomGetU32(g.get());
  }
  EXPECT_EQ(g->i, 0u);
  EXPECT_EQ(g->j, 489u);
  EXPECT_EQ(g->k, 0u);
}

// The output is the register's own sequence: out[n] = out[n-521] xor out[n-32] across every
// wrap of the three indices, including the words already drawn before the first wrap.
TEST(ombRandom, OutputFollowsTheFeedbackRecurrence) {
  Generator g = make(0xDEADBEEFu);
  std::vector<uint32_t> out(3 * OMB_RANDOM_WORDS);
  for (uint32_t& word : out) {
    word = ombRandomGetU32(g.get());
  }
  for (std::size_t n = OMB_RANDOM_WORDS; n < out.size(); ++n) {
    ASSERT_EQ(out[n], out[n - OMB_RANDOM_WORDS] ^ out[n - 32]) << "draw " << n;
  }
}

TEST(ombRandom, SameSeedSameSequenceOverAMillionDraws) {
  Generator a = make(0x80000000u);
  Generator b = make(0x80000000u);
  Generator other = make(0x80000001u);
  uint32_t differing = 0;
  for (int n = 0; n < 1000000; ++n) {
    const uint32_t word = ombRandomGetU32(a.get());
    ASSERT_EQ(word, ombRandomGetU32(b.get())) << "draw " << n;
    differing += word != ombRandomGetU32(other.get());
  }
  // A neighbouring seed is a different sequence, not a shifted copy of the same words.
  EXPECT_GT(differing, 999000u);
}

TEST(ombRandom, SeedZeroIsTheCurrentSecond) {
  // Retried when the second changes between reading the clock and creating the generator.
  for (int attempt = 0; attempt < 5; ++attempt) {
    const auto before = static_cast<uint32_t>(std::time(nullptr));
    Generator clocked = make(0);
    Generator explicitSeed = make(before);
    if (static_cast<uint32_t>(std::time(nullptr)) != before) {
      continue;
    }
    for (int n = 0; n < 8; ++n) {
      EXPECT_EQ(ombRandomGetU32(clocked.get()), ombRandomGetU32(explicitSeed.get()));
    }
    return;
  }
  FAIL() << "the clock kept changing second";
}

}  // namespace
