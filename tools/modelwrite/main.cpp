// modelwrite DESCRIPTION OUTPUT: writes a small model file ("L3DO", stored scrambled as the
// games store them) from a readable description, one item a line ('#' starts a comment):
//
//   square X0 Z0 X1 Z1 Y [down]   a flat square at height Y, facing up (or down: a ceiling)
//   wall X Z0 Z1 Y0 Y1            a wall at x = X from z = Z0 to Z1, y = Y0 to Y1, facing +x
//   colour AARRGGBB               the colour of the faces that follow (hexadecimal)
//   anim NAME                     an animation that holds the model still
//   sphere TYPE X Y Z R           a collision group of that type (3: damage, 4: attack, ...)
//                                 with one sphere of radius R centred at (X, Y, Z)
//
// The faces become one material of the part "body" (bone "root"), which the field engine also
// reads as collision triangles. A missing or unreadable input gives exit code 1, a line that
// cannot be read exit code 2 with one line naming it; the output is written to a temporary file
// and renamed into place.

#include "testsupport/ModelFileBuilder.h"

#include "../common/ReadInput.h"
#include "../common/ReplaceFile.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Builder {
  modelfile::Material material;
  std::vector<uint32_t> colours{0xFFFFFFFFu};
  uint32_t colour = 0;
  std::vector<std::string> anims;
  std::vector<modelfile::Coll> colls;

  void quad(const std::vector<std::vector<float>>& corners, bool flip) {
    const uint32_t first = uint32_t(material.points.size());
    for (const auto& c : corners) {
      material.points.push_back(c);
      material.corners.push_back({uint32_t(material.points.size() - 1), 0, colour, 0});
    }
    const std::vector<uint32_t> order = flip ? std::vector<uint32_t>{0, 2, 1, 0, 3, 2}
                                             : std::vector<uint32_t>{0, 1, 2, 0, 2, 3};
    for (uint32_t i : order) material.indices.push_back(first + i);
  }

  modelfile::Model model() const {
    modelfile::Model m;
    modelfile::Part p = modelfile::partWithBones("body", {modelfile::bone("root")});
    p.colours = colours;
    p.uvs = {{0.0f, 0.0f}};
    modelfile::Material mat = material;
    mat.name = "mat";
    mat.normals = {{0, 1, 0}};
    mat.primitiveCount = uint32_t(mat.indices.size() / 3);
    p.materials = {mat};
    m.parts = {p};
    m.colls = colls;
    modelfile::Group g;
    g.name = "body";
    g.entries.resize(1);
    g.entries[0].part = 1;
    m.groups = {g};
    for (const std::string& name : anims) {
      modelfile::Anim a;
      a.name = name;
      a.group = 1;
      a.endFrame = 1;
      // The part's root and its one bone, each held by one key.
      for (uint32_t bone = 0; bone < 2; ++bone) {
        modelfile::Motion motion;
        motion.part = 1;
        motion.bone = bone;
        motion.keys.resize(1);
        a.motions.push_back(motion);
      }
      m.anims.push_back(a);
    }
    return m;
  }
};

float number(std::istringstream& in) {
  float v = 0;
  if (!(in >> v)) throw std::runtime_error("a number is missing");
  return v;
}

void readLine(Builder& b, const std::string& line) {
  std::istringstream in(line);
  std::string item;
  if (!(in >> item) || item[0] == '#') return;
  if (item == "square") {
    const float x0 = number(in), z0 = number(in), x1 = number(in), z1 = number(in), y = number(in);
    std::string down;
    in >> down;
    if (!down.empty() && down != "down") throw std::runtime_error("unknown word " + down);
    b.quad({{x0, y, z0}, {x0, y, z1}, {x1, y, z1}, {x1, y, z0}}, down == "down");
  } else if (item == "wall") {
    const float x = number(in), z0 = number(in), z1 = number(in), y0 = number(in), y1 = number(in);
    b.quad({{x, y0, z0}, {x, y1, z0}, {x, y1, z1}, {x, y0, z1}}, false);
  } else if (item == "colour") {
    std::string hex;
    in >> hex;
    size_t used = 0;
    const unsigned long v = hex.empty() ? 0 : std::stoul(hex, &used, 16);
    if (hex.empty() || used != hex.size()) throw std::runtime_error("bad colour");
    b.colour = uint32_t(b.colours.size());
    b.colours.push_back(uint32_t(v));
  } else if (item == "anim") {
    std::string name;
    if (!(in >> name)) throw std::runtime_error("the animation has no name");
    b.anims.push_back(name);
  } else if (item == "sphere") {
    const float type = number(in);
    if (type < 0 || type != float(uint32_t(type))) throw std::runtime_error("bad sphere type");
    modelfile::Coll c;
    c.name = "coll" + std::to_string(b.colls.size());
    c.type = uint32_t(type);
    c.flags = 1;
    modelfile::Sphere sphere;
    // On the part's one bone, which the animations hold at the model's origin.
    sphere.part = 1;
    sphere.bone = 1;
    sphere.centre = {number(in), number(in), number(in)};
    sphere.radius = number(in);
    if (!(sphere.radius > 0)) throw std::runtime_error("the sphere's radius is not positive");
    c.spheres = {sphere};
    b.colls.push_back(c);
  } else {
    throw std::runtime_error("unknown item " + item);
  }
  std::string rest;
  if (in >> rest && rest[0] != '#') throw std::runtime_error("unexpected " + rest);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: modelwrite DESCRIPTION OUTPUT\n");
    return 2;
  }
  std::string text;
  if (!tools::readInputFile("modelwrite", argv[1], text)) return 1;
  Builder builder;
  std::istringstream lines(text);
  std::string line;
  for (int n = 1; std::getline(lines, line); ++n) {
    try {
      readLine(builder, line);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "modelwrite: %s:%d: %s\n", argv[1], n, e.what());
      return 2;
    }
  }
  if (builder.material.indices.empty()) {
    std::fprintf(stderr, "modelwrite: %s: no faces\n", argv[1]);
    return 2;
  }
  const std::vector<uint8_t> bytes = modelfile::scrambled(modelfile::write(builder.model()));
  return tools::replaceFile("modelwrite", argv[2], bytes.data(), bytes.size()) ? 0 : 1;
}
