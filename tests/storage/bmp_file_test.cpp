#include "storage/bmp_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace corvane {
namespace {

namespace fs = std::filesystem;

uint32_t le32(const std::vector<uint8_t>& b, std::size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
         uint32_t(b[at + 3]) << 24;
}

std::vector<uint8_t> readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TempDir {
 public:
  TempDir() {
    char name[] = "/tmp/corvane-bmp-XXXXXX";
    path_ = ::mkdtemp(name);
  }
  ~TempDir() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }
  std::size_t entries() const {
    return std::size_t(std::distance(fs::directory_iterator(path_), fs::directory_iterator()));
  }

 private:
  fs::path path_;
};

constexpr int kW = 324, kH = 254;  // the display bitmap's size

TEST(EncodeBmp24, DisplayBitmapHeaderAndBottomUpRows) {
  std::vector<uint32_t> b(kW * kH, 0);
  b[0] = 0x00332211;            // top-left: B 0x33, G 0x22, R 0x11
  b[kW * kH - 1] = 0x00ABCDEF;  // bottom-right
  const std::vector<uint8_t> bytes = EncodeBmp24(kW, kH, b.data());
  ASSERT_EQ(bytes.size(), 246942u);  // 54 + 972 x 254; 972 is already a multiple of 4
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(le32(bytes, 2), 246942u);
  EXPECT_EQ(le32(bytes, 10), 54u);
  EXPECT_EQ(le32(bytes, 14), 40u);
  EXPECT_EQ(le32(bytes, 18), 324u);
  EXPECT_EQ(le32(bytes, 22), 254u);
  EXPECT_EQ(bytes[26], 1);
  EXPECT_EQ(bytes[28], 24);
  EXPECT_EQ(le32(bytes, 30), 0u);
  EXPECT_EQ(le32(bytes, 34), 246888u);
  // The bottom row comes first.
  EXPECT_EQ(bytes[54 + 323 * 3], 0xAB);
  EXPECT_EQ(bytes[54 + 323 * 3 + 1], 0xCD);
  EXPECT_EQ(bytes[54 + 323 * 3 + 2], 0xEF);
  const std::size_t top = 54 + 253 * 972;
  EXPECT_EQ(bytes[top], 0x33);
  EXPECT_EQ(bytes[top + 1], 0x22);
  EXPECT_EQ(bytes[top + 2], 0x11);
}

TEST(EncodeBmp24, RowsArePaddedToFourBytes) {
  const uint32_t pixels[] = {0x010203, 0x040506, 0x070809,   // top row
                             0x0A0B0C, 0x0D0E0F, 0x101112};  // bottom row
  const std::vector<uint8_t> bytes = EncodeBmp24(3, 2, pixels);
  ASSERT_EQ(bytes.size(), 54u + 2 * 12);
  const std::vector<uint8_t> image(bytes.begin() + 54, bytes.end());
  EXPECT_EQ(image,
            (std::vector<uint8_t>{0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12, 0, 0, 0,
                                  0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0, 0, 0}));
  EXPECT_TRUE(EncodeBmp24(0, 2, pixels).empty());
  EXPECT_TRUE(EncodeBmp24(3, 2, nullptr).empty());
}

TEST(WriteBmpFile, ReplacesTheTargetWhole) {
  TempDir dir;
  const fs::path target = dir.path() / "Capture.BMP";
  { std::ofstream(target) << "old"; }
  std::vector<uint32_t> b(kW * kH, 0x777777);
  const FileStatus result = writeBmpFile(target.string(), kW, kH, b.data());
  ASSERT_TRUE(result.ok) << result.message;
  EXPECT_EQ(readFile(target), EncodeBmp24(kW, kH, b.data()));
  EXPECT_EQ(dir.entries(), 1u);  // no partial file left beside it
}

TEST(WriteBmpFile, FailureLeavesTheOldFileAndNoPartialFile) {
  TempDir dir;
  const std::vector<uint32_t> black(kW * kH, 0);
  // The target is a folder with content: the rename fails after the data were written.
  const fs::path target = dir.path() / "shot.bmp";
  fs::create_directory(target);
  { std::ofstream(target / "keep.txt") << "good"; }
  FileStatus result = writeBmpFile(target.string(), kW, kH, black.data());
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.message.find(target.string()), std::string::npos) << result.message;
  EXPECT_EQ(readFile(target / "keep.txt"), (std::vector<uint8_t>{'g', 'o', 'o', 'd'}));
  EXPECT_EQ(dir.entries(), 1u);

  result = writeBmpFile((dir.path() / "missing" / "x.bmp").string(), kW, kH, black.data());
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.message.find("No such file or directory"), std::string::npos);
  EXPECT_FALSE(writeBmpFile("", kW, kH, black.data()).ok);
  EXPECT_FALSE(writeBmpFile((dir.path() / "empty.bmp").string(), 0, 0, black.data()).ok);
}

}  // namespace
}  // namespace corvane
