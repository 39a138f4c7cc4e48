// Windows code pages and the "system" locale, on Linux.
//
// Stands in for GetACP(), GetSystemDefaultLangID(), MultiByteToWideChar and
// WideCharToMultiByte. The process locale (LC_ALL, else LC_CTYPE, else LANG)
// decides the ANSI code page and the language identifier as Windows' system
// locale does: zh_CN gives 936 and 0x0804, ja_JP 932 and 0x0411, ru_RU 1251
// and 0x0419, and so on; anything unknown (and "C"/"POSIX") gives 1252 and
// 0x0409. VORNIK_ACP=<number> overrides the code page.
//
// Conversions go through iconv. Characters a code page cannot hold become
// '?' (Windows' default character); bytes that are not valid in the code page
// become U+FFFD, one per byte, so a conversion never fails and never stops early.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vornik::platform {

inline constexpr unsigned CP_UTF8_CODEPAGE = 65001;

// The process's ANSI code page (VORNIK_ACP, else from the locale).
unsigned systemAnsiCodePage();
// The process's default language identifier (from the locale).
std::uint16_t systemDefaultLangId();

// The code page and language identifier a locale name stands for
// ("zh_CN.UTF-8", "ja_JP", "C", ...).
unsigned ansiCodePageForLocale(std::string_view locale);
std::uint16_t langIdForLocale(std::string_view locale);

// True when iconv knows the code page.
bool isCodePageSupported(unsigned codePage);

// UTF-16 to the code page; unmappable characters become '?'. usedDefault,
// when given, is set when that happened.
std::string utf16ToCodePage(std::u16string_view text, unsigned codePage, bool* usedDefault = nullptr);
// The code page to UTF-16; invalid bytes become U+FFFD.
std::u16string codePageToUtf16(std::string_view bytes, unsigned codePage);

// Shorthands for the system ANSI code page.
inline std::string utf16ToAnsi(std::u16string_view text) { return utf16ToCodePage(text, systemAnsiCodePage()); }
inline std::u16string ansiToUtf16(std::string_view bytes) { return codePageToUtf16(bytes, systemAnsiCodePage()); }

// Conversions that carry every byte through, for text that travels as UTF-16
// but must come back as the same bytes: a byte that is not valid in the code
// page (or would not convert back to itself) becomes the lone surrogate
// U+DC00 + byte, which the reverse conversion turns back into that byte.
std::u16string codePageToUtf16Lossless(std::string_view bytes, unsigned codePage);
std::string utf16ToCodePageLossless(std::u16string_view text, unsigned codePage);

std::string utf16ToUtf8(std::u16string_view text);
std::u16string utf8ToUtf16(std::string_view text);

}  // namespace vornik::platform
