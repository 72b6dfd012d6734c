// Writes one pack's tree: the authored text files of app/resources in the framework's form
// (UTF-16 little-endian with FF FE), their positions and font heights scaled to the screen, and
// every bitmap of the table drawn for the screen's size and depth.
#pragma once

#include "tools/resgen/ResScale.h"

#include <string>

class CResStager {
 public:
  CResStager(std::string srcDir, std::string outDir, int nWidth, int nHeight, int nBitsPixel);

  // The whole tree; false with a message in *pError at the first failure.
  bool Run(std::string* pError);

  // One text file's content for this screen: rectangles of dialog and style files ("*.xml") and
  // the height and width of font confs (relative path under "res/font/") scaled, then UTF-16LE
  // with its mark. False when a rectangle is not four integers.
  bool ConvertText(const std::string& relPath, const std::string& utf8, std::string* pOut,
                   std::string* pError) const;

 private:
  bool StageTexts(std::string* pError);
  bool DrawBitmaps(std::string* pError);

  std::string m_strSrcDir;
  std::string m_strOutDir;
  int m_nBitsPixel;
  ResScale m_Scale;
};
