#include "CodePages.h"

#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace vornik::platform {

namespace {

struct LocaleRow {
    const char* prefix;  // language, or language_TERRITORY
    unsigned codePage;
    std::uint16_t langId;
};

// Territory rows before the language rows they refine.
const LocaleRow kLocales[] = {
    {"zh_CN", 936, 0x0804}, {"zh_SG", 936, 0x1004}, {"zh_TW", 950, 0x0404}, {"zh_HK", 950, 0x0C04},
    {"zh_MO", 950, 0x1404}, {"zh", 936, 0x0804},    {"ja", 932, 0x0411},    {"ko", 949, 0x0412},
    {"ru", 1251, 0x0419},   {"uk", 1251, 0x0422},   {"be", 1251, 0x0423},   {"bg", 1251, 0x0402},
    {"sr", 1251, 0x0C1A},   {"mk", 1251, 0x042F},   {"kk", 1251, 0x043F},   {"pl", 1250, 0x0415},
    {"cs", 1250, 0x0405},   {"sk", 1250, 0x041B},   {"hu", 1250, 0x040E},   {"sl", 1250, 0x0424},
    {"hr", 1250, 0x041A},   {"ro", 1250, 0x0418},   {"sq", 1250, 0x041C},   {"el", 1253, 0x0408},
    {"tr", 1254, 0x041F},   {"he", 1255, 0x040D},   {"ar", 1256, 0x0401},   {"fa", 1256, 0x0429},
    {"ur", 1256, 0x0420},   {"lt", 1257, 0x0427},   {"lv", 1257, 0x0426},   {"et", 1257, 0x0425},
    {"vi", 1258, 0x042A},   {"th", 874, 0x041E},    {"en_GB", 1252, 0x0809}, {"en_AU", 1252, 0x0C09},
    {"en_CA", 1252, 0x1009}, {"en", 1252, 0x0409},  {"de_AT", 1252, 0x0C07}, {"de_CH", 1252, 0x0807},
    {"de", 1252, 0x0407},   {"fr_CA", 1252, 0x0C0C}, {"fr_BE", 1252, 0x080C}, {"fr_CH", 1252, 0x100C},
    {"fr", 1252, 0x040C},   {"es_MX", 1252, 0x080A}, {"es", 1252, 0x0C0A},  {"it", 1252, 0x0410},
    {"pt_BR", 1252, 0x0416}, {"pt", 1252, 0x0816},  {"nl_BE", 1252, 0x0813}, {"nl", 1252, 0x0413},
    {"sv", 1252, 0x041D},   {"da", 1252, 0x0406},   {"nb", 1252, 0x0414},   {"nn", 1252, 0x0814},
    {"no", 1252, 0x0414},   {"fi", 1252, 0x040B},   {"is", 1252, 0x040F},   {"id", 1252, 0x0421},
    {"ms", 1252, 0x043E},   {"ca", 1252, 0x0403},   {"eu", 1252, 0x042D},   {"gl", 1252, 0x0456},
};

const LocaleRow* findLocale(std::string_view locale) {
    // Drop ".codeset" and "@modifier".
    auto cut = locale.find_first_of(".@");
    if (cut != std::string_view::npos) locale = locale.substr(0, cut);
    for (const auto& row : kLocales) {
        std::string_view p = row.prefix;
        if (locale.substr(0, p.size()) != p) continue;
        if (locale.size() == p.size() || locale[p.size()] == '_') return &row;
    }
    return nullptr;
}

std::string processLocale() {
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"})
        if (const char* v = std::getenv(var); v && *v) return v;
    return "C";
}

// The iconv name of a Windows code page.
std::string iconvName(unsigned cp) {
    switch (cp) {
    case 65001: return "UTF-8";
    case 936: return "CP936";
    case 950: return "CP950";
    case 932: return "CP932";
    case 949: return "CP949";
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 54936: return "GB18030";
    default: break;
    }
    if (cp >= 28591 && cp <= 28605) return "ISO-8859-" + std::to_string(cp - 28590);
    return "CP" + std::to_string(cp);
}

// Runs iconv over the whole input; on an invalid or unconvertible unit calls
// onBad(input, left, out) to write a replacement and skip `skip` input bytes.
template <typename OnBad>
std::string convert(iconv_t cd, const char* in, std::size_t inLen, OnBad onBad) {
    std::string out;
    std::vector<char> buf(4096);
    char* src = const_cast<char*>(in);
    std::size_t left = inLen;
    while (left > 0) {
        char* dst = buf.data();
        std::size_t room = buf.size();
        std::size_t r = ::iconv(cd, &src, &left, &dst, &room);
        out.append(buf.data(), buf.size() - room);
        if (r == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (truncated at the end): replace and skip.
            std::size_t skip = onBad(out);
            skip = skip > left ? left : skip;
            src += skip;
            left -= skip;
            ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    // Flush any shift state.
    char* dst = buf.data();
    std::size_t room = buf.size();
    ::iconv(cd, nullptr, nullptr, &dst, &room);
    out.append(buf.data(), buf.size() - room);
    return out;
}

class Iconv {
public:
    Iconv(const std::string& to, const std::string& from) : m_cd(::iconv_open(to.c_str(), from.c_str())) {}
    ~Iconv() {
        if (ok()) ::iconv_close(m_cd);
    }
    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

private:
    iconv_t m_cd;
};

}  // namespace

unsigned ansiCodePageForLocale(std::string_view locale) {
    const LocaleRow* row = findLocale(locale);
    return row ? row->codePage : 1252;
}

std::uint16_t langIdForLocale(std::string_view locale) {
    const LocaleRow* row = findLocale(locale);
    return row ? row->langId : 0x0409;
}

unsigned systemAnsiCodePage() {
    if (const char* v = std::getenv("VORNIK_ACP"); v && *v) {
        char* end = nullptr;
        unsigned long cp = std::strtoul(v, &end, 10);
        if (end && *end == '\0' && cp > 0 && cp < 65536 && isCodePageSupported(static_cast<unsigned>(cp)))
            return static_cast<unsigned>(cp);
    }
    return ansiCodePageForLocale(processLocale());
}

std::uint16_t systemDefaultLangId() { return langIdForLocale(processLocale()); }

bool isCodePageSupported(unsigned codePage) {
    Iconv cd("UTF-16LE", iconvName(codePage));
    return cd.ok();
}

std::string utf16ToCodePage(std::u16string_view text, unsigned codePage, bool* usedDefault) {
    if (usedDefault) *usedDefault = false;
    Iconv cd(iconvName(codePage), "UTF-16LE");
    if (!cd.ok()) {
        // Unknown code page: keep ASCII, replace the rest.
        std::string out;
        for (char16_t c : text) {
            out += c < 0x80 ? static_cast<char>(c) : '?';
            if (c >= 0x80 && usedDefault) *usedDefault = true;
        }
        return out;
    }
    std::string le;
    le.reserve(text.size() * 2);
    for (char16_t c : text) {
        le += static_cast<char>(c & 0xFF);
        le += static_cast<char>(c >> 8);
    }
    return convert(cd.get(), le.data(), le.size(), [&](std::string& out) -> std::size_t {
        out += '?';
        if (usedDefault) *usedDefault = true;
        return 2;  // one UTF-16 unit (a lone or unmappable surrogate half counts alone)
    });
}

std::u16string codePageToUtf16(std::string_view bytes, unsigned codePage) {
    Iconv cd("UTF-16LE", iconvName(codePage));
    std::string le;
    if (!cd.ok()) {
        for (unsigned char b : bytes) {
            char16_t c = b < 0x80 ? b : 0xFFFD;
            le += static_cast<char>(c & 0xFF);
            le += static_cast<char>(c >> 8);
        }
    } else {
        le = convert(cd.get(), bytes.data(), bytes.size(), [](std::string& out) -> std::size_t {
            out += '\xFD';
            out += '\xFF';
            return 1;
        });
    }
    std::u16string out(le.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(le[2 * i]) |
                                       (static_cast<unsigned char>(le[2 * i + 1]) << 8));
    return out;
}

namespace {

inline bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool isEscapedByte(char16_t c) { return c >= 0xDC00 && c <= 0xDCFF; }

// Decodes exactly bytes[0..len) to one character (one unit or a surrogate
// pair) that encodes back to the same bytes; false otherwise.
bool decodeOne(iconv_t toWide, iconv_t toBytes, const char* bytes, std::size_t len, std::u16string& out) {
    char wide[16];
    char* src = const_cast<char*>(bytes);
    std::size_t left = len;
    char* dst = wide;
    std::size_t room = sizeof wide;
    ::iconv(toWide, nullptr, nullptr, nullptr, nullptr);
    if (::iconv(toWide, &src, &left, &dst, &room) == static_cast<std::size_t>(-1) || left != 0) return false;
    const std::size_t units = (sizeof wide - room) / 2;
    if (units == 0 || units > 2) return false;
    char back[16];
    src = wide;
    left = sizeof wide - room;
    dst = back;
    room = sizeof back;
    ::iconv(toBytes, nullptr, nullptr, nullptr, nullptr);
    if (::iconv(toBytes, &src, &left, &dst, &room) == static_cast<std::size_t>(-1) || left != 0) return false;
    if (sizeof back - room != len || std::memcmp(back, bytes, len) != 0) return false;
    for (std::size_t i = 0; i < units; ++i)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(wide[2 * i]) |
                                            (static_cast<unsigned char>(wide[2 * i + 1]) << 8)));
    return true;
}

}  // namespace

// Every Windows ANSI code page and UTF-8 keep ASCII as it is.
static bool isAscii(std::string_view bytes) {
    for (unsigned char b : bytes)
        if (b >= 0x80) return false;
    return true;
}

std::u16string codePageToUtf16Lossless(std::string_view bytes, unsigned codePage) {
    if (isAscii(bytes)) return std::u16string(bytes.begin(), bytes.end());
    // Most text converts and comes back unchanged: take the fast path then.
    std::u16string fast = codePageToUtf16(bytes, codePage);
    bool clean = true;
    for (char16_t c : fast)
        if (c == 0xFFFD || isEscapedByte(c)) clean = false;
    if (clean && utf16ToCodePage(fast, codePage) == bytes) return fast;

    Iconv toWide("UTF-16LE", iconvName(codePage)), toBytes(iconvName(codePage), "UTF-16LE");
    std::u16string out;
    std::size_t i = 0;
    while (i < bytes.size()) {
        bool done = false;
        if (toWide.ok() && toBytes.ok()) {
            for (std::size_t len = 1; len <= 4 && i + len <= bytes.size(); ++len) {
                if (decodeOne(toWide.get(), toBytes.get(), bytes.data() + i, len, out)) {
                    i += len;
                    done = true;
                    break;
                }
            }
        }
        if (!done) {
            out.push_back(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[i])));
            ++i;
        }
    }
    return out;
}

std::string utf16ToCodePageLossless(std::u16string_view text, unsigned codePage) {
    bool ascii = true;
    for (char16_t c : text)
        if (c >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) return std::string(text.begin(), text.end());
    std::string out;
    std::size_t runStart = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const bool escaped = i < text.size() && isEscapedByte(text[i]) && !(i > 0 && isHighSurrogate(text[i - 1]));
        if (i < text.size() && !escaped) continue;
        if (i > runStart) out += utf16ToCodePage(text.substr(runStart, i - runStart), codePage);
        if (escaped) out += static_cast<char>(text[i] - 0xDC00);
        runStart = i + 1;
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view text) { return utf16ToCodePage(text, CP_UTF8_CODEPAGE); }
std::u16string utf8ToUtf16(std::string_view text) { return codePageToUtf16(text, CP_UTF8_CODEPAGE); }

}  // namespace vornik::platform
