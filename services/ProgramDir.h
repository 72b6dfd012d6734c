// The program's directory: the module file name cut at its last backslash, at most
// MAX_PATH characters, without the trailing backslash ("\SDMMC\CECorvane").
#pragma once

#include "platform/mfc/CString.h"

CString GetProgramDir();
