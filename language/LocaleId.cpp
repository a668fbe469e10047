#include "LocaleId.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

#include "AsciiCase.h"

namespace {

struct LocaleId {
  std::string_view name;  // "ll_TT", or "ll" for the language's default
  std::uint32_t lcid;
};

// What Windows reports as the system default locale for each setting. Spain is the modern
// (international) sort, 0xC0A, which Windows has used by default since XP; the traditional sort
// 0x40A needs a deliberate choice there.
constexpr LocaleId kLocaleIds[] = {
    {"af_ZA", 0x436},
    {"ar_AE", 0x3801},
    {"ar_BH", 0x3c01},
    {"ar_DZ", 0x1401},
    {"ar_EG", 0xc01},
    {"ar_IQ", 0x801},
    {"ar_JO", 0x2c01},
    {"ar_KW", 0x3401},
    {"ar_LB", 0x3001},
    {"ar_LY", 0x1001},
    {"ar_MA", 0x1801},
    {"ar_OM", 0x2001},
    {"ar_QA", 0x4001},
    {"ar_SA", 0x401},
    {"ar_SY", 0x2801},
    {"ar_TN", 0x1c01},
    {"ar_YE", 0x2401},
    {"be_BY", 0x423},
    {"bg_BG", 0x402},
    {"bn_IN", 0x445},
    {"ca_ES", 0x403},
    {"cs_CZ", 0x405},
    {"cy_GB", 0x452},
    {"da_DK", 0x406},
    {"de_AT", 0xc07},
    {"de_CH", 0x807},
    {"de_DE", 0x407},
    {"de_LI", 0x1407},
    {"de_LU", 0x1007},
    {"el_GR", 0x408},
    {"en_AU", 0xc09},
    {"en_BZ", 0x2809},
    {"en_CA", 0x1009},
    {"en_GB", 0x809},
    {"en_IE", 0x1809},
    {"en_IN", 0x4009},
    {"en_JM", 0x2009},
    {"en_MY", 0x4409},
    {"en_NZ", 0x1409},
    {"en_PH", 0x3409},
    {"en_SG", 0x4809},
    {"en_TT", 0x2c09},
    {"en_US", 0x409},
    {"en_ZA", 0x1c09},
    {"en_ZW", 0x3009},
    {"es_AR", 0x2c0a},
    {"es_BO", 0x400a},
    {"es_CL", 0x340a},
    {"es_CO", 0x240a},
    {"es_CR", 0x140a},
    {"es_DO", 0x1c0a},
    {"es_EC", 0x300a},
    {"es_ES", 0xc0a},
    {"es_GT", 0x100a},
    {"es_HN", 0x480a},
    {"es_MX", 0x80a},
    {"es_NI", 0x4c0a},
    {"es_PA", 0x180a},
    {"es_PE", 0x280a},
    {"es_PR", 0x500a},
    {"es_PY", 0x3c0a},
    {"es_SV", 0x440a},
    {"es_US", 0x540a},
    {"es_UY", 0x380a},
    {"es_VE", 0x200a},
    {"et_EE", 0x425},
    {"eu_ES", 0x42d},
    {"fa_IR", 0x429},
    {"fi_FI", 0x40b},
    {"fil_PH", 0x464},
    {"fr_BE", 0x80c},
    {"fr_CA", 0xc0c},
    {"fr_CH", 0x100c},
    {"fr_FR", 0x40c},
    {"fr_LU", 0x140c},
    {"fr_MC", 0x180c},
    {"ga_IE", 0x83c},
    {"gl_ES", 0x456},
    {"he_IL", 0x40d},
    {"hi_IN", 0x439},
    {"hr_HR", 0x41a},
    {"hu_HU", 0x40e},
    {"hy_AM", 0x42b},
    {"id_ID", 0x421},
    {"is_IS", 0x40f},
    {"it_CH", 0x810},
    {"it_IT", 0x410},
    {"ja_JP", 0x411},
    {"ka_GE", 0x437},
    {"kk_KZ", 0x43f},
    {"km_KH", 0x453},
    {"ko_KR", 0x412},
    {"lt_LT", 0x427},
    {"lv_LV", 0x426},
    {"mk_MK", 0x42f},
    {"mn_MN", 0x450},
    {"mr_IN", 0x44e},
    {"ms_BN", 0x83e},
    {"ms_MY", 0x43e},
    {"nb_NO", 0x414},
    {"nl_BE", 0x813},
    {"nl_NL", 0x413},
    {"nn_NO", 0x814},
    {"no_NO", 0x414},
    {"pl_PL", 0x415},
    {"pt_BR", 0x416},
    {"pt_PT", 0x816},
    {"ro_MD", 0x818},
    {"ro_RO", 0x418},
    {"ru_MD", 0x819},
    {"ru_RU", 0x419},
    {"sk_SK", 0x41b},
    {"sl_SI", 0x424},
    {"sq_AL", 0x41c},
    {"sr_RS", 0x281a},
    {"sv_FI", 0x81d},
    {"sv_SE", 0x41d},
    {"sw_KE", 0x441},
    {"ta_IN", 0x449},
    {"te_IN", 0x44a},
    {"th_TH", 0x41e},
    {"tr_TR", 0x41f},
    {"uk_UA", 0x422},
    {"ur_PK", 0x420},
    {"uz_UZ", 0x443},
    {"vi_VN", 0x42a},
    {"zh_CN", 0x804},
    {"zh_HK", 0xc04},
    {"zh_MO", 0x1404},
    {"zh_SG", 0x1004},
    {"zh_TW", 0x404},
    // A language without a territory, or with one not listed: the language's main locale.
    {"af", 0x436},
    {"ar", 0x401},
    {"be", 0x423},
    {"bg", 0x402},
    {"bn", 0x445},
    {"ca", 0x403},
    {"cs", 0x405},
    {"cy", 0x452},
    {"da", 0x406},
    {"de", 0x407},
    {"el", 0x408},
    {"en", 0x409},
    {"es", 0xc0a},
    {"et", 0x425},
    {"eu", 0x42d},
    {"fa", 0x429},
    {"fi", 0x40b},
    {"fil", 0x464},
    {"fr", 0x40c},
    {"ga", 0x83c},
    {"gl", 0x456},
    {"he", 0x40d},
    {"hi", 0x439},
    {"hr", 0x41a},
    {"hu", 0x40e},
    {"hy", 0x42b},
    {"id", 0x421},
    {"is", 0x40f},
    {"it", 0x410},
    {"ja", 0x411},
    {"ka", 0x437},
    {"kk", 0x43f},
    {"km", 0x453},
    {"ko", 0x412},
    {"lt", 0x427},
    {"lv", 0x426},
    {"mk", 0x42f},
    {"mn", 0x450},
    {"mr", 0x44e},
    {"ms", 0x43e},
    {"nb", 0x414},
    {"nl", 0x413},
    {"nn", 0x814},
    {"no", 0x414},
    {"pl", 0x415},
    {"pt", 0x416},
    {"ro", 0x418},
    {"ru", 0x419},
    {"sk", 0x41b},
    {"sl", 0x424},
    {"sq", 0x41c},
    {"sr", 0x281a},
    {"sv", 0x41d},
    {"sw", 0x441},
    {"ta", 0x449},
    {"te", 0x44a},
    {"th", 0x41e},
    {"tr", 0x41f},
    {"uk", 0x422},
    {"ur", 0x420},
    {"uz", 0x443},
    {"vi", 0x42a},
    {"zh", 0x804},
};

constexpr std::uint32_t kEnglishUnitedStates = 0x409;

std::uint32_t Lookup(const std::string& name) {
  for (const LocaleId& id : kLocaleIds)
    if (id.name == name) return id.lcid;
  return 0;
}

bool IsAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

std::uint32_t WindowsLocaleId(const std::string& localeName) {
  // language[_territory][.codeset][@modifier], also with '-' and a script: zh-Hant-TW.
  std::string name = localeName;
  std::string modifier;
  if (auto at = name.find('@'); at != std::string::npos) {
    modifier = AsciiLowered(name.substr(at + 1));
    name.erase(at);
  }
  if (auto dot = name.find('.'); dot != std::string::npos) name.erase(dot);
  std::vector<std::string> parts;
  for (std::size_t start = 0; start <= name.size();) {
    std::size_t end = name.find_first_of("_-", start);
    if (end == std::string::npos) end = name.size();
    parts.push_back(name.substr(start, end - start));
    start = end + 1;
  }
  std::string language = AsciiLowered(parts[0]);
  if (language.empty() || language == "c" || language == "posix") return kEnglishUnitedStates;
  std::string script;
  std::string territory;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    if (part.size() == 4 && std::all_of(part.begin(), part.end(), IsAlpha))
      script = AsciiLowered(part);
    else if (territory.empty() && !part.empty())
      for (char c : part) territory += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  }
  if (language == "zh" && territory.empty()) territory = script == "hant" ? "TW" : "CN";
  if (language == "sr" && (modifier == "latin" || script == "latn"))
    return territory == "ME" ? 0x2c1a : 0x241a;  // Serbian in Latin script
  if (std::uint32_t id = Lookup(language + "_" + territory)) return id;
  if (std::uint32_t id = Lookup(language)) return id;
  return kEnglishUnitedStates;
}

std::int32_t DefaultLanguageIndex(const std::string& localeName) {
  return DefaultLanguageIndex(WindowsLocaleId(localeName));
}

std::int32_t DefaultLanguageIndex(std::uint32_t localeId) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(localeId));
  const std::string id = hex;
  if (id == "409") return 0;
  if (id == "804") return 1;
  if (id == "411") return 2;
  if (id == "404") return 3;
  if (id == "40a" || id == "80a") return 4;
  return 0;  // es_ES ("c0a", modern sort) lands here too, as the table says
}
