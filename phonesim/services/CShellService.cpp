#include "phonesim/services/CShellService.h"

#include <algorithm>

#include "phonesim/record/CSimRecord.h"
#include "phonesim/services/CShellScript.h"

namespace phonesim {

CShellService::CShellService(std::shared_ptr<CAdbStreamLink> link, CShellScript* script, CSimRecord* record)
    : CSimService(std::move(link)), m_script(script), m_record(record) {}

std::string CShellService::CommandOf(const std::string& service) {
  std::string cmd = service.substr(service.find(':') + 1);
  // The head unit ends some commands with a line feed, as typed.
  while (!cmd.empty() && (cmd.back() == '\n' || cmd.back() == '\r' || cmd.back() == ' ')) cmd.pop_back();
  size_t b = cmd.find_first_not_of(' ');
  return b == std::string::npos ? std::string() : cmd.substr(b);
}

void CShellService::OnOpen() {
  std::string cmd = CommandOf(m_link->Service());
  m_record->Shell(cmd);
  if (!m_link->Step("shell:" + cmd)) return;
  SShellAnswer a = m_script->Run(cmd);
  if (a.silent) {
    m_record->Event("shell answer silenced: " + cmd);
    return;
  }
  std::shared_ptr<CAdbStreamLink> link = m_link;
  auto deliver = [link, a] {
    std::vector<size_t> cuts = a.splits;
    cuts.push_back(a.text.size());
    std::sort(cuts.begin(), cuts.end());
    size_t from = 0;
    for (size_t cut : cuts) {
      cut = std::min(cut, a.text.size());
      if (cut <= from) continue;
      link->Write(a.text.data() + from, cut - from);
      from = cut;
    }
    link->Close();
  };
  if (a.delay_ms > 0)
    m_link->After(a.delay_ms, deliver);
  else
    deliver();
}

}  // namespace phonesim
