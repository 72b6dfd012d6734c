#pragma once

#include <cstddef>

namespace google {
namespace protobuf {
class MessageLite;
}
}  // namespace google

// A command payload is the bare wire encoding of one message: no length prefix, no type of its
// own; the frame header around it carries both. These two paths are the only ones the engine
// uses on a payload, and both go through the generated field-by-field code, never reflection.
class CProtoPayload {
 public:
  // The total-bytes limit the head unit's runtime has always parsed with. Payloads never come
  // near it (the receivers cap them far lower); it only bounds a malformed length.
  static const int kTotalBytesLimit = 64 << 20;

  // Merges the payload into msg. Required fields are not checked and trailing bytes are not an
  // error; unknown fields, and enumeration values outside the enumeration, are kept as unknown
  // fields. False on a truncated or malformed payload, with the fields read before the fault
  // left set. An empty payload is a valid message with nothing set.
  static bool Parse(google::protobuf::MessageLite& msg, const void* pData, size_t nLen);

  // Writes msg's encoding (set fields in field order, then the kept unknown fields) into pBuf.
  // Returns the number of bytes written, or -1 with nothing written when the encoding needs
  // more than nCap bytes. Unset required fields are simply left out.
  static int Serialize(const google::protobuf::MessageLite& msg, void* pBuf, size_t nCap);
};
