#include "proto/CProtoPayload.h"

#include <climits>
#include <cstdint>

#include <google/protobuf/io/coded_stream.h>
#include <google/protobuf/message_lite.h>

bool CProtoPayload::Parse(google::protobuf::MessageLite& msg, const void* pData, size_t nLen) {
  // The coded stream counts in int; a longer buffer cannot be a payload of ours anyway.
  if (nLen > static_cast<size_t>(kTotalBytesLimit)) return false;
  if (nLen != 0 && pData == nullptr) return false;
  google::protobuf::io::CodedInputStream in(static_cast<const uint8_t*>(pData), static_cast<int>(nLen));
  in.SetTotalBytesLimit(kTotalBytesLimit);
  return msg.MergePartialFromCodedStream(&in);
}

int CProtoPayload::Serialize(const google::protobuf::MessageLite& msg, void* pBuf, size_t nCap) {
  // ByteSizeLong caches every nested size, so the array writer needs no second sizing pass.
  const size_t nSize = msg.ByteSizeLong();
  if (nSize > nCap || nSize > static_cast<size_t>(INT_MAX)) return -1;
  if (nSize != 0 && pBuf == nullptr) return -1;
  uint8_t* const pStart = static_cast<uint8_t*>(pBuf);
  uint8_t* const pEnd = msg.SerializeWithCachedSizesToArray(pStart);
  return static_cast<int>(pEnd - pStart);
}
