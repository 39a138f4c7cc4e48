#include "RegFile.h"

#include "platform/CodePages.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

using namespace vornik;
using namespace vornik::platform;

namespace {

class RegFile : public testing::Test {
protected:
    void SetUp() override {
        path = testing::TempDir() + "regfile-" + std::to_string(::getpid()) + ".db";
        for (const char* s : {"", "-wal", "-shm"}) std::remove((path + s).c_str());
        setRegistryPath(path);
    }
    void TearDown() override { setRegistryPath(""); }
    std::string path;
};

const char kBackup[] =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Rcpt]\r\n"
    "@=\"Vornik.Opos.Printer\"\r\n"
    "\"IOType\"=\"ENet\"\r\n"
    "\"Quoted\"=\"a \\\"b\\\" c\\\\d\"\r\n"
    "\"Count\"=dword:0000002a\r\n"
    "\"Blob\"=hex:01,02,\\\r\n"
    "  ff\r\n"
    "\r\n"
    "[HKEY_CLASSES_ROOT\\Vornik.Opos.Printer\\CLSID]\r\n"
    "@=\"{00000000-0000-0000-0000-000000000001}\"\r\n";

TEST_F(RegFile, ImportThenExportGivesTheSameKeysAndValues) {
    std::vector<std::string> errors;
    EXPECT_EQ(regtool::importText(kBackup, errors), 6);
    EXPECT_TRUE(errors.empty());
    std::string text, error;
    ASSERT_TRUE(regtool::exportKey("HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Rcpt", text, &error)) << error;
    EXPECT_EQ(text,
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Rcpt]\n"
              "@=\"Vornik.Opos.Printer\"\n"
              "\"Blob\"=hex:01,02,ff\n"
              "\"Count\"=dword:0000002a\n"
              "\"IOType\"=\"ENet\"\n"
              "\"Quoted\"=\"a \\\"b\\\" c\\\\d\"\n");
    // Strings are written without a NUL, as the configuration tool writes them.
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Rcpt", &k),
              ERROR_SUCCESS);
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExA(k, "IOType", nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4u);
    RegCloseKey(k);
}

TEST_F(RegFile, MalformedLinesAreReportedAndTheRestApplies) {
    std::vector<std::string> errors;
    int written = regtool::importText(
        "\"Orphan\"=\"x\"\n"
        "[HKEY_CURRENT_USER\\X]\n"
        "[HKEY_LOCAL_MACHINE\\T]\n"
        "\"Bad=\"x\"\n"
        "\"NoEquals\"\n"
        "\"Dw\"=dword:xyz\n"
        "\"Hx\"=hex:1,2,3\n"
        "\"Good\"=\"yes\"\n",
        errors);
    EXPECT_EQ(written, 1);
    ASSERT_EQ(errors.size(), 6u);
    EXPECT_EQ(errors[0], "line 1: value outside a key");
    EXPECT_EQ(errors[1].rfind("line 2: unknown root", 0), 0u);
}

TEST_F(RegFile, DeletionLinesRemoveKeysAndValues) {
    std::vector<std::string> errors;
    regtool::importText("[HKLM\\A\\B\\C]\n\"v\"=\"1\"\n[HKLM\\A]\n\"w\"=\"2\"\n", errors);
    regtool::importText("[-HKLM\\A\\B]\n[HKLM\\A]\n\"w\"=-\n", errors);
    EXPECT_TRUE(errors.empty());
    HKEY k = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A\\B", &k), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", &k), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(k, "w", nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(k);
}

TEST_F(RegFile, Utf16FilesAreRead) {
    std::u16string text = u"\uFEFFWindows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\U]\r\n\"N\"=\"\u6d4b\"\r\n";
    std::string raw;
    for (char16_t c : text) {
        raw += static_cast<char>(c & 0xFF);
        raw += static_cast<char>(c >> 8);
    }
    std::vector<std::string> errors;
    EXPECT_EQ(regtool::importText(raw, errors), 1);
    std::string out, error;
    ASSERT_TRUE(regtool::exportKey("HKLM\\U", out, &error));
    EXPECT_NE(out.find("\"N\"=\"\xe6\xb5\x8b\""), std::string::npos);
}

}  // namespace
