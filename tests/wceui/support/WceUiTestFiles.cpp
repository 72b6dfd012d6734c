#include "tests/wceui/support/WceUiTestFiles.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/wcestr.h"
#include "platform/kernel/KernelHooks.h"

#include <filesystem>
#include <fstream>

std::string WceUiUtf16LeBytes(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

std::string WceUiTextBytes(const std::u16string& text, WceUiTextForm form) {
  switch (form) {
    case WceUiTextForm::kUtf16Le:
      return std::string("\xFF\xFE") + WceUiUtf16LeBytes(text);
    case WceUiTextForm::kUtf16LeNoMark:
      return WceUiUtf16LeBytes(text);
    case WceUiTextForm::kUtf16Be: {
      std::string out("\xFE\xFF");
      for (char16_t c : text) {
        out.push_back(static_cast<char>(c >> 8));
        out.push_back(static_cast<char>(c & 0xFF));
      }
      return out;
    }
    case WceUiTextForm::kUtf8:
      return std::string("\xEF\xBB\xBF") + WceWideToUtf8(text);
    case WceUiTextForm::kUtf16LeOddByte:
      return std::string("\xFF\xFE") + WceUiUtf16LeBytes(text) + std::string(1, '\0');
  }
  return std::string();
}

void WceUiPutFile(const std::u16string& cePath, const std::string& bytes) {
  std::filesystem::path host(wce::HostPath(cePath));
  std::filesystem::create_directories(host.parent_path());
  std::ofstream(host, std::ios::binary | std::ios::trunc) << bytes;
}

void WceUiPutTextFile(const std::u16string& cePath, const std::u16string& text, WceUiTextForm form) {
  WceUiPutFile(cePath, WceUiTextBytes(text, form));
}
