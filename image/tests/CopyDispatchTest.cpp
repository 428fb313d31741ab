#include "image/copy/CopyDispatch.h"

#include "image/DImage.h"
#include "image/tests/CopyTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// A real image that writes the dispatcher's calls on it into a shared log, and can claim a kind
// it does not have.
class RecordingImage : public dbtl::DImage {
 public:
  RecordingImage(std::string name, Log& log, uint32_t kind) : name_(std::move(name)), log_(log) {
    EXPECT_TRUE(CreateDefaultPitch(3, 2, kind));
    std::memset(GetBuffer(), 0x3C, size_t{GetPitch()} * GetHeight());
  }

  void ClaimKind(uint32_t kind) { claimed_ = kind; }

  uint32_t GetKind() const override {
    log_.push_back(name_ + ".GetKind");
    return claimed_ ? *claimed_ : DImage::GetKind();
  }
  uint8_t* GetBits() const override {
    log_.push_back(name_ + ".GetBits");
    return DImage::GetBits();
  }
  void EndAccess() const override { log_.push_back(name_ + ".EndAccess"); }

  std::vector<uint8_t> Memory() const {
    return std::vector<uint8_t>(GetBuffer(), GetBuffer() + size_t{GetPitch()} * GetHeight());
  }

 private:
  std::string name_;
  Log& log_;
  std::optional<uint32_t> claimed_;
};

struct DispatchCase {
  const char* what;
  std::optional<uint32_t> dstClaim, srcClaim;
  uint32_t dstW, dstH, srcW, srcH;
  Log calls;
  bool writes;
};

// Every dispatcher: the kinds are read destination first, the first-row addresses likewise,
// EndAccess runs on the source and then on the destination, also when the sizes leave nothing
// to write; a kind above 7 ends the call before anything else happens.
TEST(CopyDispatch, CallOrderAndInvalidKinds) {
  imgtest::EnsureYCbCrTables();
  const Log full = {"dst.GetKind", "src.GetKind", "dst.GetBits", "src.GetBits", "src.EndAccess",
                    "dst.EndAccess"};
  const DispatchCase cases[] = {
      {"a copy", std::nullopt, std::nullopt, 3, 2, 3, 2, full, true},
      {"a stretch", std::nullopt, std::nullopt, 3, 2, 1, 1, full, true},
      {"destination width 0", std::nullopt, std::nullopt, 0, 2, 3, 2, full, false},
      {"source height 0", std::nullopt, std::nullopt, 3, 2, 3, 0, full, false},
      {"destination kind 8", 8, std::nullopt, 3, 2, 3, 2, {"dst.GetKind"}, false},
      {"destination kind 0xFFFFFFFF", 0xFFFFFFFFu, std::nullopt, 3, 2, 3, 2, {"dst.GetKind"},
       false},
      {"source kind 8", std::nullopt, 8, 3, 2, 3, 2, {"dst.GetKind", "src.GetKind"}, false},
  };
  for (const imgtest::CopyFamily& family : imgtest::kCopyFamilies) {
    for (const DispatchCase& c : cases) {
      const std::string what = std::string(family.name) + ": " + c.what;
      Log log;
      RecordingImage dst("dst", log, 0);
      RecordingImage src("src", log, 1);
      if (c.dstClaim) dst.ClaimKind(*c.dstClaim);
      if (c.srcClaim) src.ClaimKind(*c.srcClaim);
      for (uint32_t i = 0; i < 6; ++i) src.GetBuffer()[i] = uint8_t(0x80 + i);
      const std::vector<uint8_t> before = dst.Memory();
      family.run(dst, c.dstW, c.dstH, src, c.srcW, c.srcH, 0xFF, 0xFF);
      EXPECT_EQ(log, c.calls) << what;
      EXPECT_EQ(dst.Memory() != before, c.writes) << what;
    }
  }
}

}  // namespace
