#include "link/sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace vandok {
namespace {

std::string digest(const std::string& text) {
  Sha256 sha;
  sha.update(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  return sha.finish_hex();
}

TEST(Sha256, KnownVectors) {
  EXPECT_EQ(digest(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(digest("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // 56 bytes: the length no longer fits in the first padded block.
  EXPECT_EQ(digest("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(digest("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrs"
                   "tnopqrstu"),
            "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1");
  EXPECT_EQ(digest(std::string(1000000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Sha256, SplitUpdatesMatchOneShotAndObjectRestarts) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += static_cast<char>(i * 7);
  const std::string whole = digest(text);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  Sha256 sha;
  // Three pieces, the middle one byte, with every block alignment of the cut.
  for (std::size_t split = 0; split < text.size(); split += 13) {
    sha.update(bytes, split);
    sha.update(bytes + split, 1);
    sha.update(bytes + split + 1, text.size() - split - 1);
    ASSERT_EQ(sha.finish_hex(), whole) << "split at " << split;
  }
}

}  // namespace
}  // namespace vandok
