// Scans the project's sources for calls of the C library's transcendental functions. The
// simulation must take them from foundation/math/DetMath.h, whose results do not depend on the
// machine's libm; only the places listed below may call the C library, because what they
// compute never reaches the simulation (sound, pictures, the device stand-in's drawing) or is
// a test's own reference.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Folders and files (relative to the project root, '/'-separated) that may call the C library.
const std::vector<std::string> kAllowed = {
    "foundation/math/DetMath.cpp",  // the module itself
    // The base library's sine table, filled once at start-up from double-precision sines of
    // i * 2pi / 4096 (its test holds every entry to that value).
    "foundation/startup/Dmath.cpp",
    "platform/d3d9/",        // device stand-in: rasteriser, fog, shader interpreter
    "platform/dsound/",      // mixer volume curve
    "sound/mpeg/",           // MPEG decoder: table set-up, requantisation of large values
    "sound/DsndManager.cpp",  // volume to decibels
    "image/",                 // gamma tables, resampling filters
    "render/sprite/ombSpriteText.cpp",  // a text format's gamma table (drawing only)
    "bench/",
};

// Folders never scanned: build trees and version control.
const std::vector<std::string> kSkippedFolders = {"build", ".git"};

const std::set<std::string, std::less<>> kBanned = [] {
  std::set<std::string, std::less<>> names;
  for (const char* base : {"sin", "cos", "tan", "asin", "acos", "atan", "atan2", "sinh", "cosh",
                           "tanh", "asinh", "acosh", "atanh", "exp", "exp2", "expm1", "log",
                           "log2", "log10", "log1p", "pow", "cbrt", "hypot", "erf", "erfc",
                           "tgamma", "lgamma", "sincos"}) {
    names.insert(base);
    names.insert(std::string(base) + "f");
    names.insert(std::string(base) + "l");
  }
  return names;
}();

// Words after which a name followed by '(' is still a call, not a declaration.
const std::set<std::string, std::less<>> kCallKeywords = {"return", "case", "else", "throw",
                                                          "co_return", "do"};

bool isAllowed(const std::string& path) {
  if (path.find("/tests/") != std::string::npos) return true;  // reference values of tests
  return std::any_of(kAllowed.begin(), kAllowed.end(),
                     [&](const std::string& a) { return path.rfind(a, 0) == 0; });
}

// The source with comments, string and character literals blanked out (line ends kept).
std::string codeOnly(const std::string& text) {
  std::string out = text;
  size_t i = 0;
  while (i < out.size()) {
    if (out.compare(i, 2, "//") == 0) {
      while (i < out.size() && out[i] != '\n') out[i++] = ' ';
    } else if (out.compare(i, 2, "/*") == 0) {
      const size_t end = out.find("*/", i + 2);
      const size_t stop = end == std::string::npos ? out.size() : end + 2;
      for (; i < stop; ++i) {
        if (out[i] != '\n') out[i] = ' ';
      }
    } else if (out[i] == '"' || out[i] == '\'') {
      const char quote = out[i++];
      while (i < out.size() && out[i] != quote && out[i] != '\n') {
        if (out[i] == '\\' && i + 1 < out.size()) out[i++] = ' ';
        out[i++] = ' ';
      }
      ++i;
    } else {
      ++i;
    }
  }
  return out;
}

bool isWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The word that ends just before position end (after skipping spaces), and where it starts.
std::string_view wordBefore(std::string_view code, size_t end, size_t* start) {
  while (end > 0 && std::isspace(static_cast<unsigned char>(code[end - 1]))) --end;
  size_t begin = end;
  while (begin > 0 && isWordChar(code[begin - 1])) --begin;
  *start = begin;
  return code.substr(begin, end - begin);
}

struct Call {
  std::string file;
  int line;
  std::string name;
};

// Calls of banned names: unqualified, std:: or :: qualified; member calls (a.log(), p->log())
// and names of other namespaces (detmath::sin) are not the C library's, and a name preceded by
// a type is a declaration.
void findCalls(const std::string& file, const std::string& code, std::vector<Call>* calls) {
  const std::string_view view(code);
  size_t i = 0;
  while (i < view.size()) {
    if (!isWordChar(view[i]) || (i > 0 && isWordChar(view[i - 1]))) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < view.size() && isWordChar(view[end])) ++end;
    const std::string_view name = view.substr(i, end - i);
    size_t after = end;
    while (after < view.size() && std::isspace(static_cast<unsigned char>(view[after]))) ++after;
    if (kBanned.count(name) != 0 && after < view.size() && view[after] == '(') {
      size_t before = i;
      while (before > 0 && std::isspace(static_cast<unsigned char>(view[before - 1]))) --before;
      bool libraryCall = true;
      if (before > 0 && (view[before - 1] == '.' ||
                         (before > 1 && view.compare(before - 2, 2, "->") == 0))) {
        libraryCall = false;
      } else if (before > 1 && view.compare(before - 2, 2, "::") == 0) {
        size_t start = 0;
        const std::string_view qualifier = wordBefore(view, before - 2, &start);
        libraryCall = qualifier.empty() || qualifier == "std";
      } else {
        size_t start = 0;
        const std::string_view previous = wordBefore(view, i, &start);
        if (!previous.empty() && kCallKeywords.count(previous) == 0) libraryCall = false;
      }
      if (libraryCall) {
        const int line = 1 + static_cast<int>(std::count(view.begin(), view.begin() + i, '\n'));
        calls->push_back({file, line, std::string(name)});
      }
    }
    i = end;
  }
}

std::vector<Call> scan(const fs::path& root) {
  std::vector<Call> calls;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
       ++it) {
    const std::string name = it->path().filename().string();
    if (it->is_directory()) {
      if (it.depth() == 0 && std::find(kSkippedFolders.begin(), kSkippedFolders.end(), name) !=
                                 kSkippedFolders.end()) {
        it.disable_recursion_pending();
      }
      continue;
    }
    const std::string extension = it->path().extension().string();
    if (extension != ".cpp" && extension != ".h" && extension != ".c") continue;
    const std::string relative = fs::relative(it->path(), root).generic_string();
    if (isAllowed(relative)) continue;
    std::ifstream in(it->path(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    findCalls(relative, codeOnly(text.str()), &calls);
  }
  return calls;
}

}  // namespace

TEST(DetMathCallsTest, FindsLibraryCallsAndNothingElse) {
  struct Row {
    const char* code;
    bool found;
  };
  const Row rows[] = {
      {"x = std::sin(a);", true},
      {"x = sinf(a);", true},
      {"return atan2 (y, x);", true},
      {"x = ::pow(a, b);", true},
      {"x = detmath::sin(a);", false},
      {"log(\"DrawPrimitive\");", true},
      {"device.log(\"x\"); p->log(1);", false},
      {"void log(const char* name);", false},
      {"// std::cos(a) in a comment", false},
      {"text = \"sin(\";", false},
      {"x = sinus(a) + cosine;", false},
      {"x = std::sqrt(a) + std::fmod(a, b);", false},
  };
  for (const Row& r : rows) {
    std::vector<Call> calls;
    findCalls("t.cpp", codeOnly(r.code), &calls);
    EXPECT_EQ(!calls.empty(), r.found) << r.code;
  }
}

TEST(DetMathCallsTest, NoLibraryMathOutsideTheAllowedPlaces) {
  const fs::path root = fs::path(TEST_SOURCE_DIR).parent_path();
  ASSERT_TRUE(fs::exists(root / "foundation" / "math" / "DetMath.h")) << root;
  const std::vector<Call> calls = scan(root);
  for (const Call& c : calls) {
    ADD_FAILURE() << c.file << ":" << c.line << ": " << c.name
                  << "() of the C library; use foundation/math/DetMath.h (detmath::" << c.name << ")";
  }
}
