#include "cli/JsonWriter.h"

#include <nlohmann/json.hpp>

namespace wayline {

using nlohmann::ordered_json;

TJson::TJson() : Value(std::make_unique<ordered_json>(nullptr)) {}
TJson::TJson(bool value) : Value(std::make_unique<ordered_json>(value)) {}
TJson::TJson(double value) : Value(std::make_unique<ordered_json>(value)) {}
TJson::TJson(std::string text) : Value(std::make_unique<ordered_json>(std::move(text))) {}
TJson::TJson(SignedTag, std::int64_t value) : Value(std::make_unique<ordered_json>(value)) {}
TJson::TJson(UnsignedTag, std::uint64_t value) : Value(std::make_unique<ordered_json>(value)) {}

TJson::TJson(const TJson& other) : Value(std::make_unique<ordered_json>(*other.Value)) {}
// A moved-from value is null again, never empty.
TJson::TJson(TJson&& other) : Value(std::move(other.Value)) {
    other.Value = std::make_unique<ordered_json>(nullptr);
}
TJson& TJson::operator=(const TJson& other) {
    *Value = *other.Value;
    return *this;
}
TJson& TJson::operator=(TJson&& other) noexcept {
    std::swap(Value, other.Value);
    return *this;
}
TJson::~TJson() = default;

TJson TJson::Object(std::initializer_list<std::pair<std::string_view, TJson>> members) {
    TJson object;
    *object.Value = ordered_json::object();
    for (const auto& [key, value] : members) {
        object.Set(key, value);
    }
    return object;
}

TJson TJson::Array(std::initializer_list<TJson> items) {
    TJson array;
    *array.Value = ordered_json::array();
    for (const TJson& item : items) {
        array.Append(item);
    }
    return array;
}

TJson& TJson::Set(std::string_view key, TJson value) {
    (*Value)[std::string(key)] = std::move(*value.Value);
    return *this;
}

TJson& TJson::Append(TJson value) {
    Value->push_back(std::move(*value.Value));
    return *this;
}

std::string TJson::Dump() const {
    return Value->dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

std::string TJson::DumpIndented() const {
    return Value->dump(2, ' ', false, ordered_json::error_handler_t::replace);
}

} // namespace wayline
