// How a holder of a style or layer has its resource.
#pragma once

enum WceUiResKind {
  kWceUiResById = 100,    // by resource id: the object belongs to the cache of its kind
  kWceUiResOwn = 101,     // the holder's own value (or none)
  kWceUiResOwnAlt = 102,  // read like kWceUiResOwn by the bitmap holder
};
