// Payload bytes of the messages the head unit builds, written out by hand from the wire format:
// tag = field number * 8 + wire type; int32 below zero as ten-byte varints; uint32 up to five
// bytes; float as four little-endian bytes; unpacked repeated fields; fields in number order.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include "proto/CProtoPayload.h"
#include "proto/CorvaneCallRecordsProto.pb.h"
#include "proto/CorvaneCarGpsProto.pb.h"
#include "proto/CorvaneDeviceInfoProto.pb.h"
#include "proto/CorvaneFeatureConfigListProto.pb.h"
#include "proto/CorvaneMediaInfoProto.pb.h"
#include "proto/CorvaneModuleStatusListProto.pb.h"
#include "proto/CorvaneProtocolVersionProto.pb.h"
#include "proto/CorvaneTouchActionProto.pb.h"
#include "proto/CorvaneTouchFlingProto.pb.h"
#include "proto/CorvaneVideoEncoderInfoProto.pb.h"
#include "proto/CorvaneVideoFrameRateProto.pb.h"
#include "proto/newproto/CorvaneConStatisticProto.pb.h"

namespace pb = com::velto::corvane::protobuf;
using Bytes = std::vector<uint8_t>;

namespace {

struct WireCase {
  const char* name;
  std::function<std::unique_ptr<google::protobuf::Message>()> build;
  Bytes expected;
};

template <class T>
std::unique_ptr<google::protobuf::Message> Make(const std::function<void(T&)>& fill) {
  auto msg = std::make_unique<T>();
  fill(*msg);
  return msg;
}

const std::vector<WireCase>& Cases() {
  static const std::vector<WireCase> cases = {
      {"ProtocolVersion",
       [] {
         return Make<pb::CorvaneProtocolVersion>([](auto& m) {
           m.set_majorversion(1);
           m.set_minorversion(0);
         });
       },
       {0x08, 0x01, 0x10, 0x00}},
      {"ProtocolVersionMajorOnly",
       [] { return Make<pb::CorvaneProtocolVersion>([](auto& m) { m.set_majorversion(3); }); },
       {0x08, 0x03}},
      {"TouchActionNegativeX",
       [] {
         return Make<pb::CorvaneTouchAction>([](auto& m) {
           m.set_action(0);
           m.set_x(-1);
           m.set_y(5);
         });
       },
       {0x08, 0x00, 0x10, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x18, 0x05}},
      {"VideoEncoderInfo800x480At10",
       [] {
         return Make<pb::CorvaneVideoEncoderInfo>([](auto& m) {
           m.set_width(800);
           m.set_height(480);
           m.set_framerate(10);
         });
       },
       {0x08, 0xA0, 0x06, 0x10, 0xE0, 0x03, 0x18, 0x0A}},
      {"VideoFrameRate",
       [] { return Make<pb::CorvaneVideoFrameRate>([](auto& m) { m.set_framerate(12); }); },
       {0x08, 0x0C}},
      {"ModuleStatusListTwoElements",
       [] {
         return Make<pb::CorvaneModuleStatusList>([](auto& m) {
           m.set_cnt(2);
           auto* a = m.add_modulestatus();
           a->set_moduleid(1);
           a->set_statusid(1);
           auto* b = m.add_modulestatus();
           b->set_moduleid(3);
           b->set_statusid(0);
         });
       },
       {0x08, 0x02, 0x12, 0x04, 0x08, 0x01, 0x10, 0x01, 0x12, 0x04, 0x08, 0x03, 0x10, 0x00}},
      {"FeatureConfigStringAndNegative",
       [] {
         return Make<pb::CorvaneFeatureConfig>([](auto& m) {
           m.set_key("abc");
           m.set_value(-2);
         });
       },
       {0x0A, 0x03, 'a', 'b', 'c', 0x10, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}},
      {"FeatureConfigListOneElement",
       [] {
         return Make<pb::CorvaneFeatureConfigList>([](auto& m) {
           m.set_cnt(1);
           auto* e = m.add_featureconfig();
           e->set_key("k");
           e->set_value(1);
         });
       },
       {0x08, 0x01, 0x12, 0x05, 0x0A, 0x01, 'k', 0x10, 0x01}},
      {"DeviceInfoEmpty", [] { return Make<pb::CorvaneDeviceInfo>([](auto&) {}); }, {}},
      {"DeviceInfoTwoByteTags",
       [] {
         return Make<pb::CorvaneDeviceInfo>([](auto& m) {
           m.set_serial("s");
           m.set_product("p");
           m.set_sdk_int(23);
         });
       },
       // product (15) one-byte tag, serial (16) and sdk_int (21) two-byte tags, in number order.
       {0x7A, 0x01, 'p', 0x82, 0x01, 0x01, 's', 0xA8, 0x01, 0x17}},
      {"TouchFlingFloats",
       [] {
         return Make<pb::CorvaneTouchFling>([](auto& m) {
           m.set_x1(1);
           m.set_y1(2);
           m.set_x2(3);
           m.set_y2(4);
           m.set_velocityx(1.5f);
           m.set_velocityy(-2.0f);
         });
       },
       {0x08, 0x01, 0x10, 0x02, 0x18, 0x03, 0x20, 0x04, 0x2D, 0x00, 0x00, 0xC0, 0x3F, 0x35, 0x00, 0x00, 0x00,
        0xC0}},
      {"ConnectStatisticsThreeLines",
       [] {
         return Make<pb::CorvaneConnectStatistics>([](auto& m) {
           m.Clear();
           m.add_error_type("a");
           m.set_contotal(5);
           m.set_consuccess(4);
           m.set_confailed(1);
           m.set_contime(10);
           m.set_nerrorcount(3);
           m.add_error_type("b");
           m.add_error_type("c");
         });
       },
       {0x08, 0x05, 0x10, 0x04, 0x18, 0x01, 0x20, 0x0A, 0x28, 0x03, 0x32, 0x01, 'a', 0x32, 0x01, 'b', 0x32,
        0x01, 'c'}},
      {"CarGpsUint32MaxAndField24",
       [] {
         return Make<pb::CorvaneCarGps>([](auto& m) {
           m.set_antennastate(0xFFFFFFFFu);
           m.set_vertspeed(-1);
         });
       },
       {0x08, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F, 0xC0, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
        0x01}},
      {"CallRecordsTypeUnsetNotWritten",
       [] { return Make<pb::CorvaneCallRecords>([](auto& m) { m.set_cid(1); }); },
       {0x08, 0x01}},
      {"CallRecordsMissed",
       [] {
         return Make<pb::CorvaneCallRecords>([](auto& m) {
           m.set_cid(1);
           m.set_type(pb::CorvaneCallRecords::MISSED_TYPE);
         });
       },
       {0x08, 0x01, 0x30, 0x03}},
      {"MediaInfoBytesAsGiven",
       [] { return Make<pb::CorvaneMediaInfo>([](auto& m) { m.set_albumart(std::string("\0\xFF", 2)); }); },
       {0x2A, 0x02, 0x00, 0xFF}},
  };
  return cases;
}

void PrintTo(const WireCase& c, std::ostream* os) {
  *os << c.name;
}

class WireBytesTest : public ::testing::TestWithParam<WireCase> {};

std::string CaseName(const ::testing::TestParamInfo<WireCase>& info) {
  return info.param.name;
}

}  // namespace

TEST_P(WireBytesTest, SerialisesToTheHandWrittenBytes) {
  const WireCase& c = GetParam();
  const auto msg = c.build();
  EXPECT_EQ(msg->ByteSizeLong(), c.expected.size());

  // One spare byte past the payload shows the writer stops where it says it does.
  Bytes buf(c.expected.size() + 1, 0xEE);
  const int n = CProtoPayload::Serialize(*msg, buf.data(), buf.size());
  ASSERT_EQ(n, static_cast<int>(c.expected.size()));
  EXPECT_EQ(Bytes(buf.begin(), buf.begin() + n), c.expected);
  EXPECT_EQ(buf.back(), 0xEE);
}

TEST_P(WireBytesTest, HandWrittenBytesParseBackToTheSameMessage) {
  const WireCase& c = GetParam();
  const auto built = c.build();
  std::unique_ptr<google::protobuf::Message> parsed(built->New());
  ASSERT_TRUE(CProtoPayload::Parse(*parsed, c.expected.data(), c.expected.size()));
  EXPECT_EQ(parsed->SerializePartialAsString(), built->SerializePartialAsString());
  EXPECT_EQ(parsed->GetReflection()->GetUnknownFields(*parsed).field_count(), 0);
}

TEST_P(WireBytesTest, BufferOneByteShortIsRefusedUntouched) {
  const WireCase& c = GetParam();
  const auto msg = c.build();
  if (c.expected.empty()) {
    // Nothing to write: no room and no buffer are needed.
    EXPECT_EQ(CProtoPayload::Serialize(*msg, nullptr, 0), 0);
    return;
  }
  Bytes buf(c.expected.size() - 1, 0xEE);
  EXPECT_EQ(CProtoPayload::Serialize(*msg, buf.data(), buf.size()), -1);
  EXPECT_EQ(buf, Bytes(c.expected.size() - 1, 0xEE));
}

INSTANTIATE_TEST_SUITE_P(Messages, WireBytesTest, ::testing::ValuesIn(Cases()), CaseName);

TEST(WireBytes, ClearedListWritesOnlyItsNewElements) {
  // The sender clears and refills the same object; the bytes must not carry old elements.
  pb::CorvaneModuleStatusList list;
  for (int i = 0; i < 3; ++i) list.add_modulestatus()->set_moduleid(i);
  list.Clear();
  list.set_cnt(1);
  auto* e = list.add_modulestatus();
  e->set_moduleid(7);
  e->set_statusid(2);
  const Bytes expected = {0x08, 0x01, 0x12, 0x04, 0x08, 0x07, 0x10, 0x02};
  Bytes buf(expected.size());
  ASSERT_EQ(CProtoPayload::Serialize(list, buf.data(), buf.size()), static_cast<int>(expected.size()));
  EXPECT_EQ(buf, expected);
}
