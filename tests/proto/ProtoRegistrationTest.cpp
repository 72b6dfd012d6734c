// The registered schema files as the runtime sees them. This binary names no generated class:
// it reaches the messages only through a static library that links them, the way the program
// does, so every file found here was registered by its own static initialiser.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include <google/protobuf/descriptor.h>
#include <google/protobuf/descriptor.pb.h>
#include <google/protobuf/message.h>

#include "tests/proto/ProtoLinkProbe.h"

using google::protobuf::Descriptor;
using google::protobuf::DescriptorPool;
using google::protobuf::EnumDescriptor;
using google::protobuf::FieldDescriptor;
using google::protobuf::FileDescriptor;
using google::protobuf::FileDescriptorProto;
using google::protobuf::MessageFactory;

namespace {

struct SchemaFile {
  const char* file;
  const char* message;
  int required;
  int optional;
  int repeated;
  std::vector<std::string> imports;
  size_t descriptorBytes;
};

const std::vector<SchemaFile>& Files() {
  static const std::vector<SchemaFile> files = {
      {"proto/CorvaneAccelerationProto.proto", "CorvaneAcceleration", 4, 0, 0, {}, 177},
      {"CorvaneBTOOBInfoProto.proto", "CorvaneBTOOBInfo", 4, 3, 0, {}, 190},
      {"CorvaneCallRecordsListProto.proto",
       "CorvaneCallRecordsList",
       1,
       0,
       1,
       {"CorvaneCallRecordsProto.proto"},
       209},
      {"CorvaneCallRecordsProto.proto", "CorvaneCallRecords", 6, 0, 0, {}, 341},
      {"CorvaneCarGpsProto.proto", "CorvaneCarGps", 24, 0, 0, {}, 478},
      {"CorvaneCarHardKeyCodeProto.proto", "CorvaneCarHardKeyCode", 1, 0, 0, {}, 104},
      {"CorvaneCarSpeedProto.proto", "CorvaneCarSpeed", 1, 0, 0, {}, 90},
      {"newproto/CorvaneConStatisticProto.proto", "CorvaneConnectStatistics", 5, 0, 1, {}, 213},
      {"CorvaneContactsListProto.proto", "CorvaneContactsList", 1, 0, 1, {"CorvaneContactsProto.proto"}, 194},
      {"CorvaneContactsProto.proto", "CorvaneContacts", 3, 0, 0, {}, 118},
      {"CorvaneDeviceInfoProto.proto", "CorvaneDeviceInfo", 0, 22, 0, {}, 447},
      {"CorvaneGyroscopeProto.proto", "CorvaneGyroscope", 4, 0, 0, {}, 165},
      {"CorvaneMediaInfoListProto.proto",
       "CorvaneMediaInfoList",
       1,
       0,
       1,
       {"CorvaneMediaInfoProto.proto"},
       192},
      {"CorvaneMediaInfoProto.proto", "CorvaneMediaInfo", 9, 0, 0, {}, 226},
      {"CorvaneMediaProgressBarProto.proto", "CorvaneMediaProgressBar", 1, 0, 0, {}, 112},
      {"CorvaneModuleStatusListProto.proto",
       "CorvaneModuleStatusList",
       1,
       0,
       1,
       {"CorvaneModuleStatusProto.proto"},
       207},
      {"CorvaneModuleStatusProto.proto", "CorvaneModuleStatus", 2, 0, 0, {}, 119},
      {"CorvaneMusicInitProto.proto", "CorvaneMusicInit", 3, 0, 0, {}, 142},
      {"CorvaneProtocolVersionMatchStatusProto.proto", "CorvaneProtocolVersionMatchStatus", 1, 0, 0, {}, 132},
      {"CorvaneProtocolVersionProto.proto", "CorvaneProtocolVersion", 2, 0, 0, {}, 133},
      {"CorvaneStatisticsInfoProto.proto", "CorvaneStatisticsInfo", 7, 1, 0, {}, 251},
      {"CorvaneTouchActionProto.proto", "CorvaneTouchAction", 3, 0, 0, {}, 119},
      {"CorvaneTouchEventAllDeviceProto.proto",
       "CorvaneTouchEventAllDevice",
       2,
       0,
       1,
       {"CorvaneTouchEventDeviceProto.proto"},
       234},
      {"CorvaneTouchEventDeviceProto.proto",
       "CorvaneTouchEventDevice",
       9,
       0,
       3,
       {"CorvaneTouchEventProto.proto"},
       484},
      {"CorvaneTouchEventProto.proto", "CorvaneTouchEvent", 3, 0, 0, {}, 122},
      {"CorvaneTouchFlingProto.proto", "CorvaneTouchFling", 6, 0, 0, {}, 165},
      {"CorvaneTouchScrollProto.proto", "CorvaneTouchScroll", 6, 0, 0, {}, 167},
      {"CorvaneTouchSinglePointProto.proto", "CorvaneTouchSinglePoint", 2, 0, 0, {}, 113},
      {"CorvaneTTSInitProto.proto", "CorvaneTTSInit", 3, 0, 0, {}, 138},
      {"CorvaneVideoEncoderInfoProto.proto", "CorvaneVideoEncoderInfo", 3, 0, 0, {}, 141},
      {"CorvaneVideoFrameRateProto.proto", "CorvaneVideoFrameRate", 1, 0, 0, {}, 106},
      {"CorvaneFeatureConfigListProto.proto",
       "CorvaneFeatureConfigList",
       1,
       0,
       1,
       {"CorvaneFeatureConfigProto.proto"},
       212},
      {"CorvaneFeatureConfigProto.proto", "CorvaneFeatureConfig", 2, 0, 0, {}, 113},
  };
  return files;
}

void PrintTo(const SchemaFile& f, std::ostream* os) {
  *os << f.file;
}

class SchemaFileTest : public ::testing::TestWithParam<SchemaFile> {};

std::string FileTestName(const ::testing::TestParamInfo<SchemaFile>& info) {
  return info.param.message;
}

}  // namespace

TEST(ProtoRegistration, ProbeLibraryIsLinked) {
  // Keeps the probe library on the link line; it holds no reference to any message.
  EXPECT_EQ(ProtoLinkProbe(), 1);
}

TEST(ProtoRegistration, TableHoldsThirtyThreeFiles) {
  EXPECT_EQ(Files().size(), 33u);
}

TEST_P(SchemaFileTest, IsRegisteredAsCompiled) {
  const SchemaFile& expected = GetParam();
  const FileDescriptor* file = DescriptorPool::generated_pool()->FindFileByName(expected.file);
  ASSERT_NE(file, nullptr) << expected.file << " is not in the generated pool";

  FileDescriptorProto proto;
  file->CopyTo(&proto);
  EXPECT_EQ(proto.ByteSizeLong(), expected.descriptorBytes);

  EXPECT_EQ(file->name(), expected.file);
  EXPECT_EQ(file->package(), "com.velto.corvane.protobuf");
  EXPECT_EQ(file->syntax(), FileDescriptor::SYNTAX_PROTO2);
  EXPECT_EQ(file->service_count(), 0);
  EXPECT_EQ(file->extension_count(), 0);
  EXPECT_EQ(file->enum_type_count(), 0);
  EXPECT_EQ(proto.has_options(), false);

  std::vector<std::string> imports;
  for (int i = 0; i < file->dependency_count(); ++i) imports.push_back(file->dependency(i)->name());
  EXPECT_EQ(imports, expected.imports);

  ASSERT_EQ(file->message_type_count(), 1);
  const Descriptor* message = file->message_type(0);
  EXPECT_EQ(message->full_name(), std::string("com.velto.corvane.protobuf.") + expected.message);
  EXPECT_EQ(message->nested_type_count(), 0);

  int required = 0, optional = 0, repeated = 0;
  for (int i = 0; i < message->field_count(); ++i) {
    const FieldDescriptor* field = message->field(i);
    // Fields are numbered 1..n in declaration order.
    EXPECT_EQ(field->number(), i + 1) << field->name();
    required += field->is_required();
    optional += field->is_optional();
    repeated += field->is_repeated();
    if (field->type() == FieldDescriptor::TYPE_MESSAGE) {
      // An element type lives in the file this one imports.
      ASSERT_EQ(expected.imports.size(), 1u);
      EXPECT_EQ(field->message_type()->file()->name(), expected.imports[0]);
    }
  }
  EXPECT_EQ(required, expected.required);
  EXPECT_EQ(optional, expected.optional);
  EXPECT_EQ(repeated, expected.repeated);

  // The generated class is registered with the factory too, not only the descriptor.
  const auto* prototype = MessageFactory::generated_factory()->GetPrototype(message);
  ASSERT_NE(prototype, nullptr);
  EXPECT_EQ(prototype->GetDescriptor(), message);
}

INSTANTIATE_TEST_SUITE_P(AllFiles, SchemaFileTest, ::testing::ValuesIn(Files()), FileTestName);

TEST(ProtoRegistration, CallRecordsTypeIsTheOnlyEnumeration) {
  const Descriptor* records = DescriptorPool::generated_pool()->FindMessageTypeByName(
      "com.velto.corvane.protobuf.CorvaneCallRecords");
  ASSERT_NE(records, nullptr);
  ASSERT_EQ(records->enum_type_count(), 1);
  const EnumDescriptor* type = records->enum_type(0);
  EXPECT_EQ(type->full_name(), "com.velto.corvane.protobuf.CorvaneCallRecords.CallRecordsType");
  const std::vector<std::pair<std::string, int>> values = {
      {"DEFAULT_TYPE", 0}, {"INCOMING_TYPE", 1}, {"OUTGOING_TYPE", 2}, {"MISSED_TYPE", 3}};
  ASSERT_EQ(type->value_count(), static_cast<int>(values.size()));
  for (int i = 0; i < type->value_count(); ++i) {
    EXPECT_EQ(type->value(i)->name(), values[i].first);
    EXPECT_EQ(type->value(i)->number(), values[i].second);
  }

  const FieldDescriptor* field = records->FindFieldByName("type");
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->number(), 6);
  EXPECT_EQ(field->enum_type(), type);
  EXPECT_TRUE(field->has_default_value());
  EXPECT_EQ(field->default_value_enum()->name(), "DEFAULT_TYPE");

  // No other field of any file declares a default.
  int withDefault = 0;
  for (const SchemaFile& entry : Files()) {
    const FileDescriptor* file = DescriptorPool::generated_pool()->FindFileByName(entry.file);
    ASSERT_NE(file, nullptr);
    const Descriptor* message = file->message_type(0);
    for (int i = 0; i < message->field_count(); ++i) withDefault += message->field(i)->has_default_value();
  }
  EXPECT_EQ(withDefault, 1);
}

TEST(ProtoRegistration, FieldNamesKeepTheirSpelling) {
  // Names decide the registered descriptors the phone shares; these are the unusual ones.
  const std::vector<std::pair<std::string, std::string>> fields = {
      {"CorvaneTouchEventDevice", "eventx"},
      {"CorvaneCarGps", "hrs"},
      {"CorvaneCarGps", "min"},
      {"CorvaneCarGps", "sec"},
      {"CorvaneCallRecordsList", "corvaneCallRecords"},
      {"CorvaneContactsList", "corvaneContacts"},
      {"CorvaneDeviceInfo", "cpu_abi"},
      {"CorvaneDeviceInfo", "sdk_int"},
      {"CorvaneConnectStatistics", "error_type"},
      {"CorvaneTouchEventDevice", "screen_width"},
      {"CorvaneTouchEventDevice", "abs_x_min"},
      {"CorvaneMediaInfo", "albumArt"},
      {"CorvaneStatisticsInfo", "versionName"},
      {"CorvaneTouchFling", "velocityX"},
  };
  for (const auto& f : fields) {
    const Descriptor* message =
        DescriptorPool::generated_pool()->FindMessageTypeByName("com.velto.corvane.protobuf." + f.first);
    ASSERT_NE(message, nullptr) << f.first;
    EXPECT_NE(message->FindFieldByName(f.second), nullptr) << f.first << "." << f.second;
  }
}
