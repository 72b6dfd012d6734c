// The MFC classes the system uses, as one include like the library's own.
#pragma once

#include "platform/mfc/CFile.h"
#include "platform/mfc/CStdioFile.h"
#include "platform/mfc/CString.h"
