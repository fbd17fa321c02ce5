#include "cli/history_command.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "cli/run_result.h"
#include "pages/common/run_history.h"

namespace vandok::cli {

namespace {

void skip_space(const std::string& s, std::size_t& i) {
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n')) ++i;
}

// A JSON string at s[i] == '"'; escapes other than \uXXXX are undone.
bool read_string(const std::string& s, std::size_t& i, std::string& out) {
  out.clear();
  for (++i; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') {
      ++i;
      return true;
    }
    if (c == '\\') {
      if (++i >= s.size()) return false;
      c = s[i];
      switch (c) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u':
          out += '?';
          i += 4;
          break;
        default: out += c;
      }
    } else {
      out += c;
    }
  }
  return false;
}

// Any value at s[i]; scalars are kept in out.
bool read_value(const std::string& s, std::size_t& i, std::string& out) {
  out.clear();
  if (i >= s.size()) return false;
  if (s[i] == '"') return read_string(s, i, out);
  if (s[i] == '{' || s[i] == '[') {
    int depth = 0;
    std::string ignored;
    while (i < s.size()) {
      const char c = s[i];
      if (c == '"') {
        if (!read_string(s, i, ignored)) return false;
        continue;
      }
      if (c == '{' || c == '[') ++depth;
      if (c == '}' || c == ']') --depth;
      ++i;
      if (depth == 0) return true;
    }
    return false;
  }
  const std::size_t begin = i;
  while (i < s.size() && s[i] != ',' && s[i] != '}' && s[i] != ' ') ++i;
  out = s.substr(begin, i - begin);
  if (out == "null") out.clear();
  return !out.empty() || s.compare(begin, 4, "null") == 0;
}

std::string column(const std::map<std::string, std::string>& fields, const char* key) {
  const auto it = fields.find(key);
  return it == fields.end() || it->second.empty() ? "-" : it->second;
}

}  // namespace

std::map<std::string, std::string> history_fields(const std::string& line) {
  std::map<std::string, std::string> fields;
  std::size_t i = 0;
  skip_space(line, i);
  if (i >= line.size() || line[i] != '{') return {};
  ++i;
  for (;;) {
    skip_space(line, i);
    if (i < line.size() && line[i] == '}') return fields;
    std::string key, value;
    if (i >= line.size() || line[i] != '"' || !read_string(line, i, key)) return {};
    skip_space(line, i);
    if (i >= line.size() || line[i] != ':') return {};
    ++i;
    skip_space(line, i);
    if (!read_value(line, i, value)) return {};
    fields[key] = value;
    skip_space(line, i);
    if (i < line.size() && line[i] == ',') {
      ++i;
      continue;
    }
    if (i < line.size() && line[i] == '}') return fields;
    return {};
  }
}

std::string history_table(const std::vector<std::string>& lines) {
  static const char* const kHeads[] = {"time", "tool", "board", "command", "result", "seconds", "throughput"};
  constexpr std::size_t kColumns = std::size(kHeads);
  std::vector<std::vector<std::string>> rows;
  rows.push_back(std::vector<std::string>(std::begin(kHeads), std::end(kHeads)));
  for (const std::string& line : lines) {
    const auto fields = history_fields(line);
    if (fields.empty()) continue;  // a torn or foreign line
    const double seconds = std::strtod(column(fields, "seconds").c_str(), nullptr);
    const double bytes = std::strtod(column(fields, "bytes").c_str(), nullptr);
    char secs[32] = "-", rate[32] = "-";
    if (fields.count("seconds")) std::snprintf(secs, sizeof secs, "%.2f", seconds);
    if (bytes > 0 && seconds > 0) std::snprintf(rate, sizeof rate, "%.1f MiB/s", bytes / seconds / (1024.0 * 1024.0));
    rows.push_back({column(fields, "time"), column(fields, "tool"), column(fields, "board"), column(fields, "command"),
                    column(fields, "result"), secs, rate});
  }
  std::size_t width[kColumns] = {};
  for (const auto& row : rows)
    for (std::size_t c = 0; c < kColumns; ++c) width[c] = std::max(width[c], row[c].size());
  std::string out;
  for (const auto& row : rows) {
    std::string text;
    for (std::size_t c = 0; c < kColumns; ++c) {
      const bool number = c >= 5;  // seconds and throughput lean right
      const std::string pad(width[c] - row[c].size(), ' ');
      text += number ? pad + row[c] : row[c] + (c + 1 < kColumns ? pad : "");
      if (c + 1 < kColumns) text += "  ";
    }
    out += text + "\n";
  }
  return out;
}

int history_command(const Options& options) {
  const std::filesystem::path path = history_path();
  if (path.empty()) {
    std::fprintf(stderr, "vandok-cli: the run history is off (VANDOK_HISTORY is empty or no home is known)\n");
    return kExitOk;
  }
  const std::vector<std::string> lines = read_history(path, options.last);
  if (options.json) {
    for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  } else if (lines.empty()) {
    std::printf("no runs yet in %s\n", path_text(path).c_str());
  } else {
    std::fputs(history_table(lines).c_str(), stdout);
  }
  return kExitOk;
}

}  // namespace vandok::cli
