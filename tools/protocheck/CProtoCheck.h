#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace google {
namespace protobuf {
class Descriptor;
class Message;
}  // namespace protobuf
}  // namespace google

// Self-check of the protocol messages as the runtime sees them: every schema file must be in the
// generated pool under its registered name with the descriptor the phone side compiles too, and
// one filled message of each type must survive the payload paths unchanged.
class CProtoCheck {
 public:
  struct FileEntry {
    const char* m_pszFile;      // name as stored in the descriptor
    const char* m_pszMessage;   // its one message
    size_t m_nDescriptorBytes;  // serialized FileDescriptorProto length
  };

  static const FileEntry s_Files[];
  static const size_t s_nFiles;

  // Checks every file and writes one line per file and a summary line to out.
  // Returns the number of files that failed.
  static size_t Run(std::FILE* out);

  // Checks one file; on failure sWhy says what is wrong, on success it describes the file.
  static bool CheckFile(const FileEntry& entry, std::string& sWhy);

 private:
  static void Fill(google::protobuf::Message& msg, int nSalt);
  static bool RoundTrip(const google::protobuf::Descriptor* pDesc, std::string& sWhy);
};
