#include "storage/data_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

namespace corvane {
namespace {

namespace fs = std::filesystem;

class DataFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/corvane-storage-XXXXXX";
    dir = mkdtemp(tmpl);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string path(const std::string& name) const { return dir + "/" + name; }
  void writeRaw(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
  }
  std::string readRaw(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::string dir;
};

TEST_F(DataFileTest, RoundTripIsByteIdentical) {
  WaveformBlock b;
  for (std::size_t i = 0; i < kBlockSize; ++i) b.bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  ASSERT_TRUE(writeDataFile(path("run.DSO"), b));
  EXPECT_EQ(fs::file_size(path("run.DSO")), kBlockSize);
  ReadDataResult r = readDataFile(path("run.DSO"));
  ASSERT_TRUE(r.status) << r.status.message;
  EXPECT_EQ(r.block, b);
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 1);
}

TEST_F(DataFileTest, OnlyExactlyOneRecordIsVerified) {
  writeRaw("short.DSO", std::string(kBlockSize - 1, 'x'));
  writeRaw("long.DSO", std::string(kBlockSize + 1, 'x'));
  writeRaw("empty.DSO", "");
  for (const char* name : {"short.DSO", "long.DSO", "empty.DSO"}) {
    ReadDataResult r = readDataFile(path(name));
    EXPECT_FALSE(r.status) << name;
    EXPECT_TRUE(r.status.wrongSize);
    EXPECT_EQ(r.status.message, "Data isn't verified..");
  }
  writeRaw("any.DSO", std::string(kBlockSize, '\xff'));
  EXPECT_TRUE(readDataFile(path("any.DSO")).status);

  ReadDataResult missing = readDataFile(path("missing.DSO"));
  EXPECT_FALSE(missing.status);
  EXPECT_FALSE(missing.status.wrongSize);
  EXPECT_NE(missing.status.message.find("No such file"), std::string::npos);
  EXPECT_FALSE(readDataFile(dir).status);  // a directory is not a data file
}

TEST_F(DataFileTest, FailedWriteKeepsThePreviousFile) {
  WaveformBlock good;
  good.setTimeDivIndex(17);
  ASSERT_TRUE(writeDataFile(path("keep.DSO"), good));

  // A file-size limit makes the write fail half-way, as a full disk would (root included).
  struct rlimit old {};
  ::getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit small = old;
  small.rlim_cur = 4096;
  auto previous = ::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &small);
  WaveformBlock other;
  FileStatus s = writeDataFile(path("keep.DSO"), other);
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, previous);
  EXPECT_FALSE(s);
  EXPECT_NE(s.message.find("keep.DSO"), std::string::npos);
  EXPECT_EQ(readDataFile(path("keep.DSO")).block, good);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 1);

  // A target that cannot be replaced (a directory in its place) fails and is left alone.
  fs::create_directory(path("taken.DSO"));
  fs::create_directory(path("taken.DSO/inner"));
  EXPECT_FALSE(writeDataFile(path("taken.DSO"), good));
  EXPECT_TRUE(fs::is_directory(path("taken.DSO/inner")));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 2);
}

TEST(NotesFileName, ReplacesTheLastThreeCharacters) {
  EXPECT_EQ(notesFileName("/data/run.DSO"), "/data/run.TXT");
  EXPECT_EQ(notesFileName("/data/run.dso"), "/data/run.TXT");
  EXPECT_EQ(notesFileName("/data/run.data"), "/data/run.dTXT");
  EXPECT_EQ(notesFileName("ab"), "TXT");
}

TEST_F(DataFileTest, NotesAreWrittenWithCrLfAndReadWithAnyLineEnd) {
  ASSERT_TRUE(writeNotesFile(path("n.TXT"), {"first line", "", "third"}));
  EXPECT_EQ(readRaw("n.TXT"), "first line\r\n\r\nthird\r\n");
  ReadNotesResult r = readNotesFile(path("n.TXT"));
  ASSERT_TRUE(r.lines);
  EXPECT_EQ(*r.lines, (std::vector<std::string>{"first line", "", "third"}));

  ASSERT_TRUE(writeNotesFile(path("empty.TXT"), {}));
  EXPECT_EQ(readRaw("empty.TXT"), "");
  EXPECT_TRUE(readNotesFile(path("empty.TXT")).lines->empty());

  EXPECT_EQ(splitNotes("a\nb\rc\r\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  ReadNotesResult missing = readNotesFile(path("none.TXT"));
  EXPECT_TRUE(missing.status);
  EXPECT_FALSE(missing.lines);
}

TEST_F(DataFileTest, TemporaryPairAtExitAndStartUp) {
  EXPECT_EQ(readStartupRecord(dir).kind, StartupRecord::Kind::NoFile);
  WaveformBlock b;
  b.setLinkUsb(1);
  ASSERT_TRUE(writeExitRecord(dir, b, {"bench 3"}));
  StartupRecord s = readStartupRecord(dir);
  ASSERT_EQ(s.kind, StartupRecord::Kind::Loaded);
  EXPECT_EQ(s.block.LinkUsb(), 1);
  ASSERT_TRUE(s.notes);
  EXPECT_EQ(*s.notes, std::vector<std::string>{"bench 3"});

  writeRaw("OSCTEMP.DSO", "truncated");
  s = readStartupRecord(dir);
  EXPECT_EQ(s.kind, StartupRecord::Kind::Refused);
  EXPECT_EQ(s.message, "Data isn't verified..");
}

}  // namespace
}  // namespace corvane
