// libFuzzer target: the input becomes a fake platform (a table of interfaces with their
// identities, sizes, paths and failures, call faults, a refused allocation) and one walk of
// the finder over it must keep every promise that the fault tables check. Built with ASan
// and UBSan, so a read or write outside an allocation ends the run as well.
//
// Input, read from the front (bytes past the end read as 0):
//   refuse   allocation to refuse plus one (0: none)
//   flags    bit 0 only that allocation (else it and all later), bit 1 no interface set
//   faults   count (mod 4), then per fault: operation (mod 8), call index
//   then per interface, at most 16, while input lasts:
//   kind     bits 0-2 identity (see kIdentities; 7 reads vendor and product, 2 bytes each)
//            bits 3-5 per-interface failure (0-4), bit 6 unterminated, bit 7 attributes
//            untouched
//   sizes    bits 0-1 size query: true, 4-byte value, true plus a signed byte, a byte;
//            bits 2-3 the same for the fill's own size (0: as reported)
//   length   path characters (mod 65), then one byte each: below 0x80 ASCII (0 a NUL
//            inside the path), else a kana, or a lone surrogate from 0xF0

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>

#include "fakes/fake_hid_platform.h"
#include "tests/unit/finder_invariants.h"

namespace {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Empty() const { return at_ >= size_; }
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint16_t Word() { return static_cast<std::uint16_t>(Byte() | Byte() << 8); }
  std::uint32_t Long() { return Word() | static_cast<std::uint32_t>(Word()) << 16; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

struct Identity {
  std::uint16_t vendorId, productId;
};
constexpr Identity kIdentities[] = {{0x1352, 0x0120}, {0x1352, 0x0121}, {0x1352, 0x0122},
                                    {0x1353, 0x0120}, {0x0000, 0x0121}, {0x046D, 0xC31C},
                                    {0x1352, 0x011F}};

std::uint32_t SizeFrom(Input& in, unsigned mode, std::uint32_t trueSize) {
  switch (mode) {
    case 1:
      return in.Long();
    case 2:
      return trueSize + static_cast<std::uint32_t>(static_cast<std::int8_t>(in.Byte()));
    default:
      return in.Byte();
  }
}

fake_hid::FakeInterface InterfaceFrom(Input& in) {
  fake_hid::FakeInterface item;
  const std::uint8_t kind = in.Byte();
  const unsigned identity = kind & 7u;
  if (identity < std::size(kIdentities)) {
    item.vendorId = kIdentities[identity].vendorId;
    item.productId = kIdentities[identity].productId;
  } else {
    item.vendorId = in.Word();
    item.productId = in.Word();
  }
  const unsigned failure = (kind >> 3) & 7u;
  item.failure = failure <= 4 ? static_cast<fake_hid::Failure>(failure) : fake_hid::Failure::kNone;
  item.unterminated = (kind & 0x40) != 0;
  item.attributesUntouched = (kind & 0x80) != 0;

  const std::uint8_t sizes = in.Byte();
  const std::size_t length = in.Byte() % 65;
  for (std::size_t i = 0; i < length; ++i) {
    const std::uint8_t c = in.Byte();
    item.path.push_back(c < 0x80   ? static_cast<char16_t>(c)
                        : c < 0xF0 ? static_cast<char16_t>(u'ぁ' + (c - 0x80))
                                   : static_cast<char16_t>(0xD800 + (c - 0xF0) * 0x100));
  }
  const auto trueSize = static_cast<std::uint32_t>(4 + (item.path.size() + 1) * 2);
  if ((sizes & 3u) != 0) item.reportedSize = SizeFrom(in, sizes & 3u, trueSize);
  if (((sizes >> 2) & 3u) != 0) item.filledSize = SizeFrom(in, (sizes >> 2) & 3u, trueSize);
  return item;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const long refuse = static_cast<long>(in.Byte()) - 1;
  const std::uint8_t flags = in.Byte();
  fake_hid::Scenario scenario;
  scenario.setUnobtainable = (flags & 2) != 0;
  for (unsigned faults = in.Byte() % 4; faults > 0; --faults) {
    const auto operation = static_cast<fake_hid::Operation>(in.Byte() % fake_hid::kOperationCount);
    scenario.faults.push_back({operation, in.Byte()});
  }
  while (!in.Empty() && scenario.interfaces.size() < 16) {
    scenario.interfaces.push_back(InterfaceFrom(in));
  }

  const FinderWalk walk = WalkFinder(scenario, refuse, (flags & 1) != 0);
  const std::vector<std::string> broken = BrokenPromises(walk);
  if (!broken.empty()) {
    for (const std::string& promise : broken) std::fprintf(stderr, "broken: %s\n", promise.c_str());
    std::abort();
  }
  // Free the fake's records now, so that each run frees all it allocates and libFuzzer's
  // leak check, which runs whenever the two counts differ, stays quiet and fast.
  fake_hid::Install({});
  return 0;
}
