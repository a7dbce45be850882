// Every command's --json output, on every file of the corpus and the producers', holds to
// the schema written down in docs/json.md: no key the document lacks, no other type, no
// key it says is always there missing.
#include "bmp_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

struct Json {
    std::string type; // integer, number, string, boolean, null, object, array
    std::vector<std::pair<std::string, Json>> members; // an array's have no names
};

// Just enough JSON for our own output: each value's type and its members; nothing on
// malformed text.
class Parser {
public:
    explicit Parser(const std::string& text) : s(text) {}
    std::optional<Json> Whole() {
        auto v = Value();
        return v && !Peek() ? v : std::nullopt;
    }

private:
    char Peek() {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
            ++i;
        return i < s.size() ? s[i] : 0;
    }
    bool Eat(char c) { return Peek() == c ? (++i, true) : false; }
    std::optional<std::string> String() {
        std::string out;
        if (!Eat('"'))
            return std::nullopt;
        for (; i < s.size() && s[i] != '"'; ++i)
            out += s[i] == '\\' ? s[i += s[i + 1] == 'u' ? 5 : 1] : s[i];
        return Eat('"') ? std::optional(out) : std::nullopt;
    }
    // The elements of an object or array up to its closing bracket.
    bool Items(char close, Json& v) {
        if (Eat(close))
            return true;
        do {
            std::optional<std::string> key = "";
            if (close == '}' && (!(key = String()) || !Eat(':')))
                return false;
            auto item = Value();
            if (!item)
                return false;
            v.members.emplace_back(*key, std::move(*item));
        } while (Eat(','));
        return Eat(close);
    }
    std::optional<Json> Value() {
        Json v;
        const char c = Peek();
        if (c == '{' || c == '[') {
            ++i;
            v.type = c == '{' ? "object" : "array";
            return Items(c == '{' ? '}' : ']', v) ? std::optional(v) : std::nullopt;
        }
        if (c == '"')
            return String() ? std::optional(Json{"string", {}}) : std::nullopt;
        for (const char* word : {"true", "false", "null"})
            if (s.compare(i, std::strlen(word), word) == 0)
                return i += std::strlen(word), Json{word[0] == 'n' ? "null" : "boolean", {}};
        const std::size_t start = i;
        while (i < s.size() && std::strchr("0123456789+-.eE", s[i]) != nullptr)
            ++i;
        if (i == start)
            return std::nullopt;
        const bool integer = s.find_first_of(".eE", start) >= i;
        return Json{integer ? "integer" : "number", {}};
    }
    const std::string& s;
    std::size_t i = 0;
};

struct Key {
    std::set<std::string> types;
    bool always = false;
};
using Schema = std::map<std::string, Key>;

// The document's tables: "## `command`", then rows "| `path` | types | present | … |".
std::map<std::string, Schema> ReadSchemas() {
    std::ifstream in(PIXSCOPE_JSON_DOC);
    std::map<std::string, Schema> out;
    std::string command;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("## `", 0) == 0) {
            command = line.substr(4, line.find('`', 4) - 4);
            continue;
        }
        if (line.rfind("| `", 0) != 0 || command.empty())
            continue;
        std::vector<std::string> cells;
        std::stringstream row(line.substr(1));
        for (std::string cell; std::getline(row, cell, '|');)
            cells.push_back(cell);
        if (cells.size() < 3)
            continue;
        const std::size_t a = cells[0].find('`'), b = cells[0].rfind('`');
        Key key;
        std::stringstream types(cells[1]);
        for (std::string t; types >> t;)
            key.types.insert(t.back() == ',' ? t.substr(0, t.size() - 1) : t);
        key.always = cells[2].find("always") != std::string::npos;
        out[command][cells[0].substr(a + 1, b - a - 1)] = key;
    }
    return out;
}

void Check(const Json& v, const std::string& path, const Schema& schema) {
    std::set<std::string> present;
    for (const auto& [name, c] : v.members) {
        const std::string at = v.type == "array" ? path + "[]"
                               : path.empty()    ? name
                                                 : path + "." + name;
        present.insert(at);
        const auto key = schema.find(at);
        if (key == schema.end() || !key->second.types.count(c.type))
            ADD_FAILURE() << at << (key == schema.end() ? ": not in the schema" : ": " + c.type);
        else
            Check(c, at, schema);
    }
    for (const auto& [at, key] : schema)
        if (v.type == "object" && key.always && at.back() != ']' &&
            // its parent is this object: what comes before its last dot
            at.substr(0, at.find_last_of('.') + 1) == (path.empty() ? path : path + ".") &&
            !present.count(at))
            ADD_FAILURE() << at << ": missing";
}

std::string Output(const std::string& line) {
    std::string out;
    if (FILE* p = ::popen((line + " 2>/dev/null").c_str(), "r")) {
        char buffer[65536];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;)
            out.append(buffer, n);
        ::pclose(p);
    }
    return out;
}

} // namespace

TEST(JsonSchema, EveryCommandsOutputOnEveryFileHoldsToTheDocument) {
    const std::map<std::string, Schema> schemas = ReadSchemas();
    ASSERT_EQ(schemas.size(), 8u) << "a command's table is missing from the document";
    std::vector<std::filesystem::path> files;
    for (const char* dir : {PIXSCOPE_CORPUS, PIXSCOPE_PRODUCERS})
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
            if (e.is_regular_file() &&
                (e.path().extension() == ".bmp" || e.path().parent_path().filename() == "hostile"))
                files.push_back(e.path());
    std::sort(files.begin(), files.end());
    ASSERT_GT(files.size(), 100u);
    TempDir dir;
    const std::string cli = ShellQuote(PIXSCOPE_CLI), out = ShellQuote(dir.Path("out.png"));
    std::map<std::string, int> objects;
    for (const auto& path : files) {
        const std::string f = ShellQuote(path.string());
        const auto reference =
            path.parent_path().parent_path() / "reference" / path.stem().concat(".png");
        const bool small = std::filesystem::file_size(path) < (1u << 18);
        const std::pair<const char*, std::string> lines[] = {
            {"report", cli + " report --json " + f},
            {"check", cli + " check --json " + f},
            {"where", cli + " where --json " + f + " 0 0"},
            {"pixel", cli + " pixel --json " + f + " 0 0"},
            {"fields", cli + " fields --json " + (small ? "--pixels " : "") + f},
            {"decode", cli + " decode --json " + f + " " + out},
            {"compare",
             cli + " compare --json " + f + " " +
                 (std::filesystem::exists(reference) ? ShellQuote(reference.string()) : f)}};
        for (const auto& [command, line] : lines) {
            SCOPED_TRACE(line);
            std::stringstream output(Output(line));
            for (std::string text; std::getline(output, text);) {
                const auto json = Parser(text).Whole();
                ASSERT_TRUE(json) << "not JSON: " << text.substr(0, 200);
                Check(*json, "", schemas.at(command));
                ++objects[command];
            }
        }
    }
    // Every reader on every file at once: a file's objects, then the matrix.
    std::string all = cli + " readers --json";
    for (const auto& path : files)
        all += " " + ShellQuote(path.string());
    std::stringstream output(Output(all));
    for (std::string text; std::getline(output, text);) {
        const auto json = Parser(text).Whole();
        ASSERT_TRUE(json) << "not JSON: " << text.substr(0, 200);
        Check(*json, "", schemas.at("readers"));
        ++objects["readers"];
    }
    // Each command gave objects; those that refuse a file said so in one, too.
    for (const auto& [command, schema] : schemas)
        EXPECT_GT(objects[command], 50) << command;
}
