// One registry file for the whole test process, set before anything opens
// one: every library copy of the registry code (the service library, the
// control library, the test binary) reads VORNIK_REGISTRY on first use.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace vornik::test {

class RegistryEnvironment : public testing::Environment {
public:
    void SetUp() override {
        path = testing::TempDir() + "vornik-registry-" + std::to_string(::getpid()) + ".db";
        for (const char* s : {"", "-wal", "-shm"}) std::remove((path + s).c_str());
        ::setenv("VORNIK_REGISTRY", path.c_str(), 1);
        const std::string locks = testing::TempDir() + "vornik-locks-" + std::to_string(::getpid());
        ::setenv("VORNIK_LOCK_DIR", locks.c_str(), 1);
    }
    void TearDown() override {
        for (const char* s : {"", "-wal", "-shm"}) std::remove((path + s).c_str());
    }
    std::string path;
};

}  // namespace vornik::test
