#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "display/PackedSpans.h"
#include "display/support/SurfaceLayouts.h"

using Vesk::PackedSpans::AddSpan;
using Vesk::PackedSpans::Tinted;

namespace {

// The formulas the spans must reproduce, written channel by channel as the mask forms do.
uint32_t PlainAdd(uint32_t d, uint32_t s) {
  uint32_t out = 0;
  for (int b = 0; b < 3; ++b) out |= std::min<uint32_t>(((d >> 8 * b) & 255) + ((s >> 8 * b) & 255), 255) << 8 * b;
  return out;
}

uint32_t PlainTint(uint32_t d, uint32_t s, const uint32_t (&k)[3], uint32_t ca, bool keepDest) {
  const uint64_t aw = keepDest ? 256 - (s >> 24) * ca / 255 : 0;
  uint64_t out = 0;
  for (int b = 0; b < 3; ++b) {
    const uint64_t m = uint64_t(255) << 8 * b;
    out += ((d & m) * aw + (s & m) * k[b]) >> 8 & m;
  }
  return uint32_t(out);
}

// Runs `span` over every start and length up to 13 of the words, in both directions, and
// compares each written pixel with `plain`; pixels outside the span must stay as they were.
template <typename Span, typename Plain>
void CompareSpans(const std::vector<uint32_t>& dest, const std::vector<uint32_t>& src, Span span, Plain plain) {
  const int32_t size = int32_t(src.size());
  for (int32_t n = 0; n <= 13; ++n)
    for (int32_t start = 0; start + n <= size; start += n + 1) {
      std::vector<uint32_t> right = dest, left = dest;
      span(std::integral_constant<int, 1>(), right.data() + start, src.data() + start, n);
      // Leftwards from the span's last pixel, reading the same words.
      span(std::integral_constant<int, -1>(), left.data() + start + n - 1, src.data() + start, n);
      for (int32_t i = 0; i < size; ++i) {
        const bool in = i >= start && i < start + n;
        const uint32_t wantRight = in ? plain(dest[size_t(i)], src[size_t(i)]) : dest[size_t(i)];
        const uint32_t wantLeft = in ? plain(dest[size_t(i)], src[size_t(start + n - 1 - (i - start))]) : dest[size_t(i)];
        ASSERT_EQ(right[size_t(i)], wantRight) << "rightwards, length " << n << " pixel " << i;
        ASSERT_EQ(left[size_t(i)], wantLeft) << "leftwards, length " << n << " pixel " << i;
      }
    }
}

std::vector<uint32_t> RandomWords(std::mt19937& rng, size_t n) {
  std::vector<uint32_t> v(n);
  for (uint32_t& w : v) w = rng();
  return v;
}

}  // namespace

TEST(PackedSpans, AddingEqualsTheSaturatingChannelSumForEveryPairOfBytes) {
  // Every pair of channel values in every channel, with noise in the other bytes.
  std::mt19937 rng(5);
  std::vector<uint32_t> dest(65536), src(65536);
  for (int b = 0; b < 3; ++b) {
    for (uint32_t i = 0; i < 65536; ++i) {
      dest[i] = (rng() & ~(255u << 8 * b)) | (i >> 8) << 8 * b;
      src[i] = (rng() & ~(255u << 8 * b)) | (i & 255) << 8 * b;
    }
    std::vector<uint32_t> right = dest, left = dest;
    AddSpan<1>(right.data(), src.data(), 65536);
    AddSpan<-1>(left.data() + 65535, src.data(), 65536);
    for (size_t i = 0; i < 65536; ++i) {
      ASSERT_EQ(right[i], PlainAdd(dest[i], src[i])) << i;
      ASSERT_EQ(left[i], PlainAdd(dest[i], src[65535 - i])) << i;
    }
  }
  std::vector<uint32_t> d = RandomWords(rng, 64), s = RandomWords(rng, 64);
  CompareSpans(d, s, [](auto dir, uint32_t* dp, const uint32_t* sp, int32_t n) { AddSpan<decltype(dir)::value>(dp, sp, n); },
               PlainAdd);
}

TEST(PackedSpans, TintingEqualsTheChannelFormulaForEveryAlphaPairAndRandomWords) {
  std::mt19937 rng(9);
  // Every word alpha under every colour alpha, with random channels and factors, including
  // words that are not premultiplied, whose sums overflow sixteen bits.
  for (uint32_t ca = 0; ca < 256; ++ca) {
    const uint32_t k[3] = {uint32_t(rng() % 256), uint32_t(rng() % 256), uint32_t(rng() % 256)};
    const Tinted tinted(k, ca);
    std::vector<uint32_t> dest = RandomWords(rng, 256), src = RandomWords(rng, 256);
    for (uint32_t a = 0; a < 256; ++a) src[a] = (src[a] & 0xFFFFFFu) | a << 24;
    for (bool keep : {true, false}) {
      std::vector<uint32_t> out = dest;
      if (keep)
        tinted.Span<1, true>(out.data(), src.data(), 256);
      else
        tinted.Span<1, false>(out.data(), src.data(), 256);
      for (size_t i = 0; i < 256; ++i) ASSERT_EQ(out[i], PlainTint(dest[i], src[i], k, ca, keep)) << ca << " " << i;
    }
  }
  for (int round = 0; round < 20; ++round) {
    const uint32_t k[3] = {uint32_t(rng() % 256), uint32_t(rng() % 256), uint32_t(rng() % 256)}, ca = uint32_t(rng() % 256);
    const Tinted tinted(k, ca);
    std::vector<uint32_t> d = RandomWords(rng, 64), s = RandomWords(rng, 64);
    for (bool keep : {true, false})
      CompareSpans(
          d, s,
          [&](auto dir, uint32_t* dp, const uint32_t* sp, int32_t n) {
            if (keep)
              tinted.Span<decltype(dir)::value, true>(dp, sp, n);
            else
              tinted.Span<decltype(dir)::value, false>(dp, sp, n);
          },
          [&](uint32_t dw, uint32_t sw) { return PlainTint(dw, sw, k, ca, keep); });
  }
}

TEST(PackedSpans, ThirtyTwoBitBlitsEqualTheMaskFormsExactly) {
  // Random sprites with runs of every alpha class and length, drawn colourised and additively,
  // straight and mirrored, through the packed spans and through the per-channel mask forms.
  std::mt19937 rng(17);
  const int32_t w = 61, h = 9;
  std::vector<uint32_t> px(size_t(w) * size_t(h));
  for (size_t i = 0; i < px.size();) {
    const uint32_t cls = rng() % 3;
    for (size_t n = 1 + rng() % 12; n > 0 && i < px.size(); --n, ++i) {
      const uint32_t a = cls == 0 ? 0 : cls == 1 ? 255 : 1 + rng() % 254;
      px[i] = a << 24 | (rng() & 0xFFFFFFu);
    }
  }
  auto sprite = std::make_unique<Vesk::MemoryImage>();
  sprite->SetBits(px.data(), w, h);
  const SurfaceLayout& l = AllLayouts()[2];
  ASSERT_EQ(l.name, "8888");
  auto packed = OpenDisplay(l);
  auto masks = OpenDisplay(l);
  ASSERT_NE(packed, nullptr);
  ASSERT_NE(masks, nullptr);
  masks->display->mRGBOrder = false;
  const Color colours[] = {Color::White, Color(200, 150, 100, 128), Color(255, 0, 90, 255), Color(30, 240, 170, 7),
                           Color(90, 180, 250)};
  for (const Color& colour : colours)
    for (int mode : {0, 1})
      for (bool mirror : {false, true}) {
        auto a = SurfaceImage(packed->display.get(), w + 6, h + 4, 0x00A05030u);
        auto b = SurfaceImage(masks->display.get(), w + 6, h + 4, 0x00A05030u);
        for (Vesk::DDImage* image : {a.get(), b.get()}) {
          if (mirror)
            image->BlitMirrored(sprite.get(), 3, 2, Rect(0, 0, w, h), colour, mode);
          else
            image->Blit(sprite.get(), 3, 2, Rect(0, 0, w, h), colour, mode);
        }
        ASSERT_EQ(RawPixels(*a), RawPixels(*b)) << "colour " << colour.mRed << "," << colour.mGreen << " mode " << mode
                                                << (mirror ? " mirrored" : "");
      }
}
