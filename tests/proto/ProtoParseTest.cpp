// What a received payload does to a message: the parse is partial and tolerant, the way the
// dispatcher relies on (it neither checks required fields nor the parse result).
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "proto/CProtoPayload.h"
#include "proto/CorvaneCallRecordsProto.pb.h"
#include "proto/CorvaneContactsProto.pb.h"
#include "proto/CorvaneDeviceInfoProto.pb.h"
#include "proto/CorvaneFeatureConfigListProto.pb.h"
#include "proto/CorvaneModuleStatusListProto.pb.h"
#include "proto/CorvaneProtocolVersionProto.pb.h"
#include "proto/CorvaneStatisticsInfoProto.pb.h"
#include "proto/CorvaneTouchActionProto.pb.h"
#include "proto/CorvaneVideoFrameRateProto.pb.h"

namespace pb = com::velto::corvane::protobuf;
using Bytes = std::vector<uint8_t>;

namespace {

bool Parse(google::protobuf::MessageLite& msg, const Bytes& payload) {
  return CProtoPayload::Parse(msg, payload.data(), payload.size());
}

Bytes Serialise(const google::protobuf::MessageLite& msg) {
  Bytes buf(msg.ByteSizeLong());
  const int n = CProtoPayload::Serialize(msg, buf.data(), buf.size());
  EXPECT_EQ(n, static_cast<int>(buf.size()));
  return buf;
}

}  // namespace

TEST(PayloadParse, EmptyPayloadLeavesEverythingAtDefaults) {
  pb::CorvaneCallRecords records;
  EXPECT_TRUE(CProtoPayload::Parse(records, nullptr, 0));
  EXPECT_FALSE(records.has_cid());
  EXPECT_FALSE(records.has_name());
  EXPECT_FALSE(records.has_type());
  EXPECT_EQ(records.cid(), 0);
  EXPECT_EQ(records.name(), "");
  EXPECT_EQ(records.type(), pb::CorvaneCallRecords::DEFAULT_TYPE);

  pb::CorvaneDeviceInfo info;
  EXPECT_TRUE(Parse(info, {}));
  EXPECT_EQ(info.sdk_int(), 0);
  EXPECT_EQ(info.model(), "");
  EXPECT_EQ(info.ByteSizeLong(), 0u);
}

TEST(PayloadParse, MissingRequiredFieldsAreNoError) {
  pb::CorvaneProtocolVersion version;
  EXPECT_TRUE(Parse(version, {0x08, 0x03}));
  EXPECT_EQ(version.majorversion(), 3);
  EXPECT_FALSE(version.has_minorversion());
  EXPECT_EQ(version.minorversion(), 0);
  EXPECT_FALSE(version.IsInitialized());
}

TEST(PayloadParse, FieldWithUnexpectedWireTypeIsKeptAsUnknown) {
  // Field 1 of the frame-rate message arrives length-delimited instead of as a varint.
  const Bytes payload = {0x0A, 0x02, 0x01, 0x02};
  pb::CorvaneVideoFrameRate rate;
  ASSERT_TRUE(Parse(rate, payload));
  EXPECT_FALSE(rate.has_framerate());
  EXPECT_EQ(rate.framerate(), 0);
  EXPECT_EQ(rate.GetReflection()->GetUnknownFields(rate).field_count(), 1);
  EXPECT_EQ(Serialise(rate), payload);

  // Kept unknown fields follow the known ones.
  rate.set_framerate(12);
  EXPECT_EQ(Serialise(rate), (Bytes{0x08, 0x0C, 0x0A, 0x02, 0x01, 0x02}));
}

TEST(PayloadParse, EnumerationValueOutsideTheEnumerationIsKeptAsUnknown) {
  const Bytes payload = {0x08, 0x05, 0x30, 0x07};
  pb::CorvaneCallRecords records;
  ASSERT_TRUE(Parse(records, payload));
  EXPECT_EQ(records.cid(), 5);
  EXPECT_FALSE(records.has_type());
  EXPECT_EQ(records.type(), pb::CorvaneCallRecords::DEFAULT_TYPE);
  const auto& unknown = records.GetReflection()->GetUnknownFields(records);
  ASSERT_EQ(unknown.field_count(), 1);
  EXPECT_EQ(unknown.field(0).number(), 6);
  EXPECT_EQ(unknown.field(0).varint(), 7u);
  EXPECT_EQ(Serialise(records), payload);
}

TEST(PayloadParse, UnknownFieldNumbersSurviveARoundTrip) {
  // Field 9 (varint 42) and field 20 (string "z") are not part of the touch message.
  const Bytes payload = {0x08, 0x01, 0x10, 0x02, 0x18, 0x03, 0x48, 0x2A, 0xA2, 0x01, 0x01, 'z'};
  pb::CorvaneTouchAction touch;
  ASSERT_TRUE(Parse(touch, payload));
  EXPECT_EQ(touch.action(), 1);
  EXPECT_EQ(touch.x(), 2);
  EXPECT_EQ(touch.y(), 3);
  EXPECT_EQ(touch.GetReflection()->GetUnknownFields(touch).field_count(), 2);
  EXPECT_EQ(Serialise(touch), payload);
}

TEST(PayloadParse, EndGroupTagEndsTheMessage) {
  // What follows an end-group tag is not read; the parse still succeeds.
  pb::CorvaneTouchAction touch;
  EXPECT_TRUE(Parse(touch, {0x08, 0x01, 0x0C, 0x10, 0x02}));
  EXPECT_EQ(touch.action(), 1);
  EXPECT_FALSE(touch.has_x());
}

TEST(PayloadParse, ListKeepsItsElementsWhateverCntSays) {
  pb::CorvaneModuleStatusList list;
  ASSERT_TRUE(Parse(list, {0x08, 0x05, 0x12, 0x04, 0x08, 0x01, 0x10, 0x01, 0x12, 0x02, 0x08, 0x03}));
  EXPECT_EQ(list.cnt(), 5);
  ASSERT_EQ(list.modulestatus_size(), 2);
  EXPECT_EQ(list.modulestatus(0).moduleid(), 1);
  EXPECT_EQ(list.modulestatus(0).statusid(), 1);
  EXPECT_EQ(list.modulestatus(1).moduleid(), 3);
  EXPECT_FALSE(list.modulestatus(1).has_statusid());
}

TEST(PayloadParse, StringBytesAreTakenAsGiven) {
  // A GBK text is not UTF-8; no character set is checked or converted either way.
  const std::string gbk("\xB4\xED\xCE\xF3", 4);
  const Bytes payload = {0x42, 0x04, 0xB4, 0xED, 0xCE, 0xF3};
  pb::CorvaneStatisticsInfo stats;
  ASSERT_TRUE(Parse(stats, payload));
  EXPECT_EQ(stats.crashlog(), gbk);
  EXPECT_EQ(Serialise(stats), payload);
}

namespace {

struct BadPayload {
  const char* name;
  Bytes payload;
};

void PrintTo(const BadPayload& c, std::ostream* os) {
  *os << c.name;
}

class BadPayloadTest : public ::testing::TestWithParam<BadPayload> {};

}  // namespace

TEST_P(BadPayloadTest, FailsAndKeepsTheFieldsReadBefore) {
  // Every case starts with cid = 7 before its fault.
  pb::CorvaneContacts contacts;
  EXPECT_FALSE(Parse(contacts, GetParam().payload));
  EXPECT_TRUE(contacts.has_cid());
  EXPECT_EQ(contacts.cid(), 7);
}

INSTANTIATE_TEST_SUITE_P(
    Contacts, BadPayloadTest,
    ::testing::Values(BadPayload{"StringEndsEarly", {0x08, 0x07, 0x12, 0x05, 'a', 'b'}},
                      BadPayload{"VarintEndsEarly", {0x08, 0x07, 0x10, 0x80}},
                      BadPayload{"VarintTooLong",
                                 {0x08, 0x07, 0x48, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                  0xFF, 0x01}},
                      BadPayload{"LengthPastTheEnd", {0x08, 0x07, 0x1A, 0xFF, 0xFF, 0xFF, 0xFF, 0x07}},
                      BadPayload{"FixedEndsEarly", {0x08, 0x07, 0x4D, 0x01, 0x02}},
                      BadPayload{"WireTypeSeven", {0x08, 0x07, 0x4F}},
                      BadPayload{"StrayEndGroupOfOtherNumber", {0x08, 0x07, 0x4B, 0x54}}),
    [](const ::testing::TestParamInfo<BadPayload>& info) { return std::string(info.param.name); });

TEST(PayloadParse, ElementLongerThanItsRecordFails) {
  // The element record holds 2 bytes, but the key string inside it claims 5; the bytes after
  // the record must not be taken into the element.
  pb::CorvaneFeatureConfigList list;
  EXPECT_FALSE(Parse(list, {0x08, 0x01, 0x12, 0x02, 0x0A, 0x05, 'a', 'b', 'c', 'd', 'e'}));
  EXPECT_EQ(list.cnt(), 1);
}

TEST(PayloadParse, NestingDeeperThanTheRecursionLimitFails) {
  // Unknown groups nested past the limit of 100 levels (field 9, start 0x4B, end 0x4C).
  Bytes deep;
  for (int i = 0; i < 150; ++i) deep.push_back(0x4B);
  for (int i = 0; i < 150; ++i) deep.push_back(0x4C);
  pb::CorvaneTouchAction touch;
  EXPECT_FALSE(Parse(touch, deep));

  Bytes shallow;
  for (int i = 0; i < 20; ++i) shallow.push_back(0x4B);
  for (int i = 0; i < 20; ++i) shallow.push_back(0x4C);
  pb::CorvaneTouchAction kept;
  EXPECT_TRUE(Parse(kept, shallow));
  EXPECT_EQ(kept.GetReflection()->GetUnknownFields(kept).field_count(), 1);
}

TEST(PayloadParse, MergeIntoAParsedObjectOverwritesScalarsAndAppendsElements) {
  pb::CorvaneModuleStatusList list;
  ASSERT_TRUE(Parse(list, {0x08, 0x01, 0x12, 0x02, 0x08, 0x01}));
  ASSERT_TRUE(Parse(list, {0x08, 0x02, 0x12, 0x02, 0x08, 0x02}));
  EXPECT_EQ(list.cnt(), 2);
  ASSERT_EQ(list.modulestatus_size(), 2);
  EXPECT_EQ(list.modulestatus(1).moduleid(), 2);
}
