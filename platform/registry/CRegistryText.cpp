#include "platform/registry/CRegistryText.h"

#include "platform/registry/registry.h"

#include "platform/kernel/kernel.h"

#include <cstdio>
#include <cstdlib>

namespace {

const char kHeader[] = "; Registry of the head unit. UTF-8; written after every change.\n";

bool IsHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendUnitEscape(std::string& out, char16_t c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
  out += buf;
}

void AppendQuoted(std::string& out, const char16_t* s, size_t n) {
  out += '"';
  for (size_t i = 0; i < n; ++i) {
    const char16_t c = s[i];
    switch (c) {
      case u'\\':
        out += "\\\\";
        continue;
      case u'"':
        out += "\\\"";
        continue;
      case 0:
        out += "\\0";
        continue;
      case u'\r':
        out += "\\r";
        continue;
      case u'\n':
        out += "\\n";
        continue;
      case u'\t':
        out += "\\t";
        continue;
      default:
        break;
    }
    if (c < 0x20 || c == 0x7F) {
      AppendUnitEscape(out, c);
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (IsHighSurrogate(c) && i + 1 < n && IsLowSurrogate(s[i + 1])) {
      out += WceWideToUtf8(std::u16string(s + i, 2));
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      AppendUnitEscape(out, c);
    } else {
      out += WceWideToUtf8(std::u16string(1, c));
    }
  }
  out += '"';
}

// Reads a quoted text at pos (which must stand on the opening quote); pos ends after the
// closing quote.
bool ParseQuoted(const std::string& line, size_t& pos, std::u16string& out) {
  if (pos >= line.size() || line[pos] != '"') return false;
  ++pos;
  out.clear();
  std::string run;
  auto flush = [&] {
    if (!run.empty()) {
      out += WceUtf8ToWide(run);
      run.clear();
    }
  };
  while (pos < line.size()) {
    const char c = line[pos++];
    if (c == '"') {
      flush();
      return true;
    }
    if (c != '\\') {
      run += c;
      continue;
    }
    if (pos >= line.size()) return false;
    flush();
    const char e = line[pos++];
    switch (e) {
      case '\\':
        out += u'\\';
        break;
      case '"':
        out += u'"';
        break;
      case '0':
        out += char16_t(0);
        break;
      case 'r':
        out += u'\r';
        break;
      case 'n':
        out += u'\n';
        break;
      case 't':
        out += u'\t';
        break;
      case 'u': {
        if (pos + 4 > line.size()) return false;
        unsigned v = 0;
        for (int k = 0; k < 4; ++k) {
          const int d = HexDigit(line[pos++]);
          if (d < 0) return false;
          v = v * 16 + static_cast<unsigned>(d);
        }
        out += static_cast<char16_t>(v);
        break;
      }
      default:
        return false;
    }
  }
  return false;
}

bool ParseHexBytes(const std::string& s, std::vector<BYTE>& out) {
  out.clear();
  if (s.empty()) return true;
  size_t pos = 0;
  for (;;) {
    if (pos + 2 > s.size()) return false;
    const int hi = HexDigit(s[pos]);
    const int lo = HexDigit(s[pos + 1]);
    if (hi < 0 || lo < 0) return false;
    out.push_back(static_cast<BYTE>(hi * 16 + lo));
    pos += 2;
    if (pos == s.size()) return true;
    if (s[pos] != ',') return false;
    ++pos;
  }
}

void AppendHexBytes(std::string& out, const std::vector<BYTE>& data) {
  char buf[4];
  for (size_t i = 0; i < data.size(); ++i) {
    std::snprintf(buf, sizeof buf, i == 0 ? "%02x" : ",%02x", static_cast<unsigned>(data[i]));
    out += buf;
  }
}

void AppendValue(std::string& out, const std::u16string& name, const CRegistryValue& v) {
  if (name.empty()) {
    out += '@';
  } else {
    AppendQuoted(out, name.data(), name.size());
  }
  out += '=';
  const std::vector<BYTE>& d = v.m_Data;
  if (v.m_dwType == REG_SZ && d.size() % 2 == 0) {
    std::u16string units(d.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) {
      units[i] = static_cast<char16_t>(d[2 * i] | (d[2 * i + 1] << 8));
    }
    if (!units.empty() && units.back() == 0) {
      out += "sz:";
      AppendQuoted(out, units.data(), units.size() - 1);
    } else {
      out += "sz-noterm:";
      AppendQuoted(out, units.data(), units.size());
    }
  } else if (v.m_dwType == REG_DWORD && d.size() == 4) {
    char buf[16];
    std::snprintf(
        buf, sizeof buf, "dword:%08x",
        static_cast<unsigned>(d[0] | (d[1] << 8) | (d[2] << 16) | (static_cast<DWORD>(d[3]) << 24)));
    out += buf;
  } else if (v.m_dwType == REG_BINARY) {
    out += "hex:";
    AppendHexBytes(out, d);
  } else {
    char buf[24];
    std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(v.m_dwType));
    out += buf;
    AppendHexBytes(out, d);
  }
  out += '\n';
}

void AppendKey(std::string& out, const std::string& path, const CRegistryKey& key, bool writeHeader) {
  if (writeHeader || !key.m_Values.empty()) {
    out += '[';
    out += path;
    out += "]\n";
    for (const auto& [name, value] : key.m_Values) AppendValue(out, name, value);
  }
  for (const auto& [name, sub] : key.m_SubKeys) {
    AppendKey(out, path + '\\' + WceWideToUtf8(name), *sub, true);
  }
}

std::vector<BYTE> UnitsToBytes(const std::u16string& units, bool terminate) {
  std::vector<BYTE> out;
  out.reserve((units.size() + 1) * 2);
  for (char16_t c : units) {
    out.push_back(static_cast<BYTE>(c & 0xFF));
    out.push_back(static_cast<BYTE>(c >> 8));
  }
  if (terminate) {
    out.push_back(0);
    out.push_back(0);
  }
  return out;
}

bool ParseValueLine(const std::string& line, std::u16string& name, CRegistryValue& value) {
  size_t pos = 0;
  if (line[0] == '@') {
    name.clear();
    pos = 1;
  } else if (!ParseQuoted(line, pos, name)) {
    return false;
  }
  if (pos >= line.size() || line[pos] != '=') return false;
  ++pos;
  const size_t colon = line.find(':', pos);
  if (colon == std::string::npos) return false;
  const std::string kind = line.substr(pos, colon - pos);
  const std::string rest = line.substr(colon + 1);
  if (kind == "sz" || kind == "sz-noterm") {
    std::u16string text;
    size_t p = 0;
    if (!ParseQuoted(rest, p, text) || p != rest.size()) return false;
    value.m_dwType = REG_SZ;
    value.m_Data = UnitsToBytes(text, kind == "sz");
    return true;
  }
  if (kind == "dword") {
    if (rest.empty() || rest.size() > 8) return false;
    DWORD v = 0;
    for (char c : rest) {
      const int d = HexDigit(c);
      if (d < 0) return false;
      v = v * 16 + static_cast<DWORD>(d);
    }
    value.m_dwType = REG_DWORD;
    value.m_Data = {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16),
                    static_cast<BYTE>(v >> 24)};
    return true;
  }
  if (kind == "hex") {
    value.m_dwType = REG_BINARY;
    return ParseHexBytes(rest, value.m_Data);
  }
  if (kind.size() > 5 && kind.compare(0, 4, "hex(") == 0 && kind.back() == ')') {
    const std::string digits = kind.substr(4, kind.size() - 5);
    if (digits.empty() || digits.size() > 8) return false;
    DWORD type = 0;
    for (char c : digits) {
      const int d = HexDigit(c);
      if (d < 0) return false;
      type = type * 16 + static_cast<DWORD>(d);
    }
    value.m_dwType = type;
    return ParseHexBytes(rest, value.m_Data);
  }
  return false;
}

// Finds or creates the key that a bracket line names; nullptr when the line names none.
CRegistryKey* ParseKeyLine(const std::string& line, const std::vector<CRegistryRoot>& roots) {
  const std::string path = line.substr(1, line.size() - 2);
  size_t start = 0;
  size_t end = path.find('\\');
  const std::string rootName = path.substr(0, end);
  CRegistryKey* key = nullptr;
  for (const CRegistryRoot& r : roots) {
    if (rootName == r.m_pName) key = r.m_pKey;
  }
  if (key == nullptr) return nullptr;
  size_t depth = 0;
  while (end != std::string::npos) {
    start = end + 1;
    end = path.find('\\', start);
    const std::u16string name =
        WceUtf8ToWide(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (!CRegistryText::IsValidKeyName(name) || ++depth > CRegistryText::kMaxDepth) return nullptr;
    std::shared_ptr<CRegistryKey>& sub = key->m_SubKeys[name];
    if (!sub) {
      sub = std::make_shared<CRegistryKey>();
      sub->m_nDepth = depth;
    }
    key = sub.get();
  }
  return key;
}

}  // namespace

bool CRegistryText::IsValidKeyName(const std::u16string& name) {
  if (name.empty() || name.size() > 255) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const char16_t c = name[i];
    if (c < 0x20 || c == 0x7F || c == u'\\') return false;
    if (IsHighSurrogate(c)) {
      if (i + 1 >= name.size() || !IsLowSurrogate(name[i + 1])) return false;
      ++i;
    } else if (IsLowSurrogate(c)) {
      return false;
    }
  }
  return true;
}

std::string CRegistryText::Format(const std::vector<CRegistryRoot>& roots) {
  std::string out = kHeader;
  for (const CRegistryRoot& r : roots) AppendKey(out, r.m_pName, *r.m_pKey, false);
  return out;
}

int CRegistryText::Parse(const std::string& text, const std::vector<CRegistryRoot>& roots) {
  int skipped = 0;
  int lineNo = 0;
  CRegistryKey* current = nullptr;
  bool inUnreadableKey = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    if (eol == std::string::npos) eol = text.size();
    std::string line = text.substr(pos, eol - pos);
    pos = eol + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;

    bool ok = false;
    if (line[0] == '[' && line.size() >= 2 && line.back() == ']') {
      current = ParseKeyLine(line, roots);
      inUnreadableKey = current == nullptr;
      ok = current != nullptr;
    } else if (line[0] == '"' || line[0] == '@') {
      std::u16string name;
      CRegistryValue value;
      if (inUnreadableKey) {
        ++skipped;  // logged once, with its key line
        continue;
      }
      ok = current != nullptr && ParseValueLine(line, name, value);
      if (ok) current->m_Values[name] = std::move(value);
    }
    if (!ok) {
      ++skipped;
      NKDbgPrintfW(u"Registry: line %d of the registry file cannot be read, skipped\r\n", lineNo);
    }
  }
  return skipped;
}
