#include "services/CXmlDocument.h"

#include "platform/kernel/codepage.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/wcestr.h"
#include "services/XmlTables.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>

namespace {

const int kBlockRecords = 65536;
const DWORD kMaxStartTagLen = 0x3FFFFF;
const DWORD kMaxEndTagLen = 0x3FF;
// The result text stops growing here; a hostile file cannot make it large.
const int kMaxResultLength = 1000;
const size_t kSniffBytes = 1024;

bool IsSpace(WCHAR c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// Where a tag name ends.
bool IsNameStop(WCHAR c) {
  return c == 0 || IsSpace(c) || c == u'/' || c == u'>' || c == u'=' || c == u'"' || c == u'\'' ||
         c == u'<' || c == u'?';
}

// Characters of a name in a path given to FindElement.
bool IsPathNameChar(WCHAR c) {
  return c > 0x7F || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         c == u'_' || c == u':' || c == u'-' || c == u'.';
}

WCHAR Fold(WCHAR c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<WCHAR>(c + 32) : c;
}

CString Number(long long n) {
  std::string s = std::to_string(n);
  return CString(std::u16string(s.begin(), s.end()));
}

// One token of the text.
struct Node {
  int m_nType = CXmlDocument::MNT_END;
  int m_nStart = 0;
  int m_nLength = 0;
  bool m_bEmptyElement = false;
  int m_nErrorOffset = 0;
  LPCWSTR m_pszError = nullptr;         // result name of a syntax error
  LPCWSTR m_pszUnterminated = nullptr;  // node kind of "unterminated_tag_syntax"
};

int FindSeq(const WCHAR* doc, int len, int from, const char16_t* seq, int seqLen) {
  for (int i = from; i + seqLen <= len; ++i) {
    if (std::equal(seq, seq + seqLen, doc + i)) return i;
  }
  return -1;
}

int ScanNode(const WCHAR* doc, int len, int start, Node& node) {
  node = Node();
  node.m_nStart = start;
  node.m_nErrorOffset = start;
  if (start >= len) return node.m_nType = CXmlDocument::MNT_END;

  auto unterminated = [&](LPCWSTR kind) {
    node.m_pszError = u"unterminated_tag_syntax";
    node.m_pszUnterminated = kind;
    node.m_nLength = len - start;
    return node.m_nType = CXmlDocument::MNT_NODE_ERROR;
  };
  auto syntax = [&](LPCWSTR name) {
    node.m_pszError = name;
    node.m_nLength = 1;
    return node.m_nType = CXmlDocument::MNT_NODE_ERROR;
  };
  auto through = [&](int type, int from, const char16_t* seq, int seqLen, LPCWSTR kind) {
    int at = FindSeq(doc, len, from, seq, seqLen);
    if (at < 0) return unterminated(kind);
    node.m_nLength = at + seqLen - start;
    return node.m_nType = type;
  };

  if (doc[start] != u'<') {
    int i = start;
    bool blank = true;
    for (; i < len && doc[i] != u'<'; ++i) {
      if (!IsSpace(doc[i])) blank = false;
    }
    node.m_nLength = i - start;
    return node.m_nType = blank ? CXmlDocument::MNT_WHITESPACE : CXmlDocument::MNT_TEXT;
  }
  if (start + 1 >= len) return unterminated(u"tag");
  WCHAR c = doc[start + 1];
  if (c == u'/') return through(CXmlDocument::MNT_END_TAG, start + 2, u">", 1, u"end_tag");
  if (c == u'?')
    return through(CXmlDocument::MNT_PROCESSING_INSTRUCTION, start + 2, u"?>", 2, u"processing_instruction");
  if (c == u'!') {
    if (start + 2 >= len) return unterminated(u"tag");
    WCHAR d = doc[start + 2];
    if (d == u'-') {
      if (start + 3 >= len || doc[start + 3] != u'-') return syntax(u"comment_tag_syntax");
      return through(CXmlDocument::MNT_COMMENT, start + 4, u"-->", 3, u"comment");
    }
    if (d == u'[') {
      if (start + 3 >= len || doc[start + 3] != u'C') return syntax(u"cdata_section_syntax");
      return through(CXmlDocument::MNT_CDATA_SECTION, start + 3, u"]]>", 3, u"cdata_section");
    }
    if (d != u'D') return syntax(u"exclamation_tag_syntax");
    // Document type declaration: a ">" ends it only outside the internal subset.
    // A bad declaration inside makes the whole node an error, reported at its "<".
    bool subset = false;
    int badAt = -1;
    for (int i = start + 3; i < len; ++i) {
      WCHAR e = doc[i];
      if (e == u'"' || e == u'\'') {
        int q = i + 1;
        while (q < len && doc[q] != e) ++q;
        if (q >= len) return unterminated(u"document_type");
        i = q;
      } else if (e == u'[') {
        subset = true;
      } else if (e == u']') {
        subset = false;
      } else if (e == u'>' && !subset) {
        node.m_nLength = i + 1 - start;
        if (badAt >= 0) {
          node.m_pszError = u"doctype_tag_syntax";
          node.m_nErrorOffset = badAt;
          return node.m_nType = CXmlDocument::MNT_NODE_ERROR;
        }
        return node.m_nType = CXmlDocument::MNT_DOCUMENT_TYPE;
      } else if (e == u'<' && subset && i + 1 < len && doc[i + 1] == u'!') {
        WCHAR f = i + 2 < len ? doc[i + 2] : 0;
        if (f == u'-') {
          int at = FindSeq(doc, len, i + 2, u"-->", 3);
          if (at < 0) return unterminated(u"document_type");
          i = at + 2;
        } else if (f != u'A' && f != u'E' && f != u'N' && badAt < 0) {
          badAt = i;
        }
      }
    }
    return unterminated(u"document_type");
  }
  if (!((c >= u'A' && c <= u'Z') || c >= u'a' || c == u'_' || c == u':')) return syntax(u"first_tag_syntax");
  // Start tag: quoted values may hold ">".
  for (int i = start + 2; i < len; ++i) {
    WCHAR e = doc[i];
    if (e == u'"' || e == u'\'') {
      int q = i + 1;
      while (q < len && doc[q] != e) ++q;
      if (q >= len) break;
      i = q;
    } else if (e == u'>') {
      node.m_nLength = i + 1 - start;
      node.m_bEmptyElement = doc[i - 1] == u'/';
      return node.m_nType = CXmlDocument::MNT_ELEMENT;
    }
  }
  return unterminated(u"start_tag");
}

int NameLength(const WCHAR* doc, int len, int from) {
  int i = from;
  while (i < len && !IsNameStop(doc[i])) ++i;
  return i - from;
}

// ASCII case is ignored only with ignoreCase, and only until a non-ASCII character matched.
bool NameEquals(const WCHAR* a, int aLength, LPCWSTR b, int bLength, bool ignoreCase) {
  if (aLength != bLength) return false;
  for (int i = 0; i < aLength; ++i) {
    if (a[i] == b[i]) {
      if (a[i] > 0x7F) ignoreCase = false;
      continue;
    }
    if (ignoreCase && Fold(a[i]) == Fold(b[i])) continue;
    return false;
  }
  return true;
}

// Scans the attributes of the tag [tagStart, tagEnd) (a start tag or a processing instruction)
// for the first one named `name`.
bool FindAttribute(const WCHAR* doc, int tagStart, int tagEnd, LPCWSTR name, bool ignoreCase, int& valueStart,
                   int& valueLength) {
  int nameLength = static_cast<int>(wcslen(name));
  int i = tagStart + 1;
  if (i < tagEnd && doc[i] == u'?') ++i;
  i += NameLength(doc, tagEnd, i);
  for (;;) {
    while (i < tagEnd && IsSpace(doc[i])) ++i;
    if (i >= tagEnd) return false;
    WCHAR c = doc[i];
    if (c == u'>' || c == u'/' || c == u'?') return false;
    int ns = i;
    while (i < tagEnd && !IsSpace(doc[i]) && doc[i] != u'=' && doc[i] != u'>' && doc[i] != u'/' &&
           doc[i] != u'?') {
      ++i;
    }
    int nl = i - ns;
    if (nl == 0) {
      ++i;  // a stray "=": step over it
      continue;
    }
    while (i < tagEnd && IsSpace(doc[i])) ++i;
    int vs = i;
    int vl = 0;
    if (i < tagEnd && doc[i] == u'=') {
      ++i;
      while (i < tagEnd && IsSpace(doc[i])) ++i;
      if (i < tagEnd && (doc[i] == u'"' || doc[i] == u'\'')) {
        WCHAR q = doc[i++];
        vs = i;
        while (i < tagEnd && doc[i] != q) ++i;
        vl = i - vs;
        if (i < tagEnd) ++i;
      } else {
        vs = i;
        while (i < tagEnd && !IsSpace(doc[i]) && doc[i] != u'>' &&
               !(doc[i] == u'/' && i + 1 < tagEnd && doc[i + 1] == u'>')) {
          ++i;
        }
        vl = i - vs;
      }
    }
    if (NameEquals(doc + ns, nl, name, nameLength, ignoreCase)) {
      valueStart = vs;
      valueLength = vl;
      return true;
    }
  }
}

// Length of the first name of a relative path, or -1 when the path is not valid: names split by
// "/", each with optional predicates "[n]", "[@attr]", "[@attr=value]", and a final "@attr".
int PathFirstNameLength(LPCWSTR path) {
  if (path[0] == u'/') return -1;
  int first = -1;
  int i = 0;
  for (;;) {
    if (path[i] == u'@') {
      ++i;
      int ns = i;
      while (IsPathNameChar(path[i])) ++i;
      if (i == ns || path[i] != 0) return -1;
      return first < 0 ? 0 : first;
    }
    int ns = i;
    while (IsPathNameChar(path[i])) ++i;
    if (i == ns) return -1;
    if (first < 0) first = i - ns;
    while (path[i] == u'[') {
      ++i;
      if (path[i] >= u'0' && path[i] <= u'9') {
        while (path[i] >= u'0' && path[i] <= u'9') ++i;
      } else if (path[i] == u'@') {
        ++i;
        int as = i;
        while (IsPathNameChar(path[i])) ++i;
        if (i == as) return -1;
        if (path[i] == u'=') {
          ++i;
          if (path[i] == u'"' || path[i] == u'\'') {
            WCHAR q = path[i++];
            while (path[i] && path[i] != q) ++i;
            if (!path[i]) return -1;
            ++i;
          } else {
            while (path[i] && path[i] != u']') ++i;
          }
        }
      } else {
        return -1;
      }
      if (path[i] != u']') return -1;
      ++i;
    }
    if (path[i] == 0) return first;
    if (path[i] != u'/' || path[i + 1] == u'/') return -1;
    ++i;
  }
}

bool IsValidUtf8(const unsigned char* p, size_t n) {
  size_t i = 0;
  while (i < n) {
    unsigned char c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    int more;
    if (c >= 0xC2 && c <= 0xDF) {
      more = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3;
    } else {
      return false;
    }
    if (i + static_cast<size_t>(more) >= n) return false;  // cut off by the end of the file
    for (int k = 1; k <= more; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
    }
    i += static_cast<size_t>(more) + 1;
  }
  return true;
}

// The encoding named in the first bytes: the XML declaration, or an HTML meta charset.
CString DeclaredEncoding(const std::u16string& sniff) {
  const WCHAR* doc = sniff.c_str();
  int len = static_cast<int>(sniff.size());
  Node node;
  int type = ScanNode(doc, len, 0, node);
  int vs = 0;
  int vl = 0;
  if (type == CXmlDocument::MNT_PROCESSING_INSTRUCTION) {
    if (NameEquals(doc + 2, NameLength(doc, len, 2), u"xml", 3, false) &&
        FindAttribute(doc, 0, node.m_nLength, u"encoding", false, vs, vl)) {
      return CString(doc + vs, vl);
    }
    return CString();
  }
  while (type != CXmlDocument::MNT_END && type != CXmlDocument::MNT_ELEMENT) {
    type = ScanNode(doc, len, node.m_nStart + std::max(1, node.m_nLength), node);
  }
  if (type != CXmlDocument::MNT_ELEMENT || !NameEquals(doc + 1, NameLength(doc, len, 1), u"html", 4, true)) {
    return CString();
  }
  for (;;) {
    type = ScanNode(doc, len, node.m_nStart + std::max(1, node.m_nLength), node);
    if (type == CXmlDocument::MNT_END) return CString();
    int nameStart = node.m_nStart + (type == CXmlDocument::MNT_END_TAG ? 2 : 1);
    int nameLength = NameLength(doc, len, nameStart);
    if (type == CXmlDocument::MNT_END_TAG && NameEquals(doc + nameStart, nameLength, u"head", 4, true)) {
      return CString();
    }
    if (type != CXmlDocument::MNT_ELEMENT || !NameEquals(doc + nameStart, nameLength, u"meta", 4, true))
      continue;
    int end = node.m_nStart + node.m_nLength;
    if (!FindAttribute(doc, node.m_nStart, end, u"http-equiv", true, vs, vl) ||
        !NameEquals(doc + vs, vl, u"Content-Type", 12, true) ||
        !FindAttribute(doc, node.m_nStart, end, u"content", true, vs, vl)) {
      continue;
    }
    CString content(doc + vs, vl);
    for (int i = 0; i + 7 <= content.GetLength(); ++i) {
      if (!NameEquals(content.GetString() + i, 7, u"charset", 7, true)) continue;
      int j = i + 7;
      while (j < content.GetLength() && IsSpace(content[j])) ++j;
      if (j >= content.GetLength() || content[j] != u'=') continue;
      ++j;
      while (j < content.GetLength() && IsSpace(content[j])) ++j;
      int ts = j;
      while (j < content.GetLength() && !IsSpace(content[j]) && content[j] != u';' && content[j] != u'"' &&
             content[j] != u'\'') {
        ++j;
      }
      return content.Mid(ts, j - ts);
    }
  }
}

CString FileErrorText(DWORD err) {
  switch (err) {
    case ERROR_FILE_NOT_FOUND:
      return u"The system cannot find the file specified.";
    case ERROR_PATH_NOT_FOUND:
      return u"The system cannot find the path specified.";
    case ERROR_ACCESS_DENIED:
      return u"Access is denied.";
    case ERROR_NOT_ENOUGH_MEMORY:
      return u"Not enough storage is available to process this command.";
    default:
      return u"The file could not be read or written.";
  }
}

DWORD LastFileError() {
  DWORD err = GetLastError();
  if (err != ERROR_SUCCESS) return err;
  switch (errno) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
      return ERROR_ACCESS_DENIED;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_GEN_FAILURE;
  }
}

}  // namespace

CXmlDocument::CXmlDocument() {
  ResetIndex(8);
}

CXmlDocument::~CXmlDocument() = default;

void CXmlDocument::ResetIndex(int capacity) {
  m_Blocks.clear();
  m_BlockSizes.clear();
  m_nElemCapacity = 0;
  m_nElemUsed = 0;
  for (int left = capacity; left > 0; left -= kBlockRecords) {
    int size = std::min(left, kBlockRecords);
    m_Blocks.emplace_back(new ElemPos[static_cast<size_t>(size)]);
    m_BlockSizes.push_back(size);
    m_nElemCapacity += size;
  }
  m_nElemUsed = 1;  // the virtual document node
  At(0) = ElemPos();
}

int CXmlDocument::NewElem() {
  if (m_nElemUsed >= m_nElemCapacity) {
    int target = m_nElemCapacity + std::max(1, m_nElemCapacity / 2);
    // Fill the last block up to its full size first, then add blocks.
    size_t last = m_Blocks.size() - 1;
    if (m_BlockSizes[last] < kBlockRecords) {
      int size = std::min(kBlockRecords, m_BlockSizes[last] + (target - m_nElemCapacity));
      std::unique_ptr<ElemPos[]> grown(new ElemPos[static_cast<size_t>(size)]);
      std::copy(m_Blocks[last].get(), m_Blocks[last].get() + m_BlockSizes[last], grown.get());
      m_nElemCapacity += size - m_BlockSizes[last];
      m_Blocks[last] = std::move(grown);
      m_BlockSizes[last] = size;
    }
    while (m_nElemCapacity < target) {
      int size = std::min(kBlockRecords, target - m_nElemCapacity);
      m_Blocks.emplace_back(new ElemPos[static_cast<size_t>(size)]);
      m_BlockSizes.push_back(size);
      m_nElemCapacity += size;
    }
  }
  int index = m_nElemUsed++;
  At(index) = ElemPos();
  return index;
}

void CXmlDocument::LinkChild(int parent, int child) {
  ElemPos& c = At(child);
  c.m_dwElemParent = static_cast<DWORD>(parent);
  c.m_dwElemNext = 0;
  int first = static_cast<int>(At(parent).m_dwElemChild);
  if (!first) {
    At(parent).m_dwElemChild = static_cast<DWORD>(child);
    c.m_dwElemPrev = static_cast<DWORD>(child);
    return;
  }
  int last = static_cast<int>(At(first).m_dwElemPrev);
  At(last).m_dwElemNext = static_cast<DWORD>(child);
  c.m_dwElemPrev = static_cast<DWORD>(last);
  At(first).m_dwElemPrev = static_cast<DWORD>(child);
}

// An element without an end tag keeps only its start tag; its children become its following
// siblings, so the parent sees everything that was inside it.
void CXmlDocument::CloseUnended(int elem, int endOffset) {
  ElemPos& r = At(elem);
  r.m_dwFlags |= MNF_NONENDED;
  r.m_dwLength = r.StartTagLen();
  r.m_dwTagLengths = r.StartTagLen();
  int nameStart = static_cast<int>(r.m_dwStart) + 1;
  AddResult(
      u"unended_start_tag",
      {{u"tagname", CString(m_strDoc.c_str() + nameStart,
                            NameLength(m_strDoc.c_str(), static_cast<int>(m_strDoc.size()), nameStart))},
       {u"offset", Number(r.m_dwStart)},
       {u"offset2", Number(endOffset)}});
  int first = static_cast<int>(r.m_dwElemChild);
  if (!first) return;
  int parent = static_cast<int>(r.m_dwElemParent);
  int oldNext = static_cast<int>(r.m_dwElemNext);
  int last = static_cast<int>(At(first).m_dwElemPrev);
  for (int x = first; x; x = static_cast<int>(At(x).m_dwElemNext))
    At(x).m_dwElemParent = static_cast<DWORD>(parent);
  At(elem).m_dwElemChild = 0;
  At(elem).m_dwElemNext = static_cast<DWORD>(first);
  At(first).m_dwElemPrev = static_cast<DWORD>(elem);
  At(last).m_dwElemNext = static_cast<DWORD>(oldNext);
  if (oldNext) {
    At(oldNext).m_dwElemPrev = static_cast<DWORD>(last);
  } else {
    At(static_cast<int>(At(parent).m_dwElemChild)).m_dwElemPrev = static_cast<DWORD>(last);
  }
}

// Levels and first-child marks are settled once the tree is final (unended elements move
// subtrees around while parsing).
void CXmlDocument::FinishLevels() {
  std::vector<int> stack{0};
  At(0).m_dwFlags &= ~(0xFFFFu | MNF_FIRST);
  while (!stack.empty()) {
    int p = stack.back();
    stack.pop_back();
    DWORD level = std::min<DWORD>(At(p).Level() + 1, 0xFFFF);
    int first = static_cast<int>(At(p).m_dwElemChild);
    for (int c = first; c; c = static_cast<int>(At(c).m_dwElemNext)) {
      ElemPos& r = At(c);
      r.m_dwFlags =
          (r.m_dwFlags & ~(0xFFFFu | MNF_FIRST)) | level | (c == first ? static_cast<DWORD>(MNF_FIRST) : 0u);
      stack.push_back(c);
    }
  }
}

void CXmlDocument::AddResult(LPCWSTR name, std::initializer_list<std::pair<LPCWSTR, CString>> attributes) {
  if (m_strResult.GetLength() >= kMaxResultLength) return;
  CString r = CString(u"<") + name;
  for (const auto& a : attributes) {
    r += u" ";
    r += a.first;
    r += u"=\"";
    r += EscapeText(a.second, true);
    r += u"\"";
  }
  r += u"/>";
  m_strResult += r;
}

void CXmlDocument::Parse() {
  const WCHAR* doc = m_strDoc.c_str();
  int len = static_cast<int>(m_strDoc.size());
  m_nPosParent = m_nPos = m_nPosChild = 0;
  m_nNodeType = m_nNodeOffset = m_nNodeLength = 0;
  ResetIndex(len / 64 + 8);
  At(0).m_dwLength = static_cast<DWORD>(len);

  std::vector<int> open;
  open.reserve(7);
  Node node;
  int pos = 0;
  for (;;) {
    int type = ScanNode(doc, len, pos, node);
    if (type == MNT_END) break;
    if (type == MNT_ELEMENT) {
      int parent = open.empty() ? 0 : open.back();
      int e = NewElem();
      LinkChild(parent, e);
      ElemPos& r = At(e);
      r.m_dwStart = static_cast<DWORD>(node.m_nStart);
      r.m_dwTagLengths = std::min(static_cast<DWORD>(node.m_nLength), kMaxStartTagLen);
      if (node.m_bEmptyElement) {
        r.m_dwLength = static_cast<DWORD>(node.m_nLength);
      } else {
        open.push_back(e);
      }
    } else if (type == MNT_END_TAG) {
      int nameStart = node.m_nStart + 2;
      int nameLength = NameLength(doc, len, nameStart);
      int k = static_cast<int>(open.size()) - 1;
      for (; k >= 0; --k) {
        int s = static_cast<int>(At(open[static_cast<size_t>(k)]).m_dwStart) + 1;
        if (NameEquals(doc + s, NameLength(doc, len, s), doc + nameStart, nameLength,
                       (m_nDocFlags & MDF_IGNORECASE) != 0)) {
          break;
        }
      }
      if (k >= 0) {
        if (static_cast<size_t>(k) + 1 < open.size()) At(0).m_dwFlags |= MNF_ILLFORMED;
        for (size_t i = static_cast<size_t>(k) + 1; i < open.size(); ++i)
          CloseUnended(open[i], node.m_nStart);
        ElemPos& r = At(open[static_cast<size_t>(k)]);
        r.m_dwLength = static_cast<DWORD>(node.m_nStart + node.m_nLength) - r.m_dwStart;
        r.m_dwTagLengths |= std::min(static_cast<DWORD>(node.m_nLength), kMaxEndTagLen) << 22;
        open.resize(static_cast<size_t>(k));
      } else {
        AddResult(u"lone_end_tag",
                  {{u"tagname", CString(doc + nameStart, nameLength)}, {u"offset", Number(node.m_nStart)}});
        At(0).m_dwFlags |= MNF_ILLFORMED;
        At(open.empty() ? 0 : open.back()).m_dwFlags |= MNF_ILLDATA;
      }
    } else if (type == MNT_NODE_ERROR) {
      At(0).m_dwFlags |= MNF_ILLFORMED;
      if (node.m_pszUnterminated) {
        AddResult(node.m_pszError,
                  {{u"type", node.m_pszUnterminated}, {u"offset", Number(node.m_nErrorOffset)}});
      } else {
        AddResult(node.m_pszError, {{u"offset", Number(node.m_nErrorOffset)}});
      }
    }
    pos = node.m_nStart + std::max(1, node.m_nLength);
  }
  if (!open.empty()) At(0).m_dwFlags |= MNF_ILLFORMED;
  for (int e : open) CloseUnended(e, len);

  int root = static_cast<int>(At(0).m_dwElemChild);
  if (!root && len > 0) AddResult(u"no_root_element");
  if (root && At(root).m_dwElemNext) AddResult(u"root_has_sibling");
  FinishLevels();
}

bool CXmlDocument::IsWellFormed() const {
  if (m_nElemUsed < 1) return false;
  const ElemPos& doc = At(0);
  int root = static_cast<int>(doc.m_dwElemChild);
  return !(doc.m_dwFlags & MNF_ILLFORMED) && root && !At(root).m_dwElemNext;
}

BOOL CXmlDocument::ParseText(LPCWSTR text) {
  if (m_nDocFlags & (MDF_READFILE | MDF_WRITEFILE)) return FALSE;
  m_strDoc = text ? std::u16string(text, wcslen(text)) : std::u16string();
  m_strResult.Empty();
  Parse();
  return IsWellFormed() ? TRUE : FALSE;
}

BOOL CXmlDocument::LoadFile(LPCWSTR path) {
  if (m_nDocFlags & (MDF_READFILE | MDF_WRITEFILE)) return FALSE;
  m_strDoc.clear();
  m_strResult.Empty();
  m_strEncoding.Empty();
  m_nDocFlags &= ~(MDF_UTF16 | MDF_UTF8PREAMBLE | MDF_UTF16BEFILE);

  auto fileError = [&]() {
    DWORD err = LastFileError();
    AddResult(u"file_error", {{u"msg", FileErrorText(err).Left(100)}, {u"n", Number(err)}});
  };
  SetLastError(ERROR_SUCCESS);
  errno = 0;
  FILE* f = path ? _wfopen(path, u"rb") : nullptr;
  if (!f) {
    fileError();
    Parse();
    return FALSE;
  }
  std::string bytes;
  char chunk[16384];
  size_t got = 0;
  while ((got = fread(chunk, 1, sizeof(chunk), f)) > 0) bytes.append(chunk, got);
  bool readFailed = ferror(f) != 0;
  if (fclose(f) != 0 || readFailed || bytes.size() > static_cast<size_t>(INT_MAX / 2)) {
    fileError();
    Parse();
    return FALSE;
  }

  const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t size = bytes.size();
  size_t off = 0;
  if (size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
    m_strEncoding = u"UTF-8";
    m_nDocFlags |= MDF_UTF8PREAMBLE;
    off = 3;
  } else if (size >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
    m_strEncoding = u"UTF-16LE";
    m_nDocFlags |= MDF_UTF16;
    off = 2;
  } else if (size >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
    m_strEncoding = u"UTF-16BE";
    m_nDocFlags |= MDF_UTF16 | MDF_UTF16BEFILE;
    off = 2;
  }
  if (off) {
    AddResult(u"bom");
  } else if (size > 0) {
    // The declaration is ASCII; other bytes only need to stay out of its way.
    std::u16string sniff;
    for (size_t i = 0; i < std::min(size, kSniffBytes); ++i) sniff.push_back(b[i] < 0x80 ? b[i] : 0xFFFD);
    m_strEncoding = DeclaredEncoding(sniff);
    if (m_strEncoding.IsEmpty() && b[0] == '<') m_strEncoding = u"UTF-8";
  }

  if (m_nDocFlags & MDF_UTF16) {
    bool bigEndian = (m_nDocFlags & MDF_UTF16BEFILE) != 0;
    size_t units = (size - off) / 2;
    long long nulls = 0;
    m_strDoc.reserve(units);
    for (size_t i = 0; i < units; ++i) {
      unsigned lo = b[off + 2 * i];
      unsigned hi = b[off + 2 * i + 1];
      WCHAR c = static_cast<WCHAR>(bigEndian ? (lo << 8 | hi) : (hi << 8 | lo));
      if (c == 0) {
        ++nulls;
      } else {
        m_strDoc.push_back(c);
      }
    }
    if (nulls) AddResult(u"nulls_removed", {{u"count", Number(nulls)}});
    if (bigEndian) AddResult(u"endian_swap");
    AddResult(u"read", {{u"encoding", m_strEncoding}, {u"length", Number(static_cast<long long>(units))}});
  } else {
    std::string text;
    text.reserve(size - off);
    for (size_t i = off; i < size; ++i) {
      if (b[i]) text.push_back(static_cast<char>(b[i]));
    }
    long long nulls = static_cast<long long>(size - off - text.size());
    if (nulls) AddResult(u"nulls_removed", {{u"count", Number(nulls)}});
    bool detect = m_strEncoding.IsEmpty();
    if (detect && IsValidUtf8(reinterpret_cast<const unsigned char*>(text.data()), text.size())) {
      m_strEncoding = u"UTF-8";
    }
    if (m_strEncoding.IsEmpty()) {
      AddResult(u"read", {{u"length", Number(static_cast<long long>(text.size()))}});
    } else {
      AddResult(u"read",
                {{u"encoding", m_strEncoding}, {u"length", Number(static_cast<long long>(text.size()))}});
    }
    if (detect) AddResult(u"utf8_detection");
    // An encoding that stays unknown is the system's ANSI code page.
    int codePage = m_strEncoding.IsEmpty() ? CP_ACP : XmlCodePageFromName(m_strEncoding);
    if (!text.empty() && codePage >= 0) {
      int n = MultiByteToWideChar(static_cast<UINT>(codePage), 0, text.data(), static_cast<int>(text.size()),
                                  nullptr, 0);
      if (n > 0) {
        m_strDoc.resize(static_cast<size_t>(n));
        n = MultiByteToWideChar(static_cast<UINT>(codePage), 0, text.data(), static_cast<int>(text.size()),
                                &m_strDoc[0], n);
        m_strDoc.resize(static_cast<size_t>(std::max(n, 0)));
        AddResult(u"converted_to", {{u"encoding", u"UTF-16"}, {u"length", Number(n)}});
      }
    }
  }
  Parse();
  return IsWellFormed() ? TRUE : FALSE;
}

BOOL CXmlDocument::SaveFile(LPCWSTR path) {
  if (m_nDocFlags & (MDF_READFILE | MDF_WRITEFILE)) return FALSE;
  std::string out;
  if (m_nDocFlags & MDF_UTF16) {
    bool bigEndian = (m_nDocFlags & MDF_UTF16BEFILE) != 0;
    out.append(bigEndian ? "\xFE\xFF" : "\xFF\xFE");
    for (WCHAR c : m_strDoc) {
      char lo = static_cast<char>(c & 0xFF);
      char hi = static_cast<char>(c >> 8);
      out.push_back(bigEndian ? hi : lo);
      out.push_back(bigEndian ? lo : hi);
    }
    if (bigEndian) AddResult(u"endian_swap");
  } else {
    if (m_nDocFlags & MDF_UTF8PREAMBLE) out.append("\xEF\xBB\xBF");
    int codePage = m_strEncoding.IsEmpty() ? CP_ACP : XmlCodePageFromName(m_strEncoding);
    if (codePage < 0) codePage = CP_ACP;
    if (!m_strDoc.empty()) {
      int units = static_cast<int>(m_strDoc.size());
      BOOL lost = FALSE;
      BOOL* lostFlag = codePage == CP_UTF8 ? nullptr : &lost;
      int n = WideCharToMultiByte(static_cast<UINT>(codePage), 0, m_strDoc.c_str(), units, nullptr, 0,
                                  nullptr, lostFlag);
      if (n > 0) {
        size_t at = out.size();
        out.resize(at + static_cast<size_t>(n));
        WideCharToMultiByte(static_cast<UINT>(codePage), 0, m_strDoc.c_str(), units, &out[at], n, nullptr,
                            lostFlag);
      }
      AddResult(u"converted_from", {{u"encoding", u"UTF-16"}, {u"length", Number(units)}});
      if (lost || n <= 0) AddResult(u"conversion_loss");
    }
  }
  SetLastError(ERROR_SUCCESS);
  errno = 0;
  FILE* f = path ? _wfopen(path, u"wb") : nullptr;
  if (!f) {
    AddResult(u"file_error", {{u"msg", FileErrorText(LastFileError())}, {u"n", Number(LastFileError())}});
    return FALSE;
  }
  size_t put = out.empty() ? 0 : fwrite(out.data(), 1, out.size(), f);
  bool closed = fclose(f) == 0;
  if (put != out.size() || !closed) {
    AddResult(u"file_error", {{u"msg", FileErrorText(LastFileError())}, {u"n", Number(LastFileError())}});
    return FALSE;
  }
  AddResult(u"write",
            {{u"encoding", m_strEncoding}, {u"length", Number(static_cast<long long>(out.size()))}});
  return TRUE;
}

void CXmlDocument::ResetPosition() {
  m_nPosParent = m_nPos = m_nPosChild = 0;
  m_nNodeType = m_nNodeOffset = m_nNodeLength = 0;
}

void CXmlDocument::RestartChildren() {
  m_nPos = m_nPosChild = 0;
  m_nNodeType = m_nNodeOffset = m_nNodeLength = 0;
}

BOOL CXmlDocument::FindElement(LPCWSTR name) {
  if ((m_nDocFlags & MDF_WRITEFILE) || m_nElemUsed < 1) return FALSE;
  int nameLength = -1;  // any name
  if (name && *name) {
    nameLength = PathFirstNameLength(name);
    if (nameLength < 0) return FALSE;
    if (nameLength == 0) nameLength = -1;
  }
  const WCHAR* doc = m_strDoc.c_str();
  int len = static_cast<int>(m_strDoc.size());
  int i =
      m_nPos ? static_cast<int>(At(m_nPos).m_dwElemNext) : static_cast<int>(At(m_nPosParent).m_dwElemChild);
  for (; i; i = static_cast<int>(At(i).m_dwElemNext)) {
    if (nameLength >= 0) {
      int s = static_cast<int>(At(i).m_dwStart) + 1;
      if (!NameEquals(doc + s, NameLength(doc, len, s), name, nameLength,
                      (m_nDocFlags & MDF_IGNORECASE) != 0))
        continue;
    }
    m_nPos = i;
    m_nPosChild = 0;
    m_nNodeType = MNT_ELEMENT;
    m_nNodeOffset = static_cast<int>(At(i).m_dwStart);
    m_nNodeLength = static_cast<int>(At(i).m_dwLength);
    return TRUE;
  }
  return FALSE;
}

BOOL CXmlDocument::EnterElement() {
  if (!m_nPos) return FALSE;
  m_nPosParent = m_nPos;
  m_nPos = m_nPosChild;
  m_nPosChild = 0;
  m_nNodeType = m_nPos ? MNT_ELEMENT : 0;
  return TRUE;
}

CString CXmlDocument::GetAttribute(LPCWSTR name) const {
  if (!m_nPos || !name) return CString();
  const ElemPos& r = At(m_nPos);
  int start = static_cast<int>(r.m_dwStart);
  int vs = 0;
  int vl = 0;
  if (!FindAttribute(m_strDoc.c_str(), start, start + static_cast<int>(r.StartTagLen()), name,
                     (m_nDocFlags & MDF_IGNORECASE) != 0, vs, vl)) {
    return CString();
  }
  return UnescapeText(m_strDoc.c_str() + vs, vl);
}

CString CXmlDocument::GetTagName() const {
  if (!m_nPos) return CString();
  int s = static_cast<int>(At(m_nPos).m_dwStart) + 1;
  return CString(m_strDoc.c_str() + s, NameLength(m_strDoc.c_str(), static_cast<int>(m_strDoc.size()), s));
}

CString CXmlDocument::UnescapeText(LPCWSTR text, int length) {
  if (!text) return CString();
  int len = length < 0 ? static_cast<int>(wcslen(text)) : length;
  std::u16string out;
  out.reserve(static_cast<size_t>(len));
  for (int i = 0; i < len; ++i) {
    WCHAR c = text[i];
    if (c != u'&') {
      out.push_back(c);
      continue;
    }
    // A reference ends with ";" within 9 characters after the "&".
    int semi = -1;
    for (int j = i + 1; j < len && j - i <= 9; ++j) {
      if (text[j] == u';') {
        semi = j;
        break;
      }
      if (text[j] > 0x7F) break;
    }
    if (semi < 0) {
      out.push_back(c);
      continue;
    }
    const WCHAR* ref = text + i + 1;
    int refLength = semi - i - 1;
    DWORD value = 0;
    if (refLength > 1 && ref[0] == u'#') {
      bool hex = ref[1] == u'x' || ref[1] == u'X';
      int k = hex ? 2 : 1;
      for (; k < refLength; ++k) {
        WCHAR d = ref[k];
        int digit = -1;
        if (d >= u'0' && d <= u'9') {
          digit = d - u'0';
        } else if (hex && Fold(d) >= u'a' && Fold(d) <= u'f') {
          digit = Fold(d) - u'a' + 10;
        }
        if (digit < 0) {
          value = 0;
          break;
        }
        value = value * (hex ? 16 : 10) + static_cast<DWORD>(digit);
      }
    } else {
      value = XmlLookupEntity(ref, refLength);
    }
    // Beyond U+10FFFF there is no character to write: the reference stays as written.
    if (value == 0 || value > 0x10FFFF) {
      out.push_back(c);
      continue;
    }
    if (value > 0xFFFF) {
      value -= 0x10000;
      out.push_back(static_cast<WCHAR>(0xD800 + (value >> 10)));
      out.push_back(static_cast<WCHAR>(0xDC00 + (value & 0x3FF)));
    } else {
      out.push_back(static_cast<WCHAR>(value));
    }
    i = semi;
  }
  return CString(out);
}

CString CXmlDocument::EscapeText(LPCWSTR text, bool attribute) {
  if (!text) return CString();
  std::u16string out;
  size_t len = wcslen(text);
  out.reserve(len + len / 5 + 7);
  for (size_t i = 0; i < len; ++i) {
    switch (text[i]) {
      case u'<':
        out += u"&lt;";
        break;
      case u'&':
        out += u"&amp;";
        break;
      case u'>':
        out += u"&gt;";
        break;
      case u'"':
        if (attribute) {
          out += u"&quot;";
          break;
        }
        out.push_back(text[i]);
        break;
      case u'\'':
        if (attribute) {
          out += u"&apos;";
          break;
        }
        out.push_back(text[i]);
        break;
      default:
        out.push_back(text[i]);
    }
  }
  return CString(out);
}
