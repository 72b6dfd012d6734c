// The two name tables of the markup document: character entity names and encoding names.
#pragma once

#include "platform/kernel/wcetypes.h"

// The character of a named entity reference (name without "&" and ";"), or 0 when unknown.
// The lookup ignores ASCII case; when two names differ only in case ("Agrave", "agrave") the
// one written exactly as asked wins.
DWORD XmlLookupEntity(LPCWSTR name, int length);

// Windows code page of an encoding name: 0 for an empty name, -1 for an unknown one.
int XmlCodePageFromName(LPCWSTR name);
