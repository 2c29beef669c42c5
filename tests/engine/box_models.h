// Models of free boxes on a floor, written as model files: the resting tests and the contact benchmarks
// build their scenes from them.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/number_text.h"

namespace zentrova::test {

// A floor 40 m wide with its top at y = 0 and boxes of one size, each with x, y, Rz as generalized
// coordinates, written as model files.
struct Boxes {
  struct Box {
    long double x = 0, y = 0, rz = 0, vx = 0, vy = 0, w = 0;
  };
  long double width = 0.2L, height = 0.1L, mass = 1, friction = 0.3L, restitution = 0.5L, gravity = 9.81L;
  std::string main;  // more keys of the world's [Main]
  std::vector<Box> boxes;
  // One contact-properties section per pair of bodies instead of one per body: a box and the floor let
  // only the floor resist penetration (resistingPenetration=F:T), two boxes keep the default.
  bool pair_sections = false;

  std::string Name(std::size_t i) const { return "Box" + std::to_string(i + 1); }

  // The model's files, name and text.
  std::vector<std::pair<std::string, std::string>> Files() const {
    std::vector<std::pair<std::string, std::string>> files;
    const auto write = [&](const std::string& name, const std::string& text) { files.emplace_back(name, text); };
    const auto num = [](long double v) { return FloatToTextRoundTrip(v, '.'); };
    const std::size_t n = boxes.size();
    std::string wld = "[Main]\nnumberOfGeneralizedCoodinates=" + std::to_string(3 * n) + "\n" + main +
                      "\n[Bodies]\nBody1=floor.bdy\n";
    std::string gc, mmx, hv, me, cop;
    const std::string coefficients = "friction=" + num(friction) + "\nrestitutionNormal=" + num(restitution) +
                                     (pair_sections ? "\nrestitutionTangent=0\nparameterNi=0\n" : "\n");
    if (!pair_sections) cop = "[Floor:all]\n" + coefficients;
    const long double a = width / 2, b = height / 2;
    write("box.exs", "points =5\n%%data\n" + num(-a) + " " + num(a) + " " + num(a) + " " + num(-a) +
                                    " " + num(-a) + "\n" + num(-b) + " " + num(-b) + " " + num(b) + " " +
                                    num(b) + " " + num(-b) + "\n%%enddata\n");
    write("floor.exs", "points =5\n%%data\n-20 20 20 -20 -20\n-1 -1 0 0 -1\n%%enddata\n");
    write("floor.bdy", "[Main]\nname=Floor\nshapeType=extrusionsolid\nshapeFile=floor.exs\n"
                                  "density=1000\nthickness=0.2\ncorrectOrigin=0\n");
    for (std::size_t i = 0; i < n; ++i) {
      const Box& box = boxes[i];
      const std::string name = Name(i), key = "b`" + name + "`";
      wld += "Body" + std::to_string(i + 2) + "=" + name + ".bdy\n";
      write(name + ".bdy", "[Main]\nname=" + name +
                                          "\nshapeType=extrusionsolid\nshapeFile=box.exs\ndensity=1000\n"
                                          "thickness=0.05\n[Mass properties]\nmass=" + num(mass) +
                                          "\ninertiaZZ=" + num(mass * (width * width + height * height) / 12) +
                                          "\n[startPosition]\nx=" + num(box.x) + "\ny=" + num(box.y) +
                                          "\nRz=" + num(box.rz) + "\n[startVelocity]\nx=" + num(box.vx) +
                                          "\ny=" + num(box.vy) + "\nRz=" + num(box.w) + "\n");
      for (const char* c : {"x", "y", "Rz"}) gc += key + c + "[t]\n";
      for (std::size_t r = 0; r < 3; ++r) {
        for (std::size_t col = 0; col < 3 * n; ++col) {
          const bool diagonal = col == 3 * i + r;
          mmx += std::string(col > 0 ? "   " : "") + (diagonal ? key + (r == 2 ? "Jzz" : "m") : "0");
        }
        mmx += "\n";
      }
      hv += "0\n-" + key + "m g\n0\n";
      me += std::string(i > 0 ? " + " : "") + key + "m (" + key + "x'[t]^2 + " + key + "y'[t]^2)/2 + " + key +
            "Jzz " + key + "Rz'[t]^2/2 + " + key + "m g " + key + "y[t]";
      if (pair_sections) {
        cop += "[" + name + "-Floor]\nresistingPenetration=F:T\n" + coefficients;
        for (std::size_t j = i + 1; j < n; ++j) cop += "[" + name + "-" + Name(j) + "]\n" + coefficients;
      } else {
        cop += "[" + name + ":all]\n" + coefficients;
      }
    }
    write("boxes.wld", wld);
    write("boxes.gc", gc);
    write("boxes.mmx", mmx);
    write("boxes.hv", hv);
    write("boxes.me", me + "\n");
    write("boxes.cns", "g = " + num(gravity) + "\n");
    write("boxes.dc", "Free boxes: no dependent coordinates.\n%%%new%%%\n\n%%definition\n");
    write("boxes.cop", cop);
    return files;
  }
};

// Boxes dropped onto the floor in rows, with every gap `drop` m: the lowest row's bottom `drop` above the
// floor, each row's bottom `drop` above the top of the row below. Row r (0 the lowest) holds rows[r]
// boxes side by side, centred on x = 0 and `spacing` widths apart from centre to centre; rows of one box
// are a stack, each box exactly above the one below it. The world is the caller's (`model.main`).
struct DroppedBoxes {
  Boxes model;
  // Where each box's centre stands once the rows have landed on each other: half a height above the
  // floor, and a height more per row below it.
  std::vector<long double> rest_y;
};

inline DroppedBoxes DropRows(const std::vector<int>& rows, long double width, long double height, long double drop,
                             long double spacing = 1.1L) {
  DroppedBoxes dropped;
  dropped.model.width = width;
  dropped.model.height = height;
  for (std::size_t row = 0; row < rows.size(); ++row) {
    const auto r = static_cast<long double>(row);
    for (int i = 0; i < rows[row]; ++i) {
      const long double x = spacing * width * (i - (rows[row] - 1) / 2.0L);
      dropped.model.boxes.push_back({x, height / 2 + drop + r * (height + drop), 0, 0, 0, 0});
      dropped.rest_y.push_back(height / 2 + r * height);
    }
  }
  return dropped;
}

// An aligned stack of `count` boxes.
inline DroppedBoxes DropStack(int count, long double width, long double height, long double drop) {
  return DropRows(std::vector<int>(static_cast<std::size_t>(count), 1), width, height, drop);
}

// A tall stack of `count` flat 0.2 m x 0.1 m boxes of 1 kg dropped onto the floor, as a user builds one:
// the lowest 2 cm above the floor, each 2 cm above the one below it and 1 cm to the right of it, every
// third back above the lowest; one contact-properties section per pair, restitution 0.5, friction 0.3.
inline DroppedBoxes TallStack(int count, const std::string& break_time) {
  DroppedBoxes dropped;
  Boxes& model = dropped.model;
  model.pair_sections = true;
  model.main =
      "maximumTimestep=2e-3\nminimumTimestep=1e-9\nmaximumPenetration=1e-3\nZeroVelocityTolerance=1e-12\n"
      "TryToSolveByGoingBack=1\nwriteToHistoryMultipleOfMaximumTimestep=10\nbreakTime=" +
      break_time;
  for (int i = 0; i < count; ++i) {
    model.boxes.push_back({0.01L * (i % 3), 0.07L + 0.12L * i, 0, 0, 0, 0});
    dropped.rest_y.push_back(0.05L + 0.1L * i);
  }
  return dropped;
}

}  // namespace zentrova::test
