#include "bench/CVideoStreams.h"

#include "phonesim/adb/CAdbPacket.h"
#include "phonesim/app/CAppProtocol.h"

#include <algorithm>
#include <string>

namespace {
// A stream frame's header: payload length, timestamp and type, each 4 bytes big-endian.
const size_t kFrameHeader = 12;

uint32_t Be32(const std::vector<uint8_t>& b, size_t o) {
  return (uint32_t(b[o]) << 24) | (uint32_t(b[o + 1]) << 16) | (uint32_t(b[o + 2]) << 8) | b[o + 3];
}
}  // namespace

std::vector<CVideoStreams::Stream> CVideoStreams::Read(phonesim::CPhoneSim& phone) {
  std::vector<Stream> streams;
  const std::vector<phonesim::SPacketRecord> packets = phone.Record().Packets();
  for (const phonesim::SStreamRecord& record : phone.Record().Streams()) {
    const std::string& svc = record.m_strService;
    if (svc.size() < 5 || svc.compare(svc.size() - 5, 5, ":8240") != 0) continue;
    Stream stream;
    for (const phonesim::SPacketRecord& p : packets) {
      if (!p.m_bFromHost && p.m_nCommand == phonesim::A_WRTE && p.m_nArg0 == record.m_nDeviceId) {
        stream.m_Bytes.insert(stream.m_Bytes.end(), p.m_Payload.begin(), p.m_Payload.end());
        stream.m_Ends.push_back(stream.m_Bytes.size());
        stream.m_SentAt.push_back(p.m_nTimeUs);
      } else if (p.m_bFromHost && p.m_nCommand == phonesim::A_OKAY && p.m_nArg1 == record.m_nDeviceId) {
        // ADB flow control: the host's n-th OKAY on the stream acknowledges the phone's n-th WRTE.
        stream.m_OkayAt.push_back(p.m_nTimeUs);
      }
    }
    streams.push_back(std::move(stream));
  }
  return streams;
}

std::vector<CVideoStreams::Picture> CVideoStreams::Pictures(const std::vector<Stream>& streams,
                                                            int64_t fromUs) {
  std::vector<Picture> out;
  for (const Stream& stream : streams) {
    const std::vector<uint8_t>& bytes = stream.m_Bytes;
    for (size_t o = 0; o + kFrameHeader <= bytes.size();) {
      const size_t end = o + kFrameHeader + Be32(bytes, o);
      if (end > bytes.size()) break;
      if (Be32(bytes, o + 8) == phonesim::APPMSG_PICTURE) {
        const size_t w = static_cast<size_t>(
            std::lower_bound(stream.m_Ends.begin(), stream.m_Ends.end(), end) - stream.m_Ends.begin());
        if (w < stream.m_SentAt.size() && stream.m_SentAt[w] >= fromUs) {
          Picture pic;
          pic.m_nLastByteUs = stream.m_SentAt[w];
          pic.m_nOkayUs = w < stream.m_OkayAt.size() ? stream.m_OkayAt[w] : 0;
          pic.m_Jpeg.assign(bytes.begin() + static_cast<long>(o + kFrameHeader),
                            bytes.begin() + static_cast<long>(end));
          out.push_back(std::move(pic));
        }
      }
      o = end;
    }
  }
  return out;
}
