#include "tools/protocheck/CProtoCheck.h"

#include <cstdint>
#include <memory>
#include <vector>

#include <google/protobuf/descriptor.h>
#include <google/protobuf/descriptor.pb.h>
#include <google/protobuf/message.h>
#include <google/protobuf/util/message_differencer.h>

#include "proto/CProtoPayload.h"

using google::protobuf::Descriptor;
using google::protobuf::DescriptorPool;
using google::protobuf::FieldDescriptor;
using google::protobuf::FileDescriptor;
using google::protobuf::FileDescriptorProto;
using google::protobuf::Message;
using google::protobuf::MessageFactory;
using google::protobuf::Reflection;

// Registration order. The descriptor lengths are those of the compiled schemas the phone app
// shares with us; a different length means a schema text drifted from the phone's.
const CProtoCheck::FileEntry CProtoCheck::s_Files[] = {
    {"proto/CorvaneAccelerationProto.proto", "CorvaneAcceleration", 177},
    {"CorvaneBTOOBInfoProto.proto", "CorvaneBTOOBInfo", 190},
    {"CorvaneCallRecordsListProto.proto", "CorvaneCallRecordsList", 209},
    {"CorvaneCallRecordsProto.proto", "CorvaneCallRecords", 341},
    {"CorvaneCarGpsProto.proto", "CorvaneCarGps", 478},
    {"CorvaneCarHardKeyCodeProto.proto", "CorvaneCarHardKeyCode", 104},
    {"CorvaneCarSpeedProto.proto", "CorvaneCarSpeed", 90},
    {"newproto/CorvaneConStatisticProto.proto", "CorvaneConnectStatistics", 213},
    {"CorvaneContactsListProto.proto", "CorvaneContactsList", 194},
    {"CorvaneContactsProto.proto", "CorvaneContacts", 118},
    {"CorvaneDeviceInfoProto.proto", "CorvaneDeviceInfo", 447},
    {"CorvaneGyroscopeProto.proto", "CorvaneGyroscope", 165},
    {"CorvaneMediaInfoListProto.proto", "CorvaneMediaInfoList", 192},
    {"CorvaneMediaInfoProto.proto", "CorvaneMediaInfo", 226},
    {"CorvaneMediaProgressBarProto.proto", "CorvaneMediaProgressBar", 112},
    {"CorvaneModuleStatusListProto.proto", "CorvaneModuleStatusList", 207},
    {"CorvaneModuleStatusProto.proto", "CorvaneModuleStatus", 119},
    {"CorvaneMusicInitProto.proto", "CorvaneMusicInit", 142},
    {"CorvaneProtocolVersionMatchStatusProto.proto", "CorvaneProtocolVersionMatchStatus", 132},
    {"CorvaneProtocolVersionProto.proto", "CorvaneProtocolVersion", 133},
    {"CorvaneStatisticsInfoProto.proto", "CorvaneStatisticsInfo", 251},
    {"CorvaneTouchActionProto.proto", "CorvaneTouchAction", 119},
    {"CorvaneTouchEventAllDeviceProto.proto", "CorvaneTouchEventAllDevice", 234},
    {"CorvaneTouchEventDeviceProto.proto", "CorvaneTouchEventDevice", 484},
    {"CorvaneTouchEventProto.proto", "CorvaneTouchEvent", 122},
    {"CorvaneTouchFlingProto.proto", "CorvaneTouchFling", 165},
    {"CorvaneTouchScrollProto.proto", "CorvaneTouchScroll", 167},
    {"CorvaneTouchSinglePointProto.proto", "CorvaneTouchSinglePoint", 113},
    {"CorvaneTTSInitProto.proto", "CorvaneTTSInit", 138},
    {"CorvaneVideoEncoderInfoProto.proto", "CorvaneVideoEncoderInfo", 141},
    {"CorvaneVideoFrameRateProto.proto", "CorvaneVideoFrameRate", 106},
    {"CorvaneFeatureConfigListProto.proto", "CorvaneFeatureConfigList", 212},
    {"CorvaneFeatureConfigProto.proto", "CorvaneFeatureConfig", 113},
};
const size_t CProtoCheck::s_nFiles = sizeof(s_Files) / sizeof(s_Files[0]);

size_t CProtoCheck::Run(std::FILE* out) {
  size_t nFailed = 0;
  for (size_t i = 0; i < s_nFiles; ++i) {
    std::string sWhy;
    const bool bOk = CheckFile(s_Files[i], sWhy);
    if (!bOk) ++nFailed;
    std::fprintf(out, "%-4s  %-46s %-35s %s\n", bOk ? "ok" : "FAIL", s_Files[i].m_pszFile,
                 s_Files[i].m_pszMessage, sWhy.c_str());
  }
  std::fprintf(out, "protocheck: %zu files, %zu ok, %zu failed\n", s_nFiles, s_nFiles - nFailed, nFailed);
  return nFailed;
}

bool CProtoCheck::CheckFile(const FileEntry& entry, std::string& sWhy) {
  const FileDescriptor* pFile = DescriptorPool::generated_pool()->FindFileByName(entry.m_pszFile);
  if (pFile == nullptr) {
    sWhy = "not registered";
    return false;
  }
  FileDescriptorProto fileProto;
  pFile->CopyTo(&fileProto);
  const size_t nBytes = fileProto.ByteSizeLong();
  if (nBytes != entry.m_nDescriptorBytes) {
    sWhy = "descriptor " + std::to_string(nBytes) + " bytes, expected " +
           std::to_string(entry.m_nDescriptorBytes);
    return false;
  }
  if (pFile->message_type_count() != 1 || pFile->message_type(0)->name() != entry.m_pszMessage) {
    sWhy = "does not hold exactly the message " + std::string(entry.m_pszMessage);
    return false;
  }
  if (!RoundTrip(pFile->message_type(0), sWhy)) return false;
  sWhy = "descriptor " + std::to_string(nBytes) + " bytes, " + sWhy;
  return true;
}

// Gives every field a value that is not its default, exercising each encoding the schemas use:
// negative int32 (ten-byte varints), uint32 above 2^31, floats, strings and bytes with zero and
// high bytes, the last enumeration value, two elements in every repeated field.
void CProtoCheck::Fill(Message& msg, int nSalt) {
  const Descriptor* pDesc = msg.GetDescriptor();
  const Reflection* pRefl = msg.GetReflection();
  for (int i = 0; i < pDesc->field_count(); ++i) {
    const FieldDescriptor* pField = pDesc->field(i);
    const int nCount = pField->is_repeated() ? 2 : 1;
    for (int k = 0; k < nCount; ++k) {
      const int nBase = (nSalt + k) * 100 + pField->number();
      const bool bRep = pField->is_repeated();
      switch (pField->cpp_type()) {
        case FieldDescriptor::CPPTYPE_INT32: {
          const int32_t v = (pField->number() % 2) ? -nBase : nBase;
          bRep ? pRefl->AddInt32(&msg, pField, v) : pRefl->SetInt32(&msg, pField, v);
          break;
        }
        case FieldDescriptor::CPPTYPE_UINT32: {
          const uint32_t v = 0xFFFFFF00u + static_cast<uint32_t>(pField->number());
          bRep ? pRefl->AddUInt32(&msg, pField, v) : pRefl->SetUInt32(&msg, pField, v);
          break;
        }
        case FieldDescriptor::CPPTYPE_FLOAT: {
          const float v = static_cast<float>(nBase) + 0.25f;
          bRep ? pRefl->AddFloat(&msg, pField, v) : pRefl->SetFloat(&msg, pField, v);
          break;
        }
        case FieldDescriptor::CPPTYPE_STRING: {
          std::string v = pField->name() + "-" + std::to_string(nBase);
          if (pField->type() == FieldDescriptor::TYPE_BYTES) v += std::string("\0\xff", 2);
          bRep ? pRefl->AddString(&msg, pField, v) : pRefl->SetString(&msg, pField, v);
          break;
        }
        case FieldDescriptor::CPPTYPE_ENUM: {
          const auto* pValue = pField->enum_type()->value(pField->enum_type()->value_count() - 1);
          bRep ? pRefl->AddEnum(&msg, pField, pValue) : pRefl->SetEnum(&msg, pField, pValue);
          break;
        }
        case FieldDescriptor::CPPTYPE_MESSAGE:
          Fill(bRep ? *pRefl->AddMessage(&msg, pField) : *pRefl->MutableMessage(&msg, pField), nSalt + k + 1);
          break;
        default:
          // The schemas use no other types.
          break;
      }
    }
  }
}

bool CProtoCheck::RoundTrip(const Descriptor* pDesc, std::string& sWhy) {
  const Message* pPrototype = MessageFactory::generated_factory()->GetPrototype(pDesc);
  if (pPrototype == nullptr) {
    sWhy = "no generated class registered";
    return false;
  }
  std::unique_ptr<Message> pOut(pPrototype->New());
  Fill(*pOut, 1);
  if (!pOut->IsInitialized()) {
    sWhy = "filled message misses " + pOut->InitializationErrorString();
    return false;
  }
  std::vector<uint8_t> buf(pOut->ByteSizeLong());
  const int nLen = CProtoPayload::Serialize(*pOut, buf.data(), buf.size());
  if (nLen <= 0 || static_cast<size_t>(nLen) != buf.size()) {
    sWhy = "serialised " + std::to_string(nLen) + " bytes, sized " + std::to_string(buf.size());
    return false;
  }
  std::unique_ptr<Message> pIn(pPrototype->New());
  if (!CProtoPayload::Parse(*pIn, buf.data(), buf.size())) {
    sWhy = "parse of its own payload failed";
    return false;
  }
  if (!google::protobuf::util::MessageDifferencer::Equals(*pOut, *pIn)) {
    sWhy = "payload did not parse back to the same message";
    return false;
  }
  sWhy = "payload " + std::to_string(nLen) + " bytes";
  return true;
}
