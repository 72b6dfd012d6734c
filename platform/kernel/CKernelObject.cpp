#include "platform/kernel/CKernelObject.h"

CKernelObject::CKernelObject(Type type) : m_Type(type) {}

CKernelObject::~CKernelObject() = default;
