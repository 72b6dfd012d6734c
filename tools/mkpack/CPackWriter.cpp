#include "tools/mkpack/CPackWriter.h"

#include "platform/kernel/wcestr.h"
#include "wceui/resfiles/WceUiPackFormat.h"

#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

namespace {

// The name the string of the index holds; the reader only checks that it is terminated.
const char16_t kIndexString[] = u"corvane resource pack";
// Item names are kept short enough that a record's size and the name stay well within 32 bits.
constexpr size_t kMaxNameUnits = 1024;

DWORD RecordSize(const std::u16string& name) {
  DWORD n = kPackRecordNameOffset + 2 * DWORD(name.size() + 1);
  return (n + 3) & ~DWORD(3);
}

void Put(std::string& out, size_t at, DWORD value) {
  FhWritePackDword(reinterpret_cast<BYTE*>(&out[at]), value);
}

void PutName(std::string& out, size_t at, const std::u16string& name) {
  for (size_t i = 0; i < name.size(); ++i) {
    out[at + 2 * i] = char(name[i] & 0xFF);
    out[at + 2 * i + 1] = char(name[i] >> 8);
  }
}

}  // namespace

bool CPackWriter::AddItem(const std::u16string& name, const std::string& bytes, std::string* pError) {
  std::u16string packName = name;
  for (char16_t& c : packName) {
    if (c == u'/') c = u'\\';
  }
  _wcslwr(packName.data());
  if (packName.empty() || packName.find(u'\0') != std::u16string::npos) {
    *pError = "an item needs a name";
    return false;
  }
  if (packName.size() > kMaxNameUnits) {
    *pError = "item name too long: " + WceWideToUtf8(name);
    return false;
  }
  if (!m_Items.emplace(packName, bytes).second) {
    *pError = "two items fold to the name " + WceWideToUtf8(packName);
    return false;
  }
  return true;
}

bool CPackWriter::AddDirectory(const std::string& hostDir, std::string* pError) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::is_directory(hostDir, ec)) {
    *pError = hostDir + " is not a directory";
    return false;
  }
  for (fs::recursive_directory_iterator it(hostDir, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    std::ifstream in(it->path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    if (!in) {
      *pError = "cannot read " + it->path().string();
      return false;
    }
    std::string rel = fs::relative(it->path(), hostDir, ec).generic_string();
    if (ec || !AddItem(WceUtf8ToWide(rel), bytes.str(), pError)) {
      if (ec) *pError = "cannot name " + it->path().string();
      return false;
    }
  }
  if (ec) {
    *pError = "cannot walk " + hostDir + ": " + ec.message();
    return false;
  }
  return true;
}

bool CPackWriter::Build(LPCWSTR pPassword, std::string* pPack, std::string* pError) const {
  const std::u16string text(kIndexString);
  DWORD nFirst = kPackIndexStringOffset + 2 * DWORD(text.size() + 1);
  ULONGLONG nBlockLen = nFirst;
  for (const auto& item : m_Items) nBlockLen += RecordSize(item.first);

  std::vector<std::string> stored;
  ULONGLONG nEnd = kPackHeaderSize + nBlockLen;
  for (const auto& item : m_Items) {
    uLongf len = compressBound(item.second.size());
    std::string z(len, '\0');
    if (compress2(reinterpret_cast<Bytef*>(&z[0]), &len, reinterpret_cast<const Bytef*>(item.second.data()),
                  item.second.size(), Z_BEST_COMPRESSION) != Z_OK) {
      *pError = "cannot compress " + WceWideToUtf8(item.first);
      return false;
    }
    z.resize(len);
    nEnd += z.size();
    if (item.second.size() > 0xFFFFFFFFu || nEnd > 0xFFFFFFFFu) {
      *pError = "the pack would pass 4 GiB";
      return false;
    }
    stored.push_back(std::move(z));
  }

  std::string block(nBlockLen, '\0');
  Put(block, kPackIndexCountOffset, DWORD(m_Items.size()));
  Put(block, kPackIndexStringLenOffset, DWORD(text.size() + 1));
  PutName(block, kPackIndexStringOffset, text);
  DWORD nPos = nFirst;
  DWORD nData = kPackHeaderSize + DWORD(nBlockLen);
  size_t i = 0;
  for (const auto& item : m_Items) {
    Put(block, nPos + kPackRecordSizeOffset, RecordSize(item.first));
    Put(block, nPos + kPackRecordExpandedOffset, DWORD(item.second.size()));
    Put(block, nPos + kPackRecordStoredOffset, DWORD(stored[i].size()));
    Put(block, nPos + kPackRecordDataOffset, nData);
    PutName(block, nPos + kPackRecordNameOffset, item.first);
    nPos += RecordSize(item.first);
    nData += DWORD(stored[i].size());
    ++i;
  }

  uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(block.data()), uInt(block.size()));
  for (const std::string& z : stored)
    crc = crc32(crc, reinterpret_cast<const Bytef*>(z.data()), uInt(z.size()));
  DWORD dwStamp = DWORD(crc);
  Put(block, kPackIndexStampOffset, dwStamp);
  FhScramblePackIndex(reinterpret_cast<BYTE*>(&block[0]), DWORD(block.size()), FhPackKey(pPassword));

  std::string header(kPackHeaderSize, '\0');
  Put(header, kPackHeaderIndexEndOffset, kPackHeaderSize + DWORD(nBlockLen));
  Put(header, kPackHeaderStampOffset, dwStamp);
  std::string pack = header + block;
  for (const std::string& z : stored) pack += z;
  *pPack = std::move(pack);
  return true;
}

bool CPackWriter::List(const std::string& pack, LPCWSTR pPassword, FILE* out, std::string* pError) {
  if (pack.size() < kPackHeaderSize) {
    *pError = "shorter than a pack header";
    return false;
  }
  const BYTE* pHeader = reinterpret_cast<const BYTE*>(pack.data());
  DWORD nIndexEnd = FhReadPackDword(pHeader + kPackHeaderIndexEndOffset);
  DWORD dwStamp = FhReadPackDword(pHeader + kPackHeaderStampOffset);
  if (nIndexEnd < kPackHeaderSize || nIndexEnd > pack.size()) {
    *pError = "the header's index size does not fit the file";
    return false;
  }
  DWORD nLen = nIndexEnd - kPackHeaderSize;
  std::vector<BYTE> block(pHeader + kPackHeaderSize, pHeader + nIndexEnd);
  block.push_back(0);  // a zero-length index still has a valid data pointer
  FhScramblePackIndex(block.data(), nLen, FhPackKey(pPassword));
  LONG nCount = 0;
  DWORD nFirst = 0;
  FhPackIndexResult result = FhCheckPackIndexHead(block.data(), nLen, dwStamp, &nCount, &nFirst);
  std::vector<const BYTE*> records(size_t(nCount) + 1);
  if (result == kPackIndexOk) {
    result = FhWalkPackRecords(block.data(), nLen, nFirst, nCount, nIndexEnd, pack.size(), records.data());
  }
  switch (result) {
    case kPackIndexOk:
      break;
    case kPackIndexWrongStamp:
    case kPackIndexBadString:
      *pError = "the index does not unscramble: wrong password?";
      return false;
    case kPackIndexCorrupt:
      *pError = "the index is corrupt";
      return false;
  }
  std::fprintf(out, "stamp %08X, %d items\n", dwStamp, int(nCount));
  for (LONG i = 0; i < nCount; ++i) {
    std::fprintf(out, "%10u %10u %10u %s\n", FhPackRecordExpandedSize(records[i]),
                 FhPackRecordStoredSize(records[i]), FhPackRecordDataOffset(records[i]),
                 WceWideToUtf8(FhPackRecordName(records[i])).c_str());
  }
  return true;
}
