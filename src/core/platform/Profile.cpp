#include "platform/Profile.h"

#include <cerrno>
#include <vector>

#include "platform/CodePage.h"

namespace zv {

namespace {

struct Line {
  std::size_t begin = 0;
  std::size_t end = 0;   // content end, line end excluded
  std::size_t next = 0;  // start of the following line
};

std::vector<Line> SplitLines(std::string_view s) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < s.size()) {
    const std::size_t lf = s.find('\n', pos);
    Line l;
    l.begin = pos;
    l.next = lf == std::string_view::npos ? s.size() : lf + 1;
    l.end = lf == std::string_view::npos ? s.size() : lf;
    if (l.end > l.begin && s[l.end - 1] == '\r') --l.end;
    lines.push_back(l);
    pos = l.next;
  }
  return lines;
}

std::string_view Trim(std::string_view s) {
  const std::size_t b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// ASCII letters compared without case, character by character, so that a
// trail byte is never taken for a letter.
bool AsciiIEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const CodePage cp = ActiveCodePage();
  for (std::size_t i = 0; i < a.size();) {
    const std::size_t n = CharLen(a, i, cp);
    if (n == 1) {
      auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
      if (lower(a[i]) != lower(b[i])) return false;
    } else if (a.compare(i, n, b, i, n) != 0) {
      return false;
    }
    i += n;
  }
  return true;
}

// The section name of a "[name]" line, or nullopt for other lines.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  line.remove_prefix(1);
  return Trim(line.substr(0, line.find(']')));
}

std::optional<std::string_view> KeyOf(std::string_view line) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(0, eq));
}

bool IsQuoted(std::string_view v) {
  return v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
}

struct Found {
  std::optional<std::size_t> section;  // index of the section's line
  std::optional<std::size_t> key;      // index of the key's line
  std::size_t lastFilled = 0;          // last non-empty line of the section
};

Found Find(std::string_view content, const std::vector<Line>& lines, std::string_view section,
           std::string_view key) {
  Found f;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view text = content.substr(lines[i].begin, lines[i].end - lines[i].begin);
    if (auto name = SectionName(text)) {
      if (f.section) break;  // the first matching section ends here
      if (AsciiIEqual(*name, section)) {
        f.section = i;
        f.lastFilled = i;
      }
      continue;
    }
    if (!f.section) continue;
    if (!Trim(text).empty()) f.lastFilled = i;
    if (auto k = KeyOf(text); k && AsciiIEqual(*k, key)) {
      f.key = i;
      break;
    }
  }
  return f;
}

// What ends the last line of text so that a line can follow. Only an LF
// ends a line; a last line that stops at a lone CR gets its LF, not a second CR.
std::string LineEndAfter(std::string_view text) {
  if (text.empty() || text.back() == '\n') return "";
  return text.back() == '\r' ? "\n" : "\r\n";
}

}  // namespace

std::string ProfileLookup(std::string_view content, std::string_view section, std::string_view key,
                          std::string_view def, std::size_t bufferSize) {
  std::string_view value = def;
  const std::vector<Line> lines = SplitLines(content);
  const Found f = Find(content, lines, section, key);
  if (f.key) {
    const Line& l = lines[*f.key];
    const std::string_view text = content.substr(l.begin, l.end - l.begin);
    value = Trim(text.substr(text.find('=') + 1));
    if (IsQuoted(value)) value = value.substr(1, value.size() - 2);
  }
  if (bufferSize == 0) return {};
  return std::string(value.substr(0, bufferSize - 1));
}

std::string ProfileUpdate(std::string_view content, std::string_view section, std::string_view key,
                          std::string_view value) {
  // A value that reading would trim or unquote is written in quotes, so it
  // reads back exactly as it was written.
  std::string line(key);
  line += '=';
  const bool quote = !value.empty() && (value.front() == ' ' || value.front() == '\t' ||
                                        value.back() == ' ' || value.back() == '\t' || IsQuoted(value));
  if (quote) line += '"';
  line += value;
  if (quote) line += '"';

  const std::vector<Line> lines = SplitLines(content);
  const Found f = Find(content, lines, section, key);
  std::string out(content);
  if (f.key) {
    const Line& l = lines[*f.key];
    out.replace(l.begin, l.end - l.begin, line);
  } else if (f.section) {
    const Line& l = lines[f.lastFilled];
    out.insert(l.next, LineEndAfter(content.substr(0, l.next)) + line + "\r\n");
  } else {
    out += LineEndAfter(out);
    out += '[';
    out += section;
    out += "]\r\n";
    out += line;
    out += "\r\n";
  }
  return out;
}

std::string GetProfileString(std::string_view section, std::string_view key, std::string_view def,
                             std::size_t bufferSize, const std::string& path) {
  std::string content;
  // Unlocked: the settings are read from several threads at once.
  if (!ReadFileBytesShared(path, content)) content.clear();
  return ProfileLookup(content, section, key, def, bufferSize);
}

FileResult WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                              const std::string& path) {
  return WriteProfileStrings(section, {{key, value}}, path);
}

FileResult WriteProfileStrings(std::string_view section, const std::vector<ProfileEntry>& entries,
                               const std::string& path) {
  // A line break would split the line and could forge other keys.
  for (const ProfileEntry& e : entries) {
    for (std::string_view part : {section, e.key, e.value}) {
      if (part.find_first_of("\r\n") != std::string_view::npos)
        return FileResult::Fail(FileOp::None, EINVAL, path);
    }
  }
  std::string content;
  FileResult r = ReadFileBytesShared(path, content);
  if (!r) {
    if (r.op != FileOp::Open || r.err != ENOENT) return r;  // never drop what could not be read
    content.clear();
  }
  for (const ProfileEntry& e : entries) content = ProfileUpdate(content, section, e.key, e.value);
  return WriteFileAtomic(path, content);
}

}  // namespace zv
