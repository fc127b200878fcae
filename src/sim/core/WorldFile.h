#pragma once

#include "sim/core/World.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace wayline::sim {

// World files: JSON, lengths in millimetres, angles in degrees counter-
// clockwise, x to the right and y up. Every key but "arena" may be left out.
//
//   {
//     "description": "any text",
//     "arena": {"width": 1800, "height": 1200},
//     "start": {"x": 300, "y": 600, "heading": 0},
//     "robot": {"leftServoCentre": 750, "rightServoCentre": 756},
//     "walls": [{"from": [1500, 600], "to": [1500, 1200], "thickness": 20}],
//     "obstacles": [
//       {"shape": "rectangle", "x": 1000, "y": 650, "width": 160, "height": 120, "angle": 25},
//       {"shape": "circle", "x": 700, "y": 250, "radius": 33}
//     ]
//   }
//
// Without "arena" the floor is open; without "start" the robot starts in the
// middle of the arena (or at 0, 0) facing along x. A servo centre is the
// pulse width in 2 µs units at which that servo stands still.

// Limits on what a world file may hold; beyond them it is refused.
inline constexpr std::size_t MaxWorldFileBytes = 1 << 20;
inline constexpr std::size_t MaxWorldItems = 1000; // walls, and obstacles
inline constexpr double MaxWorldCoordinate = 100000;
inline constexpr int MinServoCentre = 650;
inline constexpr int MaxServoCentre = 850;

struct TWorldFileResult {
    bool Loaded = false;
    // Why not, starting with where: "obstacles[2].radius: ..." or
    // "line 3, column 7: ..."; the caller puts the file name in front.
    std::string Error;
    TWorld World;
};

// Reads a world from the text of a world file.
TWorldFileResult ParseWorld(std::string_view text);
// Reads a world file; a file that cannot be read gives an error too.
TWorldFileResult ReadWorldFile(const std::filesystem::path& path);
// The world as the text of a world file (ParseWorld reads it back to the
// same world, obstacle numbers aside).
std::string WorldToJson(const TWorld& world);

} // namespace wayline::sim
