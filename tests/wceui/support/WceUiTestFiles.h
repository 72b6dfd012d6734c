// Files for tests of the framework: UTF-16 text files in the form the framework reads (little-endian
// with the mark FF FE) and in the wrong forms it must refuse, written under the test's device root.
#pragma once

#include <string>

enum class WceUiTextForm {
  kUtf16Le,         // FF FE, then the text little-endian: the framework's form
  kUtf16LeNoMark,   // the text little-endian without a mark
  kUtf16Be,         // FE FF, then the text big-endian
  kUtf8,            // the text in UTF-8 with the UTF-8 mark EF BB BF
  kUtf16LeOddByte,  // the framework's form with one stray byte at the end
};

// The bytes of a text in one of the forms.
std::string WceUiTextBytes(const std::u16string& text, WceUiTextForm form = WceUiTextForm::kUtf16Le);
// UTF-16LE bytes of a text, without a mark.
std::string WceUiUtf16LeBytes(const std::u16string& text);
// Writes bytes at a CE path under the device root, creating its folders.
void WceUiPutFile(const std::u16string& cePath, const std::string& bytes);
// Writes a text file at a CE path in one of the forms.
void WceUiPutTextFile(const std::u16string& cePath, const std::u16string& text,
                      WceUiTextForm form = WceUiTextForm::kUtf16Le);
