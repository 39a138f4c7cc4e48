// Status replies: the sink each service object implements, and the
// process-wide arbiter that keeps the last accepted reply so that a printer
// and the cash drawer on the same cable can share it.
#pragma once

#include <mutex>
#include <string>

namespace vornik::so {

class CCommData {
public:
    virtual ~CCommData() = default;
    virtual void ProcessCommData(const std::string& reply) = 0;
};

class CCommArbiter {
public:
    CCommArbiter();
    ~CCommArbiter();
    void setLastStatus(const std::string& status);
    std::string lastStatus() const;

private:
    mutable std::mutex m_lock;
    std::string m_lastStatus;
};

// The process-wide arbiter.
CCommArbiter& commArbiter();

}  // namespace vornik::so
