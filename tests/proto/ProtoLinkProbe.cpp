#include "tests/proto/ProtoLinkProbe.h"

int ProtoLinkProbe() {
  return 1;
}
