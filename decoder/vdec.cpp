// The video decoder's exports. One instance at a time in a process: its two picture records and
// two staging heads are process-wide, and the named mutex "lumadec_mutex" guards them (and the
// slot index) across the caller's threads and processes. A creation while an instance lives is
// refused, so nothing of the live one (its mutex handle, slots, slot index) is overwritten.
// Creation and release are not guarded against each other.
#include "decoder/LumadecVersion.h"
#include "decoder/lumadec.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/msdkcore/msdkcore.h"

#include <cstring>
#include <new>

namespace {

struct VdecInstance {
  AVD_HANDLE m_hDecoder;
  DWORD m_dwVideoType;
};

struct VideoTypeMap {
  DWORD m_dwVideoType;
  DWORD m_dwDecoderType;
  DWORD m_dwInputFormat;
};
const VideoTypeMap kVideoTypes[] = {{1, 26, 1}, {2, 5, 2},    {3, 5, 3},    {4, 5, 4},
                                    {5, 5, 5},  {6, 24, 6},   {7, 24, 7},   {8, 24, 8},
                                    {9, 24, 9}, {12, 28, 13}, {13, 28, 14}, {14, 5, 12}};

const VideoTypeMap* FindType(DWORD u4VideoType) {
  for (const VideoTypeMap& m : kVideoTypes)
    if (m.m_dwVideoType == u4VideoType) return &m;
  return nullptr;
}

const WCHAR kMutexName[] = u"lumadec_mutex";
const int kSlots = 2;
// The size the decoder gives for a picture's head (bytes 0 to 59 of its record on the target).
const DWORD kPictureHeadSize = 60;

// The live instance and its handle of "lumadec_mutex", from its creation to its release.
VdecInstance* g_pInstance = nullptr;
HANDLE g_hMutex = nullptr;
// Guarded by g_hMutex.
AVD_PICTURE g_arOutput[kSlots];
AVD_PICTURE_HEAD g_arStaging[kSlots];
int g_nSlot = 0;
DWORD g_au4FeedTick[kSlots];
DWORD g_au4FetchTick[kSlots];

// Holds "lumadec_mutex" for one call.
class CSlotLock {
 public:
  CSlotLock() : m_hMutex(g_hMutex) {
    if (m_hMutex != nullptr) WaitForSingleObject(m_hMutex, INFINITE);
  }
  ~CSlotLock() {
    if (m_hMutex != nullptr) ReleaseMutex(m_hMutex);
  }
  CSlotLock(const CSlotLock&) = delete;
  CSlotLock& operator=(const CSlotLock&) = delete;

 private:
  HANDLE m_hMutex;
};

}  // namespace

LUMADEC_API VDEC_INSTANCE Vdec_CreateInstance(DWORD u4VideoType) {
  LumadecLogVersion(kLumadecVideoVersion);
  if (g_pInstance != nullptr) {
    wce::DebugPrint("[Lumadec]Vdec_CreateInstance: an instance exists already\r\n");
    return nullptr;
  }
  VdecInstance* inst = new (std::nothrow) VdecInstance{nullptr, u4VideoType};
  if (inst == nullptr) return nullptr;
  std::memset(g_arOutput, 0, sizeof(g_arOutput));
  std::memset(g_arStaging, 0, sizeof(g_arStaging));
  g_nSlot = 0;
  HANDLE hMutex = CreateMutexW(nullptr, FALSE, kMutexName);
  if (hMutex == nullptr) {
    wce::DebugPrint("Vdec_CreateInstance: Unable to create mutex\r\n");
    delete inst;
    return nullptr;
  }
  const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  const unsigned id = static_cast<unsigned>(reinterpret_cast<uintptr_t>(hMutex));
  if (existed) {
    wce::DebugPrint("Vdec_CreateInstance: Existing mutex [0x%x]\r\n", id);
  } else {
    wce::DebugPrint("Vdec_CreateInstance: Mutex [0x%x] is created\r\n", id);
  }
  wce::DebugPrint("Vdec_CreateInstance , bUseInterDemux: 0\r\n");
  const VideoTypeMap* type = FindType(u4VideoType);
  if (type == nullptr) {
    CloseHandle(hMutex);
    delete inst;
    return nullptr;
  }
  inst->m_hDecoder = AVDecoder_CreateInstance(type->m_dwDecoderType, AVD_KIND_VIDEO);
  if (inst->m_hDecoder == nullptr) {
    wce::DebugPrint("[Lumadec]Vdec_CreateInstance: AVDecoder_CreateInstance failed\r\n");
    CloseHandle(hMutex);
    delete inst;
    return nullptr;
  }
  g_hMutex = hMutex;
  g_pInstance = inst;
  return inst;
}

LUMADEC_API BYTE Vdec_SetInputData(VDEC_INSTANCE hInst, const VDEC_INPUT_DATA* prInput) {
  CSlotLock lock;
  const int slot = g_nSlot;
  g_au4FeedTick[slot] = GetTickCount();
  AVD_VIDEO_INPUT desc = {};
  std::memset(&g_arOutput[slot], 0, sizeof(g_arOutput[slot]));
  auto* inst = static_cast<VdecInstance*>(hInst);
  if (inst == nullptr) {
    wce::DebugPrint("[Lumadec]Vdec_SetInputData fail for prVdecInst is NULL\r\n");
    return 0;
  }
  if (prInput == nullptr) {
    wce::DebugPrint("[Lumadec]Vdec_SetInputData fail for the input record is NULL\r\n");
    return 0;
  }
  if (prInput->pvSideData != nullptr) {
    desc.pvSideData = prInput->pvSideData;
    desc.u4SideWord0 = prInput->u4SideWord0;
    desc.u4SideWord1 = prInput->u4SideWord1;
    desc.bSideFlag = prInput->bSideFlag;
    desc.u4SideWord2 = prInput->u4SideWord2;
    desc.u4SideWord3 = prInput->u4SideWord3;
  }
  desc.pbUnit = prInput->pbUnit;
  desc.u4UnitSize = prInput->u4UnitSize;
  desc.u4Pts = prInput->u4Pts;
  desc.u4Dts = prInput->u4Dts;
  desc.bUnitFlags = prInput->bUnitFlags;
  desc.prOutput = &g_arOutput[slot];
  const VideoTypeMap* type = FindType(inst->m_dwVideoType);
  if (type == nullptr) return 0;
  desc.u4InputFormat = type->m_dwInputFormat;
  const BOOL result = AVDecoder_SetInputBuf(inst->m_hDecoder, &desc, sizeof(desc));
  g_au4FeedTick[slot] = GetTickCount();
  if (!result) wce::DebugPrint("[Lumadec]Vdec_SetInputData failed in AVDecoder_SetInputBuf\r\n");
  return static_cast<BYTE>(result & 0xFF);
}

LUMADEC_API BOOL Vdec_GetOutputData(VDEC_INSTANCE hInst, VDEC_OUTPUT_DATA* prOutput) {
  CSlotLock lock;
  const int slot = g_nSlot;
  g_au4FetchTick[slot] = GetTickCount();
  auto* inst = static_cast<VdecInstance*>(hInst);
  if (inst == nullptr || prOutput == nullptr) return FALSE;
  AVD_PICTURE& picture = g_arOutput[slot];
  picture.rHead = g_arStaging[slot];
  if (!AVDecoder_GetOutputBuf(inst->m_hDecoder, &prOutput->u4HeadSize))
    wce::DebugPrint("[Lumadec]Vdec_GetOutputData: AVDecoder_GetOutputBuf failed\r\n");
  prOutput->prPicture = &picture;
  prOutput->u4HeadSize = kPictureHeadSize;
  prOutput->u4Width = picture.rHead.u4Width;
  prOutput->u4Height = picture.rHead.u4Height;
  prOutput->u4DisplayWidth = picture.u4DisplayWidth;
  prOutput->u4DisplayHeight = picture.u4DisplayHeight;
  // The status's low byte is 255 for a record without a picture.
  const bool hasStatus = static_cast<BYTE>(picture.rHead.i4Status & 0xFF) != AVD_PICTURE_STATUS_NONE;
  prOutput->fgHasPicture =
      hasStatus && picture.rHead.pbLuma != nullptr && picture.rHead.pbChroma != nullptr ? 1 : 0;
  prOutput->fgFrameDone = picture.u4FrameDone == 1 ? 1 : 0;
  g_nSlot = 1 - slot;
  g_au4FetchTick[slot] = GetTickCount();
  return TRUE;
}

LUMADEC_API BOOL Vdec_FreeOutputBuf(VDEC_INSTANCE hInst, AVD_PICTURE* prPicture) {
  CSlotLock lock;
  auto* inst = static_cast<VdecInstance*>(hInst);
  if (inst == nullptr || prPicture == nullptr) return FALSE;
  if (prPicture->rHead.i4Status != AVD_PICTURE_STATUS_FOREIGN) {
    AVD_BUFFER_PAIR buffers = {prPicture->rHead.pbLuma, prPicture->rHead.pbChroma};
    AVDecoder_SetOutputBuf(inst->m_hDecoder, &buffers, sizeof(buffers));
  }
  return TRUE;
}

LUMADEC_API BOOL Vdec_ReleaseInstance(VDEC_INSTANCE hInst, DWORD u4Arg) {
  auto* inst = static_cast<VdecInstance*>(hInst);
  if (inst == nullptr) return FALSE;
  AVDecoder_Release(inst->m_hDecoder, u4Arg);
  if (inst == g_pInstance) {
    if (g_hMutex != nullptr) CloseHandle(g_hMutex);
    g_hMutex = nullptr;
    g_pInstance = nullptr;
    g_nSlot = 0;
  }
  delete inst;
  return TRUE;
}
