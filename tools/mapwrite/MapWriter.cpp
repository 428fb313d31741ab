#include "tools/mapwrite/MapWriter.h"

#include "engines/vell/CollTriangle.h"
#include "foundation/bytes/ByteWriter.h"
#include "foundation/math/DetMath.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <stdexcept>
#include <tuple>

namespace mapwrite {

namespace {

using vell::MapFileData;
using vell::MapFileTriangle;

void point(ByteWriter& w, const FixedVec3& p) { w.i32be(p.x).i32be(p.y).i32be(p.z); }

void string(ByteWriter& w, const std::u16string& s) {
  w.u32be(static_cast<uint32_t>(s.size()));
  for (char16_t c : s) w.u16be(static_cast<uint16_t>(c));
}

FixedVec3 fixed(const float v[3]) { return vec3ToFixed(v[0], v[1], v[2]); }

using Vertex = std::tuple<int32_t, int32_t, int32_t>;
Vertex key(const FixedVec3& p) { return {p.x, p.y, p.z}; }

int32_t slopeOf(const MapFileTriangle& t) {
  const float a[3] = {fixedToFloat(t.p[1].x - t.p[0].x), fixedToFloat(t.p[1].y - t.p[0].y),
                      fixedToFloat(t.p[1].z - t.p[0].z)};
  const float b[3] = {fixedToFloat(t.p[2].x - t.p[1].x), fixedToFloat(t.p[2].y - t.p[1].y),
                      fixedToFloat(t.p[2].z - t.p[1].z)};
  const float n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                      a[0] * b[1] - a[1] * b[0]};
  const float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!(len > 0.0f)) return 0;
  const float c = std::clamp(n[1] / len, -1.0f, 1.0f);
  return floatToFixed(detmath::acos(c));
}

void linkSet(std::vector<MapFileTriangle>& set) {
  std::map<std::pair<Vertex, Vertex>, std::vector<uint32_t>> edges;
  std::map<Vertex, std::vector<uint32_t>> corners;
  for (uint32_t i = 0; i < set.size(); ++i) {
    for (int e = 0; e < 3; ++e) {
      Vertex a = key(set[i].p[e]);
      Vertex b = key(set[i].p[(e + 1) % 3]);
      if (b < a) std::swap(a, b);
      edges[{a, b}].push_back(i);
      corners[key(set[i].p[e])].push_back(i);
    }
  }
  for (uint32_t i = 0; i < set.size(); ++i) {
    MapFileTriangle& t = set[i];
    t.slope = slopeOf(t);
    for (int e = 0; e < 3; ++e) {
      Vertex a = key(t.p[e]);
      Vertex b = key(t.p[(e + 1) % 3]);
      if (b < a) std::swap(a, b);
      t.link[e] = vell::kNoLink;
      for (uint32_t other : edges[{a, b}]) {
        if (other != i) {
          t.link[e] = static_cast<int32_t>(other);
          break;
        }
      }
      t.corner[e].clear();
      for (uint32_t other : corners[key(t.p[e])]) {
        if (other != i && t.corner[e].size() < 12) t.corner[e].push_back(other);
      }
    }
  }
}

int setOf(const std::string& word, int line) {
  if (word == "land") return vell::kSetLand;
  if (word == "wall") return vell::kSetWall;
  if (word == "ceiling") return vell::kSetCeiling;
  throw std::runtime_error("line " + std::to_string(line) + ": unknown set \"" + word + "\"");
}

uint32_t treeKind(const std::string& word) {
  if (word == "quad") return 0;
  if (word == "oct") return 1;
  return static_cast<uint32_t>(std::stoul(word));
}

// UTF-8 text of the description to UTF-16 units (characters of the basic plane only).
std::u16string widen(const std::string& s) {
  std::u16string out;
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size()) {
      throw std::runtime_error("text is not UTF-8 of the basic plane");
    }
    uint32_t code = extra == 0 ? c : extra == 1 ? (c & 0x1Fu) : (c & 0x0Fu);
    for (int k = 1; k <= extra; ++k) {
      code = (code << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3Fu);
    }
    out.push_back(static_cast<char16_t>(code));
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

}  // namespace

std::vector<uint8_t> writeMapData(const MapFileData& map) {
  ByteWriter w;
  w.u32be(vell::kMapMagic).u32be(vell::kMapVersion);
  w.u32be(map.meshKind).u32be(map.meshDepth).u32be(map.spaceKind).u32be(map.spaceDepth);
  w.u32be(static_cast<uint32_t>(map.events.size()));
  for (const vell::MapEvent& e : map.events) {
    w.i32be(e.no).i32be(e.type).u32be(static_cast<uint32_t>(e.options.size()));
    for (const std::u16string& o : e.options) string(w, o);
  }
  w.u32be(static_cast<uint32_t>(map.groups.size()));
  for (const vell::MapFileGroup& g : map.groups) {
    string(w, g.name);
    w.u32be(g.flags).u32be(static_cast<uint32_t>(g.events.size()));
    for (uint32_t index : g.events) w.u32be(index);
  }
  for (const std::vector<MapFileTriangle>& set : map.sets) {
    w.u32be(static_cast<uint32_t>(set.size()));
    for (const MapFileTriangle& t : set) {
      for (const FixedVec3& p : t.p) point(w, p);
      w.i32be(t.slope);
      for (int32_t link : t.link) w.i32be(link);
      for (const std::vector<uint32_t>& corner : t.corner) {
        w.u32be(static_cast<uint32_t>(corner.size()));
        for (uint32_t index : corner) w.u32be(index);
      }
      w.u32be(t.groupNumber).u32be(t.groupIndex);
    }
  }
  point(w, map.boundsMin);
  point(w, map.boundsMax);
  return w.release();
}

void MapBuilder::triangle(int set, const float a[3], const float b[3], const float c[3]) {
  MapFileTriangle t;
  t.p[0] = fixed(a);
  t.p[1] = fixed(b);
  t.p[2] = fixed(c);
  t.groupIndex = groupIndex_;
  t.groupNumber = groupNumber_;
  map_.sets[set].push_back(t);
}

void MapBuilder::quad(int set, const float a[3], const float b[3], const float c[3],
                      const float d[3], const float facing[3]) {
  const float e0[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
  const float e1[3] = {c[0] - b[0], c[1] - b[1], c[2] - b[2]};
  const float n[3] = {e0[1] * e1[2] - e0[2] * e1[1], e0[2] * e1[0] - e0[0] * e1[2],
                      e0[0] * e1[1] - e0[1] * e1[0]};
  if (n[0] * facing[0] + n[1] * facing[1] + n[2] * facing[2] >= 0.0f) {
    triangle(set, a, b, c);
    triangle(set, a, c, d);
  } else {
    triangle(set, a, c, b);
    triangle(set, a, d, c);
  }
}

void MapBuilder::grid(float x0, float z0, float x1, float z1, float y, int cells) {
  const float up[3] = {0, 1, 0};
  const float dx = (x1 - x0) / static_cast<float>(cells);
  const float dz = (z1 - z0) / static_cast<float>(cells);
  for (int i = 0; i < cells; ++i) {
    for (int j = 0; j < cells; ++j) {
      const float xa = x0 + dx * static_cast<float>(i);
      const float xb = i + 1 == cells ? x1 : xa + dx;
      const float za = z0 + dz * static_cast<float>(j);
      const float zb = j + 1 == cells ? z1 : za + dz;
      const float a[3] = {xa, y, za}, b[3] = {xb, y, za}, c[3] = {xb, y, zb}, d[3] = {xa, y, zb};
      quad(vell::kSetLand, a, b, c, d, up);
    }
  }
}

void MapBuilder::ramp(float degrees, float x0, float z0, float x1, float z1, float y0) {
  const float rise = (x1 - x0) * detmath::tan(degrees * 0.017453292f);
  const float up[3] = {0, 1, 0};
  const float a[3] = {x0, y0, z0}, b[3] = {x1, y0 + rise, z0}, c[3] = {x1, y0 + rise, z1},
              d[3] = {x0, y0, z1};
  quad(vell::kSetLand, a, b, c, d, up);
}

void MapBuilder::room(float x0, float z0, float x1, float z1, float y0, float y1) {
  const float px[3] = {1, 0, 0}, nx[3] = {-1, 0, 0}, pz[3] = {0, 0, 1}, nz[3] = {0, 0, -1};
  {
    const float a[3] = {x0, y0, z0}, b[3] = {x0, y0, z1}, c[3] = {x0, y1, z1}, d[3] = {x0, y1, z0};
    quad(vell::kSetWall, a, b, c, d, px);
  }
  {
    const float a[3] = {x1, y0, z0}, b[3] = {x1, y0, z1}, c[3] = {x1, y1, z1}, d[3] = {x1, y1, z0};
    quad(vell::kSetWall, a, b, c, d, nx);
  }
  {
    const float a[3] = {x0, y0, z0}, b[3] = {x1, y0, z0}, c[3] = {x1, y1, z0}, d[3] = {x0, y1, z0};
    quad(vell::kSetWall, a, b, c, d, pz);
  }
  {
    const float a[3] = {x0, y0, z1}, b[3] = {x1, y0, z1}, c[3] = {x1, y1, z1}, d[3] = {x0, y1, z1};
    quad(vell::kSetWall, a, b, c, d, nz);
  }
}

void MapBuilder::ceiling(float x0, float z0, float x1, float z1, float y) {
  const float down[3] = {0, -1, 0};
  const float a[3] = {x0, y, z0}, b[3] = {x1, y, z0}, c[3] = {x1, y, z1}, d[3] = {x0, y, z1};
  quad(vell::kSetCeiling, a, b, c, d, down);
}

MapFileData MapBuilder::finish() {
  MapFileData out = map_;
  bool any = false;
  FixedVec3 lo{}, hi{};
  for (std::vector<MapFileTriangle>& set : out.sets) {
    linkSet(set);
    for (const MapFileTriangle& t : set) {
      for (const FixedVec3& p : t.p) {
        if (!any) {
          lo = hi = p;
          any = true;
        }
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
      }
    }
  }
  if (!bounds_) {
    out.boundsMin = lo;
    out.boundsMax = hi;
  }
  return out;
}

MapFileData mapFromDescription(std::string_view text) {
  MapBuilder builder;
  MapFileData& map = builder.data();
  map.meshKind = 0;
  map.meshDepth = 10;
  map.spaceKind = 0;
  map.spaceDepth = 10;
  std::istringstream lines{std::string(text)};
  std::string raw;
  int lineNo = 0;
  while (std::getline(lines, raw)) {
    ++lineNo;
    raw = raw.substr(0, raw.find('#'));
    std::istringstream in(raw);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    if (words.empty()) continue;
    const auto fail = [&](const std::string& what) {
      throw std::runtime_error("line " + std::to_string(lineNo) + ": " + what);
    };
    // A trailing "group <index> <number>" applies to this line's triangles only.
    builder.setGroup(0, 0);
    if (words.size() >= 3 && words[words.size() - 3] == "group" && words[0] != "group") {
      builder.setGroup(static_cast<uint32_t>(std::stoul(words[words.size() - 2])),
                       static_cast<uint32_t>(std::stoul(words.back())));
      words.resize(words.size() - 3);
    }
    const std::string& op = words[0];
    std::vector<float> f;
    const auto numbers = [&](std::size_t from, std::size_t count) {
      if (words.size() != from + count) fail("\"" + op + "\" takes " + std::to_string(count) +
                                             " values");
      f.clear();
      for (std::size_t i = from; i < words.size(); ++i) f.push_back(std::stof(words[i]));
    };
    try {
      if (op == "mesh" || op == "space") {
        if (words.size() != 3) fail("\"" + op + "\" takes a kind and a depth");
        const uint32_t kind = treeKind(words[1]);
        const uint32_t depth = static_cast<uint32_t>(std::stoul(words[2]));
        (op == "mesh" ? map.meshKind : map.spaceKind) = kind;
        (op == "mesh" ? map.meshDepth : map.spaceDepth) = depth;
      } else if (op == "event") {
        if (words.size() < 3) fail("\"event\" takes a number and a type");
        vell::MapEvent e;
        e.no = std::stoi(words[1]);
        e.type = std::stoi(words[2]);
        for (std::size_t i = 3; i < words.size(); ++i) e.options.push_back(widen(words[i]));
        map.events.push_back(e);
      } else if (op == "group") {
        if (words.size() < 3) fail("\"group\" takes a name and flags");
        vell::MapFileGroup g;
        g.name = widen(words[1]);
        g.flags = static_cast<uint32_t>(std::stoul(words[2], nullptr, 0));
        for (std::size_t i = 3; i < words.size(); ++i) {
          g.events.push_back(static_cast<uint32_t>(std::stoul(words[i])));
        }
        map.groups.push_back(g);
      } else if (op == "tri") {
        if (words.size() != 11) fail("\"tri\" takes a set and nine values");
        const int set = setOf(words[1], lineNo);
        numbers(2, 9);
        builder.triangle(set, &f[0], &f[3], &f[6]);
      } else if (op == "grid") {
        numbers(1, 6);
        builder.grid(f[0], f[1], f[2], f[3], f[4], static_cast<int>(f[5]));
      } else if (op == "ramp") {
        numbers(1, 6);
        builder.ramp(f[0], f[1], f[2], f[3], f[4], f[5]);
      } else if (op == "room") {
        numbers(1, 6);
        builder.room(f[0], f[1], f[2], f[3], f[4], f[5]);
      } else if (op == "ceiling") {
        numbers(1, 5);
        builder.ceiling(f[0], f[1], f[2], f[3], f[4]);
      } else if (op == "bounds") {
        numbers(1, 6);
        builder.setBounds(vec3ToFixed(f[0], f[1], f[2]), vec3ToFixed(f[3], f[4], f[5]));
      } else {
        fail("unknown item \"" + op + "\"");
      }
    } catch (const std::invalid_argument&) {
      fail("not a number");
    } catch (const std::out_of_range&) {
      fail("number out of range");
    }
  }
  return builder.finish();
}

}  // namespace mapwrite
