#include "ProtoLinkProbe.h"

int ProtoLinkProbe() {
  return 1;
}
