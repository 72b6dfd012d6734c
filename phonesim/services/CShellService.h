#pragma once
// "shell:COMMAND": runs the command against the shell script and writes its
// answer (possibly delayed or split into several WRTEs), then closes.
#include "phonesim/services/CSimService.h"

namespace phonesim {

class CShellScript;
class CSimRecord;

class CShellService : public CSimService {
 public:
  CShellService(std::shared_ptr<CAdbStreamLink> link, CShellScript* script, CSimRecord* record);
  void OnOpen() override;
  void OnData(const uint8_t*, size_t) override {}  // no stdin for one-shot commands

  // The command of a "shell:" service text, as the shell sees it.
  static std::string CommandOf(const std::string& service);

 private:
  CShellScript* m_pScript;
  CSimRecord* m_pRecord;
};

}  // namespace phonesim
