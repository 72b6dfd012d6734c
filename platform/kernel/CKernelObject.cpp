#include "platform/kernel/CKernelObject.h"

CKernelObject::CKernelObject(Type type) : m_type(type) {}

CKernelObject::~CKernelObject() = default;
