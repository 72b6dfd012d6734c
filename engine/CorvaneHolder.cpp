#include "engine/CorvaneHolder.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/CSingleInstance.h"
#include "engine/CorvaneSendData.h"

#include <new>

namespace {
CSingleInstance<CorvaneHolder>& Storage() {
  return g_CorvaneEngineSession.m_Instances.m_Holder;
}
}  // namespace

CorvaneHolder::CorvaneHolder() : m_pSendData(CorvaneSendData::GetInstance()) {}

CorvaneHolder* CorvaneHolder::GetInstance() {
  return Storage().Get([] { return new (std::nothrow) CorvaneHolder(); });
}

void CorvaneHolder::DestroyInstance() {
  delete Storage().Take();
}
