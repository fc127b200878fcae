#include "doctor/core/SystemFiles.h"

namespace wayline {

namespace {

// Splits at `separator`, keeping empty fields.
std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        fields.push_back(text.substr(start, at == std::string_view::npos ? at : at - start));
        if (at == std::string_view::npos) {
            return fields;
        }
        start = at + 1;
    }
}

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines = Split(text, '\n');
    for (std::string_view& line : lines) {
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
    }
    return lines;
}

// The blank-separated words of a line.
std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t') {
            ++i;
        }
        if (i > start) {
            words.push_back(text.substr(start, i - start));
        }
    }
    return words;
}

} // namespace

std::optional<std::uint32_t> ParseSmallNumber(std::string_view text) {
    if (text.empty() || text.size() > 9) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return value;
}

std::vector<TGroupEntry> ParseGroupFile(std::string_view text) {
    std::vector<TGroupEntry> groups;
    for (std::string_view line : Lines(text)) {
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::vector<std::string_view> fields = Split(line, ':');
        if (fields.size() < 4 || fields[0].empty()) {
            continue;
        }
        const std::optional<std::uint32_t> gid = ParseSmallNumber(fields[2]);
        if (!gid) {
            continue;
        }
        TGroupEntry entry{std::string(fields[0]), *gid, {}};
        for (std::string_view member : Split(fields[3], ',')) {
            if (!member.empty()) {
                entry.Members.emplace_back(member);
            }
        }
        groups.push_back(std::move(entry));
    }
    return groups;
}

std::optional<TPasswdEntry> FindPasswdEntry(std::string_view text, std::uint32_t uid) {
    for (std::string_view line : Lines(text)) {
        const std::vector<std::string_view> fields = Split(line, ':');
        if (fields.size() < 4 || fields[0].empty() || fields[0].front() == '#') {
            continue;
        }
        const std::optional<std::uint32_t> u = ParseSmallNumber(fields[2]);
        const std::optional<std::uint32_t> g = ParseSmallNumber(fields[3]);
        if (u && g && *u == uid) {
            return TPasswdEntry{std::string(fields[0]), *u, *g};
        }
    }
    return std::nullopt;
}

std::optional<TProcessStatus> ParseProcessStatus(std::string_view text) {
    TProcessStatus status;
    bool haveUid = false;
    bool haveGid = false;
    for (std::string_view line : Lines(text)) {
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        const std::string_view key = line.substr(0, colon);
        const std::vector<std::string_view> words = Words(line.substr(colon + 1));
        // Uid and Gid list real, effective, saved and file-system ids; the
        // effective one decides what the process may open.
        if (key == "Uid" && words.size() >= 2) {
            if (const auto uid = ParseSmallNumber(words[1])) {
                status.Uid = *uid;
                haveUid = true;
            }
        } else if (key == "Gid" && words.size() >= 2) {
            if (const auto gid = ParseSmallNumber(words[1])) {
                status.Gid = *gid;
                haveGid = true;
            }
        } else if (key == "Groups") {
            for (std::string_view word : words) {
                if (const auto gid = ParseSmallNumber(word)) {
                    status.Groups.push_back(*gid);
                }
            }
        }
    }
    if (!haveUid || !haveGid) {
        return std::nullopt;
    }
    return status;
}

std::optional<std::string> UdevProperty(std::string_view database, std::string_view key) {
    for (std::string_view line : Lines(database)) {
        if (line.size() > 2 && line.substr(0, 2) == "E:") {
            const std::string_view property = line.substr(2);
            const std::size_t equals = property.find('=');
            if (equals != std::string_view::npos && property.substr(0, equals) == key) {
                return std::string(property.substr(equals + 1));
            }
        }
    }
    return std::nullopt;
}


} // namespace wayline
