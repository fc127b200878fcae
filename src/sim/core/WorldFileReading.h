#pragma once

// How world files and challenge files are read: the JSON helpers that name
// the place of every error ("obstacles[2].radius: ..."), and the world's
// own sections, which a challenge file holds too. Only WorldFile.cpp and
// ChallengeFile.cpp include this (nlohmann-json costs seconds per file).

#include "sim/core/World.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace wayline::sim::worldfile {

using nlohmann::json;

// What a reading function throws: the text starts with where.
struct TReadError {
    std::string Text;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what);
std::string Member(const std::string& where, const std::string& key);
std::string Index(const std::string& where, std::size_t i);

// Refuses keys the object should not have: a misspelt key would otherwise
// be dropped without a word and the file would not mean what was meant.
void CheckKeys(const json& object, const std::string& where,
               const std::vector<std::string_view>& allowed);
const json& RequireObject(const json& value, const std::string& where);
const json& Required(const json& object, const std::string& where, const char* key);
// A number within the coordinates a file may use.
double Number(const json& value, const std::string& where);
double Length(const json& value, const std::string& where);
double OptionalNumber(const json& object, const std::string& where, const char* key,
                      double otherwise);
TPoint PointOf(const json& value, const std::string& where);
bool OptionalFlag(const json& object, const std::string& where, const char* key);
std::string OptionalText(const json& object, const std::string& where, const char* key);
// The list under `key` of `object` (found at `where`), at most MaxWorldItems long.
const json& ListOf(const json& object, const std::string& where, const char* key);
// {"shape": "rectangle", "x", "y", "width", "height", "angle"} or
// {"shape": "circle", "x", "y", "radius"}, plus the keys in `extra`.
TShape ReadShape(const json& item, const std::string& where,
                 const std::vector<std::string_view>& extra = {});

// Parses the text as JSON no deeper than a world file nests; the text
// of the error when it is not (`kind`: "a world file", "a challenge file").
bool ParseJson(std::string_view text, std::string_view kind, json& root, std::string& error);
// The whole file when it has at most `limit` bytes; otherwise the error
// says how many it has (or, for something without end, more than the limit).
bool ReadWholeFile(const std::filesystem::path& path, std::size_t limit, std::string_view kind,
                   std::string& text, std::string& error);

// The top-level keys of a world file.
extern const std::vector<std::string_view> WorldKeys;
// The world's sections of `root` (whose keys the caller has checked).
TWorld ReadWorld(const json& root);
// The world's sections as a world file holds them.
json WorldObject(const TWorld& world);
// Millimetres and degrees to a thousandth: plenty for a floor plan, and a
// written file reads as its author would write it.
double Rounded(double value);

} // namespace wayline::sim::worldfile
