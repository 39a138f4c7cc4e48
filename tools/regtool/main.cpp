// vornik-reg: inspect, change and back up the package's registry file.
//
//   vornik-reg list   [KEY]              keys and values below KEY (default: both roots)
//   vornik-reg get    KEY [NAME]         one value (the default value without NAME)
//   vornik-reg set    KEY NAME VALUE     a string value (NAME "@" or "" for the default value)
//   vornik-reg delete KEY [NAME]         a value, or KEY with everything below it
//   vornik-reg export FILE [KEY]         .reg text of KEY (default: HKEY_LOCAL_MACHINE); FILE "-" for stdout
//   vornik-reg import FILE               apply a .reg file
//
// KEY is HKEY_LOCAL_MACHINE\... or HKEY_CLASSES_ROOT\... (HKLM, HKCR for short).
// The file is VORNIK_REGISTRY, else the default; --registry PATH overrides both.
#include "RegFile.h"

#include "platform/CodePages.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

using namespace vornik;
using namespace vornik::platform;

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: vornik-reg [--registry PATH] list [KEY] | get KEY [NAME] | set KEY NAME VALUE |\n"
                 "                  delete KEY [NAME] | export FILE [KEY] | import FILE\n");
    return 2;
}

int fail(const std::string& what) {
    std::fprintf(stderr, "vornik-reg: %s\n", what.c_str());
    return 1;
}

bool openKey(const std::string& full, HKEY& key, bool create) {
    HKEY root = nullptr;
    std::string rest;
    if (!regtool::splitRootPath(full, root, rest)) return false;
    std::u16string sub = utf8ToUtf16(rest);
    return (create ? RegCreateKeyExW(root, sub, &key) : RegOpenKeyExW(root, sub, &key)) == ERROR_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "--registry") {
        setRegistryPath(args[1]);
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty()) return usage();
    const std::string cmd = args[0];

    if (cmd == "list" || cmd == "export") {
        std::vector<std::string> keys;
        std::string file;
        if (cmd == "export") {
            if (args.size() < 2) return usage();
            file = args[1];
            keys.push_back(args.size() > 2 ? args[2] : "HKEY_LOCAL_MACHINE");
        } else if (args.size() > 1) {
            keys.push_back(args[1]);
        } else {
            keys = {"HKEY_LOCAL_MACHINE", "HKEY_CLASSES_ROOT"};
        }
        std::string all;
        for (const auto& key : keys) {
            std::string text, error;
            if (!regtool::exportKey(key, text, &error)) return fail(error);
            all += all.empty() ? text : text.substr(text.find('\n') + 1);
        }
        if (cmd == "list" || file == "-") {
            std::cout << all;
            return 0;
        }
        std::ofstream out(file, std::ios::binary);
        out << all;
        if (!out) return fail("cannot write " + file);
        std::printf("exported %s to %s\n", keys[0].c_str(), file.c_str());
        return 0;
    }
    if (cmd == "import") {
        if (args.size() != 2) return usage();
        std::ifstream in(args[1], std::ios::binary);
        if (!in) return fail("cannot read " + args[1]);
        std::stringstream ss;
        ss << in.rdbuf();
        std::vector<std::string> errors;
        int written = regtool::importText(ss.str(), errors);
        for (const auto& e : errors) std::fprintf(stderr, "vornik-reg: %s: %s\n", args[1].c_str(), e.c_str());
        std::printf("imported %d values\n", written);
        return errors.empty() ? 0 : 1;
    }
    if (cmd == "get") {
        if (args.size() < 2 || args.size() > 3) return usage();
        HKEY key = nullptr;
        if (!openKey(args[1], key, false)) return fail("no key " + args[1]);
        std::string name = args.size() == 3 && args[2] != "@" ? args[2] : "";
        std::vector<char16_t> buf(4096);
        DWORD type = 0, size = static_cast<DWORD>(buf.size() * 2);
        LONG rc = RegQueryValueExW(key, utf8ToUtf16(name), &type, buf.data(), &size);
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS) return fail("no value " + (name.empty() ? std::string("@") : name) + " (error " + std::to_string(rc) + ")");
        if (type == REG_SZ) {
            std::u16string text(buf.data(), size / 2);
            if (!text.empty() && text.back() == u'\0') text.pop_back();
            std::cout << utf16ToUtf8(text) << "\n";
        } else {
            std::printf("(type %u, %u bytes)\n", type, size);
        }
        return 0;
    }
    if (cmd == "set") {
        if (args.size() != 4) return usage();
        HKEY key = nullptr;
        if (!openKey(args[1], key, true)) return fail("cannot create " + args[1]);
        std::u16string value = utf8ToUtf16(args[3]);
        std::vector<std::uint8_t> bytes;
        for (char16_t c : value) {
            bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>(c >> 8));
        }
        std::string name = args[2] == "@" ? "" : args[2];
        LONG rc = RegSetValueExW(key, utf8ToUtf16(name), REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));
        RegCloseKey(key);
        return rc == ERROR_SUCCESS ? 0 : fail("cannot set " + args[2] + " (error " + std::to_string(rc) + ")");
    }
    if (cmd == "delete") {
        if (args.size() < 2 || args.size() > 3) return usage();
        if (args.size() == 3) {
            HKEY key = nullptr;
            if (!openKey(args[1], key, false)) return fail("no key " + args[1]);
            LONG rc = RegDeleteValueW(key, utf8ToUtf16(args[2] == "@" ? "" : args[2]));
            RegCloseKey(key);
            return rc == ERROR_SUCCESS ? 0 : fail("cannot delete " + args[2] + " (error " + std::to_string(rc) + ")");
        }
        HKEY root = nullptr;
        std::string rest;
        if (!regtool::splitRootPath(args[1], root, rest) || rest.empty()) return fail("refusing to delete a root");
        LONG rc = regtool::deleteTree(root, rest);
        return rc == ERROR_SUCCESS ? 0 : fail("cannot delete " + args[1] + " (error " + std::to_string(rc) + ")");
    }
    return usage();
}
