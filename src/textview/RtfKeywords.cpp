#include "textview/RtfKeywords.h"

namespace velmora::rtf {

const std::unordered_map<std::string_view, Kw> &keywords()
{
    static const std::unordered_map<std::string_view, Kw> map = [] {
        // clang-format off
        std::unordered_map<std::string_view, Kw> m{
            {"rtf", Kw::Rtf}, {"ansi", Kw::Ansi}, {"mac", Kw::Mac}, {"pc", Kw::Pc}, {"pca", Kw::Pca},
            {"ansicpg", Kw::AnsiCpg}, {"deff", Kw::Deff}, {"uc", Kw::Uc}, {"u", Kw::U}, {"bin", Kw::Bin},
            {"fonttbl", Kw::FontTbl}, {"colortbl", Kw::ColorTbl}, {"fcharset", Kw::FCharset},
            {"cpg", Kw::Cpg}, {"fnil", Kw::FNil}, {"froman", Kw::FRoman}, {"fswiss", Kw::FSwiss},
            {"fmodern", Kw::FModern}, {"fscript", Kw::FScript}, {"fdecor", Kw::FDecor},
            {"ftech", Kw::FTech}, {"fbidi", Kw::FNil}, {"red", Kw::Red}, {"green", Kw::Green},
            {"blue", Kw::Blue}, {"plain", Kw::Plain}, {"f", Kw::F}, {"fs", Kw::Fs}, {"b", Kw::B},
            {"i", Kw::I}, {"ulnone", Kw::UlNone}, {"strike", Kw::Strike}, {"striked", Kw::Strike},
            {"cf", Kw::Cf}, {"cb", Kw::Cb}, {"highlight", Kw::Cb}, {"v", Kw::V}, {"super", Kw::Super},
            {"sub", Kw::Sub}, {"nosupersub", Kw::NoSuperSub}, {"par", Kw::Par}, {"sect", Kw::Par},
            {"row", Kw::Par}, {"nestrow", Kw::Par}, {"pard", Kw::Pard}, {"ql", Kw::Ql}, {"qc", Kw::Qc},
            {"qr", Kw::Qr}, {"qj", Kw::Qj}, {"li", Kw::Li}, {"ri", Kw::Ri}, {"fi", Kw::Fi}, {"sb", Kw::Sb},
            {"sa", Kw::Sa}, {"sl", Kw::Sl}, {"slmult", Kw::SlMult}, {"tx", Kw::Tx}, {"tqr", Kw::Tqr},
            {"tqc", Kw::Tqc}, {"tqdec", Kw::Tqdec}, {"rtlpar", Kw::RtlPar}, {"ltrpar", Kw::LtrPar},
            {"line", Kw::Line}, {"tab", Kw::Tab}, {"cell", Kw::Cell}, {"nestcell", Kw::Cell},
        };
        // clang-format on
        // Every kind of underline switches underlining on (or off with 0); \ulc is a colour.
        for (const char *w :
             {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth", "ulthd",
              "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"})
            m.emplace(w, Kw::Ul);
        for (const char *w :
             {"emdash", "endash", "emspace", "enspace", "qmspace", "bullet", "lquote", "rquote", "ldblquote",
              "rdblquote", "zwj", "zwnj", "zwbo", "ltrmark", "rtlmark"})
            m.emplace(w, Kw::Char);
        // Destinations whose content is not text of the document.
        // clang-format off
        for (const char *w : {
            "stylesheet", "info", "pict", "object", "header", "headerl", "headerr", "headerf", "footer",
            "footerl", "footerr", "footerf", "footnote", "annotation", "listtable", "listoverridetable",
            "revtbl", "rsidtbl", "fldinst", "xe", "tc", "tcn", "txe", "rxe", "pn", "nonshppict", "shp",
            "shpgrp", "do", "template", "filetbl", "author", "operator", "title", "subject", "keywords",
            "comment", "doccomm", "company", "category", "manager", "creatim", "revtim", "printim",
            "buptim", "atnid", "atnauthor", "atnref", "atndate", "atnicn", "atntime", "bkmkstart",
            "bkmkend", "datafield", "fontemb", "fontfile", "falt", "panose", "generator", "ftnsep",
            "ftnsepc", "ftncn", "aftnsep", "aftnsepc", "aftncn", "pgdsctbl", "listpicture", "themedata",
            "colorschememapping", "latentstyles", "datastore", "xmlnstbl", "objdata", "private",
            "userprops", "docvar", "mmathPr", "wgrffmtfilter"})
            m.emplace(w, Kw::SkipDest);
        // clang-format on
        return m;
    }();
    return map;
}

char16_t specialChar(std::string_view w)
{
    static const std::unordered_map<std::string_view, char16_t> map{
        {"emdash", 0x2014},    {"endash", 0x2013},    {"emspace", 0x2003}, {"enspace", 0x2002},
        {"qmspace", 0x2005},   {"bullet", 0x2022},    {"lquote", 0x2018},  {"rquote", 0x2019},
        {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"zwj", 0x200D},     {"zwnj", 0x200C},
        {"zwbo", 0x200B},      {"ltrmark", 0x200E},   {"rtlmark", 0x200F},
    };
    const auto it = map.find(w);
    return it == map.end() ? char16_t(0) : it->second;
}

} // namespace velmora::rtf
