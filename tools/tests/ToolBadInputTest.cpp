// Every command-line tool that reads input files, run as a process on input it cannot use: a
// missing path, a directory, a file whose read fails, an empty file, a cut file and garbage. Each
// must end with a non-zero exit code and one line that names the file and says what is wrong,
// and must leave no output file behind.
//
// Kinds that are valid input for a tool have no row: any bytes (empty included) are an entry for
// dmfpack and a file to scramble for scramble, an empty file is an empty script for sq, and an
// empty entry list makes an empty archive.
//
// The tests run as root, for whom permission bits never make a file unreadable. /proc/self/mem
// stands in: it opens as a regular file, and reading it from offset 0 fails with EIO, because a
// process never maps its address 0.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

enum class Stream { Err, Out };

struct ToolRun {
  int exit = -1;
  std::string out;
  std::string err;
};

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// An MPEG-1 layer II frame, 48 kHz, 32 kbit/s, mono, no CRC: 96 bytes. With every allocation
// zero it is a frame of silence.
std::string silentLayer2Frame() {
  std::string frame(96, '\0');
  frame[0] = '\xFF';
  frame[1] = '\xFD';
  frame[2] = '\x14';
  frame[3] = '\xC0';
  return frame;
}

class ToolBadInput : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(TEST_BINARY_DIR) / "bad_input" /
           testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  // Runs a tool of bin/ with the arguments (paths without spaces or quotes).
  ToolRun run(const std::string& toolAndArguments) const {
    const std::string command = std::string(TEST_BIN_DIR) + "/" + toolAndArguments + " >" +
                                path("stdout") + " 2>" + path("stderr");
    const int status = std::system(command.c_str());
    ToolRun r;
    r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readText(dir_ / "stdout");
    r.err = readText(dir_ / "stderr");
    return r;
  }

  fs::path dir_;
};

TEST_F(ToolBadInput, EveryToolRefusesWithOneLineNamingTheFile) {
  const std::string d = dir_.string();
  const std::string mem = "/proc/self/mem";
  const std::string garbage("\x7F\x01 no tool reads this \x02\xC3\x28\xFE\xFF\x00\x13 #!", 30);

  writeBytes(dir_ / "empty.in", "");
  writeBytes(dir_ / "garbage.in", garbage);
  fs::create_directories(dir_ / "folder");
  writeBytes(dir_ / "folder" / "a.bin", "abc");
  writeBytes(dir_ / "a.bin", "abc");
  fs::create_directories(dir_ / "emptydir");
  fs::create_directories(dir_ / "baddir");
  fs::create_symlink(mem, dir_ / "baddir" / "mem");
  writeBytes(dir_ / "cut.lst", "a.bin\nfolder/a.b");

  // Good fixtures first, so that a cut one fails for being cut.
  const std::string frame = silentLayer2Frame();
  writeBytes(dir_ / "good.mp2", frame + frame + frame);
  writeBytes(dir_ / "first_cut.mp2", frame.substr(0, 60));
  writeBytes(dir_ / "third_cut.mp2", frame + frame + frame.substr(0, 40));
  const ToolRun decoded = run("mp3wav " + path("good.mp2") + " " + path("good.wav"));
  ASSERT_EQ(decoded.exit, 0) << decoded.err;
  EXPECT_EQ(decoded.out, "3 frames, 48000 Hz, 1 channel(s), 0 bytes skipped\n");

  writeBytes(dir_ / "good.nut", "function work() { return 1; }\nprint(\"loaded\");\n");
  ASSERT_EQ(run("sq -c -o " + path("good.cnut") + " " + path("good.nut")).exit, 0);
  const std::string compiled = readText(dir_ / "good.cnut");
  ASSERT_GT(compiled.size(), 40u);
  writeBytes(dir_ / "short.cnut", compiled.substr(0, compiled.size() / 2));
  for (const char* script : {"s_good", "s_empty", "s_garbage", "s_cut", "s_none"}) {
    fs::create_directories(dir_ / script);
  }
  writeBytes(dir_ / "s_good" / "main.cnut", compiled);
  writeBytes(dir_ / "s_empty" / "main.cnut", "");
  writeBytes(dir_ / "s_garbage" / "main.cnut", garbage);
  writeBytes(dir_ / "s_cut" / "main.cnut", compiled.substr(0, compiled.size() / 2));
  fs::create_directories(dir_ / "s_dir" / "main.cnut");
  const ToolRun script = run("scriptrun " + d + "/s_good");
  ASSERT_EQ(script.exit, 0) << script.err;
  EXPECT_EQ(script.out, "[] loaded\nframe 1: 1\n");

  ASSERT_EQ(run("archive " + path("good.dat") + " --dir " + path("s_good")).exit, 0);
  const std::string archive = readText(dir_ / "good.dat");
  writeBytes(dir_ / "short.dat", archive.substr(0, archive.size() - 10));
  EXPECT_EQ(run("scriptrun --archive " + path("good.dat") + " " + d + "/s_good").exit, 0);

  writeBytes(dir_ / "good.vsh", "vs_1_1\ndcl_position v0\nmov oPos, v0\n");
  writeBytes(dir_ / "cut.vsh", "vs_1_1\nmov oPos,");
  writeBytes(dir_ / "cut.txt", "u32 7\nhex 4");
  writeBytes(dir_ / "cut.map", "grid 0 0 4 4 0 2\nroom 0 0 4");
  writeBytes(dir_ / "cut.mdl", "square 0 0 1");

  struct Row {
    const char* what;
    std::string arguments;  // the tool and its arguments
    int exit;
    Stream stream;  // where the one line goes
    std::vector<std::string> says;  // what the line holds: the file, and the reason
    std::string output;  // what must not be written ("" when the tool writes nothing)
  };
  const std::string out = path("out.bin");
  const Row rows[] = {
      {"archive: missing list", "archive " + out + " --list " + path("missing.lst"), 1,
       Stream::Err, {path("missing.lst"), "No such file"}, out},
      {"archive: list is a directory", "archive " + out + " --list " + path("folder"), 1,
       Stream::Err, {path("folder"), "Is a directory"}, out},
      {"archive: unreadable list", "archive " + out + " --list " + mem, 1, Stream::Err,
       {mem, "Input/output error"}, out},
      {"archive: garbage list", "archive " + out + " --list " + path("garbage.in"), 1,
       Stream::Err, {path("garbage.in") + ":1: a NUL byte"}, out},
      {"archive: cut list", "archive " + out + " --list " + path("cut.lst"), 1, Stream::Err,
       {path("cut.lst") + ":2: cannot read " + d + "/folder/a.b:"}, out},
      {"archive: missing directory", "archive " + out + " --dir " + path("missing"), 1,
       Stream::Err, {path("missing"), "No such file"}, out},
      {"archive: directory is a file", "archive " + out + " --dir " + path("empty.in"), 1,
       Stream::Err, {path("empty.in"), "Not a directory"}, out},
      {"archive: empty directory", "archive " + out + " --dir " + path("emptydir"), 1,
       Stream::Err, {path("emptydir"), "no files"}, out},
      {"archive: unreadable file", "archive " + out + " --dir " + path("baddir"), 1, Stream::Err,
       {path("baddir/mem"), "Input/output error"}, out},

      {"dmfpack: missing file", "dmfpack " + out + " " + path("missing.in"), 1, Stream::Err,
       {path("missing.in"), "No such file"}, out},
      {"dmfpack: directory", "dmfpack " + out + " " + path("folder"), 1, Stream::Err,
       {path("folder"), "Is a directory"}, out},
      {"dmfpack: unreadable file", "dmfpack " + out + " x=" + mem, 1, Stream::Err,
       {mem, "Input/output error"}, out},

      {"mp3wav: missing file", "mp3wav " + path("missing.mp2") + " " + out, 1, Stream::Err,
       {path("missing.mp2"), "No such file"}, out},
      {"mp3wav: directory", "mp3wav " + path("folder") + " " + out, 1, Stream::Err,
       {path("folder"), "Is a directory"}, out},
      {"mp3wav: unreadable file", "mp3wav " + mem + " " + out, 1, Stream::Err,
       {mem, "Input/output error"}, out},
      {"mp3wav: empty file", "mp3wav " + path("empty.in") + " " + out, 1, Stream::Err,
       {path("empty.in"), "no MPEG audio frame"}, out},
      {"mp3wav: garbage", "mp3wav " + path("garbage.in") + " " + out, 1, Stream::Err,
       {path("garbage.in")}, out},
      {"mp3wav: cut in the first frame", "mp3wav " + path("first_cut.mp2") + " " + out, 1,
       Stream::Err, {path("first_cut.mp2"), "cut inside the frame at byte 0"}, out},
      {"mp3wav: cut in the third frame", "mp3wav " + path("third_cut.mp2") + " " + out, 1,
       Stream::Err, {path("third_cut.mp2"), "cut inside the frame at byte 192"}, out},

      {"scramble: missing file", "scramble " + path("missing.in") + " " + out, 1, Stream::Err,
       {path("missing.in"), "No such file"}, out},
      {"scramble: directory", "scramble -d " + path("folder") + " " + out, 1, Stream::Err,
       {path("folder"), "Is a directory"}, out},
      {"scramble: unreadable file", "scramble " + mem + " " + out, 1, Stream::Err,
       {mem, "Input/output error"}, out},
      {"scramble: garbage description", "scramble -d " + path("garbage.in") + " " + out, 2,
       Stream::Err, {path("garbage.in") + ":1: cannot read"}, out},
      {"scramble: cut description", "scramble -d " + path("cut.txt") + " " + out, 2,
       Stream::Err, {path("cut.txt") + ":2: cannot read"}, out},

      {"mapwrite: missing file", "mapwrite " + path("missing.in") + " " + out, 1, Stream::Err,
       {path("missing.in"), "No such file"}, out},
      {"mapwrite: directory", "mapwrite " + path("folder") + " " + out, 1, Stream::Err,
       {path("folder"), "Is a directory"}, out},
      {"mapwrite: unreadable file", "mapwrite " + mem + " " + out, 1, Stream::Err,
       {mem, "Input/output error"}, out},
      {"mapwrite: empty description", "mapwrite " + path("empty.in") + " " + out, 2,
       Stream::Err, {path("empty.in"), "empty description"}, out},
      {"mapwrite: garbage description", "mapwrite " + path("garbage.in") + " " + out, 2,
       Stream::Err, {path("garbage.in"), "line 1: unknown item"}, out},
      {"mapwrite: cut description", "mapwrite " + path("cut.map") + " " + out, 2, Stream::Err,
       {path("cut.map"), "line 2: \"room\" takes 6 values"}, out},

      {"modelwrite: missing file", "modelwrite " + path("missing.in") + " " + out, 1,
       Stream::Err, {path("missing.in"), "No such file"}, out},
      {"modelwrite: directory", "modelwrite " + path("folder") + " " + out, 1, Stream::Err,
       {path("folder"), "Is a directory"}, out},
      {"modelwrite: unreadable file", "modelwrite " + mem + " " + out, 1, Stream::Err,
       {mem, "Input/output error"}, out},
      {"modelwrite: empty description", "modelwrite " + path("empty.in") + " " + out, 2,
       Stream::Err, {path("empty.in"), "no faces"}, out},
      {"modelwrite: garbage description", "modelwrite " + path("garbage.in") + " " + out, 2,
       Stream::Err, {path("garbage.in") + ":1: unknown item"}, out},
      {"modelwrite: cut description", "modelwrite " + path("cut.mdl") + " " + out, 2,
       Stream::Err, {path("cut.mdl") + ":1: a number is missing"}, out},

      {"scriptrun: missing directory", "scriptrun " + d + "/missing", 2, Stream::Err,
       {d + "/missing/main.cnut", "no script"}, ""},
      {"scriptrun: directory without main", "scriptrun " + d + "/s_none", 2, Stream::Err,
       {d + "/s_none/main.cnut", "no script"}, ""},
      {"scriptrun: main is a directory", "scriptrun " + d + "/s_dir", 2, Stream::Err,
       {d + "/s_dir/main.cnut", "no script"}, ""},
      {"scriptrun: empty main", "scriptrun " + d + "/s_empty", 1, Stream::Err,
       {d + "/s_empty/main.cnut", "level-0"}, ""},
      {"scriptrun: garbage main", "scriptrun " + d + "/s_garbage", 1, Stream::Err,
       {d + "/s_garbage/main.cnut", "level-0"}, ""},
      {"scriptrun: cut main", "scriptrun " + d + "/s_cut", 1, Stream::Err,
       {d + "/s_cut/main.cnut", "level-0"}, ""},
      {"scriptrun: missing archive", "scriptrun --archive " + path("missing.dat") + " " + d, 2,
       Stream::Err, {path("missing.dat"), "No such file"}, ""},
      {"scriptrun: archive is a directory", "scriptrun --archive " + path("folder") + " " + d, 2,
       Stream::Err, {path("folder"), "Is a directory"}, ""},
      {"scriptrun: unreadable archive", "scriptrun --archive " + mem + " " + d, 2, Stream::Err,
       {mem}, ""},
      {"scriptrun: empty archive", "scriptrun --archive " + path("empty.in") + " " + d, 2,
       Stream::Err, {path("empty.in"), "not a readable archive"}, ""},
      {"scriptrun: garbage archive", "scriptrun --archive " + path("garbage.in") + " " + d, 2,
       Stream::Err, {path("garbage.in"), "not a readable archive"}, ""},
      {"scriptrun: cut archive", "scriptrun --archive " + path("short.dat") + " " + d, 2,
       Stream::Err, {path("short.dat"), "not a readable archive"}, ""},

      {"sq: missing file", "sq " + path("missing.nut"), 3, Stream::Err,
       {path("missing.nut"), "No such file"}, ""},
      {"sq: directory", "sq " + path("folder"), 3, Stream::Err,
       {path("folder"), "Is a directory"}, ""},
      {"sq: unreadable file", "sq -c -o " + out + " " + mem, 3, Stream::Err,
       {mem, "Input/output error"}, out},
      {"sq: garbage run", "sq " + path("garbage.in"), 3, Stream::Out,
       {"COMPILE ERROR: ", "(garbage.in line 1"}, ""},
      {"sq: garbage compiled", "sq -c -o " + out + " " + path("garbage.in"), 3, Stream::Err,
       {"COMPILE ERROR: ", "(garbage.in line 1"}, out},
      {"sq: cut compiled file", "sq " + path("short.cnut"), 3, Stream::Err,
       {path("short.cnut"), "io error"}, ""},

      {"vsasm: missing source", "vsasm " + path("missing.vsh") + " " + out, 1, Stream::Err,
       {path("missing.vsh"), "No such file"}, out},
      {"vsasm: directory", "vsasm --archive " + out + " a=" + path("folder"), 1, Stream::Err,
       {path("folder"), "Is a directory"}, out},
      {"vsasm: unreadable source", "vsasm " + mem + " " + out, 1, Stream::Err,
       {mem, "Input/output error"}, out},
      {"vsasm: empty source", "vsasm " + path("empty.in") + " " + out, 1, Stream::Err,
       {path("empty.in") + ":"}, out},
      {"vsasm: garbage source", "vsasm " + path("garbage.in") + " " + out, 1, Stream::Err,
       {path("garbage.in") + ":line 1"}, out},
      {"vsasm: cut source", "vsasm " + path("cut.vsh") + " " + out, 1, Stream::Err,
       {path("cut.vsh") + ":line 2"}, out},
      {"vsasm: names equal but for case",
       "vsasm --archive " + out + " Main=" + path("good.vsh") + " mAIN=" + path("good.vsh"), 2,
       Stream::Err, {"mAIN", "duplicate"}, out},
  };
  for (const Row& row : rows) {
    const ToolRun r = run(row.arguments);
    EXPECT_EQ(r.exit, row.exit) << row.what << "\n" << r.err << r.out;
    const std::string& line = row.stream == Stream::Err ? r.err : r.out;
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << row.what << ": " << line;
    EXPECT_TRUE(!line.empty() && line.back() == '\n') << row.what;
    for (const std::string& text : row.says) {
      EXPECT_NE(line.find(text), std::string::npos) << row.what << ": \"" << text << "\" not in " << line;
    }
    if (row.stream == Stream::Out) {
      EXPECT_EQ(r.err, "") << row.what;
    }
    if (!row.output.empty()) {
      EXPECT_FALSE(fs::exists(row.output)) << row.what;
      EXPECT_FALSE(fs::exists(row.output + ".tmp")) << row.what;
    }
  }
}

}  // namespace
