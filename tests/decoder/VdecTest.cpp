// The video decoder through the library's exports, against the recording vendor layer.
#include "tests/decoder/LumadecTestSupport.h"

using lumadectest::CDebugLines;
using lumadectest::CountOf;
using lumadectest::LastDecoder;
using msdk::MSDK_CALL;

namespace {

class VdecTest : public lumadectest::LumadecTest {
 protected:
  void TearDown() override {
    if (m_hInst != nullptr) Vdec_ReleaseInstance(m_hInst, 0);
    LumadecTest::TearDown();
  }
  // The named mutex is gone when a new one is created here without ERROR_ALREADY_EXISTS.
  static bool MutexExists() {
    HANDLE m = CreateMutexW(nullptr, FALSE, u"lumadec_mutex");
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    CloseHandle(m);
    return existed;
  }
  static VDEC_INPUT_DATA Unit(const BYTE* pbUnit, DWORD u4Size, DWORD u4Pts) {
    VDEC_INPUT_DATA in = {};
    in.pbUnit = pbUnit;
    in.u4UnitSize = u4Size;
    in.u4Pts = u4Pts;
    in.u4Dts = u4Pts + 1;
    in.bUnitFlags = 3;
    return in;
  }

  VDEC_INSTANCE m_hInst = nullptr;
};

struct TypeCase {
  DWORD m_dwVideoType;
  DWORD m_dwDecoderType;
  DWORD m_dwInputFormat;
};
const TypeCase kTypes[] = {{1, 26, 1}, {2, 5, 2},  {3, 5, 3},  {4, 5, 4},    {5, 5, 5},    {6, 24, 6},
                           {7, 24, 7}, {8, 24, 8}, {9, 24, 9}, {12, 28, 13}, {13, 28, 14}, {14, 5, 12}};

TEST_F(VdecTest, VideoTypesCreateTheirDecoderAndFeedTheirInputFormat) {
  const BYTE unit[4] = {0, 0, 1, 0x65};
  for (const TypeCase& c : kTypes) {
    SCOPED_TRACE(c.m_dwVideoType);
    msdk::MsdkReset();
    VDEC_INSTANCE inst = Vdec_CreateInstance(c.m_dwVideoType);
    ASSERT_NE(inst, nullptr);
    const auto created = msdk::MsdkCallsOf("AVDecoder_CreateInstance");
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(created[0].au8Arg[0], c.m_dwDecoderType);
    EXPECT_EQ(created[0].au8Arg[1], AVD_KIND_VIDEO);
    const VDEC_INPUT_DATA in = Unit(unit, sizeof(unit), 40);
    EXPECT_EQ(Vdec_SetInputData(inst, &in), 1);
    const auto fed = msdk::MsdkCallsOf("AVDecoder_SetInputBuf");
    ASSERT_EQ(fed.size(), 1u);
    EXPECT_EQ(fed[0].rVideoInput.u4InputFormat, c.m_dwInputFormat);
    EXPECT_EQ(fed[0].rVideoInput.pbUnit, unit);
    EXPECT_EQ(fed[0].rVideoInput.u4UnitSize, sizeof(unit));
    EXPECT_EQ(fed[0].rVideoInput.u4Pts, 40u);
    EXPECT_EQ(fed[0].rVideoInput.u4Dts, 41u);
    EXPECT_EQ(fed[0].rVideoInput.bUnitFlags, 3);
    EXPECT_TRUE(Vdec_ReleaseInstance(inst, 5));
    const auto released = msdk::MsdkCallsOf("AVDecoder_Release");
    ASSERT_EQ(released.size(), 1u);
    EXPECT_EQ(released[0].au8Arg[0], 5u);
    EXPECT_FALSE(MutexExists());
  }
}

// A refused type and a decoder that gave no handle both end in no instance, with the mutex closed.
TEST_F(VdecTest, RefusedTypesAndAFailedDecoderGiveNoInstance) {
  for (DWORD type : {0u, 10u, 11u, 15u}) {
    SCOPED_TRACE(type);
    EXPECT_EQ(Vdec_CreateInstance(type), nullptr);
    EXPECT_FALSE(MutexExists());
  }
  EXPECT_EQ(CountOf("AVDecoder_CreateInstance"), 0u);
  CDebugLines lines;
  msdk::MsdkFailCall("AVDecoder_CreateInstance", 1);
  EXPECT_EQ(Vdec_CreateInstance(2), nullptr);
  EXPECT_TRUE(lines.Has("[Lumadec]Vdec_CreateInstance: AVDecoder_CreateInstance failed"));
  EXPECT_FALSE(MutexExists());
}

TEST_F(VdecTest, MissingArgumentsAreRefusedWithoutADecoderCall) {
  m_hInst = Vdec_CreateInstance(2);
  ASSERT_NE(m_hInst, nullptr);
  const BYTE unit[2] = {1, 2};
  const VDEC_INPUT_DATA in = Unit(unit, 2, 0);
  VDEC_OUTPUT_DATA out = {};
  CDebugLines lines;
  EXPECT_EQ(Vdec_SetInputData(m_hInst, nullptr), 0);
  EXPECT_EQ(Vdec_SetInputData(nullptr, &in), 0);
  EXPECT_TRUE(lines.Has("[Lumadec]Vdec_SetInputData fail for prVdecInst is NULL"));
  EXPECT_FALSE(Vdec_GetOutputData(m_hInst, nullptr));
  EXPECT_FALSE(Vdec_GetOutputData(nullptr, &out));
  EXPECT_FALSE(Vdec_FreeOutputBuf(m_hInst, nullptr));
  EXPECT_FALSE(Vdec_ReleaseInstance(nullptr, 0));
  EXPECT_EQ(CountOf("AVDecoder_SetInputBuf"), 0u);
  EXPECT_EQ(CountOf("AVDecoder_GetOutputBuf"), 0u);
  EXPECT_EQ(CountOf("AVDecoder_SetOutputBuf"), 0u);
  // A decoder that refuses the unit gives its result.
  msdk::MsdkFailCall("AVDecoder_SetInputBuf", 1);
  EXPECT_EQ(Vdec_SetInputData(m_hInst, &in), 0);
  EXPECT_TRUE(lines.Has("[Lumadec]Vdec_SetInputData failed in AVDecoder_SetInputBuf"));
}

TEST_F(VdecTest, SideDataGoesToTheDecoderOnlyWithItsPointer) {
  m_hInst = Vdec_CreateInstance(6);
  ASSERT_NE(m_hInst, nullptr);
  const BYTE unit[2] = {1, 2};
  int side = 0;
  for (bool withSide : {false, true}) {
    SCOPED_TRACE(withSide);
    VDEC_INPUT_DATA in = Unit(unit, 2, 0);
    in.pvSideData = withSide ? &side : nullptr;
    in.u4SideWord0 = 10;
    in.u4SideWord1 = 11;
    in.bSideFlag = 12;
    in.u4SideWord2 = 13;
    in.u4SideWord3 = 14;
    ASSERT_EQ(Vdec_SetInputData(m_hInst, &in), 1);
    const MSDK_CALL fed = msdk::MsdkCallsOf("AVDecoder_SetInputBuf").back();
    const DWORD k = withSide ? 1 : 0;
    EXPECT_EQ(fed.rVideoInput.pvSideData, withSide ? &side : nullptr);
    EXPECT_EQ(fed.rVideoInput.u4SideWord0, 10 * k);
    EXPECT_EQ(fed.rVideoInput.u4SideWord1, 11 * k);
    EXPECT_EQ(fed.rVideoInput.bSideFlag, 12 * k);
    EXPECT_EQ(fed.rVideoInput.u4SideWord2, 13 * k);
    EXPECT_EQ(fed.rVideoInput.u4SideWord3, 14 * k);
  }
}

// Each feed points the decoder at the current slot and each fetch reads it and moves on: two
// slots in turn, and the pictures' buffers handed back as the decoder gave them.
TEST_F(VdecTest, SlotsAlternateAndPicturesGoBackToTheDecoder) {
  m_hInst = Vdec_CreateInstance(2);
  ASSERT_NE(m_hInst, nullptr);
  const AVD_HANDLE h = LastDecoder();
  const BYTE unit[2] = {1, 2};
  std::vector<AVD_PICTURE*> slots;
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const VDEC_INPUT_DATA in = Unit(unit, 2, 100 + i);
    ASSERT_EQ(Vdec_SetInputData(m_hInst, &in), 1);
    VDEC_OUTPUT_DATA out = {};
    ASSERT_TRUE(Vdec_GetOutputData(m_hInst, &out));
    const MSDK_CALL fed = msdk::MsdkCallsOf("AVDecoder_SetInputBuf").back();
    const MSDK_CALL fetched = msdk::MsdkCallsOf("AVDecoder_GetOutputBuf").back();
    EXPECT_EQ(fed.rVideoInput.prOutput, out.prPicture);
    EXPECT_EQ(fetched.pvOut, &out.u4HeadSize);
    slots.push_back(out.prPicture);
    const AVD_PICTURE& given = fetched.rPicture;
    EXPECT_EQ(out.u4HeadSize, 60u);
    EXPECT_EQ(out.u4Width, given.rHead.u4Width);
    EXPECT_EQ(out.u4Height, given.rHead.u4Height);
    EXPECT_EQ(out.u4DisplayWidth, given.u4DisplayWidth);
    EXPECT_EQ(out.u4DisplayHeight, given.u4DisplayHeight);
    EXPECT_EQ(out.fgHasPicture, 1);
    EXPECT_EQ(out.fgFrameDone, 1);
    EXPECT_EQ(out.prPicture->rHead.u4Pts, 100u + i);
    ASSERT_TRUE(Vdec_FreeOutputBuf(m_hInst, out.prPicture));
    const MSDK_CALL back = msdk::MsdkCallsOf("AVDecoder_SetOutputBuf").back();
    EXPECT_EQ(back.hDecoder, h);
    EXPECT_EQ(back.rBuffers.pbLuma, given.rHead.pbLuma);
    EXPECT_EQ(back.rBuffers.pbChroma, given.rHead.pbChroma);
    EXPECT_EQ(back.au8Arg[0], sizeof(AVD_BUFFER_PAIR));
  }
  EXPECT_NE(slots[0], slots[1]);
  EXPECT_EQ(slots[0], slots[2]);
  EXPECT_EQ(slots[1], slots[3]);
  // Release starts the next instance at the first slot again.
  ASSERT_TRUE(Vdec_ReleaseInstance(m_hInst, 0));
  m_hInst = Vdec_CreateInstance(2);
  ASSERT_NE(m_hInst, nullptr);
  VDEC_OUTPUT_DATA out = {};
  ASSERT_TRUE(Vdec_GetOutputData(m_hInst, &out));
  EXPECT_EQ(out.prPicture, slots[0]);
}

// One instance at a time: a second creation is refused with a line and changes nothing of the
// first, which keeps its slots, its place in them and its mutex; once it is released a new
// instance can be made.
TEST_F(VdecTest, ASecondInstanceIsRefusedAndTheFirstKeepsDecoding) {
  m_hInst = Vdec_CreateInstance(2);
  ASSERT_NE(m_hInst, nullptr);
  const BYTE unit[2] = {1, 2};
  const VDEC_INPUT_DATA first = Unit(unit, 2, 70);
  ASSERT_EQ(Vdec_SetInputData(m_hInst, &first), 1);
  VDEC_OUTPUT_DATA out0 = {};
  ASSERT_TRUE(Vdec_GetOutputData(m_hInst, &out0));
  ASSERT_EQ(out0.prPicture->rHead.u4Pts, 70u);

  CDebugLines lines;
  EXPECT_EQ(Vdec_CreateInstance(3), nullptr);
  EXPECT_TRUE(lines.Has("[Lumadec]Vdec_CreateInstance: an instance exists already"));
  EXPECT_EQ(CountOf("AVDecoder_CreateInstance"), 1u);
  EXPECT_EQ(out0.prPicture->rHead.u4Pts, 70u);

  // The first goes on with its next slot, under its own mutex.
  const VDEC_INPUT_DATA second = Unit(unit, 2, 71);
  ASSERT_EQ(Vdec_SetInputData(m_hInst, &second), 1);
  VDEC_OUTPUT_DATA out1 = {};
  ASSERT_TRUE(Vdec_GetOutputData(m_hInst, &out1));
  EXPECT_NE(out1.prPicture, out0.prPicture);
  EXPECT_EQ(out1.prPicture->rHead.u4Pts, 71u);
  EXPECT_EQ(msdk::MsdkCallsOf("AVDecoder_SetInputBuf").back().rVideoInput.u4InputFormat, 2u);

  ASSERT_TRUE(Vdec_ReleaseInstance(m_hInst, 0));
  m_hInst = nullptr;
  EXPECT_FALSE(MutexExists());
  m_hInst = Vdec_CreateInstance(3);
  ASSERT_NE(m_hInst, nullptr);
  EXPECT_TRUE(MutexExists());
  VDEC_OUTPUT_DATA out = {};
  ASSERT_TRUE(Vdec_GetOutputData(m_hInst, &out));
  EXPECT_EQ(out.prPicture, out0.prPicture);
}

// The flags of the output record, from the picture the decoder wrote.
TEST_F(VdecTest, OutputFlagsFollowThePicture) {
  m_hInst = Vdec_CreateInstance(3);
  ASSERT_NE(m_hInst, nullptr);
  const AVD_HANDLE h = LastDecoder();
  BYTE luma = 0, chroma = 0;
  struct Case {
    const char* m_pszName;
    INT m_nStatus;
    bool m_bLuma;
    bool m_bChroma;
    DWORD m_dwFrameDone;
    BYTE m_bHasPicture;
    BYTE m_bFrameDone;
    bool m_bHandedBack;
  };
  const Case cases[] = {
      {"a whole picture", 0, true, true, 1, 1, 1, true},
      {"no picture (status 255)", AVD_PICTURE_STATUS_NONE, true, true, 1, 0, 1, true},
      {"a status whose low byte is 255", 0x1FF, true, true, 0, 0, 0, true},
      {"no luma buffer", 0, false, true, 2, 0, 0, true},
      {"no chroma buffer", 0, true, false, 1, 0, 1, true},
      {"not the decoder's buffers (-16)", AVD_PICTURE_STATUS_FOREIGN, true, true, 1, 1, 1, false},
  };
  const BYTE unit[1] = {9};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m_pszName);
    AVD_PICTURE picture = {};
    picture.rHead.pbLuma = c.m_bLuma ? &luma : nullptr;
    picture.rHead.pbChroma = c.m_bChroma ? &chroma : nullptr;
    picture.rHead.i4Status = c.m_nStatus;
    picture.rHead.u4Width = 1280;
    picture.rHead.u4Height = 720;
    picture.u4DisplayWidth = 1270;
    picture.u4DisplayHeight = 710;
    picture.u4FrameDone = c.m_dwFrameDone;
    msdk::MsdkQueuePicture(h, picture);
    const VDEC_INPUT_DATA in = Unit(unit, 1, 0);
    ASSERT_EQ(Vdec_SetInputData(m_hInst, &in), 1);
    VDEC_OUTPUT_DATA out = {};
    ASSERT_TRUE(Vdec_GetOutputData(m_hInst, &out));
    EXPECT_EQ(out.fgHasPicture, c.m_bHasPicture);
    EXPECT_EQ(out.fgFrameDone, c.m_bFrameDone);
    EXPECT_EQ(out.u4Width, 1280u);
    EXPECT_EQ(out.u4Height, 720u);
    EXPECT_EQ(out.u4DisplayWidth, 1270u);
    EXPECT_EQ(out.u4DisplayHeight, 710u);
    const size_t before = CountOf("AVDecoder_SetOutputBuf");
    ASSERT_TRUE(Vdec_FreeOutputBuf(m_hInst, out.prPicture));
    EXPECT_EQ(CountOf("AVDecoder_SetOutputBuf") - before, c.m_bHandedBack ? 1u : 0u);
  }
}

}  // namespace
