#include "tools/protocheck/CProtoCheck.h"

#include <cstdio>

int main() {
  return CProtoCheck::Run(stdout) == 0 ? 0 : 1;
}
