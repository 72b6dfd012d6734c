// The MFC classes the system uses, as one include like the library's own.
#pragma once

#include "mfc/CFile.h"
#include "mfc/CStdioFile.h"
#include "mfc/CString.h"
