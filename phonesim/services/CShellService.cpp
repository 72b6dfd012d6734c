#include "phonesim/services/CShellService.h"

#include <algorithm>

#include "phonesim/record/CSimRecord.h"
#include "phonesim/services/CShellScript.h"

namespace phonesim {

CShellService::CShellService(std::shared_ptr<CAdbStreamLink> link, CShellScript* script, CSimRecord* record)
    : CSimService(std::move(link)), m_pScript(script), m_pRecord(record) {}

std::string CShellService::CommandOf(const std::string& service) {
  std::string cmd = service.substr(service.find(':') + 1);
  // The head unit ends some commands with a line feed, as typed.
  while (!cmd.empty() && (cmd.back() == '\n' || cmd.back() == '\r' || cmd.back() == ' ')) cmd.pop_back();
  size_t b = cmd.find_first_not_of(' ');
  return b == std::string::npos ? std::string() : cmd.substr(b);
}

void CShellService::OnOpen() {
  std::string cmd = CommandOf(m_pLink->Service());
  m_pRecord->Shell(cmd);
  if (!m_pLink->Step("shell:" + cmd)) return;
  SShellAnswer a = m_pScript->Run(cmd);
  if (a.m_bSilent) {
    m_pRecord->Event("shell answer silenced: " + cmd);
    return;
  }
  std::shared_ptr<CAdbStreamLink> link = m_pLink;
  auto deliver = [link, a] {
    std::vector<size_t> cuts = a.m_Splits;
    cuts.push_back(a.m_strText.size());
    std::sort(cuts.begin(), cuts.end());
    size_t from = 0;
    for (size_t cut : cuts) {
      cut = std::min(cut, a.m_strText.size());
      if (cut <= from) continue;
      link->Write(a.m_strText.data() + from, cut - from);
      from = cut;
    }
    link->Close();
  };
  if (a.m_nDelayMs > 0)
    m_pLink->After(a.m_nDelayMs, deliver);
  else
    deliver();
}

}  // namespace phonesim
