#include "CorvaneHolder.h"

#include "CorvaneSendData.h"

#include <new>

namespace {
CorvaneHolder* s_pHolder = nullptr;
}

CorvaneHolder::CorvaneHolder() : m_pSendData(CorvaneSendData::GetInstance()) {}

CorvaneHolder* CorvaneHolder::GetInstance() {
  if (s_pHolder == nullptr) s_pHolder = new (std::nothrow) CorvaneHolder();
  return s_pHolder;
}

void CorvaneHolder::DestroyInstance() {
  delete s_pHolder;
  s_pHolder = nullptr;
}
