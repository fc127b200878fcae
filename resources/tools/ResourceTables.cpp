// Build-time tool: turns the readable resource tables into the binary blobs
// the program reads, and writes the resource collection file for rcc.
//
//   wayline-restables texts  <texts.txt>  <outdir> <manifest> [--edition <code> <base>]
//   wayline-restables layout <layout.txt> <outdir> <manifest> [--edition <code> <base>]
//   wayline-restables qrc    <out.qrc> [--manifest <file>]... [--file <TYPE> <n> <path>]...
//
// A manifest lists what a step produced, one "TYPE NUMBER PATH" per line;
// the qrc step gathers all manifests and the plain files into one list.
// Any malformed table line stops the build with its file and line number:
// a wrong record must never reach the program silently.
//
// An edition (a language: "de", "es", ...) is a table beside the English
// one that replaces some of its entries; its blobs go under <code>/ (the
// text 366 of German is :/de/WSDATA/366), and the program falls back to
// the English entry for anything the edition leaves out. An edition may
// only replace what the English table has: a text with the same
// {placeholders}, a record of the same shape and size.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct TEntry {
    std::string Type;
    int Number = 0;
    std::string Path;
};

[[noreturn]] void Fail(const std::string& where, const std::string& message) {
    std::fprintf(stderr, "%s: error: %s\n", where.c_str(), message.c_str());
    std::exit(1);
}

std::string Where(const std::string& file, int line) {
    return file + ":" + std::to_string(line);
}

// The part of a line between its first and last double quote, if any.
std::optional<std::string> QuotedText(const std::string& line) {
    auto first = line.find('"');
    auto last = line.rfind('"');
    if (first == std::string::npos || last == first)
        return std::nullopt;
    return line.substr(first + 1, last - first - 1);
}

// UTF-8 to UTF-16 little-endian; false on a malformed sequence.
bool Utf8ToUtf16Le(const std::string& in, std::string& out) {
    out.clear();
    size_t i = 0;
    while (i < in.size()) {
        auto c = static_cast<unsigned char>(in[i]);
        uint32_t cp = 0;
        int extra = 0;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            extra = 3;
        } else {
            return false;
        }
        if (i + extra >= in.size() && extra > 0)
            return false;
        for (int k = 1; k <= extra; ++k) {
            auto d = static_cast<unsigned char>(in[i + k]);
            if ((d & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        i += 1 + extra;
        auto put = [&out](uint32_t unit) {
            out.push_back(static_cast<char>(unit & 0xFF));
            out.push_back(static_cast<char>((unit >> 8) & 0xFF));
        };
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp);
        }
    }
    return true;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        Fail(path.string(), "cannot write");
}

void WriteManifest(const fs::path& path, const std::vector<TEntry>& entries) {
    std::ostringstream text;
    for (const auto& e : entries)
        text << e.Type << ' ' << e.Number << ' ' << e.Path << '\n';
    WriteFile(path, text.str());
}

std::vector<std::string> ReadLines(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        Fail(file, "cannot read");
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool IsBlankOrComment(const std::string& line) {
    auto pos = line.find_first_not_of(" \t");
    return pos == std::string::npos || line[pos] == '#';
}

// Records a resource number once per type; a second use is an error.
void Claim(std::map<int, int>& seen, int number, const std::string& where) {
    auto [it, fresh] = seen.emplace(number, 0);
    if (!fresh)
        Fail(where, "resource " + std::to_string(number) + " defined twice");
}

// One line of a text table.
struct TText {
    int Id = 0;
    std::string Text;
    std::string Where;
};

std::vector<TText> ParseTexts(const std::string& table) {
    auto lines = ReadLines(table);
    std::vector<TText> texts;
    std::map<int, int> seen;
    for (size_t n = 0; n < lines.size(); ++n) {
        const auto& line = lines[n];
        auto where = Where(table, static_cast<int>(n + 1));
        if (IsBlankOrComment(line))
            continue;
        std::istringstream fields(line);
        int id = 0;
        if (!(fields >> id) || id < 0 || id > 65535)
            Fail(where, "a text line starts with its number");
        auto text = QuotedText(line);
        if (!text)
            Fail(where, "the text must be in double quotes");
        std::string utf16;
        if (!Utf8ToUtf16Le(*text, utf16))
            Fail(where, "the text is not valid UTF-8");
        Claim(seen, id, where);
        texts.push_back({id, *text, where});
    }
    return texts;
}

// The {name} parts of a text, sorted, each once: what the program fills in.
std::set<std::string> Placeholders(const std::string& text) {
    std::set<std::string> names;
    size_t at = 0;
    while ((at = text.find('{', at)) != std::string::npos) {
        const size_t close = text.find('}', at + 1);
        if (close == std::string::npos)
            break;
        const std::string name = text.substr(at + 1, close - at - 1);
        const bool word = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
        });
        if (word)
            names.insert("{" + name + "}");
        at = word ? close + 1 : at + 1;
    }
    return names;
}

std::string Joined(const std::set<std::string>& names) {
    std::string out;
    for (const auto& name : names)
        out += (out.empty() ? "" : " ") + name;
    return out.empty() ? "none" : out;
}

// The edition's code: a language ("de") or a language and region ("pt_BR").
bool IsEditionCode(const std::string& code) {
    auto lower = [](char c) { return c >= 'a' && c <= 'z'; };
    auto upper = [](char c) { return c >= 'A' && c <= 'Z'; };
    if (code.size() < 2)
        return false;
    size_t i = 0;
    while (i < code.size() && lower(code[i]))
        ++i;
    if (i < 2 || i > 3)
        return false;
    if (i == code.size())
        return true;
    return code.size() == i + 3 && code[i] == '_' && upper(code[i + 1]) && upper(code[i + 2]);
}

struct TEdition {
    std::string Code; // empty: the English table itself
    std::string Base; // the English table an edition is checked against
};

std::string TypeIn(const TEdition& edition, const std::string& type) {
    return edition.Code.empty() ? type : edition.Code + "/" + type;
}

int Texts(const std::string& table, const fs::path& outdir, const fs::path& manifest,
          const TEdition& edition) {
    auto texts = ParseTexts(table);
    if (!edition.Code.empty()) {
        std::map<int, std::string> english;
        for (const auto& t : ParseTexts(edition.Base))
            english[t.Id] = t.Text;
        for (const auto& t : texts) {
            auto it = english.find(t.Id);
            if (it == english.end())
                Fail(t.Where, "text " + std::to_string(t.Id) + " is not in " + edition.Base);
            const auto own = Placeholders(t.Text);
            const auto base = Placeholders(it->second);
            if (own != base)
                Fail(t.Where, "text " + std::to_string(t.Id) + " has the placeholders " +
                                  Joined(own) + ", the English text " + Joined(base));
        }
    }
    const std::string type = TypeIn(edition, "WSDATA");
    std::vector<TEntry> entries;
    for (const auto& t : texts) {
        std::string utf16;
        Utf8ToUtf16Le(t.Text, utf16);
        auto path = outdir / type / std::to_string(t.Id);
        WriteFile(path, utf16);
        entries.push_back({type, t.Id, path.string()});
    }
    WriteManifest(manifest, entries);
    return 0;
}

void PutU16(std::string& out, long value, const std::string& where) {
    if (value < 0 || value > 65535)
        Fail(where, "value " + std::to_string(value) + " does not fit 16 bits");
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

// Reads exactly `count` integers from the stream (the rest may be a comment).
std::vector<long> Numbers(std::istringstream& fields, int count, const std::string& where) {
    std::vector<long> values;
    for (int i = 0; i < count; ++i) {
        long v = 0;
        if (!(fields >> v))
            Fail(where, "expected " + std::to_string(count) + " numbers");
        values.push_back(v);
    }
    std::string rest;
    if (fields >> rest && rest[0] != '#')
        Fail(where, "unexpected '" + rest + "' (comments start with #)");
    return values;
}

// One line of a layout table, turned into its bytes.
struct TRecord {
    int Number = 0;
    std::string Shape;
    std::string Bytes;
    std::string Where;
};

std::vector<TRecord> ParseLayout(const std::string& table) {
    auto lines = ReadLines(table);
    std::vector<TRecord> records;
    std::map<int, int> seen;
    for (size_t n = 0; n < lines.size(); ++n) {
        const auto& line = lines[n];
        auto where = Where(table, static_cast<int>(n + 1));
        if (IsBlankOrComment(line))
            continue;
        std::istringstream fields(line);
        std::string shape;
        int number = 0;
        if (!(fields >> shape >> number) || number < 0 || number > 65535)
            Fail(where, "a record line starts with its shape and number");
        std::string bytes;
        if (shape == "pic") {
            auto v = Numbers(fields, 8, where);
            for (int flag = 5; flag < 8; ++flag)
                if (v[flag] != 0 && v[flag] != 1)
                    Fail(where, "stretch, transparent and visible are 0 or 1");
            for (auto value : v)
                PutU16(bytes, value, where);
        } else if (shape == "ctl") {
            for (auto value : Numbers(fields, 4, where))
                PutU16(bytes, value, where);
        } else if (shape == "bytes") {
            long v = 0;
            std::string token;
            while (fields >> token && token[0] != '#') {
                try {
                    v = std::stol(token, nullptr, 0);
                } catch (...) {
                    Fail(where, "'" + token + "' is not a number");
                }
                if (v < 0 || v > 255)
                    Fail(where, "a byte is 0 to 255");
                bytes.push_back(static_cast<char>(v));
            }
        } else if (shape == "ascii") {
            auto text = QuotedText(line);
            if (!text)
                Fail(where, "the text must be in double quotes");
            for (char c : *text)
                if (static_cast<unsigned char>(c) > 127)
                    Fail(where, "ascii records hold ASCII characters only");
            bytes = *text;
        } else {
            Fail(where, "unknown record shape '" + shape + "' (pic, ctl, bytes, ascii)");
        }
        Claim(seen, number, where);
        records.push_back({number, shape, bytes, where});
    }
    return records;
}

int Layout(const std::string& table, const fs::path& outdir, const fs::path& manifest,
           const TEdition& edition) {
    auto records = ParseLayout(table);
    if (!edition.Code.empty()) {
        std::map<int, TRecord> english;
        for (auto& r : ParseLayout(edition.Base))
            english[r.Number] = r;
        for (const auto& r : records) {
            auto it = english.find(r.Number);
            const std::string name = "record " + std::to_string(r.Number);
            if (it == english.end())
                Fail(r.Where, name + " is not in " + edition.Base);
            if (it->second.Shape != r.Shape || it->second.Bytes.size() != r.Bytes.size())
                Fail(r.Where, name + " must have the shape and size it has in " + edition.Base +
                                  " (" + it->second.Shape + ", " +
                                  std::to_string(it->second.Bytes.size()) + " bytes)");
        }
    }
    const std::string type = TypeIn(edition, "DATA");
    std::vector<TEntry> entries;
    for (const auto& r : records) {
        auto path = outdir / type / std::to_string(r.Number);
        WriteFile(path, r.Bytes);
        entries.push_back({type, r.Number, path.string()});
    }
    WriteManifest(manifest, entries);
    return 0;
}

std::string XmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

int Qrc(int argc, char** argv) {
    const fs::path out = argv[2];
    std::vector<TEntry> entries;
    for (int i = 3; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--manifest" && i + 1 < argc) {
            std::string file = argv[++i];
            auto lines = ReadLines(file);
            for (size_t n = 0; n < lines.size(); ++n) {
                if (IsBlankOrComment(lines[n]))
                    continue;
                std::istringstream fields(lines[n]);
                TEntry e;
                if (!(fields >> e.Type >> e.Number))
                    Fail(Where(file, static_cast<int>(n + 1)), "malformed manifest line");
                std::getline(fields >> std::ws, e.Path);
                entries.push_back(e);
            }
        } else if (arg == "--file" && i + 3 < argc) {
            TEntry e;
            e.Type = argv[i + 1];
            e.Number = std::atoi(argv[i + 2]);
            e.Path = fs::absolute(argv[i + 3]).string();
            i += 3;
            if (!fs::exists(e.Path))
                Fail(e.Path, "listed resource file does not exist");
            entries.push_back(e);
        } else {
            Fail(arg, "unknown argument");
        }
    }
    std::map<std::string, std::string> aliases;
    std::ostringstream qrc;
    qrc << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
    for (const auto& e : entries) {
        auto alias = e.Type + "/" + std::to_string(e.Number);
        if (!aliases.emplace(alias, e.Path).second)
            Fail(alias, "resource listed twice (" + aliases[alias] + ", " + e.Path + ")");
        qrc << "  <file alias=\"" << XmlEscaped(alias) << "\">" << XmlEscaped(e.Path)
            << "</file>\n";
    }
    qrc << "</qresource>\n</RCC>\n";
    WriteFile(out, qrc.str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    if ((command == "texts" || command == "layout") && (argc == 5 || argc == 8)) {
        TEdition edition;
        if (argc == 8) {
            if (std::string(argv[5]) != "--edition" || !IsEditionCode(argv[6]))
                Fail(argv[5], "expected --edition <code> <English table>, a code such as de");
            edition = {argv[6], argv[7]};
        }
        return command == "texts" ? Texts(argv[2], argv[3], argv[4], edition)
                                  : Layout(argv[2], argv[3], argv[4], edition);
    }
    if (command == "qrc" && argc >= 3)
        return Qrc(argc, argv);
    std::fprintf(stderr, "usage: wayline-restables texts|layout <table> <outdir> <manifest> "
                         "[--edition <code> <English table>]\n"
                         "       wayline-restables qrc <out.qrc> [--manifest <file>]... "
                         "[--file <TYPE> <n> <path>]...\n");
    return 2;
}
