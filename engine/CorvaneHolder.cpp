#include "engine/CorvaneHolder.h"

#include "engine/CSingleInstance.h"
#include "engine/CorvaneSendData.h"

#include <new>

namespace {
CSingleInstance<CorvaneHolder> s_instance("CorvaneHolder");
}

CorvaneHolder::CorvaneHolder() : m_pSendData(CorvaneSendData::GetInstance()) {}

CorvaneHolder* CorvaneHolder::GetInstance() {
  return s_instance.Get([] { return new (std::nothrow) CorvaneHolder(); });
}

void CorvaneHolder::DestroyInstance() {
  delete s_instance.Take();
}
