#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include <nlohmann/json_fwd.hpp>

namespace wayline {

// A JSON value as wayline-cli prints it: object members keep the order they
// were set in, and text that is not UTF-8 (file names, 8-bit program text)
// is printed with U+FFFD for its bad bytes rather than stopping the report.
// nlohmann-json does the work; only JsonWriter.cpp includes its header,
// which costs seconds in every file that includes it.
class TJson {
public:
    TJson(); // null
    TJson(std::nullptr_t) : TJson() {}
    TJson(bool value);
    TJson(double value);
    TJson(const char* text) : TJson(std::string(text)) {}
    TJson(std::string_view text) : TJson(std::string(text)) {}
    TJson(std::string text);
    // Any integer but char (a letter is text, not a number).
    template <std::signed_integral T>
    requires(!std::same_as<T, char>) TJson(T value) : TJson(SignedTag{}, value) {}
    template <std::unsigned_integral T>
    requires(!std::same_as<T, bool>) TJson(T value) : TJson(UnsignedTag{}, value) {}

    TJson(const TJson& other);
    TJson(TJson&& other);
    TJson& operator=(const TJson& other);
    TJson& operator=(TJson&& other) noexcept;
    ~TJson();

    // {"key": value, ...} in the order given.
    static TJson Object(std::initializer_list<std::pair<std::string_view, TJson>> members = {});
    // [value, ...]
    static TJson Array(std::initializer_list<TJson> items = {});

    // Sets a member of an object (added at the end when it is new).
    TJson& Set(std::string_view key, TJson value);
    // Adds an element at the end of an array.
    TJson& Append(TJson value);

    // On one line, no spaces: {"a":1,"b":[true,null]}.
    std::string Dump() const;
    // Two spaces per level, one member or element to a line.
    std::string DumpIndented() const;

private:
    struct SignedTag {};
    struct UnsignedTag {};
    TJson(SignedTag, std::int64_t value);
    TJson(UnsignedTag, std::uint64_t value);

    std::unique_ptr<nlohmann::ordered_json> Value;
};

} // namespace wayline
