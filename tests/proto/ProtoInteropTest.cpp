// Interoperability with an independent implementation of the same schemas: Python's pure
// protobuf runtime (interop.py) writes payloads that the generated classes must read, and reads
// the payloads the generated classes write. Both sides state the sample values on their own.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <google/protobuf/util/message_differencer.h>

#include "proto/CProtoPayload.h"
#include "proto/CorvaneCallRecordsProto.pb.h"
#include "proto/CorvaneCarGpsProto.pb.h"
#include "proto/CorvaneDeviceInfoProto.pb.h"
#include "proto/CorvaneFeatureConfigListProto.pb.h"
#include "proto/CorvaneMediaInfoProto.pb.h"
#include "proto/CorvaneModuleStatusListProto.pb.h"
#include "proto/CorvaneProtocolVersionProto.pb.h"
#include "proto/CorvaneStatisticsInfoProto.pb.h"
#include "proto/CorvaneTouchEventAllDeviceProto.pb.h"
#include "proto/CorvaneTouchFlingProto.pb.h"
#include "proto/CorvaneVideoEncoderInfoProto.pb.h"
#include "proto/newproto/CorvaneConStatisticProto.pb.h"
#include "proto/proto/CorvaneAccelerationProto.pb.h"

namespace pb = com::velto::corvane::protobuf;
namespace fs = std::filesystem;
using google::protobuf::Message;

namespace {

using Samples = std::map<std::string, std::unique_ptr<Message>>;

Samples BuildSamples() {
  Samples s;
  {
    auto m = std::make_unique<pb::CorvaneProtocolVersion>();
    m->set_majorversion(1);
    m->set_minorversion(-3);
    s["ProtocolVersion"] = std::move(m);
  }
  {
    auto m = std::make_unique<pb::CorvaneVideoEncoderInfo>();
    m->set_width(1024);
    m->set_height(600);
    m->set_framerate(12);
    s["VideoEncoderInfo"] = std::move(m);
  }
  {
    auto m = std::make_unique<pb::CorvaneDeviceInfo>();
    m->set_os("Android");
    m->set_brand("Velto");
    m->set_cpu_abi("arm64-v8a");
    m->set_model("VT 7");
    m->set_product("prod15");
    m->set_serial("SER16");
    m->set_release("13");
    m->set_sdk("33");
    m->set_sdk_int(33);
    m->set_token("t\xC3\xB6k\xE2\x82\xACn");
    s["DeviceInfo"] = std::move(m);
  }
  {
    auto m = std::make_unique<pb::CorvaneCallRecords>();
    m->set_cid(9);
    m->set_name("Ann \xE4\xB8\xAD\xE6\x96\x87");
    m->set_number("+49 30 1234");
    m->set_duration("65");
    m->set_time("2024-01-02 03:04");
    m->set_type(pb::CorvaneCallRecords::MISSED_TYPE);
    s["CallRecords"] = std::move(m);
  }
  {
    auto m = std::make_unique<pb::CorvaneCarGps>();
    m->set_antennastate(4294967295u);
    m->set_signalquality(2147483648u);
    m->set_latitude(-33868820);
    m->set_longitude(151209290);
    m->set_height(-5);
    m->set_speed(0);
    m->set_heading(359);
    m->set_year(2024);
    m->set_month(12);
    m->set_day(31);
    m->set_hrs(23);
    m->set_min(59);
    m->set_sec(58);
    m->set_fix(3);
    m->set_hdop(1);
    m->set_pdop(2);
    m->set_vdop(3);
    m->set_satsused(7);
    m->set_satsvisible(12);
    m->set_horposerror(15);
    m->set_vertposerror(20);
    m->set_northspeed(-100);
    m->set_eastspeed(100);
    m->set_vertspeed(-1);
    s["CarGps"] = std::move(m);
  }
  {
    auto m = std::make_unique<pb::CorvaneTouchFling>();
    m->set_x1(-10);
    m->set_y1(20);
    m->set_x2(300);
    m->set_y2(-400);
    m->set_velocityx(1234.5f);
    m->set_velocityy(-0.125f);
    s["TouchFling"] = std::move(m);
  }
  {
    auto m = std::make_unique<pb::CorvaneConnectStatistics>();
    m->set_contotal(12);
    m->set_consuccess(10);
    m->set_confailed(2);
    m->set_contime(3456);
    m->set_nerrorcount(3);
    m->add_error_type("e1 \r\n");
    m->add_error_type("\xE4\xB8\xAD\xE6\x96\x87 \r\n");
    m->add_error_type("");
    s["ConnectStatistics"] = std::move(m);
  }
  {
    auto m = std::make_unique<pb::CorvaneModuleStatusList>();
    m->set_cnt(2);
    auto* a = m->add_modulestatus();
    a->set_moduleid(1);
    a->set_statusid(0);
    auto* b = m->add_modulestatus();
    b->set_moduleid(7);
    b->set_statusid(-1);
    s["ModuleStatusList"] = std::move(m);
  }
  {
    auto m = std::make_unique<pb::CorvaneMediaInfo>();
    m->set_source("bt");
    m->set_song("Song");
    m->set_artist("\xC3\x84rtist");
    m->set_album("");
    std::string art;
    for (int i = 0; i < 256; ++i) art.push_back(static_cast<char>(i));
    m->set_albumart(art);
    m->set_duration(215000);
    m->set_playlistnum(3);
    m->set_songid("id-42");
    m->set_mode(2);
    s["MediaInfo"] = std::move(m);
  }
  {
    auto m = std::make_unique<pb::CorvaneTouchEventAllDevice>();
    m->set_version(1);
    m->set_cnt(1);
    auto* d = m->add_devices();
    d->set_cid(0);
    d->set_eventx(3);
    d->set_screen_width(1080);
    d->set_screen_height(2400);
    d->set_abs_x_min(0);
    d->set_abs_x_max(4095);
    d->set_abs_y_min(0);
    d->set_abs_y_max(4095);
    d->set_device("touch");
    auto addEvent = [](pb::CorvaneTouchEvent* e, int type, int code, int value) {
      e->set_type(type);
      e->set_code(code);
      e->set_value(value);
    };
    addEvent(d->add_downevent(), 3, 57, 1);
    addEvent(d->add_downevent(), 3, 53, 100);
    addEvent(d->add_upevent(), 3, 57, -1);
    s["TouchEventAllDevice"] = std::move(m);
  }
  {
    auto m = std::make_unique<pb::CorvaneStatisticsInfo>();
    m->set_cuid("0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0");
    m->set_versionname("2.0.0.1");
    m->set_versioncode(2001);
    m->set_channel("20322100");
    m->set_connectcount(5);
    m->set_connectsuccesscount(4);
    m->set_connecttime(0);
    s["StatisticsInfo"] = std::move(m);
  }
  {
    auto m = std::make_unique<pb::CorvaneFeatureConfigList>();
    m->set_cnt(2);
    auto* a = m->add_featureconfig();
    a->set_key("audio");
    a->set_value(1);
    auto* b = m->add_featureconfig();
    b->set_key("");
    b->set_value(-2147483647 - 1);
    s["FeatureConfigList"] = std::move(m);
  }
  {
    auto m = std::make_unique<pb::CorvaneAcceleration>();
    m->set_samplescount(0);
    m->set_xaxisaccesum(-1);
    m->set_yaxisaccesum(1);
    m->set_zaxisaccesum(2147483647);
    s["Acceleration"] = std::move(m);
  }
  return s;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ProtoInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/corvane-interop-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    m_dir = tmpl;
  }

  void TearDown() override {
    std::error_code ec;
    fs::remove_all(m_dir, ec);
  }

  // Runs the Python side; the timeout bounds the wait on it.
  int RunPython(const char* mode) const {
    const std::string cmd = std::string("timeout 120 /usr/bin/python3 '") + CORVANE_INTEROP_SCRIPT + "' '" +
                            CORVANE_PROTOC + "' '" + CORVANE_PROTO_DIR + "' " + mode + " '" + m_dir.string() +
                            "'";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  fs::path m_dir;
};

}  // namespace

TEST_F(ProtoInterop, PythonPayloadsParseIntoTheSameValues) {
  ASSERT_EQ(RunPython("encode"), 0);
  const Samples samples = BuildSamples();
  ASSERT_EQ(samples.size(), 13u);
  for (const auto& [name, expected] : samples) {
    SCOPED_TRACE(name);
    const std::string payload = ReadFile(m_dir / (name + ".bin"));
    ASSERT_FALSE(payload.empty());
    std::unique_ptr<Message> parsed(expected->New());
    ASSERT_TRUE(CProtoPayload::Parse(*parsed, payload.data(), payload.size()));
    EXPECT_TRUE(google::protobuf::util::MessageDifferencer::Equals(*parsed, *expected))
        << "parsed:\n"
        << parsed->DebugString() << "expected:\n"
        << expected->DebugString();
    EXPECT_EQ(parsed->GetReflection()->GetUnknownFields(*parsed).field_count(), 0);

    // Both sides write the same fields in the same order, so the bytes agree too.
    std::string ours(expected->ByteSizeLong(), '\0');
    ASSERT_EQ(CProtoPayload::Serialize(*expected, ours.data(), ours.size()), static_cast<int>(ours.size()));
    EXPECT_EQ(ours, payload);
  }

  // Spot checks that do not go through the comparison above.
  const std::string fling = ReadFile(m_dir / "TouchFling.bin");
  pb::CorvaneTouchFling f;
  ASSERT_TRUE(CProtoPayload::Parse(f, fling.data(), fling.size()));
  EXPECT_EQ(f.velocityx(), 1234.5f);
  EXPECT_EQ(f.velocityy(), -0.125f);
  const std::string stats = ReadFile(m_dir / "StatisticsInfo.bin");
  pb::CorvaneStatisticsInfo st;
  ASSERT_TRUE(CProtoPayload::Parse(st, stats.data(), stats.size()));
  EXPECT_FALSE(st.has_crashlog());
  EXPECT_TRUE(st.has_connecttime());
}

TEST_F(ProtoInterop, OurPayloadsParseOnThePythonSide) {
  const Samples samples = BuildSamples();
  for (const auto& [name, msg] : samples) {
    std::string payload(msg->ByteSizeLong(), '\0');
    ASSERT_EQ(CProtoPayload::Serialize(*msg, payload.data(), payload.size()),
              static_cast<int>(payload.size()));
    std::ofstream out(m_dir / (name + ".bin"), std::ios::binary);
    out.write(payload.data(), static_cast<std::streamsize>(payload.size()));
    ASSERT_TRUE(out.good()) << name;
  }
  EXPECT_EQ(RunPython("decode"), 0);
}

TEST_F(ProtoInterop, PythonSideReportsAMismatch) {
  // A decode run over a payload it did not expect must fail, or a green run means nothing.
  const Samples samples = BuildSamples();
  for (const auto& [name, msg] : samples) {
    auto changed = std::unique_ptr<Message>(msg->New());
    changed->CopyFrom(*msg);
    if (name == "VideoEncoderInfo") static_cast<pb::CorvaneVideoEncoderInfo&>(*changed).set_framerate(10);
    std::string payload(changed->ByteSizeLong(), '\0');
    ASSERT_EQ(CProtoPayload::Serialize(*changed, payload.data(), payload.size()),
              static_cast<int>(payload.size()));
    std::ofstream(m_dir / (name + ".bin"), std::ios::binary)
        .write(payload.data(), static_cast<std::streamsize>(payload.size()));
  }
  EXPECT_EQ(RunPython("decode"), 1);
}
