#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace vornik::platform;

namespace {

class Registry : public testing::Test {
protected:
    void SetUp() override {
        path = testing::TempDir() + "registry-" + std::to_string(::getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name() + ".db";
        for (const char* suffix : {"", "-wal", "-shm"}) std::remove((path + suffix).c_str());
        setRegistryPath(path);
    }
    void TearDown() override { setRegistryPath(""); }

    HKEY create(const char* sub) {
        HKEY k = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, sub, &k), ERROR_SUCCESS) << sub;
        return k;
    }
    // The UTF-16 bytes of text, without a NUL.
    static std::vector<std::uint8_t> wide(const std::u16string& text) {
        std::vector<std::uint8_t> b;
        for (char16_t c : text) {
            b.push_back(static_cast<std::uint8_t>(c & 0xFF));
            b.push_back(static_cast<std::uint8_t>(c >> 8));
        }
        return b;
    }
    std::string path;
};

TEST_F(Registry, CreateMakesTheWholePathAndReportsWhetherItWasNew) {
    HKEY k = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Rcpt", &k,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(k);
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "software\\oleforretail\\serviceopos\\posprinter\\RCPT", &k,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(k);
}

TEST_F(Registry, OpenFindsExistingKeysOnly) {
    RegCloseKey(create("A\\B"));
    HKEY k = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A\\B\\", &k), ERROR_SUCCESS) << "a trailing backslash is fine";
    RegCloseKey(k);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "a\\b", &k), ERROR_SUCCESS) << "names ignore case";
    RegCloseKey(k);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A\\C", &k), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(k, nullptr);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "A", &k), ERROR_FILE_NOT_FOUND) << "the roots are separate trees";
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "\\A", &k), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A\\\\B", &k), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, std::string(256, 'x'), &k), ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, StringsReadBackInEitherFormWithTheirNulExactlyWhenWrittenWithOne) {
    HKEY k = create("K");
    const auto noNul = wide(u"COM");
    ASSERT_EQ(RegSetValueExW(k, u"Serial Port", REG_SZ, noNul.data(), static_cast<DWORD>(noNul.size())),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(k, "WithNul", REG_SZ, "9600", 5), ERROR_SUCCESS);

    char buf[16] = {};
    DWORD type = 0, size = sizeof buf;
    ASSERT_EQ(RegQueryValueExA(k, "serial port", &type, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(std::string(buf, size), "COM");

    size = sizeof buf;
    ASSERT_EQ(RegQueryValueExA(k, "WithNul", &type, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(std::string(buf, size), std::string("9600\0", 5));

    char16_t wbuf[8] = {};
    size = sizeof wbuf;
    ASSERT_EQ(RegQueryValueExW(k, u"WithNul", &type, wbuf, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(std::u16string(wbuf, 5), std::u16string(u"9600\0", 5));
    RegCloseKey(k);
}

TEST_F(Registry, SizeQueriesAndShortBuffers) {
    HKEY k = create("K");
    ASSERT_EQ(RegSetValueExA(k, "", REG_SZ, "Vornik.Opos.Printer", 19), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExA(k, "", &type, nullptr, &size), ERROR_SUCCESS) << "the default value";
    EXPECT_EQ(size, 19u);
    char small[4];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(k, "", &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 19u);
    size = 0;
    EXPECT_EQ(RegQueryValueExA(k, "Missing", &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    const std::uint32_t dword = 7;
    ASSERT_EQ(RegSetValueExA(k, "Count", REG_DWORD, &dword, 4), ERROR_SUCCESS);
    std::uint32_t back = 0;
    size = 4;
    ASSERT_EQ(RegQueryValueExA(k, "Count", &type, &back, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(back, 7u);
    EXPECT_EQ(RegDeleteValueA(k, "count"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(k, "count"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(k);
}

TEST_F(Registry, AnsiFormFollowsTheSystemCodePage) {
    ::setenv("VORNIK_ACP", "936", 1);
    HKEY k = create("K");
    const auto text = wide(u"\u6d4b\u8bd5");
    ASSERT_EQ(RegSetValueExW(k, u"Name", REG_SZ, text.data(), static_cast<DWORD>(text.size())), ERROR_SUCCESS);
    char buf[16];
    DWORD size = sizeof buf;
    ASSERT_EQ(RegQueryValueExA(k, "Name", nullptr, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(buf, size), "\xb2\xe2\xca\xd4");
    ::unsetenv("VORNIK_ACP");
    RegCloseKey(k);
}

TEST_F(Registry, SubkeysEnumerateInNameOrderKeepingTheirCase) {
    HKEY cls = create("ServiceOPOS\\POSPrinter");
    for (const char* ldn : {"kitchen", "Receipt", "bar"}) {
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExA(cls, ldn, &k), ERROR_SUCCESS);
        RegCloseKey(k);
    }
    std::vector<std::string> names;
    std::string name;
    DWORD i = 0;
    while (RegEnumKeyExA(cls, i++, &name) == ERROR_SUCCESS) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"bar", "kitchen", "Receipt"}));
    EXPECT_EQ(RegEnumKeyExA(cls, 3, &name), ERROR_NO_MORE_ITEMS);
    RegCloseKey(cls);
}

TEST_F(Registry, OnlyKeysWithoutSubkeysCanBeDeleted) {
    HKEY leaf = create("Parent\\Leaf");
    ASSERT_EQ(RegSetValueExA(leaf, "V", REG_SZ, "x", 1), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Parent"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Parent\\Leaf"), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(leaf, "V", REG_SZ, "y", 1), ERROR_KEY_DELETED) << "a handle to a deleted key";
    RegCloseKey(leaf);
    HKEY again = create("Parent\\Leaf");
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(again, "V", nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND) << "values went with it";
    RegCloseKey(again);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Parent\\Leaf"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Parent"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Parent"), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, AFileThatCannotBeOpenedFailsEveryCall) {
    setRegistryPath("/proc/vornik/cannot/exist.db");
    HKEY k = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "A", &k), ERROR_CANTOPEN);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", &k), ERROR_CANTOPEN);
}

// Two processes write into the same key at once; no write is lost.
TEST_F(Registry, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int kWrites = 150;
    setRegistryPath(path);  // nothing open across the fork
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            int failures = 0;
            for (int i = 0; i < kWrites; ++i) {
                HKEY k = nullptr;
                std::string sub = "Shared\\Writer" + std::to_string(c) + "\\" + std::to_string(i % 10);
                if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, sub, &k) != ERROR_SUCCESS) {
                    ++failures;
                    continue;
                }
                std::string name = "v" + std::to_string(i), value = std::to_string(i * 7);
                if (RegSetValueExA(k, name, REG_SZ, value.data(), static_cast<DWORD>(value.size())) != ERROR_SUCCESS)
                    ++failures;
                RegCloseKey(k);
            }
            ::_exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < kWrites; ++i) {
            HKEY k = nullptr;
            std::string sub = "Shared\\Writer" + std::to_string(c) + "\\" + std::to_string(i % 10);
            ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, sub, &k), ERROR_SUCCESS);
            char buf[16];
            DWORD size = sizeof buf;
            ASSERT_EQ(RegQueryValueExA(k, "v" + std::to_string(i), nullptr, buf, &size), ERROR_SUCCESS);
            EXPECT_EQ(std::string(buf, size), std::to_string(i * 7));
            RegCloseKey(k);
        }
}

}  // namespace
