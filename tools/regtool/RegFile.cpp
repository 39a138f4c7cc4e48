#include "RegFile.h"

#include "platform/CodePages.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace vornik::regtool {

using namespace platform;

namespace {

const char kHeader[] = "Windows Registry Editor Version 5.00";

std::string utf8(const std::u16string& s) { return utf16ToUtf8(s); }
std::u16string u16(const std::string& s) { return utf8ToUtf16(s); }

std::string quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string hexBytes(const std::vector<std::uint8_t>& data) {
    std::string out;
    char b[4];
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::snprintf(b, sizeof b, "%02x", data[i]);
        if (i) out += ',';
        out += b;
    }
    return out;
}

std::string valueLine(const std::u16string& name, DWORD type, const std::vector<std::uint8_t>& data) {
    std::string line = name.empty() ? "@" : quote(utf8(name));
    line += '=';
    if (type == REG_SZ) {
        std::u16string text(data.size() / 2, u'\0');
        for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
        if (!text.empty() && text.back() == u'\0') text.pop_back();
        return line + quote(utf8(text));
    }
    if (type == REG_DWORD && data.size() == 4) {
        char b[16];
        std::snprintf(b, sizeof b, "dword:%08x", data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<unsigned>(data[3]) << 24));
        return line + b;
    }
    if (type == REG_BINARY) return line + "hex:" + hexBytes(data);
    return line + "hex(" + std::to_string(type) + "):" + hexBytes(data);
}

void exportTree(HKEY key, const std::string& fullPath, std::string& out) {
    out += "\n[" + fullPath + "]\n";
    std::u16string name;
    DWORD type = 0;
    std::vector<std::uint8_t> data;
    for (DWORD i = 0; RegEnumValueW(key, i, &name, &type, &data) == ERROR_SUCCESS; ++i)
        out += valueLine(name, type, data) + "\n";
    std::u16string sub;
    for (DWORD i = 0; RegEnumKeyExW(key, i, &sub) == ERROR_SUCCESS; ++i) {
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, sub, &child) != ERROR_SUCCESS) continue;
        exportTree(child, fullPath + "\\" + utf8(sub), out);
        RegCloseKey(child);
    }
}

// The text of a UTF-8 or UTF-16LE (with BOM) file as UTF-8.
std::string decodeFile(const std::string& raw) {
    if (raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF && static_cast<unsigned char>(raw[1]) == 0xFE) {
        std::u16string text((raw.size() - 2) / 2, u'\0');
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char16_t>(static_cast<unsigned char>(raw[2 + 2 * i]) |
                                            (static_cast<unsigned char>(raw[3 + 2 * i]) << 8));
        return utf8(text);
    }
    if (raw.rfind("\xEF\xBB\xBF", 0) == 0) return raw.substr(3);
    return raw;
}

// Reads a quoted string starting at s[pos] == '"'; pos ends after the closing quote.
bool readQuoted(const std::string& s, std::size_t& pos, std::string& out) {
    if (pos >= s.size() || s[pos] != '"') return false;
    out.clear();
    for (++pos; pos < s.size(); ++pos) {
        if (s[pos] == '\\' && pos + 1 < s.size()) {
            out += s[++pos];
            continue;
        }
        if (s[pos] == '"') {
            ++pos;
            return true;
        }
        out += s[pos];
    }
    return false;
}

bool parseHex(const std::string& s, std::vector<std::uint8_t>& out) {
    out.clear();
    std::string digits;
    for (char c : s) {
        if (c == ',' || c == ' ' || c == '\t') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
        digits += c;
    }
    if (digits.size() % 2) return false;
    for (std::size_t i = 0; i < digits.size(); i += 2) out.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return true;
}

}  // namespace

bool splitRootPath(const std::string& full, HKEY& root, std::string& rest) {
    auto slash = full.find('\\');
    std::string head = full.substr(0, slash);
    for (char& c : head) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (head == "HKEY_LOCAL_MACHINE" || head == "HKLM") root = HKEY_LOCAL_MACHINE;
    else if (head == "HKEY_CLASSES_ROOT" || head == "HKCR") root = HKEY_CLASSES_ROOT;
    else return false;
    rest = slash == std::string::npos ? "" : full.substr(slash + 1);
    return true;
}

bool exportKey(const std::string& fullPath, std::string& text, std::string* error) {
    HKEY root = nullptr;
    std::string rest;
    if (!splitRootPath(fullPath, root, rest)) {
        if (error) *error = "unknown root in " + fullPath;
        return false;
    }
    HKEY key = nullptr;
    if (LONG rc = RegOpenKeyExW(root, u16(rest), &key); rc != ERROR_SUCCESS) {
        if (error) *error = "cannot open " + fullPath + " (error " + std::to_string(rc) + ")";
        return false;
    }
    std::string canonical = root == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE" : "HKEY_CLASSES_ROOT";
    if (!rest.empty()) canonical += "\\" + (rest.back() == '\\' ? rest.substr(0, rest.size() - 1) : rest);
    text = std::string(kHeader) + "\n";
    exportTree(key, canonical, text);
    RegCloseKey(key);
    return true;
}

LONG deleteTree(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (LONG rc = RegOpenKeyExW(root, u16(path), &key); rc != ERROR_SUCCESS) return rc;
    std::u16string sub;
    std::vector<std::u16string> children;
    for (DWORD i = 0; RegEnumKeyExW(key, i, &sub) == ERROR_SUCCESS; ++i) children.push_back(sub);
    RegCloseKey(key);
    for (const auto& child : children)
        if (LONG rc = deleteTree(root, path + "\\" + utf8(child)); rc != ERROR_SUCCESS) return rc;
    return RegDeleteKeyW(root, u16(path));
}

int importText(const std::string& raw, std::vector<std::string>& errors) {
    std::istringstream in(decodeFile(raw));
    std::string line;
    int lineNo = 0, written = 0;
    HKEY current = nullptr;
    auto fail = [&](const std::string& why) { errors.push_back("line " + std::to_string(lineNo) + ": " + why); };
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // Continuation lines of long hex values end in a backslash.
        while (!line.empty() && line.back() == '\\' && line.find('=') != std::string::npos && line.find("hex") != std::string::npos) {
            std::string next;
            if (!std::getline(in, next)) break;
            ++lineNo;
            if (!next.empty() && next.back() == '\r') next.pop_back();
            line.pop_back();
            line += next;
        }
        std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == ';' || (lineNo == 1 && line.find(kHeader) != std::string::npos) ||
            line.rfind("REGEDIT4", 0) == 0)
            continue;
        line = line.substr(start);
        if (line.front() == '[') {
            if (current) RegCloseKey(current);
            current = nullptr;
            auto end = line.rfind(']');
            if (end == std::string::npos) {
                fail("key line without ]");
                continue;
            }
            bool remove = line.size() > 1 && line[1] == '-';
            std::string full = line.substr(remove ? 2 : 1, end - (remove ? 2 : 1));
            HKEY root = nullptr;
            std::string rest;
            if (!splitRootPath(full, root, rest)) {
                fail("unknown root in " + full);
                continue;
            }
            if (remove) {
                LONG rc = deleteTree(root, rest);
                if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) fail("cannot delete " + full);
                continue;
            }
            if (LONG rc = RegCreateKeyExW(root, u16(rest), &current); rc != ERROR_SUCCESS) {
                fail("cannot create " + full + " (error " + std::to_string(rc) + ")");
                current = nullptr;
            }
            continue;
        }
        if (!current) {
            fail("value outside a key");
            continue;
        }
        std::string name;
        std::size_t pos = 0;
        if (line[0] == '@') pos = 1;
        else if (!readQuoted(line, pos, name)) {
            fail("malformed value name");
            continue;
        }
        if (pos >= line.size() || line[pos] != '=') {
            fail("missing '='");
            continue;
        }
        ++pos;
        std::string data = line.substr(pos);
        LONG rc = ERROR_SUCCESS;
        if (data == "-") {
            rc = RegDeleteValueW(current, u16(name));
            if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;
        } else if (!data.empty() && data[0] == '"') {
            std::string text;
            std::size_t p = 0;
            if (!readQuoted(data, p, text)) {
                fail("unterminated string");
                continue;
            }
            std::u16string w = u16(text);
            std::vector<std::uint8_t> bytes;
            for (char16_t c : w) {
                bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
                bytes.push_back(static_cast<std::uint8_t>(c >> 8));
            }
            rc = RegSetValueExW(current, u16(name), REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));
        } else if (data.rfind("dword:", 0) == 0) {
            std::string digits = data.substr(6);
            if (digits.empty() || digits.size() > 8 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
                fail("malformed dword");
                continue;
            }
            std::uint32_t v = static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16));
            rc = RegSetValueExW(current, u16(name), REG_DWORD, &v, 4);
        } else if (data.rfind("hex", 0) == 0) {
            DWORD type = REG_BINARY;
            std::size_t colon = data.find(':');
            if (colon == std::string::npos) {
                fail("malformed hex value");
                continue;
            }
            if (data[3] == '(') {
                auto close = data.find(')');
                if (close == std::string::npos || close > colon) {
                    fail("malformed hex type");
                    continue;
                }
                type = static_cast<DWORD>(std::strtoul(data.substr(4, close - 4).c_str(), nullptr, 16));
            }
            std::vector<std::uint8_t> bytes;
            if (!parseHex(data.substr(colon + 1), bytes)) {
                fail("malformed hex bytes");
                continue;
            }
            rc = RegSetValueExW(current, u16(name), type, bytes.data(), static_cast<DWORD>(bytes.size()));
        } else {
            fail("unknown value form");
            continue;
        }
        if (rc != ERROR_SUCCESS) fail("cannot write \"" + name + "\" (error " + std::to_string(rc) + ")");
        else if (data != "-") ++written;
    }
    if (current) RegCloseKey(current);
    return written;
}

}  // namespace vornik::regtool
