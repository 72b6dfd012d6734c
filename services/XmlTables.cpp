#include "services/XmlTables.h"

#include "platform/kernel/wcestr.h"

namespace {

struct Entity {
  const char* m_pszName;
  DWORD m_dwChar;
};

// The character entities of HTML 4.01 and "apos".
const Entity kEntities[] = {
    {"quot", 34},     {"amp", 38},      {"apos", 39},      {"lt", 60},        {"gt", 62},
    {"nbsp", 160},    {"iexcl", 161},   {"cent", 162},     {"pound", 163},    {"curren", 164},
    {"yen", 165},     {"brvbar", 166},  {"sect", 167},     {"uml", 168},      {"copy", 169},
    {"ordf", 170},    {"laquo", 171},   {"not", 172},      {"shy", 173},      {"reg", 174},
    {"macr", 175},    {"deg", 176},     {"plusmn", 177},   {"sup2", 178},     {"sup3", 179},
    {"acute", 180},   {"micro", 181},   {"para", 182},     {"middot", 183},   {"cedil", 184},
    {"sup1", 185},    {"ordm", 186},    {"raquo", 187},    {"frac14", 188},   {"frac12", 189},
    {"frac34", 190},  {"iquest", 191},  {"Agrave", 192},   {"Aacute", 193},   {"Acirc", 194},
    {"Atilde", 195},  {"Auml", 196},    {"Aring", 197},    {"AElig", 198},    {"Ccedil", 199},
    {"Egrave", 200},  {"Eacute", 201},  {"Ecirc", 202},    {"Euml", 203},     {"Igrave", 204},
    {"Iacute", 205},  {"Icirc", 206},   {"Iuml", 207},     {"ETH", 208},      {"Ntilde", 209},
    {"Ograve", 210},  {"Oacute", 211},  {"Ocirc", 212},    {"Otilde", 213},   {"Ouml", 214},
    {"times", 215},   {"Oslash", 216},  {"Ugrave", 217},   {"Uacute", 218},   {"Ucirc", 219},
    {"Uuml", 220},    {"Yacute", 221},  {"THORN", 222},    {"szlig", 223},    {"agrave", 224},
    {"aacute", 225},  {"acirc", 226},   {"atilde", 227},   {"auml", 228},     {"aring", 229},
    {"aelig", 230},   {"ccedil", 231},  {"egrave", 232},   {"eacute", 233},   {"ecirc", 234},
    {"euml", 235},    {"igrave", 236},  {"iacute", 237},   {"icirc", 238},    {"iuml", 239},
    {"eth", 240},     {"ntilde", 241},  {"ograve", 242},   {"oacute", 243},   {"ocirc", 244},
    {"otilde", 245},  {"ouml", 246},    {"divide", 247},   {"oslash", 248},   {"ugrave", 249},
    {"uacute", 250},  {"ucirc", 251},   {"uuml", 252},     {"yacute", 253},   {"thorn", 254},
    {"yuml", 255},    {"OElig", 338},   {"oelig", 339},    {"Scaron", 352},   {"scaron", 353},
    {"Yuml", 376},    {"fnof", 402},    {"circ", 710},     {"tilde", 732},    {"Alpha", 913},
    {"Beta", 914},    {"Gamma", 915},   {"Delta", 916},    {"Epsilon", 917},  {"Zeta", 918},
    {"Eta", 919},     {"Theta", 920},   {"Iota", 921},     {"Kappa", 922},    {"Lambda", 923},
    {"Mu", 924},      {"Nu", 925},      {"Xi", 926},       {"Omicron", 927},  {"Pi", 928},
    {"Rho", 929},     {"Sigma", 931},   {"Tau", 932},      {"Upsilon", 933},  {"Phi", 934},
    {"Chi", 935},     {"Psi", 936},     {"Omega", 937},    {"alpha", 945},    {"beta", 946},
    {"gamma", 947},   {"delta", 948},   {"epsilon", 949},  {"zeta", 950},     {"eta", 951},
    {"theta", 952},   {"iota", 953},    {"kappa", 954},    {"lambda", 955},   {"mu", 956},
    {"nu", 957},      {"xi", 958},      {"omicron", 959},  {"pi", 960},       {"rho", 961},
    {"sigmaf", 962},  {"sigma", 963},   {"tau", 964},      {"upsilon", 965},  {"phi", 966},
    {"chi", 967},     {"psi", 968},     {"omega", 969},    {"thetasym", 977}, {"upsih", 978},
    {"piv", 982},     {"ensp", 8194},   {"emsp", 8195},    {"thinsp", 8201},  {"zwnj", 8204},
    {"zwj", 8205},    {"lrm", 8206},    {"rlm", 8207},     {"ndash", 8211},   {"mdash", 8212},
    {"lsquo", 8216},  {"rsquo", 8217},  {"sbquo", 8218},   {"ldquo", 8220},   {"rdquo", 8221},
    {"bdquo", 8222},  {"dagger", 8224}, {"Dagger", 8225},  {"bull", 8226},    {"hellip", 8230},
    {"permil", 8240}, {"prime", 8242},  {"Prime", 8243},   {"lsaquo", 8249},  {"rsaquo", 8250},
    {"oline", 8254},  {"frasl", 8260},  {"euro", 8364},    {"image", 8465},   {"weierp", 8472},
    {"real", 8476},   {"trade", 8482},  {"alefsym", 8501}, {"larr", 8592},    {"uarr", 8593},
    {"rarr", 8594},   {"darr", 8595},   {"harr", 8596},    {"crarr", 8629},   {"lArr", 8656},
    {"uArr", 8657},   {"rArr", 8658},   {"dArr", 8659},    {"hArr", 8660},    {"forall", 8704},
    {"part", 8706},   {"exist", 8707},  {"empty", 8709},   {"nabla", 8711},   {"isin", 8712},
    {"notin", 8713},  {"ni", 8715},     {"prod", 8719},    {"sum", 8721},     {"minus", 8722},
    {"lowast", 8727}, {"radic", 8730},  {"prop", 8733},    {"infin", 8734},   {"ang", 8736},
    {"and", 8743},    {"or", 8744},     {"cap", 8745},     {"cup", 8746},     {"int", 8747},
    {"there4", 8756}, {"sim", 8764},    {"cong", 8773},    {"asymp", 8776},   {"ne", 8800},
    {"equiv", 8801},  {"le", 8804},     {"ge", 8805},      {"sub", 8834},     {"sup", 8835},
    {"nsub", 8836},   {"sube", 8838},   {"supe", 8839},    {"oplus", 8853},   {"otimes", 8855},
    {"perp", 8869},   {"sdot", 8901},   {"lceil", 8968},   {"rceil", 8969},   {"lfloor", 8970},
    {"rfloor", 8971}, {"lang", 9001},   {"rang", 9002},    {"loz", 9674},     {"spades", 9824},
    {"clubs", 9827},  {"hearts", 9829}, {"diams", 9830},
};

struct CodePageName {
  const char* m_pszName;
  int m_nCodePage;
};

// Usual charset names and aliases, lower case.
const CodePageName kCodePages[] = {
    {"utf-8", 65001},
    {"utf8", 65001},
    {"unicode-1-1-utf-8", 65001},
    {"unicode-2-0-utf-8", 65001},
    {"x-unicode-2-0-utf-8", 65001},
    {"cp65001", 65001},
    {"utf-7", 65000},
    {"cp65000", 65000},
    {"utf-16", 1200},
    {"utf-16le", 1200},
    {"utf16", 1200},
    {"utf16le", 1200},
    {"ucs-2", 1200},
    {"ucs-2le", 1200},
    {"unicode", 1200},
    {"cp1200", 1200},
    {"utf-16be", 1201},
    {"utf16be", 1201},
    {"ucs-2be", 1201},
    {"unicodefffe", 1201},
    {"cp1201", 1201},
    {"utf-32", 12000},
    {"utf-32le", 12000},
    {"utf-32be", 12001},
    {"gbk", 936},
    {"gb2312", 936},
    {"gb2312-80", 936},
    {"gb231280", 936},
    {"gb_2312-80", 936},
    {"chinese", 936},
    {"cn-gb", 936},
    {"csgb2312", 936},
    {"csgb231280", 936},
    {"csiso58gb231280", 936},
    {"iso-ir-58", 936},
    {"ms936", 936},
    {"windows-936", 936},
    {"cp936", 936},
    {"gb18030", 54936},
    {"big5", 950},
    {"cn-big5", 950},
    {"csbig5", 950},
    {"x-x-big5", 950},
    {"cp950", 950},
    {"shift_jis", 932},
    {"sjis", 932},
    {"windows-31j", 932},
    {"ms_kanji", 932},
    {"csshiftjis", 932},
    {"cp932", 932},
    {"euc-jp", 51932},
    {"iso-2022-jp", 50220},
    {"ks_c_5601-1987", 949},
    {"korean", 949},
    {"uhc", 949},
    {"ks_c_5601", 949},
    {"cp949", 949},
    {"euc-kr", 51949},
    {"iso-2022-kr", 50225},
    {"hz-gb-2312", 52936},
    {"windows-1250", 1250},
    {"windows-1251", 1251},
    {"windows-1252", 1252},
    {"windows-1253", 1253},
    {"windows-1254", 1254},
    {"windows-1255", 1255},
    {"windows-1256", 1256},
    {"windows-1257", 1257},
    {"windows-1258", 1258},
    {"cp1250", 1250},
    {"cp1251", 1251},
    {"cp1252", 1252},
    {"windows-874", 874},
    {"tis-620", 874},
    {"iso-8859-1", 28591},
    {"iso8859-1", 28591},
    {"latin1", 28591},
    {"l1", 28591},
    {"iso_8859-1", 28591},
    {"cp819", 28591},
    {"ibm819", 28591},
    {"csisolatin1", 28591},
    {"iso-8859-2", 28592},
    {"latin2", 28592},
    {"iso-8859-3", 28593},
    {"latin3", 28593},
    {"iso-8859-4", 28594},
    {"latin4", 28594},
    {"iso-8859-5", 28595},
    {"cyrillic", 28595},
    {"iso-8859-6", 28596},
    {"arabic", 28596},
    {"iso-8859-7", 28597},
    {"greek", 28597},
    {"iso-8859-8", 28598},
    {"hebrew", 28598},
    {"iso-8859-9", 28599},
    {"latin5", 28599},
    {"iso-8859-13", 28603},
    {"iso-8859-15", 28605},
    {"latin-9", 28605},
    {"us-ascii", 20127},
    {"ascii", 20127},
    {"us", 20127},
    {"iso646-us", 20127},
    {"koi8-r", 20866},
    {"koi8-u", 21866},
    {"cp437", 437},
    {"ibm437", 437},
    {"cp850", 850},
    {"ibm850", 850},
    {"cp852", 852},
    {"ibm852", 852},
    {"cp855", 855},
    {"cp857", 857},
    {"cp860", 860},
    {"cp861", 861},
    {"cp862", 862},
    {"cp863", 863},
    {"cp864", 864},
    {"cp865", 865},
    {"cp866", 866},
    {"ibm866", 866},
    {"cp869", 869},
    {"x-mac-roman", 10000},
    {"macintosh", 10000},
    {"x-mac-japanese", 10001},
    {"x-mac-chinesetrad", 10002},
    {"x-mac-korean", 10003},
    {"x-mac-chinesesimp", 10008},
    {"x-mac-cyrillic", 10007},
    {"x-mac-ce", 10029},
    {"x-mac-turkish", 10081},
    {"x-mac-croatian", 10082},
    {"x-iscii-de", 57002},
    {"x-iscii-be", 57003},
    {"x-iscii-ta", 57004},
    {"x-iscii-te", 57005},
    {"x-iscii-as", 57006},
    {"x-iscii-or", 57007},
    {"x-iscii-ka", 57008},
    {"x-iscii-ma", 57009},
    {"x-iscii-gu", 57010},
    {"x-iscii-pa", 57011},
};

WCHAR Fold(WCHAR c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<WCHAR>(c + 32) : c;
}

bool EqualsName(const char* a, LPCWSTR b, int length, bool foldCase) {
  int i = 0;
  for (; i < length; ++i) {
    if (a[i] == 0) return false;
    WCHAR ca = static_cast<unsigned char>(a[i]);
    WCHAR cb = b[i];
    if (foldCase ? Fold(ca) != Fold(cb) : ca != cb) return false;
  }
  return a[i] == 0;
}

}  // namespace

DWORD XmlLookupEntity(LPCWSTR name, int length) {
  if (!name || length <= 0) return 0;
  // Names are matched without regard to case, but a name spelled exactly as stored wins: folding
  // first would give "&agrave;" the first of the pair, capital A grave. Only a name known in no
  // exact spelling ("&AGRAVE;", "&COPY;") falls back to the first entry that matches folded.
  for (const Entity& e : kEntities) {
    if (EqualsName(e.m_pszName, name, length, false)) return e.m_dwChar;
  }
  for (const Entity& e : kEntities) {
    if (EqualsName(e.m_pszName, name, length, true)) return e.m_dwChar;
  }
  return 0;
}

int XmlCodePageFromName(LPCWSTR name) {
  if (!name || !*name) return 0;
  if (wcscmp(name, u"UTF-32") == 0) return 65005;
  int length = static_cast<int>(wcslen(name));
  if (length >= 100) return -1;
  for (const CodePageName& c : kCodePages) {
    if (EqualsName(c.m_pszName, name, length, true)) return c.m_nCodePage;
  }
  return -1;
}
