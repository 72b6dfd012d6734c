// Feeds arbitrary bytes to the engine's receivers as the phone would send them, in pieces, and
// hands arbitrary payloads of every command type to the dispatcher. The first byte chooses the
// receiver (or the dispatcher), the second the piece size.
#include "engine/CorvaneCommand.h"
#include "engine/CorvaneMedia.h"
#include "engine/CorvanePicture.h"
#include "engine/CorvaneTts.h"
#include "engine/CorvaneVRecord.h"
#include "engine/CorvaneWindowMessages.h"
#include "engine/DibBmp.h"
#include "engine/JpegLib.h"
#include "platform/audio/audio.h"
#include "platform/audio/AudioHooks.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "services/CorvaneConfig.h"
#include "tests/engine/FakeAdb.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {
const uint32_t kCommandTypes[] = {0x00010002, 0x00010004, 0x00010006, 0x00010008, 0x0001000D,
                                  0x00010014, 0x00010015, 0x00010016, 0x00010017, 0x0001001B,
                                  0x0001001C, 0x00010021, 0x00010023, 0x00010024, 0x00010026,
                                  0x00010051, 0x00050002, 0x00050003, 0x00050004};

int Step(int receiver) {
  switch (receiver) {
    case 0:
      return CorvaneCommand::GetInstance()->receivePackageData();
    case 1:
      return CorvanePicture::GetInstance()->receivePackageData();
    case 2:
      return CorvaneMedia::GetInstance()->receivePackageData();
    case 3:
      return CorvaneTts::GetInstance()->receivePackageData();
    default:
      return CorvaneVRecord::GetInstance()->receivePackageData();
  }
}

bool Init() {
  wce::SetDebugSink([](const std::string&) {});
  InitJpgLib();  // pictures that arrive whole are decoded for real
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool once = Init();
  (void)once;
  if (size < 2) return 0;
  fakeadb::Reset();
  fakeadb::SetAllConnected(true);
  wce::ResetWaveOut();
  g_CorvaneConfig.m_bNotifyMsg = data[0] & 0x80 ? 1 : 0;
  const int mode = (data[0] & 0x7F) % 7;
  const size_t piece = (data[1] % 64) + 1;
  data += 2;
  size -= 2;

  if (mode >= 5) {
    // Straight to a dispatcher: the type from the table, the rest is the payload.
    if (size < 1) return 0;
    uint32_t type = kCommandTypes[data[0] % (sizeof(kCommandTypes) / sizeof(kCommandTypes[0]))];
    if (mode == 5) {
      CorvaneCommand* cmd = CorvaneCommand::GetInstance();
      if (cmd->SetPackage(type, data + 1, static_cast<uint32_t>(size - 1))) cmd->ProcessPackage();
    } else {
      CorvaneVRecord* vr = CorvaneVRecord::GetInstance();
      if (vr->SetPackage(type, data + 1, static_cast<uint32_t>(size - 1))) vr->ProcessPackage();
    }
  } else {
    const int channel = mode;
    for (size_t off = 0; off < size; off += piece) {
      size_t n = size - off < piece ? size - off : piece;
      fakeadb::Feed(channel, std::vector<uint8_t>(data + off, data + off + n));
      for (int i = 0; i < 8 && Step(mode); ++i) {
      }
    }
    for (int i = 0; i < 64 && fakeadb::Buffered(channel) > 0; ++i) Step(mode);
  }
  CorvaneCommand::GetInstance()->Reset();
  CorvanePicture::GetInstance()->Reset();
  CorvaneMedia::GetInstance()->Reset();
  CorvaneTts::GetInstance()->Reset();
  CorvaneVRecord::GetInstance()->Reset();
  return 0;
}
