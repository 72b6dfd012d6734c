#pragma once
// What the phone's shell answers. The defaults play a plausible phone (am,
// getprop, ps, kill, chmod, mkdir, ls and running pushed programs); rules set
// by a test or the command line replace, delay, silence or split answers.
// Output lines end in CR LF, as through the pty of the classic shell service.
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace phonesim {

class CPhoneFs;

struct SShellAnswer {
  std::string m_strText;
  int m_nDelayMs = 0;
  bool m_bSilent = false;        // no output and no CLSE: the stream stays open
  std::vector<size_t> m_Splits;  // byte offsets where a new WRTE starts
};

// A rule applies to commands equal to pattern, or starting with it when the
// pattern ends in '*'. Only what it sets changes the answer.
struct SShellRule {
  std::string m_strPattern;
  bool m_bReplace = false;  // text replaces the default answer
  std::string m_strText;
  int m_nDelayMs = 0;
  bool m_bSilent = false;
  std::vector<size_t> m_Splits;
};

struct SPhoneProcess {
  std::string m_strUser;
  int m_nPid = 0;
  int m_nPpid = 0;
  std::string m_strName;
};

class CShellScript {
 public:
  CShellScript();
  void SetFs(CPhoneFs* fs);
  void Reset();  // defaults back, no rules, no started programs

  void SetProp(const std::string& key, const std::string& value);
  std::string Prop(const std::string& key) const;
  void SetAppInstalled(const std::string& package, bool installed);
  // A started program named base (file name) also runs a process child_name.
  void SetChildProcess(const std::string& base, const std::string& child_name);
  void SetRule(const SShellRule& rule);  // replaces a rule with the same pattern
  void ClearRules();

  SShellAnswer Run(const std::string& command);

  // Called (outside the script's lock) for each "am start" of an
  // installed package, with the package: the phone app starts there.
  void SetAppStartHook(std::function<void(const std::string& package)> hook);
  // The process of that name ends (the app died).
  void EndProcess(const std::string& name);

  std::vector<SPhoneProcess> Processes() const;
  bool IsRunning(const std::string& name) const;

 private:
  std::string Default(const std::string& command);  // m_Lock held
  std::string AmStart(const std::vector<std::string>& argv);
  std::string Ps() const;
  std::string Kill(const std::vector<std::string>& argv);
  std::string Chmod(const std::vector<std::string>& argv);
  std::string Mkdir(const std::vector<std::string>& argv);
  std::string Ls(const std::vector<std::string>& argv);
  std::string Exec(const std::vector<std::string>& argv);
  int StartProcess(const std::string& user, int ppid, const std::string& name);

  mutable std::mutex m_Lock;
  CPhoneFs* m_pFs = nullptr;
  std::map<std::string, std::string> m_Props;
  std::set<std::string> m_Installed;
  std::map<std::string, std::string> m_Children;
  std::vector<SShellRule> m_Rules;
  std::vector<SPhoneProcess> m_Procs;
  int m_nNextPid = 0;
  std::function<void(const std::string&)> m_fnAppStartHook;
  std::string m_strStartedPackage;  // set by AmStart, handed to the hook by Run
};

}  // namespace phonesim
