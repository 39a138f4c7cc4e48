// Conlink utility exports: text checks, code-page conversions, hexadecimal
// formatting, facts about the system, small file helpers.
//
// Wide text is UTF-16 (char16_t). "The system code page" is the process's ANSI
// code page (see the README: the locale, or VORNIK_ACP). Where a function asks
// about the machine, the Linux answer is given:
//   getOsName              the distribution's name (PRETTY_NAME of /etc/os-release)
//   GetSystemBits          64 on a 64-bit kernel, else 32
//   SafeGetNativeSystemInfo processor architecture, page size and processor count
//   GetLocalIp             the first IPv4 address of a physical Ethernet interface
//   _SetPrivilege          known Windows privilege names are held when running as root
//   copyDirFiles           a recursive copy that overwrites
#pragma once

#include <conlink/Conlink.h>

#include <cstdint>
#include <cstdio>

extern "C" {

// The part of the Windows SYSTEM_INFO record that is filled.
struct SystemInfoRecord {
    std::uint16_t wProcessorArchitecture;  // 0 x86, 5 ARM, 6 IA-64, 9 AMD64, 12 ARM64, 0xFFFF unknown
    std::uint16_t wReserved;
    std::uint32_t dwPageSize;
    void* lpMinimumApplicationAddress;
    void* lpMaximumApplicationAddress;
    std::uintptr_t dwActiveProcessorMask;
    std::uint32_t dwNumberOfProcessors;
    std::uint32_t dwProcessorType;
    std::uint32_t dwAllocationGranularity;
    std::uint16_t wProcessorLevel;
    std::uint16_t wProcessorRevision;
};

CONLINK_API int GetLocalIp(char16_t* buffer);                 // buffer of at least 64 characters
CONLINK_API int getOsName(char16_t* buffer);                  // buffer of 260 characters
CONLINK_API void SafeGetNativeSystemInfo(SystemInfoRecord* info);
CONLINK_API int GetSystemBits();
CONLINK_API const char* getEnvironment(int is64);
CONLINK_API int isChineseOs();
CONLINK_API int _SetPrivilege(void* token, const char* privilege, int enable);
CONLINK_API int copyDirFiles(const char* sources, const char* destinations);
CONLINK_API std::int64_t GetFileLen(FILE* file);
CONLINK_API char* UTF8_To_string(const char* utf8);          // free with ReleasePointer
CONLINK_API int ReleasePointer(void* p);
CONLINK_API char16_t* unsignedChar2WCHAR(unsigned char value, char16_t* buffer);
CONLINK_API char16_t* unsignedChar2WCHAR_10(unsigned char value, char16_t* buffer);
CONLINK_API unsigned char wchar2UnsigedChar(char16_t c);
CONLINK_API char16_t* exchangeMAC(const unsigned char* mac, char16_t* buffer);
CONLINK_API int IsMacAddrAllZero(const char16_t* text);
CONLINK_API int strIsVisible(const char* text);
CONLINK_API int strIsDigit(const char* text);
CONLINK_API int strIsRealDigit(const char* text);
CONLINK_API void wchar2Ansi(const char16_t* text, char* buffer);
CONLINK_API int wchar2cp936(const char16_t* text, char* buffer);
CONLINK_API int char2wchar936(const char* text, char16_t* buffer);
CONLINK_API char* myStrncpy(char* destination, const char* source, int n);
CONLINK_API void GenRandString(char* buffer, int n);

}  // extern "C"
