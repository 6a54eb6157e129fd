// The bytes of the files cJpeg writes: segment order, headers, tables, comment and Exif segments.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "encoder/cjpeg.h"
#include "encoder/jpeg_oracle.h"
#include "encoder/jpeg_segments.h"
#include "support/test_files.h"

namespace lumivex {
namespace {

using Bytes = std::vector<std::uint8_t>;
using encoder_tests::encodeImage;
using encoder_tests::listSegments;
using encoder_tests::syntheticImage;

Bytes bytesAt(const Bytes& file, std::size_t offset, std::size_t n) {
  if (offset + n > file.size()) return {};
  return Bytes(file.begin() + static_cast<std::ptrdiff_t>(offset),
               file.begin() + static_cast<std::ptrdiff_t>(offset + n));
}

std::size_t offsetOf(const Bytes& file, std::uint8_t marker, int nth = 0) {
  auto segments = listSegments(file);
  for (std::size_t i = 0; i < segments.markers.size(); ++i)
    if (segments.markers[i] == marker && nth-- == 0) return segments.offsets[i];
  ADD_FAILURE() << "no marker " << int{marker};
  return file.size();
}

TEST(JpegFile, DefaultColourLayoutOf17x9) {
  cJpeg encoder;
  Bytes file = encodeImage(encoder, syntheticImage(17, 9));
  EXPECT_EQ(listSegments(file).markers, (Bytes{0xD8, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA, 0xD9}));
  EXPECT_EQ(bytesAt(file, offsetOf(file, 0xC0), 19),
            (Bytes{0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x09, 0x00, 0x11, 0x03, 0x01, 0x22, 0x00, 0x02, 0x11,
                   0x01, 0x03, 0x11, 0x01}));
  EXPECT_EQ(bytesAt(file, offsetOf(file, 0xDA), 14),
            (Bytes{0xFF, 0xDA, 0x00, 0x0C, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3F, 0x00}));
  // DHT class and index bytes: DC 0, AC 0, DC 1, AC 1.
  for (int k = 0; k < 4; ++k)
    EXPECT_EQ(file[offsetOf(file, 0xC4, k) + 4], (Bytes{0x00, 0x10, 0x01, 0x11})[k]);
  EXPECT_EQ(bytesAt(file, 0, 2), (Bytes{0xFF, 0xD8}));
  EXPECT_EQ(bytesAt(file, file.size() - 2, 2), (Bytes{0xFF, 0xD9}));
}

TEST(JpegFile, QuantizationTablesAtQuality75) {
  cJpeg encoder;
  Bytes file = encodeImage(encoder, syntheticImage(17, 9));
  EXPECT_EQ(bytesAt(file, offsetOf(file, 0xDB), 15), (Bytes{0xFF, 0xDB, 0x00, 0x43, 0x00, 0x08, 0x06, 0x06,
                                                            0x08, 0x06, 0x06, 0x08, 0x08, 0x07, 0x08}));
  EXPECT_EQ(bytesAt(file, offsetOf(file, 0xDB, 1), 15),
            (Bytes{0xFF, 0xDB, 0x00, 0x43, 0x01, 9, 10, 10, 12, 11, 12, 24, 14, 14, 24}));
}

TEST(JpegFile, GreyLayout) {
  cJpeg encoder;
  encoder.SetSamplingFrequencies(1, 1, 0, 0, 0, 0);
  Bytes file = encodeImage(encoder, syntheticImage(17, 9));
  EXPECT_EQ(listSegments(file).markers, (Bytes{0xD8, 0xDB, 0xC0, 0xC4, 0xC4, 0xDA, 0xD9}));
  EXPECT_EQ(bytesAt(file, offsetOf(file, 0xC0), 13),
            (Bytes{0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x09, 0x00, 0x11, 0x01, 0x01, 0x11, 0x00}));
  EXPECT_EQ(bytesAt(file, offsetOf(file, 0xDA), 10),
            (Bytes{0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00}));
}

TEST(JpegFile, LargeLuminanceFactorsCodeLuminanceInAScanOfItsOwn) {
  cJpeg encoder;
  encoder.SetSamplingFrequencies(4, 4, 1, 1, 1, 1);
  Bytes file = encodeImage(encoder, syntheticImage(70, 45));
  EXPECT_EQ(listSegments(file).markers,
            (Bytes{0xD8, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA, 0xDA, 0xD9}));
  EXPECT_EQ(bytesAt(file, offsetOf(file, 0xDA), 10),
            (Bytes{0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00}));
  EXPECT_EQ(bytesAt(file, offsetOf(file, 0xDA, 1), 12),
            (Bytes{0xFF, 0xDA, 0x00, 0x0A, 0x02, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3F, 0x00}));
}

TEST(JpegFile, CommentSegmentBeforeTheTables) {
  cJpeg encoder;
  encoder.setComment("abc");
  EXPECT_EQ(encoder.comment(), "abc");
  Bytes file = encodeImage(encoder, syntheticImage(9, 9));
  EXPECT_EQ(bytesAt(file, 0, 9), (Bytes{0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x05, 'a', 'b', 'c'}));
  EXPECT_EQ(file[9], 0xFF);
  EXPECT_EQ(file[10], 0xDB);
}

TEST(JpegFile, CommentCharactersAreWrittenAsLatin1Bytes) {
  cJpeg encoder;
  encoder.setComment("caf\xC3\xA9 \xFF");  // "café" in UTF-8, then a byte that is not UTF-8
  Bytes file = encodeImage(encoder, syntheticImage(9, 9));
  EXPECT_EQ(bytesAt(file, 2, 10), (Bytes{0xFF, 0xFE, 0x00, 0x08, 'c', 'a', 'f', 0xE9, ' ', 0xFF}));
}

TEST(JpegFile, CommentLengthIsLimitedTo65533Characters) {
  cJpeg encoder;
  encoder.setComment(std::string(65533, 'x'));
  try {
    encoder.setComment(std::string(65534, 'y'));
    FAIL();
  } catch (const EncoderError& e) {
    EXPECT_EQ(e.number(), 1);
    EXPECT_STREQ(e.what(), "Illegal Comment Length");
  }
  EXPECT_EQ(encoder.comment(), std::string(65533, 'x'));  // the previous comment stays
  // Characters, not bytes: 65533 two-byte characters fit.
  std::string wide;
  for (int i = 0; i < 65533; ++i) wide += "\xC3\xA9";
  encoder.setComment(wide);
  Bytes file = encodeImage(encoder, syntheticImage(8, 8));
  EXPECT_EQ(bytesAt(file, 2, 5), (Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0xE9}));
  EXPECT_EQ(encoder_tests::decodeJpeg(file).ok, true);
}

TEST(JpegFile, ExifPayloadFollowsTheStartOfImage) {
  cJpeg one;
  one.setExif({0x45});
  EXPECT_EQ(listSegments(encodeImage(one, syntheticImage(8, 8))).markers[1], 0xDB);

  cJpeg two;
  two.setExif({0x12, 0x34});
  two.setComment("abc");
  Bytes file = encodeImage(two, syntheticImage(8, 8));
  EXPECT_EQ(bytesAt(file, 0, 15),
            (Bytes{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x04, 0x12, 0x34, 0xFF, 0xFE, 0x00, 0x05, 'a', 'b', 'c'}));

  Bytes exif = {'E', 'x', 'i', 'f', 0, 0};
  exif.resize(65533, 0xA5);
  cJpeg largest;
  largest.setExif(exif);
  file = encodeImage(largest, syntheticImage(8, 8));
  EXPECT_EQ(bytesAt(file, 2, 4), (Bytes{0xFF, 0xE1, 0xFF, 0xFF}));
  EXPECT_EQ(bytesAt(file, 6, exif.size()), exif);
}

TEST(JpegFile, CodedDataNeverHoldsAnUnstuffed0xFF) {
  // Noise at quality 100 makes plenty of 0xFF bytes in the coded data.
  encoder_tests::RgbImage noise = syntheticImage(61, 47);
  std::uint32_t state = 12345;
  for (std::uint8_t& v : noise.rgb) v = static_cast<std::uint8_t>((state = state * 1103515245 + 12345) >> 24);
  for (int quality : {100, 75, 1}) {
    cJpeg encoder;
    encoder.setQuality(quality);
    Bytes file = encodeImage(encoder, noise);
    auto segments = listSegments(file);
    std::size_t sos = offsetOf(file, 0xDA);
    std::size_t start = sos + 2 + (std::size_t{file[sos + 2]} * 256 + file[sos + 3]);
    std::size_t end = file.size() - 2;
    ASSERT_EQ(segments.offsets.back(), end);
    std::size_t stuffed = 0;
    for (std::size_t i = start; i < end; ++i) {
      if (file[i] != 0xFF) continue;
      ASSERT_EQ(file[i + 1], 0x00) << "at " << i;
      ++stuffed, ++i;
    }
    if (quality == 100) {
      EXPECT_GT(stuffed, 0u);
    }
    EXPECT_TRUE(encoder_tests::decodeJpeg(file).ok);
  }
}

TEST(JpegFile, SavingTwiceWritesTheSameFile) {
  cJpeg encoder;
  encoder.setQuality(88);
  encoder_tests::DcPicture picture(syntheticImage(45, 31));
  ASSERT_EQ(encoder.SampleHDC(picture.dc(), 45, 31, 0, 0), 0);
  testing_support::TempDir folder;
  ASSERT_EQ(encoder.SaveFile(folder.file("a.jpg")), 0);
  ASSERT_EQ(encoder.SaveFile(folder.file("b.jpg")), 0);
  EXPECT_EQ(testing_support::readBytes(folder.file("a.jpg")),
            testing_support::readBytes(folder.file("b.jpg")));
}

// A fixed picture through the whole encoder. The hash changes only when the output bytes do: any
// change of rounding, table building, block order or segment layout shows here.
TEST(JpegFile, GoldenHashOfAFixedPicture) {
  cJpeg colour;
  colour.setQuality(88);
  Bytes file = encodeImage(colour, syntheticImage(83, 59));
  EXPECT_EQ(file.size(), 811u);
  EXPECT_EQ(encoder_tests::fnv1a(file), 0x27270fe3f1415809ULL) << std::hex << encoder_tests::fnv1a(file);

  cJpeg grey;
  grey.SetSamplingFrequencies(1, 1, 0, 0, 0, 0);
  grey.setQuality(50);
  Bytes greyFile = encodeImage(grey, syntheticImage(83, 59));
  EXPECT_EQ(encoder_tests::fnv1a(greyFile), 0xf7151834bd39403aULL)
      << std::hex << encoder_tests::fnv1a(greyFile);
}

void expectBadQuantPrecision(const QuantTable& table) {
  Bytes out;
  try {
    WriteDqt(out, table, 0);
    FAIL();
  } catch (const EncoderError& e) {
    EXPECT_EQ(e.number(), 1);
    EXPECT_STREQ(e.what(), "Illegal precission in Quantization Table");
  }
}

TEST(JpegSegments, RefuseValuesTheirFieldsCannotHold) {
  QuantTable table;
  table.Entries.fill(255);
  Bytes out;
  WriteDqt(out, table, 1);
  EXPECT_EQ(out.size(), 69u);
  EXPECT_EQ(bytesAt(out, 0, 6), (Bytes{0xFF, 0xDB, 0x00, 0x43, 0x01, 0xFF}));
  table.Entries[40] = 256;
  expectBadQuantPrecision(table);

  auto expectOverflow = [](auto write) {
    Bytes sink;
    try {
      write(sink);
      ADD_FAILURE() << "no overflow";
    } catch (const EncoderError& e) {
      EXPECT_EQ(e.number(), 6);
    }
  };
  ComponentSetup setup = SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
  expectOverflow([&](Bytes& b) { WriteSof(b, kMarkerSof0, setup, 65536, 10); });
  expectOverflow([&](Bytes& b) { WriteSof(b, kMarkerSof0, setup, 10, 70000); });
  expectOverflow([](Bytes& b) { WriteApp1(b, Bytes(65534, 1)); });
  expectOverflow([](Bytes& b) { WriteComment(b, U"price: 5\u20AC"); });
  Bytes sof;
  WriteSof(sof, kMarkerSof0, setup, 65535, 65535);
  EXPECT_EQ(bytesAt(sof, 5, 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
}

}  // namespace
}  // namespace lumivex
